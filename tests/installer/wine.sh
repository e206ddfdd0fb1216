# Helpers of the Wine installer tests; they set WINEPREFIX and failures first.
# QZ_WINE names the Wine of the prefix (default 64-bit; the i686 guest's
# scenario runs a 32-bit prefix too).
wine=${QZ_WINE:-/usr/lib/wine/wine64}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINELOADER=$wine
c=$WINEPREFIX/drive_c
drivers='HKLM\Software\ODBC\ODBCINST.INI'
driver="Informix ODBC Driver"

fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
new_prefix() {
  rm -rf "$WINEPREFIX"
  WINEARCH=win64 "$wine" wineboot -i >/dev/null 2>&1 </dev/null
  /usr/lib/wine/wineserver64 -w
}

# run EXPECTED-STATUS PROGRAM ARGS...: runs a Windows program to its end
# (and every process it started), keeping its output in $out.
run() {
  local expected=$1
  shift
  out=$("$wine" "$@" </dev/null 2>&1)
  local status=$?
  # Not while holder.exe runs: that would wait for its release.
  [ -n "${holder:-}" ] || /usr/lib/wine/wineserver64 -w
  out=${out//$'\r'/}
  check_status "$status" "$expected" "$*"
}
# Wine gives a Linux exit status, the low 8 bits of the Windows one (3010
# shows as 194, 1618 as 82).
check_status() { # STATUS EXPECTED COMMAND
  [ "$1" -eq $(($2 % 256)) ] || fail "$3 exited $1, expected $2: $out"
}

# hold ITEM...: holder.exe (C:\holder.exe) keeps a library loaded
# (load:PATH) or a mutex (mutex:NAME) until release.
hold() {
  rm -f "$c/held"
  "$wine" 'C:\holder.exe' 'C:\held' "$@" </dev/null >/dev/null 2>&1 &
  holder=$!
  local i
  for i in $(seq 100); do [ -f "$c/held" ] && return; sleep 0.1; done
  fail "holder.exe did not hold $*"
}
release() { rm -f "$c/held"; wait "$holder"; holder=; }

# Wine's reg.exe of the prefix's own architecture, by its path: named bare
# it is started through start.exe, one process more.
reg() { "$wine" "$WINEPREFIX/drive_c/windows/system32/reg.exe" "$@" </dev/null; }
# value KEY NAME: a registry value's data as reg.exe shows it, or nothing.
value() {
  reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
has_key() { reg query "$1" >/dev/null 2>&1; }
expect_value() { # KEY NAME EXPECTED
  local got
  got=$(value "$1" "$2")
  [ "$got" = "$3" ] || fail "$1 $2 is \"$got\", expected \"$3\""
}

files="qzifx06s.dll qzifx06R.dll dsnconfig.exe help/wwhelp/wwhimpl/api.htm help/topics/infgeneral.htm"
expect_files() { # DIR present|absent
  local f
  for f in $files; do
    if [ "$2" = present ]; then [ -f "$1/$f" ] || fail "$1/$f missing"
    else [ ! -e "$1/$f" ] || fail "$1/$f left behind"; fi
  done
}
