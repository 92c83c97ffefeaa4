#!/usr/bin/env bash
# The set-up test touches nothing of the machine, even where the temporary folder cannot run
# programs (mounted noexec, a common hardening, where a stand-in found by PATH order would give way
# to the real program). Inside a private mount namespace, a tripwire is mounted over the machine's
# apt-get, apt, dpkg, dpkg-query, dpkg-deb, ldconfig, locale, locale-gen and localedef, and a copy over
# /etc/locale.gen; setup-test.sh then runs with TMPDIR on a folder mounted noexec (the case where
# its stand-ins once gave way to the real programs): every check passes, no tripwire fires, and the
# locale file's copy stays as it was. The mounts exist only inside the namespace and end with
# it: nothing of the machine is written. Skipped (exit 77) where no such namespace can be made.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [ -z "${PUFFSHELL_TRIPWIRE_WORK:-}" ]; then
  work=$(mktemp -d) && [ -d "$work" ] || { echo "setup-tripwire-test: cannot make a temporary folder"; exit 1; }
  trap 'rm -rf "${work:?}"' EXIT
  # As root a mount namespace is enough; elsewhere a user namespace that maps this user to root.
  ns=(unshare --mount --propagation private)
  "${ns[@]}" true 2>/dev/null || ns=(unshare --user --map-root-user --mount --propagation private)
  if ! "${ns[@]}" true 2>/dev/null; then
    echo "setup-tripwire-test: no private mount namespace can be made here (unshare); not run"
    exit 77
  fi
  PUFFSHELL_TRIPWIRE_WORK=$work PUFFSHELL_TRIPWIRE_OUTSIDE=$(readlink /proc/self/ns/mnt) \
    "${ns[@]}" "$0"
  exit $?
fi

# From here on, inside the namespace. Before any mount: it must be a namespace of its own, and its
# mounts must not propagate to the machine's.
work=$PUFFSHELL_TRIPWIRE_WORK
stop() { echo "setup-tripwire-test: $*; nothing was mounted"; exit 1; }
[ "$(readlink /proc/self/ns/mnt)" != "$PUFFSHELL_TRIPWIRE_OUTSIDE" ] || stop "not in a mount namespace of its own"
if awk '$5 == "/" && / shared:/' /proc/self/mountinfo | grep -q .; then
  stop "the root is a shared mount here: mounts would reach the machine"
fi

mkdir -p "$work/exec" "$work/noexec"
mount -t tmpfs tmpfs "$work/exec" || stop "cannot mount a tmpfs"
mount -t tmpfs -o noexec tmpfs "$work/noexec" || stop "cannot mount a noexec tmpfs"
mkdir "$work/noexec/tmp"
fired=$work/exec/fired
: >"$fired"
printf '#!/bin/sh\necho "$0 $*" >>%s\nexit 1\n' "$fired" >"$work/exec/tripwire"
chmod +x "$work/exec/tripwire"
armed=()
for name in apt-get apt dpkg dpkg-query dpkg-deb ldconfig locale locale-gen localedef; do
  path=$(command -v "$name") || continue
  mount --bind "$work/exec/tripwire" "$path" || { echo "setup-tripwire-test: cannot mount over $path"; exit 1; }
  armed+=("$path")
done
locale_file=/etc/locale.gen
if [ -f "$locale_file" ]; then
  cp "$locale_file" "$work/exec/locale.gen"
  cp "$locale_file" "$work/exec/locale.gen.before"
  mount --bind "$work/exec/locale.gen" "$locale_file" || { echo "setup-tripwire-test: cannot mount over $locale_file"; exit 1; }
fi
# The tripwire itself works: calling apt-get fires it.
apt-get update >/dev/null 2>&1
grep -q apt-get "$fired" || { echo "setup-tripwire-test: the tripwire over apt-get did not fire"; exit 1; }
: >"$fired"
echo "setup-tripwire-test: tripwires over ${armed[*]} $locale_file"

failures=0
TMPDIR=$work/noexec/tmp "$here/setup-test.sh" >"$work/exec/log" 2>&1
status=$?
if [ "$status" -ne 0 ]; then
  echo "setup-tripwire-test: FAILED: with a noexec temporary folder setup-test.sh ended with exit code $status:"
  cat "$work/exec/log"
  failures=1
fi
# The 32-bit probe, which the set-up and make test ask, is not misled by the noexec folder either.
if TMPDIR=$work/noexec/tmp "$here/probe-ia32.sh" 2>&1 | grep -q 'Permission denied'; then
  echo "setup-tripwire-test: FAILED: with a noexec temporary folder the 32-bit probe could not run its program"
  failures=1
fi
if [ -s "$fired" ]; then
  echo "setup-tripwire-test: FAILED: the machine's own programs were run:"
  cat "$fired"
  failures=1
fi
if [ -f "$locale_file" ] && ! cmp -s "$work/exec/locale.gen" "$work/exec/locale.gen.before"; then
  echo "setup-tripwire-test: FAILED: $locale_file was changed"
  failures=1
fi
[ "$failures" -eq 0 ] &&
  echo "setup-tripwire-test: setup-test.sh ran no program of the machine's and changed no file of it, with a noexec temporary folder"
exit "$failures"
