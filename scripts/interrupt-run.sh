#!/usr/bin/env bash
# Ctrl+C during a scripted run of the workbench: the terminal sends SIGINT to the whole foreground
# process group (wine-run.sh, the Wine process), which Wine hands the program as a console control
# event. The run must end with code 130 and leave --out as it found it: no pictures, no hidden
# run folder. Needs an X display (run inside xvfb-run, as make test does).
# Usage: interrupt-run.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
out=$(mktemp -d) || { echo "interrupt-run: cannot make a temporary folder"; exit 1; }
trap 'rm -rf "${out:?}"' EXIT
mkdir "$out/demo"
echo "an earlier file" >"$out/demo/kept.txt"

# A process group of its own, as a terminal's foreground job has.
setsid "$here/wine-run.sh" "$build/workbench.exe" --size 160x120 --out "$out/demo" >"$out/log" 2>&1 &
pid=$!
# Interrupted once the run has written its first picture into its own folder.
for _ in $(seq 600); do
  compgen -G "$out/demo/.workbench-run-*/before.png" >/dev/null && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -INT -- "-$pid" 2>/dev/null
status=0
wait "$pid" || status=$?
left=$(cd "$out/demo" && ls -A)
if [ "$status" -ne 130 ] || [ "$left" != "kept.txt" ] || ! grep -q "interrupted" "$out/log"; then
  echo "interrupt-run: exit code $status (130 expected); --out holds: $left"
  cat "$out/log"
  exit 1
fi
echo "interrupt-run: exit code 130, --out as it was"
