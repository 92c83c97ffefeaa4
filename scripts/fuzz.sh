#!/usr/bin/env bash
# Builds the fuzz tree (tests/fuzz/CMakeLists.txt: the native checked build's libraries with
# libFuzzer's coverage) and runs each libFuzzer target for SECONDS seconds, one after the other; prints
# one line per target: executions, coverage (cov: code edges, ft: features), corpus size and its
# findings, and a last line for them all. A finding (crash, failed check, sanitizer report,
# timeout, running out of memory) fails the run and is named by the input that caused it, which
# stays in build/fuzz/findings/.
#
#   scripts/fuzz.sh SECONDS [TARGET...]    (targets: the names of tests/fuzz/*.cpp; default all)
#
# Each target starts from its seed corpus in tests/fuzz/corpus/<target>/ (every regression input
# is there) and the inputs earlier runs found, kept in build/fuzz/corpus/<target>/; new inputs go
# only there, never into the source tree. FUZZ_DIR names another, already built fuzz tree.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
seconds=${1:?usage: fuzz.sh SECONDS [TARGET...]}
shift
dir=${FUZZ_DIR:-$top/build/fuzz}
seeds=$top/tests/fuzz/corpus

if [ -z "${FUZZ_DIR:-}" ]; then
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$top/tests/fuzz" -B "$dir" -G Ninja >/dev/null || { echo "fuzz: cmake failed"; exit 1; }
  fi
  cmake --build "$dir" -j2 --target fuzz_targets >/dev/null || {
    echo "fuzz: the build failed (cmake --build $dir --target fuzz_targets shows why)"
    exit 1
  }
fi

if [ $# -eq 0 ]; then
  set -- $(cd "$top/tests/fuzz" && ls *.cpp | sed 's/\.cpp$//')
fi

# The scene writers start from the loader's seeds too.
extra_seeds() {
  case $1 in
    scene_save) echo "$seeds/obj_scene" ;;
  esac
}

status=0
for target in "$@"; do
  bin=$dir/fuzz_$target
  if [ ! -x "$bin" ]; then
    echo "fuzz $target: not built ($bin)"
    status=1
    continue
  fi
  work=$dir/corpus/$target findings=$dir/findings/$target
  mkdir -p "$work" "$findings"
  log=$dir/fuzz_$target.log
  stamp=$dir/fuzz_$target.started
  touch "$stamp"
  # A test's temporary files go to a folder of the run's own.
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/puffshell-fuzz-run.XXXXXX") || { echo "fuzz: mktemp failed"; exit 1; }
  started=$SECONDS
  TMPDIR=$tmp "$bin" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" \
    $(ls -d "$seeds/$target" 2>/dev/null) $(extra_seeds "$target") >"$log" 2>&1
  code=$?
  rm -rf -- "$tmp"
  # The last status line: "#1234 DONE cov: 567 ft: 890 corp: 12/3Kb ..." (or the last pulse
  # before a finding).
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
  runs=$(sed -nE 's/^#([0-9]+).*/\1/p' <<<"$last")
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$last")
  ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")
  corp=$(sed -nE 's/.* corp: ([0-9]+)\/.*/\1/p' <<<"$last")
  line="fuzz $target: ${runs:-0} runs in $((SECONDS - started)) s, cov ${cov:-?}, ft ${ft:-?}, corpus ${corp:-?}"
  # Inputs that only ran long (slow-unit-*) are noted, not findings; a timeout is one.
  found=$(find "$findings" -type f -newer "$stamp" ! -name 'slow-unit-*')
  slow=$(find "$findings" -type f -newer "$stamp" -name 'slow-unit-*' | wc -l)
  if [ "$code" -ne 0 ] || [ -n "$found" ]; then
    status=1
    reason=$(grep -m1 -E '^==[0-9]+==ERROR|runtime error|fuzz check failed|ALARM|out-of-memory|deadly signal' "$log")
    line+=", FINDING: ${reason:-exit code $code}"
    for f in $found; do line+=" [input $f]"; done
    line+=" (log $log)"
  else
    line+=", no finding"
  fi
  [ "$slow" -gt 0 ] && line+=" ($slow slow inputs kept in $findings)"
  echo "$line"
done
if [ "$status" -eq 0 ]; then
  echo "fuzz: $# targets ran $seconds s each under AddressSanitizer and UndefinedBehaviorSanitizer, no finding"
else
  echo "fuzz: FAILED: see the lines above"
fi
exit $status
