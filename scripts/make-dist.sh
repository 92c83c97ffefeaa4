#!/usr/bin/env bash
# Writes the release zip, dist/Puffshell-<version>.zip, from the DLLs of the two builds:
#   Puffshell.dll (32-bit), x64/Puffshell.dll, readme.txt (Japanese, code page 932),
#   readme_en.txt (UTF-8 with a byte-order mark, as its Japanese captions need), LICENSE.txt and
#   SHA256SUMS.txt, every text with CRLF line ends for Windows' editors.
# The DLLs go into the zip without their debug information and symbol table, which users have no
# use for; what they held goes into dist/Puffshell-<version>-symbols.zip, as Puffshell.dll.debug
# and x64/Puffshell.dll.debug, each named with its checksum in its DLL's debug link, so that
# addr2line or a debugger resolves an address of a crash in the shipped DLL to a function and a
# source line.
# The same DLLs give the same zips, byte for byte: a fixed entry order, no directory entries, no
# Unix extra fields (owners, access times), fixed permissions, and every entry dated at
# SOURCE_DATE_EPOCH, by default the time of the last commit.
# Beside them, dist/puffshell-<version>-win64.zip holds the baking command for 64-bit Windows from
# the 64-bit build: puffshell.exe and WorkbenchHost.dll (stripped), readme.txt, LICENSE.txt and
# SHA256SUMS.txt; the plug-in's zip is the same with or without it.
# Usage: make-dist.sh [WIN32_BUILD WIN64_BUILD OUT_DIR]   (default build/win32 build/win64 dist)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/.." && pwd)
win32=${1:-$top/build/win32}
win64=${2:-$top/build/win64}
out=${3:-$top/dist}
fail() { echo "make-dist: $*" >&2; exit 1; }

# The version the DLLs were built with (the CMake project's), the same in both builds.
version_of() {
  sed -n 's/^#define PUFFSHELL_VERSION_STRING "\(.*\)"$/\1/p' "$1/generated/plugin/Version.h" 2>/dev/null
}
version=$(version_of "$win64")
[ -n "$version" ] || fail "$win64 has no generated/plugin/Version.h: build it first"
[ "$(version_of "$win32")" = "$version" ] || fail "$win32 was built for another version than $version"
copyright=$(grep -m1 '^Copyright' "$top/LICENSE")
for dll in "$win32/Puffshell.dll" "$win64/Puffshell.dll"; do
  [ -f "$dll" ] || fail "$dll is missing: build both plug-ins first"
done
for file in "$win64/puffshell.exe" "$win64/WorkbenchHost.dll"; do
  [ -f "$file" ] || fail "$file is missing: build the 64-bit tree's puffshell first"
done
[[ $(objdump -f "$win32/Puffshell.dll") == *"file format pei-i386"* ]] || fail "$win32/Puffshell.dll is not 32-bit"
[[ $(objdump -f "$win64/Puffshell.dll") == *"file format pei-x86-64"* ]] || fail "$win64/Puffshell.dll is not 64-bit"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$top" log -1 --format=%ct 2>/dev/null || echo 315532800)
fi

stage=$(mktemp -d) || { echo "make-dist: cannot make a temporary folder" >&2; exit 1; }
trap 'rm -rf "${stage:?}"' EXIT
mkdir -p "$stage/x64" "$stage/symbols/x64"

