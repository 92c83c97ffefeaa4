#!/usr/bin/env bash
# Lists the Wine processes running in the project's prefix, one a line: "service PID" for one of
# Wine's own (the desktop, services.exe, ...: started from C:\windows\system32 or syswow64, they end by
# themselves once no program is left), "program PID" for any other. The wineserver is not listed.
# Only this user's processes can be looked at, which is all a prefix of this user's can hold.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
# One grep over every environment finds the few processes with this prefix.
for file in $(grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null); do
  dir=${file%/environ}
  exe=$(readlink "$dir/exe" 2>/dev/null) || continue
  # Under emulation a 32-bit Wine process is qemu-i386 running the 32-bit loader.
  case ${exe##*/} in wine | wine64 | wine-preloader | wine64-preloader | qemu-i386) ;; *) continue ;; esac
  mapfile -d '' -t cmd 2>/dev/null <"$dir/cmdline" || continue
  # Its command line is qemu's own: the program's follows the loader's path.
  if [ "${exe##*/}" = qemu-i386 ]; then
    while [ "${#cmd[@]}" -gt 0 ] && [[ ${cmd[0]} != */wine ]]; do cmd=("${cmd[@]:1}"); done
    cmd=("${cmd[@]:1}")
  fi
  case ${cmd[0]:-} in
    'C:\windows\system32\'* | 'C:\windows\syswow64\'*) echo "service ${dir#/proc/}" ;;
    *) echo "program ${dir#/proc/}" ;;
  esac
done
exit 0
