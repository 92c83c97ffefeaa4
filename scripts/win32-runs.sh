#!/usr/bin/env bash
# Tells whether this machine runs the 32-bit build's programs: exit 0 when it does; otherwise one
# line on standard output says why, and the exit code is 1. Both facts are probed, never guessed:
# the kernel must execute a real 32-bit program (some kernels of this machine kind answer
# "Exec format error"), and Debian's wine32 must be installed.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if ! "$here/probe-ia32.sh" >/dev/null 2>&1; then
  echo "this kernel does not execute 32-bit programs (a tiny static i386 program: $("$here/probe-ia32.sh" 2>&1 | tail -n 1 | sed 's/.*: //'))"
  exit 1
fi
if [ ! -x /usr/lib/wine/wine ]; then
  echo "wine32 is not installed (/usr/lib/wine/wine is missing; scripts/setup.sh installs it)"
  exit 1
fi
exit 0
