#!/usr/bin/env bash
# Runs a Windows program of either build in the build tree's own prefix, with code page 932 as the
# ANSI code page: a 32-bit program under wine32's loader, a 64-bit one under wine64. Needs an X
# display (make wraps runs in xvfb-run) and the program's Wine loader; without either it says what
# is missing and exits with code 2.
# Wine's own messages are off; PUFFSHELL_WINEDEBUG sets them instead (e.g. "-all,warn+heap" for
# the heap checks).
set -euo pipefail
# Ctrl+C or SIGTERM at any moment ends the run with code 130 (see below, where the program runs).
signalled=""
trap 'signalled=INT' INT
trap 'signalled=TERM' TERM
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
export WINEDEBUG=${PUFFSHELL_WINEDEBUG:--all}
[ $# -gt 0 ] || { echo "usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }
interrupted() { [ -z "$signalled" ] || { echo "wine-run: interrupted before $(basename "$1") started" >&2; exit 130; }; }
loader=$("$here/wine-loader.sh" "$1") || { interrupted "$1"; exit 2; }

# Every window of the program (and of Wine itself) needs the X server; without it Wine fails far
# later, in ways that blame the program.
no_display() {
  local reason=$1
  shift
  interrupted "$1"
  echo "wine-run: $reason; Wine needs an X display. Run the command inside xvfb-run," >&2
  echo "  e.g.  xvfb-run -a -s \"-screen 0 1280x1024x24\" $0 $*" >&2
  echo "  or set DISPLAY to a running X server (check it with: xdpyinfo)." >&2
  exit 2
}
[ -n "${DISPLAY:-}" ] || no_display "DISPLAY is not set" "$@"
# A busy machine's X server now and then refuses a connection that a moment later it takes: ask
# three times before calling it absent.
x_answers() {
  local try
  for try in 1 2 3; do
    xdpyinfo >/dev/null 2>&1 && return 0
    [ "$try" -lt 3 ] && sleep 0.5
  done
  return 1
}
if command -v xdpyinfo >/dev/null && ! x_answers; then
  no_display "no X server answers on DISPLAY=$DISPLAY" "$@"
fi

"$here/wine-prefix.sh" || { interrupted "$1"; exit 1; }
# Without any X resources (a bare X server such as Xvfb, no ~/.Xdefaults), Xlib looks for its
# resource files on each of the many lookups Wine makes per window message; give it an empty
# set, unless the user has per-host resources of their own.
if [ -z "${XENVIRONMENT:-}" ] && [ ! -e "$HOME/.Xdefaults-$(uname -n)" ]; then
  export XENVIRONMENT="$here/x-resources"
fi
# Ctrl+C (SIGINT from the terminal, to the whole foreground group) or SIGTERM: passed on to the
# program, which ends at once with code 130. Should it still run two seconds later (Wine could not
# start its handler: the thread that got the signal held a lock the handler needs), it is ended
# here, it alone, and the run ends with code 130 all the same. The program runs in the background
# so that this shell's traps run while it waits, with SIGINT not ignored as a background job's
# is, and with this shell's standard input (when it has one). Code page 932 comes from the locale
# name alone; glibc need not know the locale, and setting it only for Wine keeps the shell from
# warning about it.
interrupted "$1"
{ exec 3<&0; } 2>/dev/null || exec 3</dev/null
env --default-signal=INT,QUIT LC_ALL=ja_JP.UTF-8 "$loader" "$@" <&3 3<&- &
child=$!
exec 3<&-
status=0
# (A Ctrl+C that came while the program was being started reached only this shell's copy of
# itself: it is passed on below.)
[ -n "$signalled" ] || wait "$child" || status=$?
if [ -n "$signalled" ]; then
  # The terminal's SIGINT reached the program too: a second one only when it still runs half a
  # second later (the signal was this shell's alone); SIGTERM at once.
  since=${EPOCHREALTIME/./}
  passed=""
  [ "$signalled" = INT ] || { kill -s TERM "$child" 2>/dev/null; passed=1; }
  while kill -0 "$child" 2>/dev/null; do
    elapsed=$(((${EPOCHREALTIME/./} - since) / 1000))
    if [ "$elapsed" -ge 2000 ]; then
      echo "wine-run: $(basename "$1") did not end within 2 s of the $signalled; ended it" >&2
      kill -KILL "$child" 2>/dev/null || true
      break
    fi
    if [ -z "$passed" ] && [ "$elapsed" -ge 500 ]; then
      kill -s INT "$child" 2>/dev/null || true
      passed=1
    fi
    sleep 0.05
  done
  wait "$child" 2>/dev/null || true
  # Interrupted, whatever the program's own code: Wine ends a program that is still starting
  # with code 0, and one that had already put its files in place said so.
  status=130
fi
trap - INT TERM
# Wine's desktop process, started with the program's first window, holds an X connection of its
# own and ends a moment after the program, with Wine's other services. A caller that stops the X
# server right away (xvfb-run does) would make it report "X connection ... broken": wait for those
# services, but only while nothing else runs in the prefix. Another program there (an interactive
# workbench, say) keeps them alive for as long as it runs, and a run never waits for it to end;
# nor longer than 10 s whatever happens. A caller that keeps one wineserver alive across many
# runs (run-tests.sh) stops it itself. After Ctrl+C nothing waits: the X server ends with it.
if [ -z "${PUFFSHELL_SHARED_WINESERVER:-}" ] && [ -z "$signalled" ]; then
  since=$SECONDS
  while [ $((SECONDS - since)) -lt 10 ]; do
    case $("$here/wine-processes.sh") in
      *program*) break ;;
      *service*) sleep 0.2 ;;
      *) break ;;
    esac
  done
fi
exit $status
