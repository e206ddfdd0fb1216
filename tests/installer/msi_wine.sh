#!/usr/bin/env bash
# The MSIs. The x64 one under 64-bit Wine's msiexec, in a throwaway prefix:
# a silent install into INSTALLDIR, and an upgrade that replaces it in
# that folder; the driver registered once with its help folder; a data source
# through the installed setup library; a downgrade refused; a repair that
# restores a deleted file and keeps the count; a data-source file that can't
# be imported failing the installation; a silent uninstall that leaves no file
# and no driver entry but the data source; beside the NSIS installation,
# each package's own use of the driver. The x86 one (this machine can't
# start 32-bit programs) from its contents.
#
# usage: msi_wine.sh WORK   (WORK as tests/installer/run.sh leaves it:
#                           win32/ and win64/ staged, setup64.exe)
set -u
work=$(readlink -f "$1")
top=$(cd "$(dirname "$0")/../.." && pwd)
version=$(cat "$top/build/win64/version.txt")
failures=0
export WINEPREFIX=$top/build/msi-prefix
. "$top/tests/installer/wine.sh"

# The version before this one, for an upgrade: the same files in a package
# that says it is older.
IFS=. read -r major minor build <<<"$version"
if [ "$build" -gt 0 ]; then previous=$major.$minor.$((build - 1))
elif [ "$minor" -gt 0 ]; then previous=$major.$((minor - 1)).0
else previous=$((major - 1)).0.0; fi
package() { python3 "$top/tools/package.py" msi "$work/$1" "$2" "$3" "$work/$4" || fail "building $1"; }
package current.msi "$version" x64 win64
package previous.msi "$previous" x64 win64
package x86.msi "$version" x86 win32
product_code() { msiinfo export "$work/$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
products='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
current=$products\\$(product_code current.msi)
older=$products\\$(product_code previous.msi)

# msiexec EXPECTED-STATUS ARGS...: silently, with its log in $log. Wine
# passes on the low byte of an exit status: 1603 (failed) is 67, 1627
# (an action failed) 91.
msiexec() {
  local expected=$1 before=$failures
  shift
  rm -f "$c/msi.log"
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
expect_value "$drivers\\$driver" UsageCount 0x1

# A repair restores a deleted file and keeps the package's one use. (Wine's
# msiexec /f takes a package for a product code and repairs nothing; these
# properties are what /fomus stands for.)
rm -f "$dir/qzifx06R.dll"
msiexec 0 /i 'C:\current.msi' REINSTALL=ALL REINSTALLMODE=omus
[ -f "$dir/qzifx06R.dll" ] || fail "repair did not restore qzifx06R.dll"
expect_value "$drivers\\$driver" UsageCount 0x1

# Uninstall: no file, no driver entry; the data source stays.
msiexec 0 /x 'C:\current.msi'
[ ! -e "$dir" ] || fail "C:\\ODBC64 left: $(ls -R "$dir")"
has_key "$drivers\\$driver" && fail "driver key left"
[ -z "$(value "$drivers\\ODBC Drivers" "$driver")" ] || fail "driver still listed"
has_key "$current" && fail "the product is still installed"
expect_value 'HKLM\Software\ODBC\ODBC.INI\ODBC Data Sources' Sales "$driver"

# A data-source file that can't be imported fails the installation, which
# leaves no product and no file. (Wine's rollback removes the files before
# it runs the package's rollback actions, unlike Windows's, which undoes in
# reverse order: the use the driver registration took stays here.)
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
expect_files "$c/NSIS64" present
run 0 'C:\NSIS32\uninstall.exe' /S
has_key "$drivers\\$driver" && fail "driver key left after both uninstalls"

/usr/lib/wine/wineserver64 -k >/dev/null 2>&1
rm -rf "$WINEPREFIX"

# The x86 package: for 32-bit Windows's program folder, with the i686 files.
msiinfo suminfo "$work/x86.msi" | grep -qx 'Template: Intel;1033' || fail "x86.msi is not for 32-bit Windows"
msiinfo export "$work/x86.msi" Directory | grep -q $'^INSTALLDIR\tProgramFilesFolder\t' ||
  fail "x86.msi does not install into the 32-bit program folder"
rm -rf "$work/x86" && mkdir "$work/x86"
(cd "$work/x86" && msiextract ../x86.msi >/dev/null) || fail "can't unpack x86.msi"
for f in qzifx06s.dll qzifx06R.dll dsnconfig.exe; do
  found=$(find "$work/x86" -name "$f")
  [ "$(x86_64-w64-mingw32-objdump -f "$found" 2>/dev/null | sed -n 's/.*file format //p')" = pei-i386 ] ||
    fail "x86.msi's $f is not a 32-bit file"
done
[ "$(find "$work/x86" -type f | wc -l)" -eq "$(find "$work/win32" -type f | wc -l)" ] ||
  fail "x86.msi holds $(find "$work/x86" -type f | wc -l) files, the staged folder $(find "$work/win32" -type f | wc -l)"

echo "$failures failures"
[ "$failures" -eq 0 ]
