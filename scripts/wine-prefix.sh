#!/usr/bin/env bash
# Creates the build tree's Wine prefix once: no Mono or Gecko prompts, no crash dialog (a crashing
# test ends instead of waiting for a click), and the panel's font "ＭＳ Ｐゴシック" mapped to the
# metric-compatible IPAPGothic so that Japanese captions are legible at their size.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(cd "$here/.." && pwd)/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
wine=/usr/lib/wine/wine64
[ -f "$WINEPREFIX/.puffshell-ready" ] && exit 0
mkdir -p "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1 || true
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /t REG_SZ /d IPAGothic /f >/dev/null 2>&1
/usr/lib/wine/wineserver -w || true
touch "$WINEPREFIX/.puffshell-ready"
