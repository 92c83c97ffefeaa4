#!/usr/bin/env bash
# Ctrl+C during a scripted run of the workbench: the terminal sends SIGINT to the whole foreground
# process group (wine-run.sh, the Wine process), which Wine hands the program as a console control
# event. The run must end with code 130 and leave --out as it found it: no pictures, no hidden
# run folder. Twice: after the first picture, and in the middle of writing a large frozen.obj,
# where it must end within seconds rather than when the file is written. Needs an X display (run
# inside xvfb-run, as make test does).
# Usage: interrupt-run.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
out=$(mktemp -d) || { echo "interrupt-run: cannot make a temporary folder"; exit 1; }
trap 'rm -rf "${out:?}"' EXIT
failures=0

# interrupt NAME WAIT_FOR ARGUMENTS...: runs the workbench into $out/NAME (which holds one earlier
# file), sends SIGINT once a file matching WAIT_FOR (a glob under $out/NAME) exists, and checks
# the end: code 130, the message, --out as it was, and how long the message took.
interrupt() {
  local name=$1 wait_for=$2
  shift 2
  mkdir "$out/$name"
  echo "an earlier file" >"$out/$name/kept.txt"
  # A process group of its own, as a terminal's foreground job has.
  setsid "$here/wine-run.sh" "$build/workbench.exe" --size 64x48 --out "$out/$name" "$@" >"$out/$name.log" 2>&1 &
  local pid=$!
  for _ in $(seq 1800); do
    compgen -G "$out/$name/$wait_for" >/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -INT -- "-$pid" 2>/dev/null
  local start=$SECONDS tenths=0
  while ! grep -q "interrupted" "$out/$name.log" && kill -0 "$pid" 2>/dev/null && [ "$tenths" -lt 600 ]; do
    sleep 0.1
    tenths=$((tenths + 1))
  done
  local status=0
  wait "$pid" || status=$?
  local left
  left=$(cd "$out/$name" && ls -A)
  if [ "$status" -ne 130 ] || [ "$left" != "kept.txt" ] || ! grep -q "interrupted" "$out/$name.log" ||
    [ "$tenths" -gt 50 ]; then
    echo "interrupt-run: $name: exit code $status (130 expected), said so $((tenths / 10)).$((tenths % 10)) s" \
      "after Ctrl+C (5 at most); --out holds: $left"
    sed 's/^/  /' "$out/$name.log"
    failures=$((failures + 1))
  else
    echo "interrupt-run: $name: exit code 130 within $((tenths / 10)).$((tenths % 10)) s, --out as it was"
  fi
}

interrupt first_picture ".workbench-run-*/before.png"
# A grid of 3,000 quadrilaterals with 100 layers frozen: frozen.obj holds 300,000 faces, whose
# writing takes seconds.
awk 'BEGIN { for (i = 0; i <= 60; i++) for (j = 0; j <= 50; j++) printf "v %g %g 0\n", i / 60, j / 60
             for (i = 0; i < 60; i++) for (j = 0; j < 50; j++) { a = i * 51 + j + 1
               printf "f %d %d %d %d\n", a, a + 51, a + 52, a + 1 } }' >"$out/grid.obj"
interrupt long_save ".workbench-run-*/frozen.obj" --scene "$out/grid.obj" --preset blur --repeat 100
[ "$failures" -eq 0 ]
