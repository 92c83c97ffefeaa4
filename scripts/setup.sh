#!/usr/bin/env bash
# Installs, idempotently, what the project needs on Debian 12, as root through apt; does nothing
# when everything is there already.
#   setup.sh            everything: the build, the tests under Wine and Xvfb, the demo, the bench
#   setup.sh packaging  only what `make dist` needs: the MinGW compilers and binutils, CMake, Ninja,
#                       make, zip and unzip, and the headers of the libraries the baking command's
#                       scene files are read and written with
# A package mirror's hiccup does not stop it: `apt-get update` is tried three times, and when it
# still fails for some index the lists at hand are used. Only a required package that apt cannot
# install stops it (exit 1, with apt's reason in one line). wine32, which runs the 32-bit build, is
# optional: when apt cannot install it the set-up says why, removes the i386 architecture again if
# it added it (else every later `apt-get update` reports the broken i386 index), keeps apt's reason
# for `make test`'s summary, and tries again only an hour later. Where the kernel refuses 32-bit
# programs, the 32-bit build runs under a 32-bit Wine in qemu-user emulation instead, which
# setup-ia32.sh prepares once in the state folder (no package is installed for it); when that
# fails, it says why and the set-up goes on.
#
# Every program that reads or changes the machine's packages and locales is taken from a variable
# that a test points at a stand-in, never found by PATH order (a stand-in that cannot run must not
# quietly give way to the real program); `setup.sh --commands` prints them, resolved, one a line:
#   PUFFSHELL_APT_GET, PUFFSHELL_DPKG, PUFFSHELL_DPKG_QUERY, PUFFSHELL_DPKG_DEB, PUFFSHELL_LDCONFIG,
#   PUFFSHELL_LOCALE, PUFFSHELL_LOCALE_GEN  the programs of those names (default: the machine's own)
#   PUFFSHELL_LOCALE_FILE the list of locales locale-gen makes (default /etc/locale.gen)
#   PUFFSHELL_STATE_DIR   what the set-up remembers of this machine (default /var/lib/puffshell)
#   PUFFSHELL_IA32_PROBE  tells whether the kernel runs 32-bit programs (default probe-ia32.sh)
#   PUFFSHELL_SETUP_READERS  installs the readers the tests check the workbench's files with
#                         (default setup-readers.sh)
#   PUFFSHELL_APT_PAUSE   seconds before the second try of `apt-get update`, doubled before the
#                         third (default 10)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mode=${1:-all}
apt_get=${PUFFSHELL_APT_GET:-apt-get}
dpkg=${PUFFSHELL_DPKG:-dpkg}
dpkg_query=${PUFFSHELL_DPKG_QUERY:-dpkg-query}
dpkg_deb=${PUFFSHELL_DPKG_DEB:-dpkg-deb}
ldconfig=${PUFFSHELL_LDCONFIG:-ldconfig}
locale=${PUFFSHELL_LOCALE:-locale}
locale_gen=${PUFFSHELL_LOCALE_GEN:-locale-gen}
locale_file=${PUFFSHELL_LOCALE_FILE:-/etc/locale.gen}
state=${PUFFSHELL_STATE_DIR:-/var/lib/puffshell}
probe=${PUFFSHELL_IA32_PROBE:-$here/probe-ia32.sh}
readers=${PUFFSHELL_SETUP_READERS:-$here/setup-readers.sh}
pause=${PUFFSHELL_APT_PAUSE:-10}
# apt's reason for the last failed install of wine32; the file's time is the time of that try.
wine32_failed=$state/wine32-failed
# Present while the i386 architecture is there because this set-up added it.
added_i386=$state/added-i386
export DEBIAN_FRONTEND=noninteractive
# Another apt at work (an unattended upgrade, a second set-up) is waited for, not taken for a failure.
apt_wait=(-o DPkg::Lock::Timeout=300)

packaging=(cmake ninja-build make binutils g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
           zip unzip libtinyobjloader-dev libstb-dev libtinygltf-dev nlohmann-json3-dev)
case $mode in
  --commands)
    # What each name resolves to here ("missing" when nothing does), and the files it changes.
    for name in apt_get dpkg dpkg_query dpkg_deb ldconfig locale locale_gen probe readers; do
      echo "${name//_/-} $(command -v "${!name}" || echo missing)"
    done
    echo "locale-file $locale_file"
    echo "state-dir $state"
    exit 0 ;;
  packaging) packages=("${packaging[@]}") ;;
  all) packages=("${packaging[@]}"
                 wine64 xvfb xauth x11-utils imagemagick fonts-ipafont-gothic locales
                 googletest assimp-testmodels assimp-utils
                 clang-14 libclang-rt-14-dev libfuzzer-14-dev time) ;;
  *) echo "usage: setup.sh [packaging | --commands]" >&2; exit 2 ;;
esac

