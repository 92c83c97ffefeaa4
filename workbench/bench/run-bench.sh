#!/usr/bin/env bash
# make bench: measures the 64-bit build, and the 32-bit build where this machine runs it, then
# prints both side by side and writes out/bench/summary.json. Arguments go to every measurement
# (for example --levels 5-6 --no-documents for a quick look).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
out=out/bench
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")
mkdir -p "$out"

"${xvfb[@]}" ./scripts/wine-run.sh build/win64/workbench_bench.exe --out "$out/win64" "$@"
report=(--report "$out" "$@")
if reason=$(./scripts/win32-runs.sh); then
  "${xvfb[@]}" ./scripts/wine-run.sh build/win32/workbench_bench.exe --out "$out/win32" "$@"
else
  report+=(--not-run win32 "$reason")
fi
"${xvfb[@]}" ./scripts/wine-run.sh build/win64/workbench_bench.exe "${report[@]}"

# The baking command's rows (build/baker/puffshell, natively) beside the workbench's.
./workbench/bench/bake-bench.sh "$out"
