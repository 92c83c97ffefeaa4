#!/usr/bin/env bash
# Runs a Windows program of either build in the build tree's own prefix, with code page 932 as the
# ANSI code page: a 32-bit program under wine32's loader, a 64-bit one under wine64. Needs an X
# display (make wraps runs in xvfb-run).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(cd "$here/.." && pwd)/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
"$here/wine-prefix.sh"
# Code page 932 comes from the locale name alone; glibc need not know the locale, and setting
# it only for Wine keeps the shell from warning about it.
exec env LC_ALL=ja_JP.UTF-8 "$("$here/wine-loader.sh" "$1")" "$@"
