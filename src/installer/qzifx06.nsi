; The installer of the Informix ODBC driver's setup library. It installs
; the 32-bit pair, dsnconfig and the help into a 32-bit location and, on
; x64 Windows, the 64-bit pair with its own dsnconfig and help into the
; 64-bit one; registers the driver in each architecture's ODBC installer
; through that architecture's dsnconfig (SQLInstallDriverEx, usage count);
; and writes an uninstall entry. The uninstaller gives the uses back
; (SQLRemoveDriver) and removes the files once no other installation uses
; the driver; data sources stay.
;
; Defines (makensis -D): VERSION, the project version; BIN32 and BIN64,
; folders holding qzifx06s.dll, qzifx06R.dll, dsnconfig.exe and help\ for
; each architecture; HELP_FILES, the include file listing help\ (from
; tools/package.py); OUTFILE. TARGET_AMD64 builds a 64-bit installer, and
; with it NO_X86_HALF leaves the 32-bit half out: for a test machine that
; can't start 32-bit programs. SIGN_UNINSTALLER, a command that signs the
; file named after it, signs the uninstaller before it is packed (once
; inside the installer it can't be).
;
; Command line: /S silent; /LOG=FILE the log (default
; %TEMP%\qzifx06-setup.log, appended to); /DIR64=DIR the 64-bit location;
; /D=DIR the 32-bit location (last, unquoted). Without them an upgrade
; keeps the locations of the installed version. Exit status: 0 installed;
; 1 cancelled or failed; 2 refused command line; 3 a newer version is
; installed (nothing changed); 1618 another setup of this package is
; running (nothing changed); 3010 installed, a file in use is replaced when
; Windows restarts. The uninstaller takes /S and /LOG= and exits with 0, 1,
; 1618 or 3010 alike.

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
!include "${HELP_FILES}"

!define DRIVER "Informix ODBC Driver"
!define PUBLISHER "qzifx06 project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\qzifx06"
; Held while an installer or uninstaller of this package runs: two at once
; would both count a use of the driver.
!define MUTEX "Global\qzifx06-setup"

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
; No InstallDir: .onInit tells a /D= location from none given.
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
Var LogPath
Var OldDir
Var OldDir64

; Functions for both the installer and the uninstaller (un.), which NSIS
; keeps apart.
!macro SharedFunctions UN
  ; Appends the text on the stack to the log, and shows it.
  Function ${UN}Log
    Exch $0
    Push $1
    DetailPrint $0
    ClearErrors
    ${If} ${FileExists} $LogPath
      FileOpen $1 $LogPath a
      FileSeek $1 0 END
    ${Else}
      FileOpen $1 $LogPath w
      FileWriteUTF16LE /BOM $1 ""
    ${EndIf}
    ${IfNot} ${Errors}
      FileWriteUTF16LE $1 "$0$\r$\n"
      FileClose $1
    ${EndIf}
    Pop $1
    Pop $0
  FunctionEnd

  ; Runs the command on the stack, logs what it printed, and leaves its
  ; exit status on the stack ("error" when it could not be started).
  Function ${UN}Run
    Exch $0
    Push $1
    Push $2
    Push "run: $0"
    Call ${UN}Log
    nsExec::ExecToStack $0
    Pop $1
    Pop $2
    Push "$2(exit status $1)"
    Call ${UN}Log
    StrCpy $0 $1
    Pop $2
    Pop $1
    Exch $0
  FunctionEnd

  ; Sets $LogPath from /LOG= (default %TEMP%\qzifx06-NAME.log, NAME on
  ; the stack), logs the start and takes the mutex: 1618 while another
  ; setup of the package runs. Uses $R0-$R7; called first.
  Function ${UN}Begin
    Pop $R7
    ${GetParameters} $R1
    ClearErrors
    ${GetOptions} $R1 "/LOG=" $LogPath
    ${If} ${Errors}
    ${OrIf} $LogPath == ""
      StrCpy $LogPath "$TEMP\qzifx06-$R7.log"
    ${EndIf}
    ${GetTime} "" "L" $R0 $R1 $R2 $R3 $R4 $R5 $R6
    Push "== ${DRIVER} $R7 ${VERSION}, $R2-$R1-$R0 $R4:$R5:$R6: $CMDLINE"
    Call ${UN}Log
    ; The handle stays open until the process ends, which frees the name.
    System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${MUTEX}") p .R0 ?e'
    Pop $R1
    ${If} $R1 == 183 ; ERROR_ALREADY_EXISTS
      Push "Another setup of ${DRIVER} is running; nothing was changed."
      Call ${UN}Log
      MessageBox MB_ICONSTOP|MB_OK "Another setup of ${DRIVER} is running; nothing was changed." /SD IDOK
      SetErrorLevel 1618
      Quit
    ${EndIf}
  FunctionEnd

  ; Logs and shows the message on the stack, and stops the run with
  ; status 1.
  Function ${UN}Failed
    Exch $0
    Push $0
    Call ${UN}Log
    MessageBox MB_ICONSTOP|MB_OK "$0" /SD IDOK
    SetErrorLevel 1
    Abort
  FunctionEnd
!macroend
!insertmacro SharedFunctions ""
!insertmacro SharedFunctions "un."

; Drops one trailing backslash from the variable, so that locations compare
; as the same folder however they were typed.
!macro TrimSlash VAR
  StrCpy $R9 ${VAR} "" -1
  ${If} $R9 == "\"
    StrCpy ${VAR} ${VAR} -1
  ${EndIf}
!macroend

; One installed program file. A library loaded by a running program can't
; be overwritten: the new file then waits beside it under a temporary name
; and replaces it when Windows restarts (exit status 3010).
!macro InstallFile BIN NAME
  ClearErrors
  SetOverwrite try
  File "${BIN}\${NAME}"
  SetOverwrite on
  ${If} ${Errors}
    GetTempFileName $0 $OUTDIR
    File "/oname=$0" "${BIN}\${NAME}"
    Rename /REBOOTOK "$0" "$OUTDIR\${NAME}"
    Push "$OUTDIR\${NAME} is in use; the new one replaces it when Windows restarts."
    Call Log
  ${EndIf}
!macroend

!macro InstallFiles BIN DIR
  SetOutPath "${DIR}"
  !insertmacro InstallFile "${BIN}" qzifx06s.dll
  !insertmacro InstallFile "${BIN}" qzifx06R.dll
  !insertmacro InstallFile "${BIN}" dsnconfig.exe
  !insertmacro InstallHelp "${BIN}" "${DIR}"
!macroend

; Removes what InstallFiles put into DIR and no other file; what is in use
; goes when Windows restarts.
!macro RemoveFiles DIR
  Delete /REBOOTOK "${DIR}\qzifx06s.dll"
  Delete /REBOOTOK "${DIR}\qzifx06R.dll"
  Delete /REBOOTOK "${DIR}\dsnconfig.exe"
  !insertmacro RemoveHelp "${DIR}"
!macroend

; Removes DIR if it is empty, or when Windows restarts if what is left in
; it is waiting to be deleted then.
!macro RemoveFolder DIR
  RMDir "${DIR}"
  ${If} ${FileExists} "${DIR}\*.*"
  ${AndIf} ${RebootFlag}
    RMDir /REBOOTOK "${DIR}"
  ${EndIf}
!macroend

; Registers the driver through the dsnconfig of the architecture in DIR,
; so that the package holds one use of it, recorded as DriverUse32 or
; DriverUse64 under the uninstall entry. An earlier installation's use is
; given back first (remove-driver's status 3, others still use the driver,
; is no failure); the new one is recorded as soon as install-driver has
; counted it.
!macro RegisterDriver DIR BITS
  SetRegView 32
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "DriverUse${BITS}"
  ${If} $0 == 1
    Push '"${DIR}\dsnconfig.exe" remove-driver --driver "${DRIVER}"'
    Call Run
    Pop $1
    ${If} $1 != 0
    ${AndIf} $1 != 3
      Push "The ${BITS}-bit ODBC installer did not take back the earlier installation's use of the driver ($1). See $LogPath."
      Call Failed
    ${EndIf}
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "DriverUse${BITS}"
  ${EndIf}
  Push '"${DIR}\dsnconfig.exe" install-driver --driver "${DRIVER}" --help-root "${DIR}\help"'
  Call Run
  Pop $1
  ${If} $1 != 0
    Push "The ${BITS}-bit ODBC installer did not register the driver ($1). See $LogPath."
    Call Failed
  ${EndIf}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "DriverUse${BITS}" 1
!macroend

; An upgrade told to use another location removes the earlier version's
; files there, so that its uninstaller can't later remove the new ones.
!macro RemoveOldCopy OLD NEW
  ${If} ${OLD} != ""
  ${AndIf} ${OLD} != ${NEW}
    Push "Removing the earlier version from ${OLD}."
    Call Log
    !insertmacro RemoveFiles "${OLD}"
    Delete /REBOOTOK "${OLD}\uninstall.exe"
    !insertmacro RemoveFolder "${OLD}"
  ${EndIf}
!macroend

; Gives this package's use of the driver back; the files go when no other
; installation uses the driver (dsnconfig exits 3 while one does). Stops
; the uninstall, keeping the entry, when the installer refuses.
!macro UnregisterDriver DIR BITS
  SetRegView 32
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "DriverUse${BITS}"
  StrCpy $1 0
  ${If} $0 == 1
    Push '"${DIR}\dsnconfig.exe" remove-driver --driver "${DRIVER}"'
    Call un.Run
    Pop $1
    ${If} $1 != 0
    ${AndIf} $1 != 3
      Push "The ${BITS}-bit ODBC installer did not take back the package's use of the driver ($1); nothing more was removed. See $LogPath."
      Call un.Failed
    ${EndIf}
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "DriverUse${BITS}"
  ${EndIf}
  ${If} $1 == 3
    Push "The ${BITS}-bit driver is still used by another installation; its files stay."
    Call un.Log
  ${Else}
    !insertmacro RemoveFiles "${DIR}"
    !insertmacro RemoveFolder "${DIR}"
  ${EndIf}
!macroend

Function .onInit
  Push setup
  Call Begin
  SetRegView 32
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $R1 != ""
    ${VersionCompare} "$R1" "${VERSION}" $R2
    ${If} $R2 == 1
      Push "${DRIVER} setup $R1 is installed, newer than ${VERSION}; nothing was changed."
      Call Log
      MessageBox MB_ICONSTOP|MB_OK "${DRIVER} setup $R1 is installed, newer than ${VERSION}; nothing was changed." /SD IDOK
      SetErrorLevel 3
      Quit
    ${EndIf}
  ${EndIf}
  ; An upgrade stays where the installed version is unless told otherwise.
  ReadRegStr $OldDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $OldDir64 HKLM "${UNINSTALL_KEY}" "InstallLocation64"
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR $OldDir
  ${EndIf}
  ${If} $INSTDIR == ""
    StrCpy $INSTDIR "$PROGRAMFILES32\qzifx06"
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/DIR64=" $Dir64
  ${If} ${Errors}
  ${OrIf} $Dir64 == ""
    StrCpy $Dir64 $OldDir64
  ${EndIf}
  ${If} $Dir64 == ""
    StrCpy $Dir64 "$PROGRAMFILES64\qzifx06"
  ${EndIf}
  !insertmacro TrimSlash $INSTDIR
  !insertmacro TrimSlash $Dir64
  !insertmacro TrimSlash $OldDir
  !insertmacro TrimSlash $OldDir64
  ; The 64-bit files would replace the 32-bit ones.
  ${If} ${IsNativeAMD64}
  ${AndIf} $INSTDIR == $Dir64
    Push "The 32-bit and the 64-bit location are both $INSTDIR; they must differ. Nothing was changed."
    Call Log
    MessageBox MB_ICONSTOP|MB_OK "The 32-bit and the 64-bit location are both $INSTDIR; they must differ." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd

Function .onVerifyInstDir
  ${If} ${IsNativeAMD64}
  ${AndIf} $INSTDIR == $Dir64
    Abort
  ${EndIf}
FunctionEnd

; Written first, so that an installation that stops part way leaves an
; entry whose uninstaller removes what it did. The version is written last.
Section "-Uninstall entry"
  ; Until the last section, a stop is a failure (NSIS itself would exit
  ; with 2, which means a refused command line here).
  SetErrorLevel 1
  Push "32-bit location $INSTDIR, 64-bit location $Dir64"
  Call Log
  SetOutPath "$INSTDIR"
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    Push "Can't write $INSTDIR\uninstall.exe."
    Call Failed
  ${EndIf}
  SetRegView 32
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DRIVER} setup library"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ${If} ${IsNativeAMD64}
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation64" "$Dir64"
  ${EndIf}
  ; With _?= the uninstaller runs where it is instead of from a copy that
  ; it starts and leaves running: the command returns when the uninstall
  ; is done, with its status.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe" _?=$INSTDIR'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "32-bit ODBC"
