#!/usr/bin/env bash
# Runs through wine-run.sh beside each other, as a user makes them: an interactive workbench left
# open while a scripted run is made, both with WINEPREFIX set to a prefix of the user's own. Checks
# that the scripted run returns while the other program still runs (it must not wait for every
# program of the prefix to end), and that neither run touches the user's prefix: the project's
# runs use the project's prefix. Needs an X display (run inside xvfb-run, as make test does).
# Usage: wine-runs-test.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
work=$(mktemp -d) || { echo "wine-runs-test: cannot make a temporary folder"; exit 1; }
long=""
cleanup() {
  [ -n "$long" ] && kill -INT -- "-$long" 2>/dev/null && wait "$long"
  rm -rf "${work:?}"
}
trap cleanup EXIT
# A user's prefix, marked as one this project made: the project's runs must leave it as it is.
user=$work/user-prefix
mkdir -p "$user/drive_c/windows/system32"
touch "$user/.puffshell-ready"
echo "WINE REGISTRY Version 2" >"$user/system.reg"
snapshot() { (cd "$user" && find . -printf '%p %s %T@ %m\n' | sort && find . -type f -exec sha256sum {} + | sort); }
before=$(snapshot)
# run-tests.sh keeps a wineserver alive for its tests; these runs must wait as a user's runs do.
unset PUFFSHELL_SHARED_WINESERVER
export WINEPREFIX=$user

# The long-lived program, in a process group of its own so that it can be ended as from a terminal.
# How it ends is not what is checked: it does not wait for Wine's services after it.
PUFFSHELL_SHARED_WINESERVER=1 setsid "$here/wine-run.sh" "$build/workbench.exe" --interactive --out "$work/long" >"$work/long.log" 2>&1 &
long=$!
for _ in $(seq 600); do
  [[ $("$here/wine-processes.sh") == *program* ]] && break
  kill -0 "$long" 2>/dev/null || break
  sleep 0.1
done
status=0
start=$SECONDS
timeout 120 "$here/wine-run.sh" "$build/workbench.exe" --preset black-frame --size 160x120 \
  --out "$work/short" >"$work/short.log" 2>&1 || status=$?
took=$((SECONDS - start))
failures=0
if ! kill -0 "$long" 2>/dev/null; then
  echo "wine-runs-test: FAILED: the interactive workbench did not keep running:"
  cat "$work/long.log"
  failures=1
fi
if [ "$status" -ne 0 ]; then
  echo "wine-runs-test: FAILED: the scripted run beside it ended with exit code $status after $took s (124: it did not return):"
  cat "$work/short.log"
  failures=1
fi
kill -INT -- "-$long" 2>/dev/null
wait "$long"
long=""
if [ "$(snapshot)" != "$before" ]; then
  echo "wine-runs-test: FAILED: the runs changed the prefix WINEPREFIX named:"
  diff <(echo "$before") <(snapshot)
  failures=1
fi
[ "$failures" -eq 0 ] && echo "wine-runs-test: a scripted run beside an open workbench returned in $took s; WINEPREFIX's prefix untouched"
exit "$failures"
