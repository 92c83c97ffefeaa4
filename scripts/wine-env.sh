# shellcheck shell=bash
# Sourced by every script that runs Wine. The project's runs (demo, bench, stress, tests) always use
# the project's own prefix, build/wineprefix, whatever WINEPREFIX the caller's environment holds: a
# user's own prefix must never get this project's registry settings, nor be made again by it.
# PUFFSHELL_WINEPREFIX points elsewhere for tests; PUFFSHELL_WINE_DIR (default /usr/lib/wine) too.
export WINEPREFIX=${PUFFSHELL_WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wineprefix}
# A user's settings that would pick another wineserver, loader or architecture than the prefix's.
unset WINESERVER WINELOADER WINEARCH WINEDLLPATH
export WINEDLLOVERRIDES="mscoree,mshtml="
# shellcheck disable=SC2034  # used by the scripts that source this one
wine_dir=${PUFFSHELL_WINE_DIR:-/usr/lib/wine}
# Where the kernel refuses 32-bit programs, the 32-bit Wine that runs them in qemu-user emulation
# (setup-ia32.sh): its loader is $ia32_dir/bin/wine. PUFFSHELL_IA32_DIR points elsewhere for tests;
# a stand-in Wine (PUFFSHELL_WINE_DIR) has none beside it unless the state folder is named too: the
# machine's emulation must not take a stand-in's place.
# shellcheck disable=SC2034
if [ -n "${PUFFSHELL_IA32_DIR:-}" ]; then ia32_dir=$PUFFSHELL_IA32_DIR
elif [ -z "${PUFFSHELL_WINE_DIR:-}" ] || [ -n "${PUFFSHELL_STATE_DIR:-}" ]; then
  ia32_dir=${PUFFSHELL_STATE_DIR:-/var/lib/puffshell}/ia32
else ia32_dir=$wine_dir/ia32; fi
