# Helpers of the Wine installer tests; they set WINEPREFIX and failures first.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINELOADER=/usr/lib/wine/wine64
wine=/usr/lib/wine/wine64
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
  /usr/lib/wine/wineserver64 -w
  out=${out//$'\r'/}
  [ "$status" -eq "$expected" ] || fail "$* exited $status, expected $expected: $out"
}

# value KEY NAME: a registry value's data as reg.exe shows it, or nothing.
value() {
  "$wine" reg query "$1" /v "$2" 2>/dev/null </dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
has_key() { "$wine" reg query "$1" >/dev/null 2>&1 </dev/null; }
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
