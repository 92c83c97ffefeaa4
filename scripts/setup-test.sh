#!/usr/bin/env bash
# The set-up and the Wine scripts where a package mirror fails, against stand-ins for apt-get,
# dpkg, dpkg-query, locale, the 32-bit probe and the Wine folder: the machine itself is never
# changed. Checks that
#  - a refused wine32 ends the set-up with exit 0 and apt's reason, the i386 architecture it added
#    is removed again, and the 32-bit line of `make test` gives that reason; a second set-up within
#    the hour does not try again, and says so;
#  - a failing `apt-get update` is tried again, and when it keeps failing the set-up goes on;
#  - a required package that apt refuses stops the set-up with apt's reason;
#  - running a 32-bit program without wine32 says what is missing, with exit code 2;
#  - a Wine prefix without the 32-bit system files is made again once wine32 is there.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
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
# packages apt refuses, every apt-get call, and how many more updates are to fail.
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
printf '#!/bin/sh\necho C; echo ja_JP.utf8\n' >"$fake/bin/locale"
chmod +x "$fake/bin"/*

# A machine with every package but zip and wine32, whose kernel runs 32-bit programs.
reset_machine() {
  rm -rf "$work/state"
  : >"$fake/calls"
  : >"$fake/archs"
  : >"$fake/i386"
  : >"$fake/refused"
  echo zip >"$fake/missing"
  echo "$1" >"$fake/updates-to-fail"
}
setup() {
  PATH="$fake/bin:$PATH" FAKE=$fake PUFFSHELL_STATE_DIR=$work/state PUFFSHELL_IA32_PROBE=true PUFFSHELL_SETUP_READERS=true \
    PUFFSHELL_APT_PAUSE=0 "$here/setup.sh" "$@" 2>&1
}

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
reset_machine 0
echo i386 >"$fake/archs"
setup >/dev/null
check "an unused i386 architecture an earlier set-up left is removed" [ ! -s "$fake/archs" ]

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

# A 32-bit program (a PE header for i386) without wine32.
{ printf 'MZ'; head -c 58 /dev/zero; printf '\100\000\000\000PE\000\000\114\001'; } >"$work/prog32.exe"
out=$(PUFFSHELL_WINE_DIR=$work/wine-none PUFFSHELL_IA32_PROBE=true PUFFSHELL_STATE_DIR=$work/state \
  WINEPREFIX=$work/prefix "$here/wine-run.sh" "$work/prog32.exe" 2>&1)
status=$?
check "wine-run of a 32-bit program without wine32 exits with 2 ($status)" [ "$status" -eq 2 ]
check "wine-run says that wine32 is missing and how to install it ($out)" \
  has "$out" "32-bit program, and Debian's wine32, which runs it, is not installed"

# A prefix made by wine64 alone (an empty syswow64), with wine32 installed now: made again.
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
mkdir -p "$prefix/drive_c/windows/syswow64"
touch "$prefix/.puffshell-ready"
PUFFSHELL_WINE_DIR=$work/wine32 WINEPREFIX=$prefix "$here/wine-prefix.sh" 2>/dev/null
check "a prefix without the 32-bit system files is made again" \
  [ -f "$prefix/drive_c/windows/syswow64/kernel32.dll" -a -f "$prefix/.puffshell-ready" ]

[ "$failures" -eq 0 ] && echo "setup-test: all checks passed"
exit $((failures > 0))
