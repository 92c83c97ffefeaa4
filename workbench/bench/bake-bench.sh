#!/usr/bin/env bash
# The baking command's rows of make bench: build/baker/puffshell on generated OBJ scenes, wall
# time (process start included) and peak resident memory per output triangle, against targets:
#   one 330k-triangle object to glb, black frame          <= 0.5 s
#   2,000 objects of 1.2M triangles together to glb         <= 3 s
#   100 small files (1,200 triangles each), -j 2            <= 3 s
#   peak resident memory                                    <= 250 bytes per output triangle
# Each row also times the workbench (build/win64/workbench.exe under Wine, with the real DLL) on
# the same input, the same preset and freeze, saving the same glb: its pictures and frozen.obj
# come with it, as it has no glb-only mode. The small files' figure is one file's run times 100.
# BAKE_BENCH_WINE=0 leaves the workbench out (it takes about three minutes), and so does a tree
# without build/win64; a workbench run under emulation (a host that is not x86-64) is marked so.
# Prints one line per row and writes out/bench/baker.json. Usage: bake-bench.sh [OUT_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
baker=$root/build/baker/puffshell
out=${1:-$root/out/bench}
[ -x "$baker" ] || { echo "bake-bench: $baker is not built (make baker)"; exit 1; }
workbench=$root/build/win64/workbench.exe
wine=${BAKE_BENCH_WINE:-1}
[ -f "$workbench" ] && [ -f "$root/build/win64/Puffshell.dll" ] || wine=0
emulated=""
[ "$(uname -m)" = x86_64 ] || emulated=" (emulated)"
mkdir -p "$out"
work=$(mktemp -d) || exit 1
trap 'rm -rf "${work:?}"' EXIT

# grid OBJECTS N: OBJECTS closed tubes of N x N quadrilaterals (2 N^2 triangles each), one object
# each, side by side.
grid() {
  awk -v objects="$1" -v n="$2" 'BEGIN {
    pi = 3.14159265358979; base = 1
    for (o = 0; o < objects; o++) {
      printf "o part%d\n", o
      for (j = 0; j <= n; j++) for (i = 0; i < n; i++) {
        a = 2 * pi * i / n
        printf "v %.6f %.6f %.6f\n", (o % 50) * 3 + cos(a), j * 4.0 / n, int(o / 50) * 3 + sin(a)
      }
      for (j = 0; j < n; j++) for (i = 0; i < n; i++) {
        p = base + j * n + i; q = base + j * n + (i + 1) % n
        printf "f %d %d %d %d\n", p, q, q + n, p + n
      }
      base += (n + 1) * n
    }
  }'
}

grid 1 406 >"$work/one.obj"          # 329,672 triangles
grid 2000 17 >"$work/many.obj"       # 2,000 objects, 1,156,000 triangles
mkdir "$work/small"
grid 1 24 >"$work/small/s0.obj"      # 1,152 triangles each
for i in $(seq 1 99); do ln "$work/small/s0.obj" "$work/small/s$i.obj"; done
# The generated files on disk and the program's libraries read before the first clock starts:
# otherwise the first row also times writing back 45 MB of input and loading the libraries.
sync
"$baker" --version >/dev/null

rows=()
# wine_seconds INPUT REPEAT: the workbench's wall time for INPUT under Wine, times REPEAT; "" when
# it is left out or failed (the reason goes to the row's log).
wine_seconds() {
  [ "$wine" = 1 ] || return 0
  local input=$1 repeat=$2 dir log
  dir=$(mktemp -d "$work/wine.XXXXXX")
  log=$dir/time
  if /usr/bin/time -f "%e" -o "$log" xvfb-run -a -s "-screen 0 1280x1024x24" \
       "$root/scripts/wine-run.sh" "$workbench" --scene "$input" \
       --preset black-frame --freeze new --out "$dir/out" --save "$dir/out/scene.glb" >"$dir/log" 2>&1; then
    awk -v s="$(tail -n 1 "$log")" -v r="$repeat" 'BEGIN { printf "%.1f", s * r }'
  else
    echo "bake-bench: the workbench failed on $input (see below); its column is left empty" >&2
    tail -n 5 "$dir/log" >&2
  fi
}

# row NAME TARGET_SECONDS WINE_INPUT WINE_REPEAT ARGS...: runs the baker, prints and records the
# row, with the workbench's time on WINE_INPUT (times WINE_REPEAT) beside it.
row() {
  local name=$1 target=$2 wine_input=$3 wine_repeat=$4
  shift 4
  local log=$work/$name.time report=$work/$name.json
  /usr/bin/time -f "%e %M" -o "$log" "$baker" --report "$report" "$@" >/dev/null 2>"$work/$name.err" ||
    { echo "bake-bench: $name failed:"; cat "$work/$name.err"; exit 1; }
  local seconds kb triangles
  read -r seconds kb <"$log"
  triangles=$(grep -o '"trianglesOut": [0-9]*' "$report" | awk '{ n += $2 } END { print n }')
  # Memory is held to the large rows: each small file is baked in a process of its own, whose
  # few megabytes are the program's own, not its triangles'.
  local bytes=$((kb * 1024 / triangles))
  local verdict=ok
  awk -v s="$seconds" -v t="$target" 'BEGIN { exit !(s > t) }' && verdict=SLOW
  [ "$name" != small ] && [ "$bytes" -gt 250 ] && verdict="$verdict, MEMORY"
  local wine_s beside="" wine_json=null
  wine_s=$(wine_seconds "$wine_input" "$wine_repeat")
  if [ -n "$wine_s" ]; then
    wine_json=$wine_s
    beside=$(awk -v w="$wine_s" -v s="$seconds" -v r="$wine_repeat" -v e="$emulated" 'BEGIN {
      printf "  workbench under Wine%s %7.1f s%s = %4.0fx", e, w, (r > 1 ? " (100 x one file)" : ""), (s > 0 ? w / s : 0) }')
  fi
  printf 'baker %-8s %9d triangles out  %6.2f s (target %s s)  peak %4d MB = %3d bytes/triangle  %s%s\n' \
    "$name" "$triangles" "$seconds" "$target" $((kb / 1024)) "$bytes" "$verdict" "$beside"
  rows+=("{\"row\": \"$name\", \"trianglesOut\": $triangles, \"seconds\": $seconds, \"targetSeconds\": $target, \"peakKB\": $kb, \"bytesPerTriangle\": $bytes, \"workbenchWineSeconds\": $wine_json, \"workbenchEmulated\": $([ -n "$emulated" ] && echo true || echo false)}")
}

row one 0.5 "$work/one.obj" 1 "$work/one.obj" -o "$work/one.glb"
row many 3 "$work/many.obj" 1 "$work/many.obj" -o "$work/many.glb"
row small 3 "$work/small/s0.obj" 100 "$work"/small/*.obj --out-dir "$work/small-out" -j 2
(IFS=,; echo "[${rows[*]}]") >"$out/baker.json"
