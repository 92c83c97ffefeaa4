#!/usr/bin/env bash
# Installs, idempotently, the readers that make test checks the workbench's files with: Debian's
# assimp-utils (apt) and the Khronos glTF validator (npm, at the version pinned in
# tools/gltf-validator/package-lock.json, into tools/gltf-validator/node_modules). Quick when both
# are there. Either one that cannot be installed (no package mirror or npm registry reachable, no
# npm) is reported in one line and the set-up goes on: the readers test then says what it could
# not run, as a skip, rather than the whole set-up failing.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tool=$top/tools/gltf-validator
# PUFFSHELL_APT_GET stands in for apt-get in tests, as in setup.sh.
apt_get=${PUFFSHELL_APT_GET:-apt-get}

if ! command -v assimp >/dev/null; then
  echo "setup: installing assimp-utils"
  export DEBIAN_FRONTEND=noninteractive
  if ! "$apt_get" install -y -qq --no-install-recommends assimp-utils >/dev/null 2>&1; then
    "$apt_get" update -qq >/dev/null 2>&1
    "$apt_get" install -y -qq --no-install-recommends assimp-utils >/dev/null 2>&1
  fi
  command -v assimp >/dev/null ||
    { echo "setup: assimp-utils could not be installed; the readers test will not read files back with assimp"; }
fi

# npm ci installs exactly the lock file's versions; the copy in node_modules records what it
# installed, so an unchanged lock file needs no second run.
installed=$tool/node_modules/.package-lock.json
if [ ! -f "$installed" ] || [ "$tool/package-lock.json" -nt "$installed" ] ||
   [ ! -f "$tool/node_modules/gltf-validator/package.json" ]; then
  if ! command -v npm >/dev/null; then
    echo "setup: npm is missing; the glTF validator was not installed and the readers test will not validate glTF files"
  else
    echo "setup: installing the glTF validator (npm ci in tools/gltf-validator)"
    # Few and short retries: a registry that cannot be reached is said in seconds, not minutes.
    if ! log=$(cd "$tool" && npm ci --no-audit --no-fund --loglevel=error --fetch-timeout=60000 \
                 --fetch-retries=1 --fetch-retry-mintimeout=2000 --fetch-retry-maxtimeout=5000 2>&1); then
      echo "setup: the glTF validator could not be installed ($(grep -m 1 . <<<"$log")); the readers test will not validate glTF files"
    fi
  fi
fi
# What could not be installed is said above, and again by the test; it does not stop the set-up.
exit 0
