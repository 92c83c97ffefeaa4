#!/usr/bin/env bash
# Ctrl+C during runs of the workbench: the terminal sends SIGINT to the whole foreground process
# group (wine-run.sh and the Wine process; under xvfb-run the X server too), which Wine hands the
# program as a console control event. Each run must end within 3 s with code 130 and leave --out
# as it found it: its one earlier file, and at most the hidden folders of interrupted runs, which
# the next run into that folder removes. The cases: after the first picture into a folder named in
# characters code page 932 lacks and long; in the middle of writing a large frozen.obj; under
# xvfb-run; in the interactive view; a program that ignores it (wine-run.sh ends it); and two runs interrupted at random moments. With --random N,
# only N runs interrupted at random moments (e.g. 100, some ten minutes).
# Every wait is bounded: a run that does not end is killed (its process group) and counted failed.
# Needs an X display (run inside xvfb-run, as make test does).
# Usage: interrupt-run.sh BUILD_DIR [--random N]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
runs=2 random_only=""
if [ "${2:-}" = --random ]; then
  [[ ${3:-} =~ ^[0-9]+$ ]] || { echo "usage: interrupt-run.sh BUILD_DIR [--random N]" >&2; exit 2; }
  runs=$3 random_only=1
fi
out=$(mktemp -d) || { echo "interrupt-run: cannot make a temporary folder"; exit 1; }
live=""  # the process group of the run under way
cleanup() {
  [ -z "$live" ] || kill -KILL -- "-$live" 2>/dev/null
  rm -rf "${out:?}"
}
trap cleanup EXIT
failures=0

# start LOG COMMAND...: runs COMMAND in a process group of its own, as a terminal's foreground job
# is (which, unlike this script's background jobs, does not ignore SIGINT); $pid is its leader.
start() {
  local log=$1
  shift
  setsid env --default-signal=INT "$@" >"$log" 2>&1 &
  pid=$!
  live=$pid
  # Until env has restored it, SIGINT is ignored still, as no terminal's job ignores it.
  local ignored
  for _ in $(seq 200); do
    ignored=$(sed -n 's/^SigIgn:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null) || break
    [ -n "$ignored" ] && [ $((16#$ignored & 2)) -eq 0 ] && break
    sleep 0.01
  done
}

# finish TENTHS: waits at most TENTHS tenths of a second for the run to end, then kills its whole
# group. Sets $status (the exit code, or "none" when it had to be killed) and $took (tenths, of
# the clock: the loop's own steps take longer than their sleeps on a busy machine).
finish() {
  local limit=$1 since=${EPOCHREALTIME/./}
  took=0
  while kill -0 "$pid" 2>/dev/null && [ "$took" -lt "$limit" ]; do
    sleep 0.05
    took=$(((${EPOCHREALTIME/./} - since) / 100000))
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL -- "-$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    status=none
  else
    status=0
    wait "$pid" || status=$?
  fi
  live=""
}

# as_it_was DIR: the folder holds its earlier file and at most run folders of interrupted runs.
as_it_was() {
  local entry
  for entry in "$1"/* "$1"/.[!.]*; do
    [ -e "$entry" ] || continue
    case ${entry##*/} in
      kept.txt) ;;
      .workbench-run-[0-9]*-[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f]) [ -d "$entry" ] || return 1 ;;
      *) return 1 ;;
    esac
  done
  [ -f "$1/kept.txt" ]
}

# report NAME DIR LOG [quiet]: checks the end of an interrupted run: code 130 within 3 s, the
# message (unless quiet: Ctrl+C before the program's start ends it without one) and --out.
report() {
  local name=$1 dir=$2 log=$3 quiet=${4:-}
  if [ "$status" != 130 ] || [ "$took" -gt 30 ] || ! as_it_was "$dir" ||
    { [ -z "$quiet" ] && ! grep -q "interrupted" "$log"; }; then
    echo "interrupt-run: $name: exit code $status (130 expected) $((took / 10)).$((took % 10)) s after" \
      "Ctrl+C (3 at most); --out holds: $(cd "$dir" && ls -A | tr '\n' ' ')"
    sed 's/^/  /' "$log"
    failures=$((failures + 1))
  else
    echo "interrupt-run: $name: exit code 130 within $((took / 10)).$((took % 10)) s, --out as it was"
  fi
}

# interrupt NAME DIR WAIT_FOR COMMAND...: runs COMMAND (whose --out is DIR, which holds one
# earlier file), sends SIGINT to its group once WAIT_FOR (a glob under DIR, or "log:TEXT" for a
# line of its output) is there, and checks the end (with quiet set, without the message).
interrupt() {
  local name=$1 dir=$2 wait_for=$3
  shift 3
  mkdir -p "$dir"
  echo "an earlier file" >"$dir/kept.txt"
  local log="$out/$name.log"
  start "$log" "$@"
  local tenths
  for tenths in $(seq 900); do
    case $wait_for in
      log:*) grep -q "${wait_for#log:}" "$log" && break ;;
      *) compgen -G "$dir/$wait_for" >/dev/null && break ;;
    esac
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -INT -- "-$pid" 2>/dev/null
  finish 30
  report "$name" "$dir" "$log" "${quiet:-}"
}

