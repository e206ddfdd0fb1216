#!/usr/bin/env bash
# dsnconfig against Wine's real installer and the built setup library:
# register a driver, add, show, refuse, remove. Uses its own driver
# description and data-source name so that it shares the prefix safely.
set -u
bin=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
driver="dsnconfig test driver"
failures=0
# The ANSI code page is 1252 under this locale (Wine follows it).
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# run EXPECTED-STATUS ARGS...: runs dsnconfig ($exe), keeps its output in $out.
exe=$bin/dsnconfig.exe
run() {
  local expected=$1
  shift
  out=$("$top/tools/wine-run" "$exe" "$@" </dev/null 2>&1)
  local status=$?
  out=${out//$'\r'/}
  if [ "$status" -ne "$expected" ]; then
    echo "FAILED: dsnconfig $* exited $status, expected $expected"
    echo "$out"
    failures=$((failures + 1))
  fi
}

# expect TEXT: the last output holds TEXT as a whole line.
expect() {
  if ! grep -qxF -- "$1" <<<"$out"; then
    echo "FAILED: no line \"$1\" in:"
    echo "$out"
    failures=$((failures + 1))
  fi
}

# recorded EXPECTED-STATUS ARGS...: run, with dsnconfig beside the
# recording installer, which logs each call into $log.
rec=$(mktemp -d)
cp "$bin/dsnconfig.exe" "$bin/instrec/v3525/odbccp32.dll" "$rec/"
log=$rec/calls.log
recorded() {
  local exe=$rec/dsnconfig.exe
  RV_INSTALLER_LOG="Z:${log//\//\\}" WINEDLLOVERRIDES="mscoree,mshtml=;odbccp32=n,b" run "$@"
}
winbin="Z:${bin//\//\\}"
drivers='HKLM\Software\ODBC\ODBCINST.INI'

reg() { "$top/tools/wine-run" reg "$@" >/dev/null 2>&1 </dev/null; }
# expect_value KEY NAME DATA: the registry value as reg prints it.
expect_value() {
  local got
  got=$("$top/tools/wine-run" reg query "$1" /v "$2" 2>/dev/null </dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p")
  [ "$got" = "$3" ] || { echo "FAILED: $1 $2 is \"$got\", expected \"$3\""; failures=$((failures + 1)); }
}

run 0 install-driver --driver "$driver" --help-root 'C:\help'
expect "  HelpRootDirectory = C:\\help"
grep -qE '^  Setup = [A-Z]:[^:]*\\bin\\qzifx06s\.dll$' <<<"$out" || { echo "FAILED: Setup entry: $out"; failures=$((failures + 1)); }

# A setup library of the other architecture would not load in this
# architecture's ODBC administrator: refused, nothing registered. The copy
# differs from the built library only in its PE machine field.
other=$(mktemp -d)
cp "$bin/qzifx06s.dll" "$other/qzifx06s.dll"
python3 - "$other/qzifx06s.dll" <<'PY'
import struct, sys
with open(sys.argv[1], "r+b") as f:
    header = struct.unpack("<I", f.read(0x40)[0x3C:0x40])[0]
    f.seek(header + 4)
    machine = struct.unpack("<H", f.read(2))[0]
    f.seek(header + 4)
    f.write(struct.pack("<H", 0x014C if machine == 0x8664 else 0x8664))
PY
run 1 install-driver --driver "$driver other" --setup "Z:${other//\//\\}\\qzifx06s.dll"
grep -q "architecture" <<<"$out" || { echo "FAILED: no reason given: $out"; failures=$((failures + 1)); }
if "$top/tools/wine-run" reg query "HKLM\\Software\\ODBC\\ODBCINST.INI\\$driver other" >/dev/null 2>&1; then
  echo "FAILED: the driver of the other architecture was registered"
  failures=$((failures + 1))
fi
rm -rf "$other"

run 0 add "$driver" "DSN=DsnconfigTest;Description={a;b}}c};HOST=h;PRO=onsoctcp"
run 0 show DsnconfigTest
# Every key of the table, in its order.
keys=$(sed -n 's/^  \([A-Za-z]*\) = .*/\1/p' <<<"$out" | tr '\n' ' ')
[ "$keys" = "Description Database Databases HostName LogonID Service ServerName Protocol CursorBehavior CancelDetectInterval EnableInsertCursors GetDBListFromInformix ApplicationUsingThreads UseDefaultLogin TrimBlankFromIndexName " ] ||
  { echo "FAILED: keys shown: $keys"; failures=$((failures + 1)); }
expect "  Description = a;b}c"
expect "  HostName = h"

# The setup library refuses a repeated keyword; the installer says so.
run 1 configure "$driver" "DSN=DsnconfigTest;HOST=x;HOST=y"
expect "  installer error 11: Request Failed"
run 0 show DsnconfigTest
expect "  HostName = h"

# Every stored key is shown; one named like a password is masked.
section='HKCU\Software\ODBC\ODBC.INI\DsnconfigTest'
reg add "$section" /v PWD /d 's3cret' /f
reg add "$section" /v LogonPassword /d 's3cret' /f
reg add "$section" /v Extra /d 'kept' /f
run 0 show DsnconfigTest
expect "  PWD = ********"
expect "  LogonPassword = ********"
expect "  Extra = kept"
grep -q s3cret <<<"$out" && { echo "FAILED: a password shown: $out"; failures=$((failures + 1)); }

# Refused by the tool itself, before any installer call.
run 2 add "$driver" "DSN=DsnconfigTest;Description={open"
run 2 add "$driver" "HOST=h"

run 0 list --driver "$driver"
expect "DsnconfigTest (system)"
run 0 remove "$driver" "DSN=DsnconfigTest"
reg delete "$section" /f # Wine keeps the values of a removed data source
run 1 show DsnconfigTest
run 0 list --driver "$driver"
expect "no data sources of driver \"$driver\""

# Scope: --system asks the installer for system data sources
# (ODBC_ADD_SYS_DSN 4, ODBC_CONFIG_SYS_DSN 5, ODBC_REMOVE_SYS_DSN 6),
# --user and no option for user ones (1, 2, 3). Wine registers both kinds
# under HKEY_LOCAL_MACHINE, so the requests are read from the recording
# installer.
for request in "add --system" "configure --system" "remove --system" add "configure --user" "remove --user"; do
  # shellcheck disable=SC2086
  recorded 0 $request "$driver" "DSN=DsnconfigScope;HOST=h"
done
requests=$(sed -n 's/^SQLConfigDataSource(NULL, \([0-9]\), .*) = 1$/\1/p' "$log" | tr -d '\n')
[ "$requests" = 456123 ] || { echo "FAILED: requests $requests"; failures=$((failures + 1)); }
grep -qxF "SQLConfigDataSource(NULL, 4, \"$driver\", \"DSN=DsnconfigScope\\0HOST=h\\0\") = 1" "$log" ||
  { echo "FAILED: request: $(grep SQLConfigDataSource "$log")"; failures=$((failures + 1)); }
# A user data source where Windows registers one: list and show name the
# scope of each, and a scope option keeps to its own.
reg add 'HKCU\Software\ODBC\ODBC.INI\ODBC Data Sources' /v DsnconfigUser /d "$driver" /f
reg add 'HKCU\Software\ODBC\ODBC.INI\DsnconfigUser' /v HostName /d hu /f
run 0 list --user --driver "$driver"
expect "DsnconfigUser (user)"
run 0 show DsnconfigUser --user
expect "[DsnconfigUser] user data source of driver \"$driver\""
expect "  HostName = hu"
run 1 show --system DsnconfigUser
reg delete 'HKCU\Software\ODBC\ODBC.INI\ODBC Data Sources' /v DsnconfigUser /f
reg delete 'HKCU\Software\ODBC\ODBC.INI\DsnconfigUser' /f

# The usage count: each install-driver adds one, each remove-driver takes
# one off; the driver goes when none is left, and only then exits 0.
shared="$driver shared"
run 0 install-driver --driver "$shared"
run 0 install-driver --driver "$shared"
expect "registered driver \"$shared\" (usage count 2)"
run 3 remove-driver --driver "$shared"
expect "driver \"$shared\" is still in use (usage count 1)"
run 0 list --driver "$shared"
run 0 remove-driver --driver "$shared"
expect "unregistered driver \"$shared\"; its data sources are kept"
if "$top/tools/wine-run" reg query "HKLM\\Software\\ODBC\\ODBCINST.INI\\$shared" >/dev/null 2>&1; then
  echo "FAILED: the driver's key is left after its last use"
  failures=$((failures + 1))
fi
run 1 remove-driver --driver "$shared"

# Text outside the code page: a value stored through the ANSI setup library
# reads back as the same characters, also after a configure of another key;
# a setup library in a folder of such a name is registered by its real
# path; a name the setup library could not receive is refused.
greek='Ωμέγα 東京'
run 0 add "$driver" "DSN=DsnconfigUni;Description=$greek;HOST=h"
run 0 configure "$driver" "DSN=DsnconfigUni;HOST=h2"
run 0 show DsnconfigUni
expect "  Description = $greek"
expect "  HostName = h2"
run 0 remove "$driver" "DSN=DsnconfigUni"
run 1 add "$driver" "DSN=Ωmega;HOST=h"
grep -q "code page" <<<"$out" || { echo "FAILED: no reason given: $out"; failures=$((failures + 1)); }
uni=$(mktemp -d)
mkdir "$uni/$greek" && cp "$bin/qzifx06s.dll" "$bin/qzifx06R.dll" "$uni/$greek/"
setup="Z:${uni//\//\\}\\$greek\\qzifx06s.dll"
run 0 install-driver --driver "$driver uni" --setup "$setup"
expect "  Setup = $setup"
run 0 remove-driver --driver "$driver uni"
rm -rf "$uni"

# Export and import: a system data source whose values the file must keep
# (';', '=', braces, a leading brace, text outside the code page, a key of
# another tool with blanks at its ends) is
# exported, removed and imported again and is stored as before; importing
# it again leaves it; a dry run changes nothing; a section the setup library
# refuses fails the import while the others are applied. Passwords are
# exported only when asked for.
trip='HKCU\Software\ODBC\ODBC.INI\DsnconfigTrip'
stored() { # the data source's registration and values
  "$top/tools/wine-run" reg query 'HKLM\Software\ODBC\ODBC.INI\ODBC Data Sources' /v DsnconfigTrip </dev/null
  "$top/tools/wine-run" reg query "$trip" </dev/null
  cat "$file"
}
file=$rec/sources.ini
winfile="Z:${file//\//\\}"
run 0 add --system "$driver" "DSN=DsnconfigTrip;Description={a;b}}=c{d};HOST={{h}}};SRVR=$greek"
reg add "$trip" /v Extra /d ' another tool'"'"'s; {x} ' /f
run 0 export --system --driver "$driver" --output "$winfile" DsnconfigTrip
grep -qxF $'HostName={{h}}}\r' "$file" && grep -qxF $'Extra={ another tool\'s; {x}} }\r' "$file" || { echo "FAILED: exported: $(cat "$file")"; failures=$((failures + 1)); }
before=$(stored)
run 0 remove --system "$driver" "DSN=DsnconfigTrip"
reg delete "$trip" /f # Wine keeps the values of a removed data source
run 0 import --system "$winfile"
expect "added data source \"DsnconfigTrip\" (system)"
[ "$(stored)" = "$before" ] || { echo "FAILED: stored after the round trip: $(stored)"; failures=$((failures + 1)); }
run 0 export --driver "$driver" DsnconfigTrip
[ "$out" = "$(tr -d '\r' <"$file")" ] || { echo "FAILED: exported again: $out"; failures=$((failures + 1)); }
run 0 import "$winfile"
expect "left data source \"DsnconfigTrip\" (system) unchanged"
sed -i 's/^HostName=.*/HostName=h2\r/' "$file"
printf '[Bad(Name)]\r\nDriver=%s\r\nScope=system\r\nHOST=x\r\n' "$driver" >>"$file"
run 0 import --dry-run "$winfile"
expect "would change data source \"DsnconfigTrip\" (system)"
expect "would add data source \"Bad(Name)\" (system)"
run 1 import "$winfile"
expect "changed data source \"DsnconfigTrip\" (system)"
expect "failed data source \"Bad(Name)\" (system)"
run 0 show DsnconfigTrip
expect "  HostName = h2"
expect "  ServerName = $greek"
run 2 import "$winfile.missing"
reg add "$trip" /v PWD /d 's3cret' /f
run 0 export --system --driver "$driver" DsnconfigTrip
expect "; PWD is not exported (export --with-secrets writes it)"
grep -q s3cret <<<"$out" && { echo "FAILED: a password exported: $out"; failures=$((failures + 1)); }
run 0 export --with-secrets --driver "$driver" DsnconfigTrip
expect "PWD=s3cret"
run 1 export --driver "$driver" DsnconfigTrip NoSuchSource
run 0 remove --system "$driver" "DSN=DsnconfigTrip"
reg delete "$trip" /f

# Another installation changes Setup between the registration and its
# read-back: install-driver fails and gives back the use it was counted.
race="$driver race"
run 0 install-driver --driver "$race"
RV_INSTALLER_RACE='Setup=C:\elsewhere\qzifx06s.dll' recorded 1 install-driver --driver "$race" --setup "$winbin\\qzifx06s.dll"
expect_value "$drivers\\$race" UsageCount 0x1
run 0 remove-driver --driver "$race"

# A real driver registered under the description keeps its Driver entry:
# install-driver points only Setup and HelpRootDirectory at this setup
# library and remembers theirs; the last remove-driver of this library puts
# them back and leaves the real driver registered with its own use. (Wine 8's
# SQLConfigDataSource loads the library of the Driver entry, not of Setup as
# Windows does, so no data source is added through it here.)
real="$driver real"
key="$drivers\\$real"
reg add "$key" /v Driver /d 'C:\real\iclit09b.dll' /f
reg add "$key" /v Setup /d 'C:\real\iclit09s.dll' /f
reg add "$key" /v UsageCount /t REG_DWORD /d 1 /f
run 0 install-driver --driver "$real" --help-root 'C:\help'
expect_value "$key" Driver 'C:\real\iclit09b.dll'
expect_value "$key" Setup "$winbin\\qzifx06s.dll"
expect_value "$key" HelpRootDirectory 'C:\help'
expect_value "$key" UsageCount 0x2
run 0 install-driver --driver "$real"
run 3 remove-driver --driver "$real"
expect_value "$key" Setup "$winbin\\qzifx06s.dll"
run 0 remove-driver --driver "$real"
expect_value "$key" Driver 'C:\real\iclit09b.dll'
expect_value "$key" Setup 'C:\real\iclit09s.dll'
expect_value "$key" HelpRootDirectory ''
expect_value "$key" UsageCount 0x1
expect_value "$drivers\\ODBC Drivers" "$real" Installed
reg delete "$key" /f
reg delete "$drivers\\ODBC Drivers" /v "$real" /f

rm -rf "$rec"
echo "$failures failures"
[ "$failures" -eq 0 ]
