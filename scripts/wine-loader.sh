#!/usr/bin/env bash
# Prints the Wine loader for a Windows program: wine32's for a 32-bit (i386) image, wine64's for
# anything else. The machine field of the PE header decides, not the file's name. A 32-bit image
# gets Debian's wine32 where it is installed, else the 32-bit Wine in qemu-user emulation that
# setup-ia32.sh prepared (where the kernel refuses 32-bit programs). When no loader is there it
# says on standard error what is missing and how to get it, and exits with 2.
# PUFFSHELL_WINE_DIR (default /usr/lib/wine) and PUFFSHELL_IA32_DIR point elsewhere for tests.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
program=$1
machine=""
if [ -f "$program" ]; then
  offset=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$program" | tr -d ' ')
fi
if [ "$machine" != "014c" ]; then loader=$wine_dir/wine64
elif [ -x "$wine_dir/wine" ] || [ ! -f "$ia32_dir/ready" ]; then loader=$wine_dir/wine
else loader=$ia32_dir/bin/wine; fi
if [ -x "$loader" ]; then
  echo "$loader"
  exit 0
fi
if [ "$machine" = "014c" ]; then
  echo "wine-run: $program is a 32-bit program, and Debian's wine32, which runs it, is not installed ($loader is missing)." >&2
  reason=$("$here/win32-runs.sh") || case $reason in
    "wine32 is not installed"*) ;;
    *) echo "  On this machine: $reason" >&2 ;;
  esac
  echo "  Install it as root with scripts/setup.sh, or: dpkg --add-architecture i386 && apt-get update && apt-get install wine32" >&2
  echo "  The 64-bit build (build/win64) runs without it." >&2
else
  echo "wine-run: $program needs Debian's wine64, which is not installed ($loader is missing)." >&2
  echo "  Install it as root with scripts/setup.sh, or: apt-get install wine64" >&2
fi
exit 2