installed() { "$dpkg_query" -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# apt's reason for a failure, in one line: its error lines ("E: ..."), else its last line.
# Arguments: apt's output (a file), apt's exit code.
apt_reason() {
  local reason
  reason=$(sed -n 's/^E: //p' "$1" | sed 's/ *\[IP: [^]]*\]//' | paste -sd '|' | sed 's/|/; /g')
  [ -n "$reason" ] || reason=$(grep -v '^[[:space:]]*$' "$1" | tail -n 1)
  echo "${reason:-apt-get ended with exit code $2}"
}

# Brings the package lists up to date, three tries at most. A mirror in the middle of a sync
# serves an index of the wrong size for a while; the lists at hand still serve every other index.
update_lists() {
  local log status try
  log=$(mktemp) || { echo "setup: warning: no temporary file for apt-get update's output; going on with the package lists at hand"; return 0; }
  for try in 1 2 3; do
    "$apt_get" update -qq "${apt_wait[@]}" >"$log" 2>&1
    status=$?
    if [ "$status" -eq 0 ]; then rm -f "$log"; return 0; fi
    [ "$try" -lt 3 ] && sleep $((pause * try))
  done
  echo "setup: warning: apt-get update failed 3 times, going on with the package lists at hand ($(apt_reason "$log" "$status"))"
  rm -f "$log"
}

# Installs the given packages; on failure prints apt's reason and returns apt's exit code.
install_packages() {
  local log status=0
  log=$(mktemp) || { echo "no temporary file could be made for apt-get's output"; return 1; }
  "$apt_get" install -y -qq --no-install-recommends "${apt_wait[@]}" "$@" >"$log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || apt_reason "$log" "$status"
  rm -f "$log"
  return "$status"
}

has_i386() { "$dpkg" --print-foreign-architectures | grep -qx i386; }
# Whether dpkg's database holds any i386 package (installed, or with its configuration left).
uses_i386() { "$dpkg_query" -W -f='${Architecture}\n' 2>/dev/null | grep -qx i386; }

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  update_lists
  if ! reason=$(install_packages "${missing[@]}"); then
    echo "setup: cannot install ${missing[*]}: $reason"
    exit 1
  fi
fi
[ "$mode" = packaging ] && exit 0

# Wine takes code page 932 from the locale's name; with the glibc locale present it also maps
# Japanese file names to UTF-8 ones on disk.
if ! "$locale" -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' "$locale_file"
  grep -q '^ja_JP.UTF-8 UTF-8' "$locale_file" || echo 'ja_JP.UTF-8 UTF-8' >>"$locale_file"
  "$locale_gen" >/dev/null || { echo "setup: cannot generate the ja_JP.UTF-8 locale"; exit 1; }
fi

# The glTF validator, from the npm registry; a registry out of reach only skips the test that uses it.
"$readers"

# The 32-bit build runs under wine32 where this machine's kernel executes 32-bit programs; probe it
# with a real one rather than guess from the kernel's name. Elsewhere it runs emulated; where that
# cannot be prepared it is only built and checked without running (make test says so).
if ! "$probe" >/dev/null 2>&1; then
  PUFFSHELL_APT_GET=$apt_get PUFFSHELL_DPKG_QUERY=$dpkg_query PUFFSHELL_DPKG_DEB=$dpkg_deb \
    PUFFSHELL_LDCONFIG=$ldconfig "$here/setup-ia32.sh" "$state/ia32"
  exit 0
fi
installed wine32:i386 && exit 0

# An earlier version of this set-up added the i386 architecture without keeping a marker: on a
# machine it never ran on, an i386 architecture that no package uses is taken as its doing.
if [ ! -d "$state" ] && has_i386 && ! uses_i386; then
  mkdir -p "$state" && touch "$added_i386"
fi

if [ -n "$(find "$wine32_failed" -mmin -60 2>/dev/null)" ]; then
  minutes=$(( ($(date +%s) - $(stat -c %Y "$wine32_failed")) / 60 ))
  echo "setup: wine32 could not be installed $minutes min ago ($(cat "$wine32_failed")); the next try is an hour after that one (delete $wine32_failed to try now)"
  exit 0
fi

echo "setup: this kernel runs 32-bit programs; installing wine32"
if ! has_i386; then
  # The marker comes first: a set-up stopped right after adding still knows whose it is.
  mkdir -p "$state" && touch "$added_i386"
  "$dpkg" --add-architecture i386
fi
update_lists
if reason=$(install_packages wine32); then
  rm -f "$wine32_failed"
  exit 0
fi
mkdir -p "$state" && echo "$reason" >"$wine32_failed"
echo "setup: wine32 could not be installed ($reason); the 32-bit build is built and checked but not run here, and the next set-up an hour from now tries again"
if [ -f "$added_i386" ] && has_i386; then
  if uses_i386; then
    echo "setup: the i386 architecture this set-up added stays, as i386 packages are installed"
  elif "$dpkg" --remove-architecture i386; then
    rm -f "$added_i386"
    echo "setup: the i386 architecture this set-up added is removed again"
  fi
fi
exit 0
