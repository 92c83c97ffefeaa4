#!/usr/bin/env bash
# Installs, idempotently, everything the build, the tests and the demo need on Debian 12.
# Runs as root through apt; does nothing when every package is already there.
set -euo pipefail

packages=(
  cmake ninja-build make
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
  wine64 xvfb xauth x11-utils imagemagick fonts-ipafont-gothic locales
  googletest libtinyobjloader-dev libstb-dev assimp-testmodels
  zip unzip
  libtinygltf-dev nlohmann-json3-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes code page 932 from the locale's name; with the glibc locale present it also maps
# Japanese file names to UTF-8 ones on disk.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

# The 32-bit build runs under wine32 where this machine's kernel executes 32-bit programs; probe it
# with a real one rather than guess from the kernel's name. Elsewhere the 32-bit build is only
# built and checked without running (make test says so).
if "$(dirname "$0")/probe-ia32.sh" >/dev/null 2>&1; then
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    echo "setup: this kernel runs 32-bit programs; installing wine32"
    export DEBIAN_FRONTEND=noninteractive
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends wine32 >/dev/null
  fi
fi
"$(dirname "$0")/setup-readers.sh"  # assimp and the glTF validator, for the readers test
