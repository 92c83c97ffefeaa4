#!/usr/bin/env bash
# The set-up and the Wine scripts where a package mirror fails, against stand-ins for apt-get,
# dpkg, dpkg-query, locale, locale-gen, the locale file, the 32-bit probe and the Wine folder: the
# machine itself is never changed. The set-up reaches every stand-in by the variable that names it,
# never by PATH order; before any scenario the test checks that each program the set-up can run
# is its stand-in, and stops otherwise. Where the temporary folder cannot run programs (mounted
# noexec, say) the stand-ins go into a folder of the project's build/ instead. Checks that
#  - a refused wine32 ends the set-up with exit 0 and apt's reason, the i386 architecture it added
#    is removed again, and the 32-bit line of `make test` gives that reason; a second set-up within
#    the hour does not try again, and says so;
#  - a failing `apt-get update` is tried again, and when it keeps failing the set-up goes on;
#  - a required package that apt refuses stops the set-up with apt's reason;
#  - running a 32-bit program without wine32 says what is missing, with exit code 2;
#  - a missing ja_JP.UTF-8 locale is added to the locale file and generated;
#  - a Wine prefix without the 32-bit system files is made again once wine32 is there, and a
#    user's own prefix (WINEPREFIX) is not.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Everything the test makes is in one folder that can run its stand-ins: without it, nothing runs.
work=$("$here/run-dir.sh") || { echo "setup-test: no folder to run stand-ins from; nothing was run"; exit 1; }
trap 'rm -rf "${work:?}"' EXIT
failures=0
check() { # a description, then the command that must succeed
  local what=$1
  shift
  if ! "$@"; then echo "setup-test: FAILED: $what"; failures=$((failures + 1)); fi
}
has() { grep -qF -- "$2" <<<"$1"; }
count() { grep -c -- "$2" <<<"$1"; }

# The stand-ins keep the machine's state in files under $fake: the packages missing (every other
# amd64 package counts as installed), the installed i386 packages, the foreign architectures, the
# packages apt refuses, every apt-get call, how many more updates are to fail, the locales made
# and the locale file.
fake=$work/fake
mkdir -p "$fake/bin" "$work/wine-none"
cat >"$fake/bin/dpkg-query" <<'END'
#!/usr/bin/env bash
# -W -f=FORMAT [PACKAGE]: the status of PACKAGE, or the architecture of every package.
name=${3:-}
if [ -z "$name" ]; then echo amd64; sed 's/.*/i386/' "$FAKE/i386"; exit 0; fi
case $name in
  *:i386) grep -qx "${name%:i386}" "$FAKE/i386" || exit 1 ;;
  *) grep -qx "$name" "$FAKE/missing" && exit 1 ;;
esac
printf 'install ok installed'
END
cat >"$fake/bin/dpkg" <<'END'
#!/usr/bin/env bash
case $1 in
  --print-foreign-architectures) cat "$FAKE/archs" ;;
  --add-architecture) echo "$2" >>"$FAKE/archs" ;;
  --remove-architecture) sed -i "/^$2\$/d" "$FAKE/archs" ;;
esac
END
cat >"$fake/bin/apt-get" <<'END'
#!/usr/bin/env bash
echo "$*" >>"$FAKE/calls"
# The private configuration of the 32-bit Wine for emulation, on a machine without a network.
if [ "$1" = -c ]; then
  echo "E: Failed to fetch http://deb.debian.org/debian/dists/bookworm/InRelease  Temporary failure resolving 'deb.debian.org'"
  exit 100
fi
if [ "$1" = update ]; then
  left=$(cat "$FAKE/updates-to-fail")
  [ "$left" -gt 0 ] || exit 0
  echo $((left - 1)) >"$FAKE/updates-to-fail"
  echo "E: Failed to fetch http://mirror/i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]"
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
  exit 100
fi
for p in "$@"; do
  if [ "$p" = wine32 ]; then
    echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages."
    exit 100
  fi
  if grep -qx -- "$p" "$FAKE/refused"; then echo "E: Unable to locate package $p"; exit 100; fi
