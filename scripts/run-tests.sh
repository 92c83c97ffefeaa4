#!/usr/bin/env bash
# Runs every test program of both builds under Wine, with one wineserver kept alive for the whole
# run: the 64-bit build's, and the 32-bit build's (the DLL users install) where this machine runs
# 32-bit programs, natively or in qemu-user emulation (win32-runs.sh). The emulated run is several
# times slower and single-threaded: it runs beside the rest (the 64-bit tests, the native checked
# build), and its output follows theirs. Called inside xvfb-run by `make test`; arguments go to
# CTest (e.g. -R NAME). Without arguments it then builds and runs the native checked build
# (check-native.sh). Ends with one line per build: how many tests ran and passed, and how the
# 32-bit build ran or why it did not.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
source "$here/wine-env.sh"
export WINEDEBUG=-all
# The wineserver below outlives every test program: wine-run.sh must not wait for it to end.
export PUFFSHELL_SHARED_WINESERVER=1

work=$(mktemp -d) || { echo "run-tests: cannot make a temporary folder"; exit 1; }
win32_job=""
# The emulated run is a job of its own process group (Ctrl+C does not reach it): it ends with this
# script, however that ends.
# It has a Wine prefix of its own: both builds' test programs write the same folders under the
# prefix's temporary folder, and side by side they would overwrite each other's files.
win32_prefix=$top/build/wineprefix-emulated
cleanup() {
  if [ -n "$win32_job" ]; then
    kill -TERM -- "-$win32_job" 2>/dev/null && wait "$win32_job" 2>/dev/null
    WINEPREFIX=$win32_prefix "$wine_dir/wineserver" -k 2>/dev/null
  fi
  rm -rf "${work:?}"
}
trap cleanup EXIT
failed=0

# CTest's own summary line ("100% tests passed, 0 tests failed out of 9") gives the counts.
# Arguments: the build's name, its tree, how it runs (for its line), CTest's arguments. Prints
# CTest's output; writes the build's summary lines to $work/NAME.summary and its failure to
# $work/NAME.failed.
run_build() {
  local name=$1 dir=$2 how=$3
  shift 3
  local log=$work/$name.log summary=$work/$name.summary
  : >"$summary"
  echo "== $name build ($dir)"
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local line total failures skipped
  line=$(grep -E 'tests? failed out of [0-9]+' "$log" | tail -n 1)
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  failures=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
  skipped=$(grep -cE '\*\*\*Skipped' "$log")
  if [ -z "$line" ] || [ "$status" -ne 0 ]; then touch "$work/$name.failed"; fi
  if [ -z "$line" ]; then
    echo "$name build: no tests ran (CTest exit code $status)" >>"$summary"
  else
    local ran=$((total - skipped)) extra=""
    [ "$skipped" -gt 0 ] && extra=", $skipped skipped"
    echo "$name build: $ran tests ran, $((ran - failures)) passed, $failures failed$extra${how:+ $how}" >>"$summary"
  fi
  # CTest shows no output of a skipped test: give the line of each that says why (a GoogleTest
  # skip's message follows its "...: Skipped" line; a script's reason is its last line).
  local test
  for test in $(sed -nE 's/^[[:space:]]*[0-9]+ - (.*) \(Skipped\)$/\1/p' "$log"); do
    echo "  $test skipped: $(awk -v t="$test" '
      $0 ~ "^[0-9]+/[0-9]+ Test: " { on = ($3 == t); why = "" }
      on && prev ~ /: Skipped$/ && why == "" { why = $0 }
      on && /^<end of output>/ { print (why != "" ? why : last); on = 0 }
      { prev = $0; if ($0 !~ /^\[/) last = $0 }
    ' "$dir/Testing/Temporary/LastTest.log")" >>"$summary"
  done
}

win32=""
if ! how=$("$here/win32-runs.sh"); then
  echo "win32 build: built and checked statically (PE32 image, exports, imports), but not run: $how" >"$work/win32.summary"
elif [[ $how == *emulation* ]]; then
  echo "== win32 build ($top/build/win32): $how, beside the rest; its output follows theirs"
  win32_start=$SECONDS
  set -m
  (
    export PUFFSHELL_WINEPREFIX=$win32_prefix
    source "$here/wine-env.sh"
    "$here/wine-prefix.sh"
    "$wine_dir/wineserver" -p
    run_build win32 "$top/build/win32" "$how" "$@"
    "$wine_dir/wineserver" -k 2>/dev/null
  ) >"$work/win32.out" 2>&1 &
  win32_job=$!
  set +m
else
  win32=now
fi
"$here/wine-prefix.sh"
"$wine_dir/wineserver" -p
run_build win64 "$top/build/win64" "" "$@"
[ -n "$win32" ] && run_build win32 "$top/build/win32" "$how" "$@"

if [ "$#" -eq 0 ]; then
  echo "== native checked build (build/native)"
  "$here/check-native.sh" 2>&1 | tee "$work/native.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || touch "$work/native.failed"
  tail -n 1 "$work/native.log" >"$work/native.summary"
fi
if [ -n "$win32_job" ]; then
  wait "$win32_job"
  win32_job=""
  cat "$work/win32.out"
  echo "run-tests: the emulated win32 build's tests took $((SECONDS - win32_start)) s"
fi
"$wine_dir/wineserver" -k 2>/dev/null || true

ls "$work"/*.failed >/dev/null 2>&1 && failed=1
echo
for name in win64 win32 native; do
  [ -f "$work/$name.summary" ] || continue
  while IFS= read -r line; do echo "make test: $line"; done <"$work/$name.summary"
done
exit $failed