workbench=("$here/wine-run.sh" "$build/workbench.exe" --size 64x48)

# A program that never ends on Ctrl+C (as when Wine cannot start the handler's thread): a stand-in
# loader that ignores the signals, in a prefix of its own. wine-run.sh must end it, it alone, two
# seconds after the Ctrl+C, and end with code 130.
stuck() {
  local wine="$out/stuck-wine" log="$out/stuck.log"
  mkdir -p "$wine" "$out/stuck-prefix"
  touch "$out/stuck-prefix/.puffshell-ready"
  head -c 128 /dev/zero >"$out/stuck.exe"  # no PE header: the 64-bit loader
  printf '%s
' '#!/bin/bash' "trap '' INT TERM" 'echo "stand-in $$"' 'while :; do sleep 0.2; done' >"$wine/wine64"
  chmod +x "$wine/wine64"
  PUFFSHELL_WINE_DIR=$wine PUFFSHELL_IA32_DIR=$out/no-ia32 PUFFSHELL_WINEPREFIX=$out/stuck-prefix start "$log" "$here/wine-run.sh" "$out/stuck.exe"
  for _ in $(seq 100); do
    grep -q "stand-in" "$log" && break
    sleep 0.1
  done
  kill -INT -- "-$pid" 2>/dev/null
  finish 30
  local standin
  standin=$(sed -n 's/^stand-in //p' "$log")
  if [ "$status" != 130 ] || [ "$took" -gt 30 ] || [ -z "$standin" ] || kill -0 "$standin" 2>/dev/null ||
    ! grep -q "did not end within 2 s" "$log"; then
    echo "interrupt-run: stuck: exit code $status (130 expected) $((took / 10)).$((took % 10)) s after Ctrl+C" \
      "(3 at most), the program ${standin:+(process $standin) }ended: $(kill -0 "${standin:-0}" 2>/dev/null && echo no || echo yes)"
    sed 's/^/  /' "$log"
    failures=$((failures + 1))
  else
    echo "interrupt-run: stuck: the program ended by wine-run.sh, exit code 130 within $((took / 10)).$((took % 10)) s"
  fi
}

if [ -z "$random_only" ]; then
  stuck
  # Code page 932 lacks "ü" and "並" is one of its double-byte characters; 120 characters in all.
  long="$out/über 並行 $(printf 'a%.0s' $(seq 100))"
  interrupt first_picture "$long" ".workbench-run-*/before.png" "${workbench[@]}" --out "$long"
  # A grid of 3,000 quadrilaterals with 100 layers frozen: frozen.obj holds 300,000 faces, whose
  # writing takes seconds.
  awk 'BEGIN { for (i = 0; i <= 60; i++) for (j = 0; j <= 50; j++) printf "v %g %g 0\n", i / 60, j / 60
               for (i = 0; i < 60; i++) for (j = 0; j < 50; j++) { a = i * 51 + j + 1
                 printf "f %d %d %d %d\n", a, a + 51, a + 52, a + 1 } }' >"$out/grid.obj"
  interrupt long_save "$out/long_save" ".workbench-run-*/frozen.obj" "${workbench[@]}" \
    --scene "$out/grid.obj" --preset blur --repeat 100 --out "$out/long_save"
  # The X server gets the same Ctrl+C: Wine may end the program for the broken connection before
  # the program can say why.
  if command -v xvfb-run >/dev/null; then
    quiet=1 interrupt xvfb_run "$out/xvfb_run" ".workbench-run-*/before.png" xvfb-run -a -s "-screen 0 640x480x24" \
      "${workbench[@]}" --preset blur --out "$out/xvfb_run"
  fi
  interrupt interactive "$out/interactive" "log:interactive view open" "${workbench[@]}" --interactive \
    --preset black-frame --out "$out/interactive"
fi

# Ctrl+C at a random moment of a short run (Wine's start, the plug-in's calls, the pictures, the
# freeze, the move into place), all into one folder. A run that was over before the Ctrl+C, or
# that was placing its files when it came (it finishes that, and says so), is not counted.
dir="$out/random"
mkdir -p "$dir"
echo "an earlier file" >"$dir/kept.txt"
finished=0 interrupted=0 tries=0
while [ "$interrupted" -lt "$runs" ] && [ "$tries" -lt $((2 * runs)) ]; do
  tries=$((tries + 1))
  log="$out/random-$tries.log"
  start "$log" "${workbench[@]}" --preset blur --out "$dir"
  delay=$((RANDOM % 45))
  sleep "$((delay / 10)).$((delay % 10))"
  if ! kill -INT -- "-$pid" 2>/dev/null; then
    finish 30
    finished=$((finished + 1))
    rm -f "$dir"/*.png "$dir"/*.bmp "$dir"/frozen.*
    continue
  fi
  finish 30
  if grep -q "written to" "$log"; then
    finished=$((finished + 1))
    rm -f "$dir"/*.png "$dir"/*.bmp "$dir"/frozen.*
    continue
  fi
  interrupted=$((interrupted + 1))
  report "random run $tries, $((delay / 10)).$((delay % 10)) s in" "$dir" "$log" quiet
done
echo "interrupt-run: $interrupted runs interrupted at random moments ($finished more were over first), $failures failed in all"
[ "$failures" -eq 0 ]
