#!/usr/bin/env bash
# Runs one build's stress program for `make stress` with Wine's heap checks on: every heap block
# gets a tail pattern and every freed block a fill pattern, which the program validates after each
# step, so that an overrun or a write after free that crashes nothing is still found. Wine reports
# a damaged block on standard error; each such message of its heap channel counts as a failure,
# as do the program's own failures. A checked build's tree (make stress runs one after each
# release build) is run the same way: its bounds and undefined-behaviour checks end the program
# with an abort or an illegal instruction, which the program's crash guard reports with the step
# and the seed.
# Usage: stress-run.sh BUILD_DIR [ARGUMENTS...]   (inside xvfb-run; arguments as workbench_stress's)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$1
shift
log=$(mktemp) || { echo "stress: cannot make a temporary file for Wine's messages"; exit 1; }
trap 'rm -f "$log"' EXIT
status=0
# warn+heap turns the checks on; err+heap keeps the validation's reports, which are errors.
PUFFSHELL_WINEDEBUG=-all,err+heap,warn+heap "$here/wine-run.sh" "$build/workbench_stress.exe" "$@" 2>"$log" ||
  status=$?
grep -v ':heap:' "$log" >&2
warnings=$(grep -c ':heap:' "$log")
if [ "$warnings" -gt 0 ]; then
  echo "stress: $warnings heap warnings from Wine in the run of $build; the first ones:"
  grep ':heap:' "$log" | head -n 10
  [ "$status" -ne 0 ] || status=1
else
  echo "stress: no heap warning from Wine in the run of $build"
fi
exit "$status"
