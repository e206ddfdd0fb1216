#!/usr/bin/env bash
# The installer under 64-bit Wine, in a throwaway prefix: command lines it
# refuses and a second setup at once, which change nothing; a failed
# installation that its uninstall entry removes; a silent install, the
# driver registered with its help folder, a data source through the
# installed setup library and the help pages it opens; an upgrade that
# stays where the earlier version is, or moves and removes the old copy;
# the setup library in use during an upgrade and an uninstall (3010, done
# when Windows restarts); a newer version left alone; the usage count on
# reinstall and beside another installation; a registration of the real
# driver taken over and given back; and the recorded quiet uninstall,
# checked as soon as it returns, leaving only the data source and others'
# files. The 64-bit installer is the shipped script built as a 64-bit
# program without its 32-bit half (this machine can't start 32-bit
# programs); the shipped installer's 32-bit half is checked statically.
#
# usage: installer_wine.sh TEST-SETUP.EXE BIN64 [SETUP.EXE]
#   BIN64      the win64 build's bin (helpurls.exe, holder.exe)
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
key="$drivers\\$driver"

# The recorded quiet uninstall, run as a deployment tool runs it: its
# status and effects are checked when it returns, not after every process
# it may have started has ended.
recorded_uninstall() { # EXPECTED-STATUS
  local command exe
  command=$(value "$uninstall" QuietUninstallString)
  exe=${command#\"}
  exe=${exe%%\"*}
  # shellcheck disable=SC2086 # the arguments are words
  out=$("$wine" "$exe" ${command#\"*\" } </dev/null 2>&1)
  check_status $? "$1" "$command"
}
# The restart that finishes what was left for it.
restart() { "$wine" wineboot -r >/dev/null 2>&1 </dev/null; /usr/lib/wine/wineserver64 -w; }
log_has() { iconv -f UTF-16LE -t UTF-8 "$1" | tr -d '\r' | grep -qF -- "$2" || fail "$1 lacks \"$2\""; }

new_prefix
cp "$setup64" "$c/setup.exe"
cp "$bin64/holder.exe" "$c/"
temp=$(echo "$c"/users/*/Temp)

# Refused: one folder for both halves (2); another setup running (1618).
run 2 'C:\setup.exe' /S '/DIR64=C:\Same' '/D=C:\Same\'
hold 'mutex:Global\qzifx06-setup'
run 1618 'C:\setup.exe' /S '/DIR64=C:\ODBC64' '/D=C:\ODBC32'
release
[ ! -e "$c/Same" ] && [ ! -e "$c/ODBC32" ] || fail "a refused setup installed files"
has_key "$uninstall" && fail "a refused setup wrote an uninstall entry"
log_has "$temp/qzifx06-setup.log" "Another setup of $driver is running"

# A failure part way (no drive Q:) exits 1; its uninstall entry, with no
# version, removes what it did.
run 1 'C:\setup.exe' /S '/DIR64=Q:\ODBC64' '/D=C:\ODBC32'
log_has "$temp/qzifx06-setup.log" "The 64-bit ODBC installer did not register the driver"
expect_value "$uninstall" DisplayVersion ""
has_key "$key" && fail "a failed setup registered the driver"
recorded_uninstall 0
/usr/lib/wine/wineserver64 -w
[ ! -e "$c/ODBC32" ] || fail "C:\\ODBC32 left after a failed setup: $(ls -R "$c/ODBC32")"
has_key "$uninstall" && fail "uninstall entry left after a failed setup"

# Install, with a log of our choosing.
run 0 'C:\setup.exe' /S '/LOG=C:\setup.log' '/DIR64=C:\ODBC64' '/D=C:\ODBC32'
expect_files "$c/ODBC64" present
[ -f "$c/ODBC32/uninstall.exe" ] || fail "no uninstaller"
expect_value "$key" Setup 'C:\ODBC64\qzifx06s.dll'
expect_value "$key" Driver 'C:\ODBC64\qzifx06s.dll'
expect_value "$key" HelpRootDirectory 'C:\ODBC64\help'
expect_value "$key" UsageCount 0x1
expect_value "$drivers\\ODBC Drivers" "$driver" Installed
expect_value "$uninstall" DisplayVersion "$version"
expect_value "$uninstall" QuietUninstallString '"C:\ODBC32\uninstall.exe" /S _?=C:\ODBC32'
log_has "$c/setup.log" 'registered driver "Informix ODBC Driver" (usage count 1)'

# A data source through the installer and the installed setup library.
run 0 'C:\ODBC64\dsnconfig.exe' add "$driver" 'DSN=Sales;HOST=dbhost;DB=stores'
run 0 'C:\ODBC64\dsnconfig.exe' show Sales
grep -qxF '  Database = stores' <<<"$out" || fail "data source not shown: $out"

# The help pages the installed driver's Help opens.
python3 "$top/tests/help/help_pages_test.py" "$bin64" --driver "$driver" ||
  fail "help pages of the installed driver"

# An upgrade with the setup library loaded by a program (an older one
# stands in for it): 3010, the new library in place after the restart. Not
# told where, it stays where the earlier version is, holding one use.
cp "$c/ODBC64/qzifx06R.dll" "$c/ODBC64/qzifx06s.dll"
hold 'load:C:\ODBC64\qzifx06s.dll'
run 3010 'C:\setup.exe' /S
release
expect_value "$key" UsageCount 0x1
[ ! -e "$c/Program Files/qzifx06" ] || fail "upgrade installed into the default location"
cmp -s "$c/ODBC64/qzifx06s.dll" "$bin64/qzifx06s.dll" && fail "the library in use was replaced at once"
restart
cmp -s "$c/ODBC64/qzifx06s.dll" "$bin64/qzifx06s.dll" || fail "the library was not replaced at the restart"

# Told another 64-bit location, it moves there and removes the old copy.
run 0 'C:\setup.exe' /S '/DIR64=C:\New64'
expect_files "$c/New64" present
[ ! -e "$c/ODBC64" ] || fail "old copy left: $(ls -R "$c/ODBC64")"
expect_value "$key" Setup 'C:\New64\qzifx06s.dll'
expect_value "$key" UsageCount 0x1

# A newer installed version is left alone.
"$wine" reg add "$uninstall" /v DisplayVersion /d 99.0 /f >/dev/null 2>&1 </dev/null
run 3 'C:\setup.exe' /S
expect_value "$uninstall" DisplayVersion 99.0
"$wine" reg add "$uninstall" /v DisplayVersion /d "$version" /f >/dev/null 2>&1 </dev/null

# Another installation uses the driver too: uninstalling gives back only
# this package's use and keeps the files.
run 0 'C:\New64\dsnconfig.exe' install-driver --help-root 'C:\New64\help'
expect_value "$key" UsageCount 0x2
recorded_uninstall 0
expect_files "$c/New64" present
expect_value "$key" UsageCount 0x1
has_key "$uninstall" && fail "uninstall entry left"
/usr/lib/wine/wineserver64 -w

# The last use, with the library in use and a file of someone else's in
# help: when the command returns, the driver and the entry are gone and
# only that file stays; the library goes at the restart.
run 0 'C:\New64\dsnconfig.exe' remove-driver
run 0 'C:\setup.exe' /S '/DIR64=C:\New64' '/D=C:\ODBC32'
echo notes >"$c/New64/help/site-notes.htm"
hold 'load:C:\New64\qzifx06s.dll'
recorded_uninstall 3010
has_key "$key" && fail "driver key left"
[ -z "$(value "$drivers\\ODBC Drivers" "$driver")" ] || fail "driver still listed"
has_key "$uninstall" && fail "uninstall entry left"
release
files="qzifx06R.dll dsnconfig.exe help/wwhelp/wwhimpl/api.htm help/topics/infgeneral.htm" expect_files "$c/New64" absent
[ -f "$c/New64/help/site-notes.htm" ] || fail "someone else's help file removed"
restart
[ ! -e "$c/New64/qzifx06s.dll" ] || fail "the library in use left after the restart"
[ ! -e "$c/ODBC32" ] || fail "C:\\ODBC32 left: $(ls -R "$c/ODBC32")"
# The user's data source stays.
expect_value 'HKLM\Software\ODBC\ODBC.INI\ODBC Data Sources' Sales "$driver"

# The real driver registered already: it stays the Driver; the uninstall
# gives its Setup back.
"$wine" reg add "$key" /v Driver /d 'C:\real\iclit09b.dll' /f >/dev/null 2>&1 </dev/null
"$wine" reg add "$key" /v Setup /d 'C:\real\iclit09b.dll' /f >/dev/null 2>&1 </dev/null
"$wine" reg add "$key" /v UsageCount /t REG_DWORD /d 1 /f >/dev/null 2>&1 </dev/null
"$wine" reg add "$drivers\\ODBC Drivers" /v "$driver" /d Installed /f >/dev/null 2>&1 </dev/null
run 0 'C:\setup.exe' /S '/DIR64=C:\ODBC64' '/D=C:\ODBC32'
expect_value "$key" Driver 'C:\real\iclit09b.dll'
expect_value "$key" Setup 'C:\ODBC64\qzifx06s.dll'
recorded_uninstall 0
expect_value "$key" Driver 'C:\real\iclit09b.dll'
expect_value "$key" Setup 'C:\real\iclit09b.dll'
expect_value "$key" UsageCount 0x1

/usr/lib/wine/wineserver64 -k >/dev/null 2>&1
rm -rf "$WINEPREFIX"

# The shipped installer: its 32-bit half, read from the file itself.
if [ -n "$setup" ]; then
  bash "$top/tests/installer/installer_static.sh" "$setup" || fail "shipped installer contents"
fi

echo "$failures failures"
[ "$failures" -eq 0 ]
