#!/usr/bin/env bash
# Checks the release as a user receives it, and that it is reproducible. Run inside xvfb-run
# after both builds (make test does), from the top of the tree:
#  1. make-dist.sh writes dist/Puffshell-<version>.zip, Puffshell-<version>-symbols.zip and
#     puffshell-<version>-win64.zip; their entries are the six files, the two symbols files and the
#     baking command's five, in order;
#  2. unpacked into a fresh folder whose path has a space and Japanese characters: the SHA-256
#     sums hold; readme.txt is code page 932 with CRLF line ends and names every preset caption
#     exactly as the panel template writes it; both DLLs carry the version resource, no debug
#     section and under 600 KB; the address of each DLL's export MQOnEvent resolves with addr2line
#     to that function in a source file of ours, from the symbols file and from the DLL with its
#     symbols file beside it (the debug link's name and checksum hold); the 32-bit DLL still
#     exports the fourteen entry points and imports only system DLLs; puffshell.exe imports only
#     system DLLs and WorkbenchHost.dll, which imports only system DLLs, neither with debug sections;
#  3. the workbench loads Puffshell.dll from there (the 32-bit one where this machine runs 32-bit
#     programs, else x64/Puffshell.dll) and shows the black-frame shell on both objects; the
#     unpacked puffshell.exe bakes an assimp test model there;
#  4. the DLLs and puffshell.exe built again from a copy of the sources in another folder, with
#     only their targets, are byte-identical to build/win32's and build/win64's, and make-dist.sh
#     gives byte-identical zips from them.
# Every step prints one line; the first failure ends the run with exit code 1.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/.." && pwd)
cd "$top"
fail() { echo "check-dist: FAILED: $*" >&2; exit 1; }
say() { echo "check-dist: $*"; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

work=$top/build/dist-check
rm -rf "${work:?}"
mkdir -p "$work"

# 1. The zip and its entries.
version=$(sed -n 's/^#define PUFFSHELL_VERSION_STRING "\(.*\)"$/\1/p' build/win64/generated/plugin/Version.h)
./scripts/make-dist.sh
zip=dist/Puffshell-$version.zip
listing=$(unzip -Z1 "$zip")
expected=$'Puffshell.dll\nx64/Puffshell.dll\nreadme.txt\nreadme_en.txt\nLICENSE.txt\nSHA256SUMS.txt'
[ "$listing" = "$expected" ] || fail "$zip holds other entries or another order:
$listing"
say "$zip holds the six files in order"
symbols_zip=dist/Puffshell-$version-symbols.zip
listing=$(unzip -Z1 "$symbols_zip")
[ "$listing" = $'Puffshell.dll.debug\nx64/Puffshell.dll.debug' ] ||
  fail "$symbols_zip holds other entries or another order:
$listing"
say "$symbols_zip holds the two symbols files in order"
baker_zip=dist/puffshell-$version-win64.zip
listing=$(unzip -Z1 "$baker_zip")
[ "$listing" = $'puffshell.exe\nWorkbenchHost.dll\nreadme.txt\nLICENSE.txt\nSHA256SUMS.txt' ] ||
  fail "$baker_zip holds other entries or another order:
$listing"
say "$baker_zip holds the five files in order"

# 2. Unpacked where a user might put it.
unpacked="$work/配布 テスト/Puffshell 解凍"
mkdir -p "$unpacked"
unzip -q "$zip" -d "$unpacked"
(cd "$unpacked" && sha256sum --quiet -c SHA256SUMS.txt) || fail "SHA256SUMS.txt does not match"
readme=$(iconv -f CP932 -t UTF-8 "$unpacked/readme.txt") || fail "readme.txt is not code page 932"
if LC_ALL=C grep -q $'[^\r]$' "$unpacked/readme.txt" || LC_ALL=C grep -q '^$' "$unpacked/readme.txt"; then
  fail "readme.txt has lines without CRLF"
fi
captions=$(sed -n 's/^ *CONTROL "\([^"]*\)", IDC_PRESET_[A-Z_]*,.*/\1/p' ui/Puffshell.rc)
[ "$(wc -l <<<"$captions")" -eq 5 ] || fail "ui/Puffshell.rc does not show five preset captions"
while read -r caption; do
  grep -qF "[$caption]" <<<"$readme" || fail "readme.txt does not name the preset \"$caption\""
done <<<"$captions"
grep -qF "$version" <<<"$readme" || fail "readme.txt does not give the version $version"
say "sums hold; readme.txt is CP932 with CRLF and names $(tr '\n' ' ' <<<"$captions")and $version"

# resolves FILE: what addr2line makes of $address in FILE (with $tools' binutils): must be the
# function MQOnEvent in plugin/Exports.cpp; prints file:line.
resolves() {
  local where
  where=$("$tools-addr2line" -f -e "$1" "$address" | paste -sd' ')
  [[ $where =~ ^MQOnEvent\ plugin/Exports\.cpp:[1-9][0-9]*$ ]] ||
    fail "$address of MQOnEvent in $dll resolves to \"$where\" with $1"
  echo "${where#* }"
}

# The shipped DLLs: lean, and their crash addresses still resolve. The address of the export
# MQOnEvent is the image base plus its entry in the export table.
symbols_dir="$work/symbols"
mkdir -p "$symbols_dir"
unzip -q "$symbols_zip" -d "$symbols_dir"
for dll in Puffshell.dll x64/Puffshell.dll; do
  case $dll in x64/*) tools=x86_64-w64-mingw32 ;; *) tools=i686-w64-mingw32 ;; esac
  size=$(stat -c %s "$unpacked/$dll")
  [ "$size" -lt $((600 * 1024)) ] || fail "$dll has $size bytes, not under 600 KB"
  if "$tools-objdump" -h "$unpacked/$dll" | grep -q ' \.debug_'; then
    fail "$dll holds debug sections"
  fi
  headers=$("$tools-objdump" -p "$unpacked/$dll")
  base=$(awk '$1 == "ImageBase" {print $2}' <<<"$headers")
  # "[  13] MQOnEvent" under the name table, "[  13] +base[  14] 14b0 Export RVA" in the address table.
  index=$(sed -n 's/^\s*\[ *\([0-9]*\)\] MQOnEvent$/\1/p' <<<"$headers")
  rva=$(sed -n "s/^\\s*\\[ *${index:-none}\\] +base\\[ *[0-9]*\\] \\([0-9a-f]*\\) Export RVA\$/\\1/p" <<<"$headers")
  [ -n "$base" ] && [ -n "$rva" ] || fail "no image base or no export MQOnEvent in $dll"
  address=$(printf '0x%x' $((0x$base + 0x$rva)))
  line=$(resolves "$symbols_dir/$dll.debug")
  # A debugger beside the DLL finds the symbols through the debug link, if name and checksum hold.
  beside="$work/beside/$(dirname "$dll")"
  mkdir -p "$beside"
  cp "$unpacked/$dll" "$symbols_dir/$dll.debug" "$beside/"
  resolves "$beside/$(basename "$dll")" >/dev/null
  say "$dll: $size bytes, no debug section; MQOnEvent at $address resolves to $line through its symbols file"
done
# The baking command: what it imports is Windows' own or beside it.
baker_dir="$work/puffshell 展開"
mkdir -p "$baker_dir"
unzip -q "$baker_zip" -d "$baker_dir"
(cd "$baker_dir" && sha256sum --quiet -c SHA256SUMS.txt) || fail "the baking command's SHA256SUMS.txt does not match"
for file in puffshell.exe WorkbenchHost.dll; do
  if x86_64-w64-mingw32-objdump -h "$baker_dir/$file" | grep -q ' \.debug_'; then fail "$file holds debug sections"; fi
  imports=$(x86_64-w64-mingw32-objdump -p "$baker_dir/$file" | sed -n 's/^\s*DLL Name: //p' | sort -f | paste -sd' ')
  others=$(tr ' ' '\n' <<<"$imports" | grep -viE '^(kernel32|user32|gdi32|shell32|msvcrt|advapi32|comdlg32|comctl32)\.dll$' |
           grep -vx "$([ "$file" = puffshell.exe ] && echo WorkbenchHost.dll || echo none)" || true)
  [ -z "$others" ] || fail "$file imports $others, which a user's Windows lacks"
  say "$file imports $imports"
done
# Stripping must leave the 32-bit DLL's exports and imports as they were, where it cannot be run.
checked=$(./scripts/check-dll32.sh "$unpacked/Puffshell.dll" 2>&1) ||
  fail "the shipped Puffshell.dll after stripping: $checked"
say "${checked#*: }"

source "$here/wine-env.sh"
export WINEDEBUG=-all
./scripts/wine-prefix.sh
# One wineserver for every Windows program of the check; wine-run.sh must not wait for it to end.
"$wine_dir/wineserver" -p
export PUFFSHELL_SHARED_WINESERVER=1
trap '"$wine_dir/wineserver" -k 2>/dev/null || true' EXIT
for dll in Puffshell.dll x64/Puffshell.dll; do
  PUFFSHELL_DLL=$(windows_path "$unpacked/$dll") ./scripts/wine-test.sh build/win64/test_shell.exe \
    --gtest_filter='Exports.VersionResource*' --gtest_brief=1 >"$work/version.txt" 2>&1 ||
    { cat "$work/version.txt"; fail "the version resource of $dll"; }
  grep -aq "^FileVersion: $version" "$work/version.txt" || fail "the version test did not run on $dll"
  say "$dll: $(grep -a -E '^(FileVersion|ProductName|FileDescription):' "$work/version.txt" |
               iconv -f CP932 -t UTF-8 | tr '\n' ';')"
done

# 3. The plug-in from the unpacked folder in the workbench.
if reason=$(./scripts/win32-runs.sh); then
  build=win32 dll="$unpacked/Puffshell.dll"
else
  build=win64 dll="$unpacked/x64/Puffshell.dll"
  say "the 64-bit DLL goes through the workbench: $reason"
fi
./scripts/wine-run.sh "build/$build/workbench.exe" --plugin "$(windows_path "$dll")" \
  --preset black-frame --out "$(windows_path "$unpacked/out")" >"$work/workbench.txt" 2>&1 ||
  { cat "$work/workbench.txt"; fail "the workbench could not run the unpacked plug-in"; }
# The picture line: shells, layers, faces drawn; the black frame doubles both objects' faces.
before_faces=$(awk '$1 == "before.png" {print $4}' "$work/workbench.txt")
read -r shells layers faces <<<"$(awk '$1 == "black_frame.png" {print $2, $3, $4}' "$work/workbench.txt")"
[ "${shells:-}" = 2 ] && [ "${layers:-}" = 2 ] && [ -n "$before_faces" ] &&
  [ "${faces:-}" = $((2 * before_faces)) ] &&
  [ -s "$unpacked/out/black_frame.png" ] ||
  { cat "$work/workbench.txt"; fail "no black frame on both objects from the unpacked DLL"; }
say "$build workbench with the unpacked DLL: black frame on $shells objects, $faces faces drawn"
model=/usr/share/assimp/models/OBJ/spider.obj
./scripts/wine-run.sh "$baker_dir/puffshell.exe" "$(windows_path "$model")" \
  -o "$(windows_path "$baker_dir/出力.glb")" >"$work/baker.txt" 2>&1 && [ -s "$baker_dir/出力.glb" ] ||
  { cat "$work/baker.txt"; fail "the unpacked puffshell.exe could not bake $model"; }
say "the unpacked puffshell.exe: $(head -n 1 "$work/baker.txt")"

# 4. The same bytes from a second build in another folder.
start=$SECONDS
copy="$work/another checkout"
mkdir -p "$copy/src"
tar -C "$top" --exclude=./.git --exclude=./build --exclude=./dist --exclude=./out -cf - . |
  tar -C "$copy/src" -xf -
for arch in 32:i686 64:x86_64; do
  bits=${arch%%:*}
  cmake -S "$copy/src" -B "$copy/build$bits" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$copy/src/cmake/mingw-${arch#*:}.cmake" \
        -DPUFFSHELL_BUILD_TESTS=OFF -DPUFFSHELL_BUILD_WORKBENCH=OFF >"$work/rebuild$bits.txt" 2>&1 &&
    cmake --build "$copy/build$bits" -j2 --target Puffshell $([ "$bits" = 64 ] && echo puffshell) \
      >>"$work/rebuild$bits.txt" 2>&1 ||
    { cat "$work/rebuild$bits.txt"; fail "the second $bits-bit build failed"; }
  say "$bits-bit DLL SHA-256: $(sha256sum <"build/win$bits/Puffshell.dll" | cut -c1-64) build/win$bits," \
      "$(sha256sum <"$copy/build$bits/Puffshell.dll" | cut -c1-64) second build"
  cmp "build/win$bits/Puffshell.dll" "$copy/build$bits/Puffshell.dll" ||
    fail "the $bits-bit DLL differs when built in another folder (is build/win$bits up to date?)"
  if strings -a "$copy/build$bits/Puffshell.dll" | grep -qF -e "$copy" -e "$top"; then
    fail "the $bits-bit DLL holds a build path"
  fi
done
for file in puffshell.exe WorkbenchHost.dll; do
  cmp "build/win64/$file" "$copy/build64/$file" ||
    fail "$file differs when built in another folder (is build/win64 up to date?)"
done
./scripts/make-dist.sh "$copy/build32" "$copy/build64" "$work/dist2" >/dev/null
for made in "$zip" "$symbols_zip" "$baker_zip"; do
  cmp "$made" "$work/dist2/$(basename "$made")" ||
    fail "make-dist.sh gives another $(basename "$made") from the second build"
done
say "a second build in another folder gives the same DLLs, puffshell.exe and the same three zips ($((SECONDS - start)) s)"
