#!/usr/bin/env bash
# Runs every test program of both builds under Wine, with one wineserver kept alive for the whole
# run: the 64-bit build's, then the 32-bit build's (the DLL users install) where this machine runs
# 32-bit programs. Called inside xvfb-run by `make test`; arguments go to CTest (e.g. -R NAME).
# Without arguments it then builds and runs the native checked build (check-native.sh).
# Ends with one line per build: how many tests ran and passed, or why the 32-bit build did not run.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
source "$here/wine-env.sh"
export WINEDEBUG=-all
# The wineserver below outlives every test program: wine-run.sh must not wait for it to end.
export PUFFSHELL_SHARED_WINESERVER=1
"$here/wine-prefix.sh"
"$wine_dir/wineserver" -p

summary=()
failed=0

# CTest's own summary line ("100% tests passed, 0 tests failed out of 9") gives the counts.
run_build() {
  local name=$1 dir=$2
  shift 2
  local log
  log=$(mktemp) || { echo "run-tests: cannot make a temporary file"; exit 1; }
  echo "== $name build ($dir)"
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local line total failures skipped
  line=$(grep -E 'tests? failed out of [0-9]+' "$log" | tail -n 1)
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  failures=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
  skipped=$(grep -cE '\*\*\*Skipped' "$log")
  if [ -z "$line" ] || [ "$status" -ne 0 ]; then failed=1; fi
  if [ -z "$line" ]; then
    summary+=("$name build: no tests ran (CTest exit code $status)")
  else
    local ran=$((total - skipped)) extra=""
    [ "$skipped" -gt 0 ] && extra=", $skipped skipped"
    summary+=("$name build: $ran tests ran, $((ran - failures)) passed, $failures failed$extra")
  fi
  # CTest shows no output of a skipped test: give the line of each that says why (a GoogleTest
  # skip's message follows its "...: Skipped" line; a script's reason is its last line).
  local test
  for test in $(sed -nE 's/^[[:space:]]*[0-9]+ - (.*) \(Skipped\)$/\1/p' "$log"); do
    summary+=("  $test skipped: $(awk -v t="$test" '
      $0 ~ "^[0-9]+/[0-9]+ Test: " { on = ($3 == t); why = "" }
      on && prev ~ /: Skipped$/ && why == "" { why = $0 }
      on && /^<end of output>/ { print (why != "" ? why : last); on = 0 }
      { prev = $0; if ($0 !~ /^\[/) last = $0 }
    ' "$dir/Testing/Temporary/LastTest.log")")
  done
  rm -f "$log"
}

run_build win64 "$top/build/win64" "$@"
if reason=$("$here/win32-runs.sh"); then
  run_build win32 "$top/build/win32" "$@"
else
  summary+=("win32 build: built and checked statically (PE32 image, exports, imports), but not run: $reason")
fi

"$wine_dir/wineserver" -k 2>/dev/null || true

if [ "$#" -eq 0 ]; then
  echo "== native checked build (build/native)"
  native_log=$(mktemp)
  "$here/check-native.sh" 2>&1 | tee "$native_log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || failed=1
  summary+=("$(tail -n 1 "$native_log")")
  rm -f "$native_log"
fi
echo
for line in "${summary[@]}"; do echo "make test: $line"; done
exit $failed
