#!/usr/bin/env bash
# Runs a test program with Wine's LogPixels at DPI and puts 96 back after
# it, as one test: ctest runs it alone (RUN_SERIAL), so no other program
# of a parallel run starts while the setting is changed.
# usage: at_dpi.sh DPI PROGRAM [ARGS...]
wine_run=$(cd "$(dirname "$0")/../../tools" && pwd)/wine-run
set_dpi() {
  "$wine_run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1 </dev/null
}
set_dpi "$1" || { echo "FAILED: LogPixels not set to $1"; exit 1; }
"$wine_run" "${@:2}"
status=$?
set_dpi 96 || { echo "FAILED: LogPixels not put back to 96"; exit 1; }
exit $status
