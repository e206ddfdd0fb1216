; The installer of the Informix ODBC driver's setup library. It installs
; the 32-bit pair, dsnconfig and the help into a 32-bit location and, on
; 64-bit Windows, the 64-bit pair with its own dsnconfig and help into the
; 64-bit one; registers the driver in each architecture's ODBC installer
; through that architecture's dsnconfig (SQLInstallDriverEx, usage count);
; and writes an uninstall entry. The uninstaller gives the uses back
; (SQLRemoveDriver) and removes the files once no other installation uses
; the driver; data sources stay.
;
; Defines (makensis -D): VERSION, the project version; BIN32 and BIN64,
; folders holding qzifx06s.dll, qzifx06R.dll, dsnconfig.exe and help\ for
; each architecture; OUTFILE. TARGET_AMD64 builds a 64-bit installer, and
; with it NO_X86_HALF leaves the 32-bit half out: for a test machine that
; can't start 32-bit programs. SIGN_UNINSTALLER, a command that signs the
; file named after it, signs the uninstaller before it is packed (once
; inside the installer it can't be).
;
; Command line: /S silent; /D=DIR the 32-bit location (last, unquoted);
; /DIR64=DIR the 64-bit location. Exit status: 0 installed, 2 cancelled or
; failed, 3 a newer version is installed (nothing changed).

Unicode true
!ifdef TARGET_AMD64
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WordFunc.nsh

!define DRIVER "Informix ODBC Driver"
!define PUBLISHER "qzifx06 project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\qzifx06"

; The package's version is the version of what it installs.
!ifndef NO_X86_HALF
  !getdllversion "${BIN32}\qzifx06s.dll" SETUP32_
  !if "${SETUP32_1}.${SETUP32_2}.${SETUP32_3}" != "${VERSION}"
    !error "${BIN32}\qzifx06s.dll is version ${SETUP32_1}.${SETUP32_2}.${SETUP32_3}, not ${VERSION}"
  !endif
!endif
!getdllversion "${BIN64}\qzifx06s.dll" SETUP64_
!if "${SETUP64_1}.${SETUP64_2}.${SETUP64_3}" != "${VERSION}"
  !error "${BIN64}\qzifx06s.dll is version ${SETUP64_1}.${SETUP64_2}.${SETUP64_3}, not ${VERSION}"
!endif

!ifdef SIGN_UNINSTALLER
  !uninstfinalize '${SIGN_UNINSTALLER} "%1"' = 0
!endif

Name "${DRIVER} setup ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES32\qzifx06"
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${DRIVER} setup"
VIAddVersionKey /LANG=1033 "FileDescription" "${DRIVER} setup ${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var Dir64

; Installed files of one architecture's location.
!macro InstallFiles BIN
  File "${BIN}\qzifx06s.dll"
  File "${BIN}\qzifx06R.dll"
  File "${BIN}\dsnconfig.exe"
  File /r "${BIN}\help"
!macroend

!macro RemoveFiles DIR
  Delete "${DIR}\qzifx06s.dll"
  Delete "${DIR}\qzifx06R.dll"
  Delete "${DIR}\dsnconfig.exe"
  RMDir /r "${DIR}\help"
!macroend

; Registers the driver through the dsnconfig of the architecture in DIR.
; An earlier installation of this package holds a use of the driver
; already; it is given back first, so that the package holds one use.
!macro RegisterDriver DIR BITS
  SetRegView 32
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "DriverUse${BITS}"
  ${If} $0 == 1
    nsExec::ExecToLog '"${DIR}\dsnconfig.exe" remove-driver --driver "${DRIVER}"'
    Pop $1
  ${EndIf}
  nsExec::ExecToLog '"${DIR}\dsnconfig.exe" install-driver --driver "${DRIVER}" --help-root "${DIR}\help"'
  Pop $1
  ${If} $1 != 0
    MessageBox MB_ICONSTOP|MB_OK "The ${BITS}-bit ODBC installer did not register the driver ($1)." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "DriverUse${BITS}" 1
!macroend

; Gives this package's use of the driver back; the files go when no other
; installation uses the driver (dsnconfig exits 3 while one does).
!macro UnregisterDriver DIR BITS
  SetRegView 32
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "DriverUse${BITS}"
  StrCpy $1 0
  ${If} $0 == 1
    nsExec::ExecToLog '"${DIR}\dsnconfig.exe" remove-driver --driver "${DRIVER}"'
    Pop $1
  ${EndIf}
  ${If} $1 == 3
    DetailPrint "The ${BITS}-bit driver is still used by another installation; its files stay."
  ${Else}
    !insertmacro RemoveFiles "${DIR}"
  ${EndIf}
!macroend

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/DIR64=" $Dir64
  ${If} ${Errors}
  ${OrIf} $Dir64 == ""
    StrCpy $Dir64 "$PROGRAMFILES64\qzifx06"
  ${EndIf}
  SetRegView 32
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $R1 != ""
    ${VersionCompare} "$R1" "${VERSION}" $R2
    ${If} $R2 == 1
      MessageBox MB_ICONSTOP|MB_OK "${DRIVER} setup $R1 is installed, newer than ${VERSION}; nothing was changed." /SD IDOK
      SetErrorLevel 3
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "32-bit ODBC"
  SetOutPath "$INSTDIR"
!ifndef NO_X86_HALF
  !insertmacro InstallFiles "${BIN32}"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"
!ifndef NO_X86_HALF
  !insertmacro RegisterDriver "$INSTDIR" 32
!endif
SectionEnd

Section "64-bit ODBC"
  ${If} ${RunningX64}
    SetOutPath "$Dir64"
    !insertmacro InstallFiles "${BIN64}"
    !insertmacro RegisterDriver "$Dir64" 64
    SetRegView 32
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation64" "$Dir64"
  ${EndIf}
SectionEnd

Section "-Uninstall entry"
  SetRegView 32
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DRIVER} setup library"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetRegView 32
  ReadRegStr $Dir64 HKLM "${UNINSTALL_KEY}" "InstallLocation64"
  ${If} $Dir64 != ""
    !insertmacro UnregisterDriver "$Dir64" 64
    RMDir "$Dir64"
  ${EndIf}
!ifndef NO_X86_HALF
  !insertmacro UnregisterDriver "$INSTDIR" 32
!endif
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  SetRegView 32
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
