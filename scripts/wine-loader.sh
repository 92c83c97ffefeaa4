#!/usr/bin/env bash
# Prints the Wine loader for a Windows program: wine32's for a 32-bit (i386) image, wine64's for
# anything else. The machine field of the PE header decides, not the file's name.
set -euo pipefail
program=$1
machine=""
if [ -f "$program" ]; then
  offset=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$program" | tr -d ' ')
fi
if [ "$machine" = "014c" ]; then echo /usr/lib/wine/wine; else echo /usr/lib/wine/wine64; fi
