#!/usr/bin/env bash
# The MSIs: the x64 one under 64-bit Wine's msiexec in a throwaway prefix
# (upgrade from an older version in its recorded folder, downgrade refused,
# repair, a failing data-source import, uninstall, and beside the NSIS
# installation), the x86 one from its contents (no 32-bit program runs here).
# usage: msi_wine.sh WORK   (from run.sh: win32/, win64/ staged, setup64.exe)
set -u
work=$(readlink -f "$1")
top=$(cd "$(dirname "$0")/../.." && pwd)
version=$(cat "$top/build/win64/version.txt")
failures=0
export WINEPREFIX=$top/build/msi-prefix
. "$top/tests/installer/wine.sh"

# An older version, for an upgrade: the same files in a package that says so.
previous=$((${version%%.*} - 1)).0.0
package() { python3 "$top/tools/package.py" msi "$work/$1" "$2" "$3" "$work/$4" || fail "building $1"; }
package current.msi "$version" x64 win64
package previous.msi "$previous" x64 win64
package x86.msi "$version" x86 win32
products='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
code() { msiinfo export "$work/$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
current=$products\\$(code current.msi) older=$products\\$(code previous.msi)

# msiexec EXPECTED-STATUS ARGS...: silently, with its log in $log. Wine exits
# with the status's low byte: 1603 (failed) is 67, 1627 (an action failed) 91.
msiexec() {
  local expected=$1 before=$failures
  shift && rm -f "$c/msi.log"
  run "$expected" msiexec "$@" /qn /l*v 'C:\msi.log'
  log=$(tr -d '\r' <"$c/msi.log" 2>/dev/null)
  [ "$failures" -eq "$before" ] || grep -E 'Return value 3|rror' <<<"$log" | head -n 5
}

new_prefix
cp "$work/current.msi" "$work/previous.msi" "$work/setup64.exe" "$c/"
dir=$c/ODBC64

# The older version, then this one over it, into the folder it recorded.
msiexec 0 /i 'C:\previous.msi' 'INSTALLDIR=C:\ODBC64\'
run 0 'C:\ODBC64\dsnconfig.exe' add "$driver" 'DSN=Sales;HOST=dbhost;DB=stores'
msiexec 0 /i 'C:\current.msi'
expect_files "$dir" present
expect_value "$drivers\\$driver" Setup 'C:\ODBC64\qzifx06s.dll'
expect_value "$drivers\\$driver" HelpRootDirectory 'C:\ODBC64\help'
expect_value "$drivers\\$driver" UsageCount 0x1
expect_value "$current" DisplayVersion "$version"
has_key "$older" && fail "the older version is still installed"
run 0 'C:\ODBC64\dsnconfig.exe' show Sales
grep -qxF '  Database = stores' <<<"$out" || fail "data source not shown after the upgrade: $out"

# An older version does not replace this one.
msiexec 67 /i 'C:\previous.msi'
grep -q 'LaunchConditions. Return value [^1]' <<<"$log" || fail "the downgrade was not refused by its launch condition"
has_key "$older" && fail "the older version was installed over the newer one"

# A repair restores a deleted file and keeps the package's one use (these
# properties are what /fomus stands for; Wine's msiexec /f repairs nothing).
rm -f "$dir/qzifx06R.dll"
msiexec 0 /i 'C:\current.msi' REINSTALL=ALL REINSTALLMODE=omus
[ -f "$dir/qzifx06R.dll" ] || fail "repair did not restore qzifx06R.dll"
expect_value "$drivers\\$driver" UsageCount 0x1

# Uninstall: no file, no driver entry; the data source stays.
msiexec 0 /x 'C:\current.msi'
[ ! -e "$dir" ] || fail "C:\\ODBC64 left: $(ls -R "$dir")"
has_key "$drivers\\$driver" && fail "driver key left"
has_key "$current" && fail "the product is still installed"
expect_value 'HKLM\Software\ODBC\ODBC.INI\ODBC Data Sources' Sales "$driver"

# A data-source file that can't be imported fails the installation: no
# product, no file. (Wine's rollback removes the files before it runs the
# rollback actions, so the driver's use is not given back as on Windows.)
msiexec 91 /i 'C:\current.msi' 'DSNFILE=C:\missing.dsn'
has_key "$current" && fail "the product is installed after a failed installation"
expect_files "$c/Program Files/qzifx06" absent
run 0 "$work/win64/dsnconfig.exe" remove-driver

# Into the default folder, with a data-source file when dsnconfig can
# import one; then beside the NSIS installation. Each holds one use.
default=$c/Program\ Files/qzifx06
if "$wine" "$work/win64/dsnconfig.exe" help 2>/dev/null </dev/null | grep -q '^ *dsnconfig import'; then
  printf '[Imported]\r\nDriver=%s\r\nHOST=dbhost2\r\nDB=inventory\r\n' "$driver" >"$c/sources.dsn"
  msiexec 0 /i 'C:\current.msi' 'DSNFILE=C:\sources.dsn'
  run 0 "C:\\Program Files\\qzifx06\\dsnconfig.exe" show Imported
  grep -qxF '  Database = inventory' <<<"$out" || fail "imported data source not shown: $out"
else
  echo "SKIPPED: DSNFILE import (this build's dsnconfig has no import command)"
  msiexec 0 /i 'C:\current.msi'
fi
expect_files "$default" present
run 0 'C:\setup64.exe' /S '/DIR64=C:\NSIS64' '/D=C:\NSIS32'
expect_value "$drivers\\$driver" UsageCount 0x2
# remove-driver's status 3 (still in use) does not stop the uninstall.
msiexec 0 /x 'C:\current.msi'
expect_value "$drivers\\$driver" UsageCount 0x1
expect_files "$default" absent
run 0 'C:\NSIS32\uninstall.exe' /S
has_key "$drivers\\$driver" && fail "driver key left after both uninstalls"

/usr/lib/wine/wineserver64 -k >/dev/null 2>&1 && rm -rf "$WINEPREFIX"
# The x86 package: for 32-bit Windows's program folder, with the i686 files.
msiinfo suminfo "$work/x86.msi" | grep -qx 'Template: Intel;1033' || fail "x86.msi is not for 32-bit Windows"
msiinfo export "$work/x86.msi" Directory | grep -q $'^INSTALLDIR\tProgramFilesFolder\t' ||
  fail "x86.msi does not install into the 32-bit program folder"
rm -rf "$work/x86" && mkdir "$work/x86" && msiextract -C "$work/x86" "$work/x86.msi" >/dev/null || fail "can't unpack x86.msi"
formats=$(find "$work/x86" \( -name '*.dll' -o -name '*.exe' \) -exec x86_64-w64-mingw32-objdump -f {} + |
          sed -n 's/.*file format //p' | sort | uniq -c | xargs)
[ "$formats" = "3 pei-i386" ] || fail "x86.msi's program files: $formats"
names() { find "$1" -type f -printf '%f\n' | sort; }
[ "$(names "$work/x86")" = "$(names "$work/win32")" ] || fail "x86.msi holds other files than the staged ones"

echo "$failures failures"
[ "$failures" -eq 0 ]