!ifndef NO_X86_HALF
  !insertmacro InstallFiles "${BIN32}" "$INSTDIR"
  !insertmacro RegisterDriver "$INSTDIR" 32
!endif
  !insertmacro RemoveOldCopy "$OldDir" "$INSTDIR"
SectionEnd

; Not on ARM64, whose ODBC programs can't load an x64 setup library.
Section "64-bit ODBC"
  ${If} ${IsNativeAMD64}
    !insertmacro InstallFiles "${BIN64}" "$Dir64"
    !insertmacro RegisterDriver "$Dir64" 64
    !insertmacro RemoveOldCopy "$OldDir64" "$Dir64"
  ${EndIf}
SectionEnd

Section "-Done"
  SetErrorLevel 0
  SetRegView 32
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  ${If} ${RebootFlag}
    Push "Installed; a file in use is replaced when Windows restarts (exit status 3010)."
    Call Log
    MessageBox MB_ICONINFORMATION|MB_OK "Restart Windows to finish the installation." /SD IDOK
    SetErrorLevel 3010
  ${Else}
    Push "Installed."
    Call Log
  ${EndIf}
SectionEnd

; The uninstaller started with _?= runs from the folder it removes, and a
; running program can't be deleted. Once it has finished, a copy of it in
; %TEMP%, started with /CLEANUP=ID, waits for process ID to end (a minute
; at most), then deletes the uninstaller and the folder if nothing else is
; left in it. Windows deletes the copy when it restarts.
Function un.Cleanup
  System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i $R1) p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r0, i 60000) i'
    System::Call 'kernel32::CloseHandle(p r0)'
  ${EndIf}
  ; Not while another setup of the package runs: it may be installing here.
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${MUTEX}") p .r0 ?e'
  Pop $1
  ${If} $1 != 183
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
  ${EndIf}
  System::Call 'kernel32::MoveFileExW(w "$EXEPATH", p 0, i 4)' ; MOVEFILE_DELAY_UNTIL_REBOOT
  Quit
FunctionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/CLEANUP=" $R1
  ${IfNot} ${Errors}
    Call un.Cleanup
  ${EndIf}
  Push uninstall
  Call un.Begin
FunctionEnd

Section "Uninstall"
  SetErrorLevel 1
  SetRegView 32
  ReadRegStr $Dir64 HKLM "${UNINSTALL_KEY}" "InstallLocation64"
  ${If} $Dir64 != ""
    !insertmacro UnregisterDriver "$Dir64" 64
  ${EndIf}
  !insertmacro UnregisterDriver "$INSTDIR" 32
  SetRegView 32
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    System::Call 'kernel32::GetCurrentProcessId() i .r0'
    StrCpy $1 "$TEMP\qzifx06-cleanup-$0.exe"
    CopyFiles /SILENT "$EXEPATH" "$1"
    Exec '"$1" /CLEANUP=$0 _?=$INSTDIR'
  ${Else}
    !insertmacro RemoveFolder "$INSTDIR"
  ${EndIf}
  ${If} ${RebootFlag}
    Push "Uninstalled; what was in use is deleted when Windows restarts (exit status 3010)."
    Call un.Log
    SetErrorLevel 3010
  ${Else}
    Push "Uninstalled."
    Call un.Log
    SetErrorLevel 0
  ${EndIf}
SectionEnd