# split_dll TOOL_PREFIX DLL DIR: writes DIR/Puffshell.dll, DLL without debug sections or symbol
# table, and the file that holds them, Puffshell.dll.debug at DIR's place under $stage/symbols,
# which the stripped DLL names in its debug link. objcopy stamps the PE headers it writes with
# SOURCE_DATE_EPOCH, else with the time of day: 0 here, as the linker leaves them.
split_dll() {
  local objcopy=$1-objcopy dll=$2 dir=$3
  local symbols=$stage/symbols${dir#"$stage"}/Puffshell.dll.debug
  SOURCE_DATE_EPOCH=0 "$objcopy" --only-keep-debug "$dll" "$symbols" ||
    fail "$objcopy could not take the symbols out of $dll"
  SOURCE_DATE_EPOCH=0 "$objcopy" --strip-all --add-gnu-debuglink="$symbols" "$dll" "$dir/Puffshell.dll" ||
    fail "$objcopy could not strip $dll"
}
split_dll i686-w64-mingw32 "$win32/Puffshell.dll" "$stage"
split_dll x86_64-w64-mingw32 "$win64/Puffshell.dll" "$stage/x64"

# The texts are kept in UTF-8 with LF; the release's version and copyright are filled in here.
literal() { printf '%s' "$1" | sed 's/[\/&]/\\&/g'; }
fill() {
  sed -e "s/@VERSION@/$(literal "$version")/g" -e "s/@COPYRIGHT@/$(literal "$copyright")/g" \
      -e 's/$/\r/' "$1"
}
fill "$top/docs/release/readme.txt" | iconv -f UTF-8 -t CP932 >"$stage/readme.txt" ||
  fail "docs/release/readme.txt holds characters that code page 932 lacks"
{ printf '\xef\xbb\xbf'; fill "$top/docs/release/readme_en.txt"; } >"$stage/readme_en.txt"
sed 's/$/\r/' "$top/LICENSE" >"$stage/LICENSE.txt"

entries=(Puffshell.dll x64/Puffshell.dll readme.txt readme_en.txt LICENSE.txt)
(cd "$stage" && sha256sum "${entries[@]}" | sed 's/$/\r/' >SHA256SUMS.txt)
entries+=(SHA256SUMS.txt)

chmod 755 "$stage/x64"
(cd "$stage" && chmod 644 "${entries[@]}" && touch -h -d "@$SOURCE_DATE_EPOCH" "${entries[@]}")
zipfile="Puffshell-$version.zip"
# zip stores local times: UTC makes them the same on every machine. A fresh archive every time
# (zip would otherwise update an existing one).
(cd "$stage" && TZ=UTC zip -q -X -D -9 "$stage/$zipfile" "${entries[@]}")

symbols=(Puffshell.dll.debug x64/Puffshell.dll.debug)
symbolsfile="Puffshell-$version-symbols.zip"
chmod 755 "$stage/symbols/x64"
(cd "$stage/symbols" && chmod 644 "${symbols[@]}" && touch -h -d "@$SOURCE_DATE_EPOCH" "${symbols[@]}" &&
   TZ=UTC zip -q -X -D -9 "$stage/$symbolsfile" "${symbols[@]}")

# The baking command: the program and the host model it binds, without their symbol tables.
mkdir -p "$stage/baker"
for file in puffshell.exe WorkbenchHost.dll; do
  SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-objcopy --strip-all "$win64/$file" "$stage/baker/$file" ||
    fail "x86_64-w64-mingw32-objcopy could not strip $win64/$file"
done
fill "$top/docs/release/puffshell_readme.txt" >"$stage/baker/readme.txt"
cp "$stage/LICENSE.txt" "$stage/baker/LICENSE.txt"
baker_entries=(puffshell.exe WorkbenchHost.dll readme.txt LICENSE.txt)
(cd "$stage/baker" && sha256sum "${baker_entries[@]}" | sed 's/$/\r/' >SHA256SUMS.txt)
baker_entries+=(SHA256SUMS.txt)
bakerfile="puffshell-$version-win64.zip"
(cd "$stage/baker" && chmod 644 "${baker_entries[@]}" && touch -h -d "@$SOURCE_DATE_EPOCH" "${baker_entries[@]}" &&
   TZ=UTC zip -q -X -D -9 "$stage/$bakerfile" "${baker_entries[@]}")

mkdir -p "$out"
mv -f "$stage/$zipfile" "$out/$zipfile"
mv -f "$stage/$symbolsfile" "$out/$symbolsfile"
mv -f "$stage/$bakerfile" "$out/$bakerfile"
echo "make-dist: $out/$zipfile, $symbolsfile and $bakerfile ($version, entries dated" \
     "$(TZ=UTC date -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'))"
