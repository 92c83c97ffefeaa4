#!/usr/bin/env bash
# Creates the build tree's Wine prefix once: no Mono or Gecko prompts, no crash dialog (a crashing
# test ends instead of waiting for a click), and the panel's font "ＭＳ Ｐゴシック" mapped to the
# metric-compatible IPAPGothic so that Japanese captions are legible at their size; windows not
# managed by a window manager (Xvfb has none), so that hiding a window does not wait for one.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
export WINEDEBUG=-all
# wine64 alone makes an empty 32-bit system folder, without the 32-bit system files: where the
# 32-bit Wine is the emulated one, the prefix is made by the wine64 beside it (setup-ia32.sh).
wine64=$wine_dir/wine64
has_wine32=""
if [ -x "$wine_dir/wine" ]; then has_wine32=1
elif [ -f "$ia32_dir/ready" ] && [ -x "$ia32_dir/sysroot/usr/lib/wine/wine64" ]; then
  has_wine32=1
  wine64=$ia32_dir/sysroot/usr/lib/wine/wine64
fi
wine="env LC_ALL=ja_JP.UTF-8 $wine64"
# A prefix made before the 32-bit Wine was there cannot run the 32-bit build. Where it is there
# now and the 32-bit system files are missing, make the prefix again.
if [ -f "$WINEPREFIX/.puffshell-ready" ] && [ -n "$has_wine32" ] &&
   [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
  echo "wine-prefix: $WINEPREFIX lacks the 32-bit system files (made before the 32-bit Wine was there); making it again" >&2
  "$wine_dir/wineserver" -k 2>/dev/null || true
  rm -rf "${WINEPREFIX:?}"
fi
# Drive Z: (the Unix root) is given /dev/null as its device. Without a device entry Wine opens the
# disk that holds / to read the volume's label and serial, which a user (and root in a container)
# may not read: the open-file dialog, which lists every drive, would print "Read access denied
# for device \\??\\Z:\\" each time it opens. With an empty device Wine takes its own label and
# serial, as it does for C:.
if [ -L "$WINEPREFIX/dosdevices/z:" ] && [ ! -L "$WINEPREFIX/dosdevices/z::" ]; then
  ln -s /dev/null "$WINEPREFIX/dosdevices/z::"
fi
[ -f "$WINEPREFIX/.puffshell-ready" ] && exit 0
mkdir -p "$WINEPREFIX"
$wine wineboot -i >/dev/null 2>&1 || true
# A registry file in UTF-16 keeps the Japanese face names intact (command-line arguments would pass
# through the Unix locale).
regfile="$WINEPREFIX/puffshell.reg"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
  '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' '"MS UI Gothic"="IPAPGothic"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' |
  iconv -f UTF-8 -t UTF-16 >"$regfile"
$wine regedit /S "Z:$regfile" >/dev/null 2>&1
"$wine_dir/wineserver" -w || true
[ -L "$WINEPREFIX/dosdevices/z::" ] || ln -s /dev/null "$WINEPREFIX/dosdevices/z::"
touch "$WINEPREFIX/.puffshell-ready"
