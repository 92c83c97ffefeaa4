#!/usr/bin/env bash
# Runs every test program of the 64-bit build under Wine, with one wineserver kept alive for the
# whole run. Called inside xvfb-run by `make test`; CTest's summary line ends the output.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/.." && pwd)
export WINEPREFIX=$top/build/wineprefix
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The wineserver below outlives every test program: wine-run.sh must not wait for it to end.
export PUFFSHELL_SHARED_WINESERVER=1
"$here/wine-prefix.sh"
/usr/lib/wine/wineserver -p
ctest --test-dir "$top/build/win64" --output-on-failure "$@"
status=$?
/usr/lib/wine/wineserver -k 2>/dev/null || true
exit $status
