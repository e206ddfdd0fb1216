#!/usr/bin/env bash
# The shipped installer's 32-bit half, checked from the file itself and
# from the log makensis wrote while building it (this machine can't run a
# 32-bit program): a 32-bit installer; the i686 pair, dsnconfig and help in
# the 32-bit location and the x86-64 ones in the 64-bit location; the
# 32-bit dsnconfig, which writes the 32-bit registry view through the
# 32-bit ODBC installer, run to register and unregister the driver with the
# help folder beside it; the uninstall entry in the 32-bit view.
#
# usage: installer_static.sh SETUP.EXE   (SETUP.EXE.log beside it)
set -u
setup=$1
log=$1.log
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
objdump=x86_64-w64-mingw32-objdump

format() { "$objdump" -f "$1" 2>/dev/null | sed -n 's/.*file format //p'; }

[ "$(format "$setup")" = pei-i386 ] || fail "the installer is not a 32-bit program: $(format "$setup")"
7zz l "$setup" | grep -q 'SubType = NSIS-3 Unicode$' || fail "not a 32-bit Unicode NSIS installer"

dir=$(mktemp -d)
7zz x -y -o"$dir" "$setup" >/dev/null || fail "can't unpack $setup"
# 7-Zip shows the files for $INSTDIR (the 32-bit location) at the top and
# those for the 64-bit location's variable under $_0_.
for half in '.:pei-i386' '$_0_:pei-x86-64'; do
  location=${half%%:*}
  for f in qzifx06s.dll qzifx06R.dll dsnconfig.exe help/wwhelp/wwhimpl/api.htm \
           help/wwhelp/wwhimpl/help.js help/topics/topics.js help/topics/infgeneral.htm \
           help/topics/infconnection.htm help/topics/infadvanced.htm; do
    [ -f "$dir/$location/$f" ] || fail "$location/$f not in the installer"
  done
  for f in qzifx06s.dll qzifx06R.dll dsnconfig.exe; do
    [ "$(format "$dir/$location/$f")" = "${half#*:}" ] ||
      fail "$location/$f is $(format "$dir/$location/$f"), expected ${half#*:}"
  done
done
exports=$("$objdump" -p "$dir/qzifx06s.dll" |
          awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^\t\[/{print $NF} t&&/^$/{t=0}' | tr '\n' ' ')
[ "$exports" = "ConfigDSN getFileVersionString " ] || fail "32-bit setup library exports: $exports"
imports=$("$objdump" -p "$dir/dsnconfig.exe")
for f in SQLInstallDriverEx SQLRemoveDriver SQLConfigDataSource; do
  grep -q "$f" <<<"$imports" || fail "32-bit dsnconfig does not import $f"
done
rm -rf "$dir"

[ -f "$log" ] || fail "no build log $log"
expect_log() { grep -qF -- "$1" "$log" || fail "the installer does not: $1"; }
expect_log 'Push: "$INSTDIR\dsnconfig.exe" install-driver --driver "Informix ODBC Driver" --help-root "$INSTDIR\help"'
expect_log 'Push: "$INSTDIR\dsnconfig.exe" remove-driver --driver "Informix ODBC Driver"'
expect_log 'Push: "$Dir64\dsnconfig.exe" install-driver --driver "Informix ODBC Driver" --help-root "$Dir64\help"'
expect_log 'WriteRegStr: HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\qzifx06\DisplayVersion='
# Every registry write of the installer is made in the 32-bit view.
views=$(grep -E '^(SetRegView|WriteReg|DeleteRegKey)' "$log" | awk '/^SetRegView/{v=$2;next}{print v}' | sort -u | tr '\n' ' ')
[ "$views" = "32 " ] || fail "registry writes outside the 32-bit view: $views"

echo "$failures failures"
[ "$failures" -eq 0 ]