done
for p in "$@"; do sed -i "/^$p\$/d" "$FAKE/missing"; done
END
printf '#!/bin/sh\ncat "$FAKE/locales"\n' >"$fake/bin/locale"
cat >"$fake/bin/locale-gen" <<'END'
#!/bin/sh
grep -q '^ja_JP.UTF-8 UTF-8' "$FAKE/locale.gen" && echo ja_JP.utf8 >>"$FAKE/locales"
END
# The kernel runs 32-bit programs unless $FAKE/no-ia32 exists; the readers are there.
printf '#!/bin/sh\n[ ! -e "$FAKE/no-ia32" ]\n' >"$fake/bin/probe-ia32"
printf '#!/bin/sh\nexit 0\n' >"$fake/bin/setup-readers"
printf '#!/bin/sh\necho "$0 $*" >>"$FAKE/calls"\n' >"$fake/bin/dpkg-deb"
cp "$fake/bin/dpkg-deb" "$fake/bin/ldconfig"
chmod +x "$fake/bin"/*

# A machine with every package but zip and wine32, whose kernel runs 32-bit programs.
reset_machine() {
  rm -rf "${work:?}/state" "$fake/no-ia32"
  : >"$fake/calls"
  : >"$fake/archs"
  : >"$fake/i386"
  : >"$fake/refused"
  echo zip >"$fake/missing"
  echo "$1" >"$fake/updates-to-fail"
  printf 'C\nja_JP.utf8\n' >"$fake/locales"
  printf '# en_US.UTF-8 UTF-8\n# ja_JP.UTF-8 UTF-8\n' >"$fake/locale.gen"
}
setup() {
  env FAKE="$fake" PUFFSHELL_APT_GET="$fake/bin/apt-get" PUFFSHELL_DPKG="$fake/bin/dpkg" \
    PUFFSHELL_DPKG_QUERY="$fake/bin/dpkg-query" PUFFSHELL_DPKG_DEB="$fake/bin/dpkg-deb" \
    PUFFSHELL_LDCONFIG="$fake/bin/ldconfig" PUFFSHELL_LOCALE="$fake/bin/locale" \
    PUFFSHELL_LOCALE_GEN="$fake/bin/locale-gen" PUFFSHELL_LOCALE_FILE="$fake/locale.gen" \
    PUFFSHELL_STATE_DIR="$work/state" PUFFSHELL_IA32_PROBE="$fake/bin/probe-ia32" \
    PUFFSHELL_SETUP_READERS="$fake/bin/setup-readers" PUFFSHELL_APT_PAUSE=0 "$here/setup.sh" "$@" 2>&1
}

# Before any scenario: every program the set-up can run resolves to its stand-in, and every file it
# changes is in the temporary folder; else the test stops here, having run nothing.
commands=$(setup --commands)
for name in apt-get dpkg dpkg-query dpkg-deb ldconfig locale locale-gen probe readers locale-file state-dir; do
  path=$(sed -n "s/^$name //p" <<<"$commands")
  case $name in
    locale-file | state-dir) expected=$work/ ;;
    *) expected=$fake/bin/ ;;
  esac
  if [[ $path != "$expected"* ]]; then
    echo "setup-test: the set-up's $name is \"$path\", not under $expected; nothing was run"
    exit 1
  fi
done
if [ "$(wc -l <<<"$commands")" -ne 11 ]; then
  echo "setup-test: the set-up names other programs than the test has stand-ins for; nothing was run:"
  echo "$commands"
  exit 1
fi

# wine32 refused, and the index of one architecture never downloads.
reset_machine 99
out=$(setup)
status=$?
echo "$out"
check "the set-up ends with exit 0 when wine32 is refused" [ "$status" -eq 0 ]
check "zip is installed although apt-get update keeps failing" [ ! -s "$fake/missing" ]
check "apt-get update is tried three times before each install" [ "$(grep -c '^update' "$fake/calls")" -eq 6 ]
check "a failing apt-get update gives one warning each time" [ "$(count "$out" 'update failed 3 times')" -eq 2 ]
check "the set-up gives apt's reason for wine32" \
  has "$out" "wine32 could not be installed (Error, pkgProblemResolver::Resolve generated breaks"
check "the i386 architecture the set-up added is removed again" [ ! -s "$fake/archs" ]
line=$(PUFFSHELL_STATE_DIR=$work/state PUFFSHELL_IA32_PROBE=true PUFFSHELL_WINE_DIR=$work/wine-none \
  "$here/win32-runs.sh")
check "the 32-bit line of make test gives apt's reason ($line)" \
  has "$line" "wine32 could not be installed (Error, pkgProblemResolver::Resolve generated breaks"
: >"$fake/calls"
out=$(setup)
check "a second set-up within the hour exits 0" [ $? -eq 0 ]
check "a second set-up within the hour does not try wine32 again" [ ! -s "$fake/calls" ]
check "a second set-up within the hour says so" [ "$(count "$out" 'could not be installed [0-9]* min ago')" -eq 1 ]

# An i386 architecture that no package uses, on a machine where this set-up never ran: an earlier
# set-up added it without a marker, and it goes again.
# The ja_JP.UTF-8 locale is missing too.
reset_machine 0
echo i386 >"$fake/archs"
echo C >"$fake/locales"
setup >/dev/null
check "an unused i386 architecture an earlier set-up left is removed" [ ! -s "$fake/archs" ]
locale_made() { grep -qx 'ja_JP.UTF-8 UTF-8' "$fake/locale.gen" && grep -qx ja_JP.utf8 "$fake/locales"; }
check "a missing ja_JP.UTF-8 locale is enabled in the locale file and generated" locale_made

# An i386 architecture someone else added, holding a package of theirs, stays.
reset_machine 0
mkdir -p "$work/state"
echo i386 >"$fake/archs"
echo libc6 >"$fake/i386"
setup >/dev/null
check "an i386 architecture the set-up did not add stays" grep -qx i386 "$fake/archs"

# A mirror that fails once: the second try of apt-get update succeeds, without a warning.
reset_machine 1
out=$(setup packaging)
check "packaging mode exits 0 after one failed apt-get update" [ $? -eq 0 ]
check "apt-get update is tried again after a failure" [ "$(grep -c '^update' "$fake/calls")" -eq 2 ]
check "a second try that succeeds gives no warning" [ "$(count "$out" warning)" -eq 0 ]
check "packaging mode does not try wine32" [ "$(grep -c wine32 "$fake/calls")" -eq 0 ]

# A required package that apt refuses stops the set-up, with apt's reason.
reset_machine 0
echo zip >"$fake/refused"
out=$(setup)
status=$?
check "a refused required package stops the set-up ($status)" [ "$status" -eq 1 ]
check "a refused required package gives apt's reason ($out)" \
  [ "$(count "$out" 'cannot install zip: Unable to locate package zip')" -eq 1 ]

# A kernel that refuses 32-bit programs, and no network for the emulated 32-bit Wine's packages:
# the set-up goes on, says why, and make test's 32-bit line gives that reason. Once prepared, the
# emulation is not fetched again.
reset_machine 0
touch "$fake/no-ia32"
out=$(setup)
status=$?
check "the set-up ends with exit 0 when the emulation's packages cannot be fetched ($status)" [ "$status" -eq 0 ]
check "the set-up says why the emulation could not be prepared ($out)" \
  has "$out" "could not be prepared (apt-get update: Failed to fetch http://deb.debian.org/debian/dists/bookworm/InRelease  Temporary failure resolving"
check "nothing is unpacked when nothing was fetched" [ "$(grep -c 'dpkg-deb\|ldconfig' "$fake/calls")" -eq 0 ]
check "wine32 is not installed where the kernel cannot run it" [ "$(grep -c 'install.*wine32' "$fake/calls")" -eq 0 ]
line=$(PUFFSHELL_STATE_DIR=$work/state PUFFSHELL_IA32_PROBE="$fake/bin/probe-ia32" FAKE=$fake \
  PUFFSHELL_WINE_DIR=$work/wine-none "$here/win32-runs.sh")
check "the 32-bit line of make test says the emulation could not be prepared ($line)" \
  has "$line" "could not be prepared (apt-get update: Failed to fetch"
mkdir -p "$work/state/ia32/bin"
echo "wine install ok installed" >"$work/state/ia32/ready"
printf '#!/bin/sh\n' >"$work/state/ia32/bin/wine"
chmod +x "$work/state/ia32/bin/wine"
: >"$fake/calls"
setup >/dev/null
check "a prepared emulation is not fetched again" [ ! -s "$fake/calls" ]
rm -rf "${work:?}/state/ia32"

# A 32-bit program (a PE header for i386) without wine32.
{ printf 'MZ'; head -c 58 /dev/zero; printf '\100\000\000\000PE\000\000\114\001'; } >"$work/prog32.exe"
out=$(PUFFSHELL_WINE_DIR=$work/wine-none PUFFSHELL_IA32_PROBE=true PUFFSHELL_STATE_DIR=$work/state \
  PUFFSHELL_WINEPREFIX=$work/prefix "$here/wine-run.sh" "$work/prog32.exe" 2>&1)
status=$?
check "wine-run of a 32-bit program without wine32 exits with 2 ($status)" [ "$status" -eq 2 ]
check "wine-run says that wine32 is missing and how to install it ($out)" \
  has "$out" "32-bit program, and Debian's wine32, which runs it, is not installed"

# A prefix made by wine64 alone (an empty syswow64), with wine32 installed now: made again. The
# user's own prefix that WINEPREFIX names is in the same state, and marked by an earlier version
# of these scripts: it stays as it is.
mkdir -p "$work/wine32"
cat >"$work/wine32/wine64" <<'END'
#!/usr/bin/env bash
# wineboot makes a prefix with both system folders.
if [ "$1" = wineboot ]; then
  mkdir -p "$WINEPREFIX/drive_c/windows/syswow64" "$WINEPREFIX/dosdevices"
  touch "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll"
  ln -s / "$WINEPREFIX/dosdevices/z:"
fi
exit 0
END
printf '#!/bin/sh\nexit 0\n' >"$work/wine32/wine"
cp "$work/wine32/wine" "$work/wine32/wineserver"
chmod +x "$work/wine32"/*
prefix=$work/prefix
user=$work/user-prefix
for dir in "$prefix" "$user"; do
  mkdir -p "$dir/drive_c/windows/syswow64"
  touch "$dir/.puffshell-ready"
done
echo "the user's own" >"$user/user.reg"
PUFFSHELL_WINE_DIR=$work/wine32 PUFFSHELL_WINEPREFIX=$prefix WINEPREFIX=$user "$here/wine-prefix.sh" 2>/dev/null
check "a prefix without the 32-bit system files is made again" \
  [ -f "$prefix/drive_c/windows/syswow64/kernel32.dll" -a -f "$prefix/.puffshell-ready" ]
check "the user's own prefix is left as it was" \
  [ "$(cd "$user" && find . | sort | paste -sd ' ')" = ". ./.puffshell-ready ./drive_c ./drive_c/windows ./drive_c/windows/syswow64 ./user.reg" ]

[ "$failures" -eq 0 ] && echo "setup-test: all checks passed"
exit $((failures > 0))
