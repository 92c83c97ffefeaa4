#!/usr/bin/env bash
# Makes a new, empty folder from which programs can be run, and prints its path: a temporary
# folder, or, where that cannot run programs (mounted noexec, a common hardening), one in the
# project's build/. The caller removes it. Exit code 1, with the reason on standard error, when
# neither can be made.
set -uo pipefail
build=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build
# Whether a program in folder $1 runs; leaves the folder empty.
runs() { printf '#!/bin/sh\nexit 0\n' >"$1/runs" && chmod +x "$1/runs" && "$1/runs" 2>/dev/null && rm -f "$1/runs"; }
dir=$(mktemp -d) && [ -d "$dir" ] && runs "$dir" && { echo "$dir"; exit 0; }
[ -n "$dir" ] && [ -d "$dir" ] && rm -rf "${dir:?}"
dir=$(mkdir -p "$build" && mktemp -d "$build/run.XXXXXX") && [ -d "$dir" ] && runs "$dir" &&
  { echo "$dir"; exit 0; }
[ -n "$dir" ] && [ -d "$dir" ] && rm -rf "${dir:?}"
echo "run-dir: neither the temporary folder nor $build can run programs" >&2
exit 1
