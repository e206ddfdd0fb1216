#!/usr/bin/env bash
# The installer under 64-bit Wine, in a throwaway prefix: silent install,
# the driver registered through the installer with its help folder, a data
# source added and shown through the installed setup library, the help
# pages at the URLs the installed driver gives, the usage count on
# reinstall and beside another installation, a newer version left alone,
# and a silent uninstall that leaves no file and no driver key but the data
# source. The 64-bit installer is the shipped script built as a 64-bit
# program without its 32-bit half (this machine can't start 32-bit
# programs); the shipped installer's 32-bit half is checked statically.
#
# usage: installer_wine.sh TEST-SETUP.EXE BIN64 [SETUP.EXE]
#   BIN64      the win64 build's bin (helpurls.exe for the help pages)
#   SETUP.EXE  the shipped installer, checked statically
set -u
setup64=$(readlink -f "$1")
bin64=$(readlink -f "$2")
setup=${3:+$(readlink -f "$3")}
top=$(cd "$(dirname "$0")/../.." && pwd)
version=$(cat "$top/build/win64/version.txt")
failures=0
export WINEPREFIX=$top/build/installer-prefix
. "$top/tests/installer/wine.sh"
uninstall='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\qzifx06'

new_prefix
cp "$setup64" "$c/setup.exe"

# Install.
run 0 'C:\setup.exe' /S '/DIR64=C:\ODBC64' '/D=C:\ODBC32'
expect_files "$c/ODBC64" present
[ -f "$c/ODBC32/uninstall.exe" ] || fail "no uninstaller"
expect_value "$drivers\\$driver" Setup 'C:\ODBC64\qzifx06s.dll'
expect_value "$drivers\\$driver" Driver 'C:\ODBC64\qzifx06s.dll'
expect_value "$drivers\\$driver" HelpRootDirectory 'C:\ODBC64\help'
expect_value "$drivers\\$driver" UsageCount 0x1
expect_value "$drivers\\ODBC Drivers" "$driver" Installed
expect_value "$uninstall" DisplayVersion "$version"
expect_value "$uninstall" QuietUninstallString '"C:\ODBC32\uninstall.exe" /S'

# A data source through the installer and the installed setup library.
run 0 'C:\ODBC64\dsnconfig.exe' add "$driver" 'DSN=Sales;HOST=dbhost;DB=stores'
run 0 'C:\ODBC64\dsnconfig.exe' show Sales
grep -qxF '  Database = stores' <<<"$out" || fail "data source not shown: $out"

# The help pages the installed driver's Help opens.
python3 "$top/tests/help/helppages_test.py" "$bin64" --driver "$driver" ||
  fail "help pages of the installed driver"

# Installing again keeps the package's one use of the driver.
run 0 'C:\setup.exe' /S '/DIR64=C:\ODBC64' '/D=C:\ODBC32'
expect_value "$drivers\\$driver" UsageCount 0x1

# A newer installed version is left alone.
"$wine" reg add "$uninstall" /v DisplayVersion /d 99.0 /f >/dev/null 2>&1 </dev/null
run 3 'C:\setup.exe' /S '/DIR64=C:\ODBC64' '/D=C:\ODBC32'
expect_value "$uninstall" DisplayVersion 99.0
"$wine" reg add "$uninstall" /v DisplayVersion /d "$version" /f >/dev/null 2>&1 </dev/null

# Another installation uses the driver too: uninstalling gives back only
# this package's use and keeps the files.
run 0 'C:\ODBC64\dsnconfig.exe' install-driver --help-root 'C:\ODBC64\help'
expect_value "$drivers\\$driver" UsageCount 0x2
run 0 'C:\ODBC32\uninstall.exe' /S
expect_files "$c/ODBC64" present
expect_value "$drivers\\$driver" UsageCount 0x1
has_key "$uninstall" && fail "uninstall entry left"

# The last use: install once more over it, then uninstall.
run 0 'C:\ODBC64\dsnconfig.exe' remove-driver
run 0 'C:\setup.exe' /S '/DIR64=C:\ODBC64' '/D=C:\ODBC32'
run 0 'C:\ODBC32\uninstall.exe' /S
expect_files "$c/ODBC64" absent
[ ! -e "$c/ODBC64" ] || fail "C:\\ODBC64 left: $(ls -R "$c/ODBC64")"
[ ! -e "$c/ODBC32" ] || fail "C:\\ODBC32 left: $(ls -R "$c/ODBC32")"
has_key "$drivers\\$driver" && fail "driver key left"
[ -z "$(value "$drivers\\ODBC Drivers" "$driver")" ] || fail "driver still listed"
has_key "$uninstall" && fail "uninstall entry left"
# The user's data source stays.
expect_value 'HKLM\Software\ODBC\ODBC.INI\ODBC Data Sources' Sales "$driver"

/usr/lib/wine/wineserver64 -k >/dev/null 2>&1
rm -rf "$WINEPREFIX"

# The shipped installer: its 32-bit half, read from the file itself.
if [ -n "$setup" ]; then
  bash "$top/tests/installer/installer_static.sh" "$setup" || fail "shipped installer contents"
fi

echo "$failures failures"
[ "$failures" -eq 0 ]
