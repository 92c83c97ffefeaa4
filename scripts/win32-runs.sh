#!/usr/bin/env bash
# Tells whether this machine runs the 32-bit build's programs: exit 0 when it does; otherwise one
# line on standard output says why, and the exit code is 1. Both facts are probed, never guessed:
# the kernel must execute a real 32-bit program (some kernels of this machine kind answer
# "Exec format error"), and Debian's wine32 must be installed. Where the set-up could not install
# wine32, the line gives apt's reason, as the set-up kept it.
# PUFFSHELL_IA32_PROBE, PUFFSHELL_WINE_DIR and PUFFSHELL_STATE_DIR point elsewhere for tests.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
probe=${PUFFSHELL_IA32_PROBE:-$here/probe-ia32.sh}
wine_dir=${PUFFSHELL_WINE_DIR:-/usr/lib/wine}
wine32_failed=${PUFFSHELL_STATE_DIR:-/var/lib/puffshell}/wine32-failed
if ! "$probe" >/dev/null 2>&1; then
  echo "this kernel does not execute 32-bit programs (a tiny static i386 program: $("$probe" 2>&1 | tail -n 1 | sed 's/.*: //'))"
  exit 1
fi
if [ ! -x "$wine_dir/wine" ]; then
  if [ -s "$wine32_failed" ]; then
    echo "wine32 could not be installed ($(head -n 1 "$wine32_failed"))"
  else
    echo "wine32 is not installed ($wine_dir/wine is missing; scripts/setup.sh installs it)"
  fi
  exit 1
fi
exit 0
