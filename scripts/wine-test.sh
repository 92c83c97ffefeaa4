#!/usr/bin/env bash
# Runs one test program under Wine for CTest. The first Windows program of a session starts Wine's
# background services, and they inherit that program's output: written straight to CTest's pipe,
# they would keep it open after the program ended and CTest would wait for them until its
# timeout. The output goes through a file instead.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(mktemp) || { echo "wine-test: cannot make a temporary file for the output"; exit 1; }
"$here/wine-run.sh" "$@" >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status
