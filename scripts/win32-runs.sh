#!/usr/bin/env bash
# Tells whether this machine runs the 32-bit build's programs, and how: exit 0 when it does, with
# one line on standard output, "under 32-bit Wine" (Debian's wine32, where the kernel executes
# 32-bit programs) or "under 32-bit Wine in qemu-user emulation" (setup-ia32.sh's, where it does
# not); otherwise one line says why, and the exit code is 1. The kernel is probed with a real
# 32-bit program, never guessed from its name (some kernels of this machine kind answer
# "Exec format error"). Where the set-up could not install wine32 or prepare the emulation, the
# line gives its reason, as the set-up kept it.
# PUFFSHELL_IA32_PROBE, PUFFSHELL_WINE_DIR, PUFFSHELL_IA32_DIR and PUFFSHELL_STATE_DIR point
# elsewhere for tests.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
probe=${PUFFSHELL_IA32_PROBE:-$here/probe-ia32.sh}
wine32_failed=${PUFFSHELL_STATE_DIR:-/var/lib/puffshell}/wine32-failed
ia32_failed=$(dirname "$ia32_dir")/ia32-failed
emulated() { [ -f "$ia32_dir/ready" ] && [ -x "$ia32_dir/bin/wine" ]; }
if "$probe" >/dev/null 2>&1; then
  if [ -x "$wine_dir/wine" ]; then echo "under 32-bit Wine"; exit 0; fi
  if emulated; then echo "under 32-bit Wine in qemu-user emulation"; exit 0; fi
  if [ -s "$wine32_failed" ]; then
    echo "wine32 could not be installed ($(head -n 1 "$wine32_failed"))"
  else
    echo "wine32 is not installed ($wine_dir/wine is missing; scripts/setup.sh installs it)"
  fi
  exit 1
fi
if emulated; then echo "under 32-bit Wine in qemu-user emulation"; exit 0; fi
why="this kernel does not execute 32-bit programs (a tiny static i386 program: $("$probe" 2>&1 | tail -n 1 | sed 's/.*: //'))"
if [ -s "$ia32_failed" ]; then
  echo "$why, and the 32-bit Wine for qemu-user emulation could not be prepared ($(head -n 1 "$ia32_failed"))"
else
  echo "$why, and the 32-bit Wine for qemu-user emulation is not prepared ($ia32_dir; scripts/setup.sh prepares it)"
fi
exit 1
