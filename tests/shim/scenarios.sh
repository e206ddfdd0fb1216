#!/usr/bin/env bash
# Installer-shim scenarios, each in a fresh process under the Wine of the
# probe's architecture (tools/wine-run), in a throwaway copy of the test
# prefix (the stub scenario moves files in its system directory). Message
# boxes are read and answered by the probe.
# usage: scenarios.sh BIN_DIR [SOURCE_PREFIX]   (default: $WINEPREFIX, the suites' prefix)
set -u
bin=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
source=${2:-${WINEPREFIX:-$top/build/wineprefix}}
wine_run=$top/tools/wine-run
work=$(mktemp -d /tmp/qz-shim.XXXXXX)
prefix=$work/prefix
app=$work/app
out=$work/out
failures=0

cleanup() {
  WINEPREFIX=$prefix "$wine_run" --server -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

cp -a "$source" "$prefix"
mkdir -p "$app"
cp "$bin/shimprobe.exe" "$app/"
sys=$prefix/drive_c/windows/system32
cp "$sys/odbccp32.dll" "$work/wine-odbccp32.dll"
export WINEPREFIX=$prefix WINEDEBUG=-all
"$wine_run" --server -p
"$wine_run" wineboot >/dev/null 2>&1 </dev/null

windows_path() { echo "Z:$1" | tr / '\\'; }
system_copy='C:\windows\system32\odbccp32.dll'
app_copy=$(windows_path "$app/odbccp32.dll")
probe_exe=$(windows_path "$app/shimprobe.exe")

reset() {
  rm -f "$app/odbccp32.dll" "$sys/odbccp32.bad"
  cp "$work/wine-odbccp32.dll" "$sys/odbccp32.dll"
}
probe() { # load-order probe-arguments...
  WINEDLLOVERRIDES="mscoree,mshtml=;$1" "$wine_run" "$app/shimprobe.exe" "${@:2}" \
    >"$out" 2>/dev/null </dev/null
  tr -d '\r' <"$out" >"$out.txt"
}
expect() { # scenario line
  if ! grep -qxF -- "$2" "$out.txt"; then
    echo "FAIL $1: expected line: $2"
    sed 's/^/  got: /' "$out.txt"
    failures=$((failures + 1))
  fi
}
expect_file() { # scenario path size
  if [ ! -f "$2" ] || [ "$(stat -c %s "$2")" != "$3" ]; then
    echo "FAIL $1: expected $2 of $3 bytes"
    failures=$((failures + 1))
  fi
}
instrec() { echo "$bin/instrec/$1/odbccp32.dll"; }

# No installer anywhere: the message once for the request, which fails, and
# again for a later call.
reset
probe "odbccp32=d" add "Informix Test Driver"
expect missing-installer "RESULT 0"
expect missing-installer "BOX ODBC Installer Error|The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system."
expect missing-installer "INSTALLER none"
[ "$(grep -c '^BOX ' "$out.txt")" -eq 2 ] || { echo "FAIL missing-installer: expected the message twice"; failures=$((failures + 1)); }

# The system copy is what the search finds too: loaded once, and one
# release unloads it.
reset
probe "" load
expect same-file "LOADED $system_copy"
expect same-file "STILL_LOADED no"

# Two copies: the higher file version wins, the searched copy on a tie.
reset
cp "$(instrec v3520)" "$app/odbccp32.dll"
cp "$(instrec v3525)" "$sys/odbccp32.dll"
probe "odbccp32=n,b" load
expect newer-system-copy "LOADED $system_copy"
reset
cp "$(instrec v3525)" "$app/odbccp32.dll"
cp "$(instrec v3520)" "$sys/odbccp32.dll"
probe "odbccp32=n,b" load
expect newer-searched-copy "LOADED $app_copy"
reset
cp "$(instrec v3520)" "$app/odbccp32.dll"
cp "$(instrec v3520)" "$sys/odbccp32.dll"
probe "odbccp32=n,b" load
expect equal-versions "LOADED $app_copy"

# A small system copy without version information is set aside before the
# load; the load then takes the copy the search finds.
reset
head -c 15000 /dev/urandom >"$sys/odbccp32.dll"
cp "$(instrec v3525)" "$app/odbccp32.dll"
probe "odbccp32=n,b" load
expect_file stub-set-aside "$sys/odbccp32.bad" 15000
[ ! -e "$sys/odbccp32.dll" ] || { echo "FAIL stub-set-aside: the stub is still in place"; failures=$((failures + 1)); }
expect stub-set-aside "LOADED $app_copy"
# A large file without version information is not taken for a stub.
reset
head -c 30000 /dev/urandom >"$sys/odbccp32.dll"
probe "odbccp32=n,b" load
[ ! -e "$sys/odbccp32.bad" ] || { echo "FAIL large-file-kept: a large file was set aside"; failures=$((failures + 1)); }

# An installer without SQLGetTranslator: the message names the program,
# the function and the installer file, and the call returns 0.
reset
cp "$(instrec notranslator)" "$sys/odbccp32.dll"
probe "odbccp32=n" translator
expect missing-function "RESULT 0"
expect missing-function "BOX ODBC Installer Error|The program $probe_exe, or one of its DLLs attempted to call the function SQLGetTranslator which is not supported in the loaded ODBC installer DLL ($system_copy).  Press OK to proceed."

if [ $failures -eq 0 ]; then
  echo "installer shim scenarios: all passed"
fi
exit $failures
