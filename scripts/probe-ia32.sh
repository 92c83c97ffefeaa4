#!/usr/bin/env bash
# Runs a tiny static 32-bit Linux program (exit(42) through int 0x80), assembled and linked here
# with binutils' i386 emulation; exit 0 when the kernel ran it, else the shell's error shows why.
set -uo pipefail
# A temporary folder mounted noexec would refuse any program, 32-bit or not.
dir=$("$(dirname "${BASH_SOURCE[0]}")/run-dir.sh") || exit 1
trap 'rm -rf "${dir:?}"' EXIT
printf '.globl _start\n_start: movl $1,%%eax\n movl $42,%%ebx\n int $0x80\n' >"$dir/p.s"
as --32 "$dir/p.s" -o "$dir/p.o" && ld -m elf_i386 "$dir/p.o" -o "$dir/p" || exit 2
"$dir/p"
[ $? -eq 42 ]
