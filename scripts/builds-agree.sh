#!/usr/bin/env bash
# The two builds agree: the workbench's default demo, run once with each build's workbench and
# plug-in, must write byte-identical pictures and frozen files. Only panel.png may differ, as it
# shows the program's path. Exits 77 (a skip, for CTest) where the 32-bit build cannot run here.
# Usage: builds-agree.sh WIN32_BUILD_DIR WIN64_BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
win32=$1
win64=$2
if ! reason=$("$here/win32-runs.sh"); then
  echo "builds-agree: the 32-bit build cannot run here: $reason"
  exit 77
fi
out=$(mktemp -d) || { echo "builds-agree: cannot make a temporary folder"; exit 1; }
trap 'rm -rf "${out:?}"' EXIT
for build in "$win32" "$win64"; do
  name=$(basename "$build")
  if ! "$here/wine-run.sh" "$build/workbench.exe" --out "$out/$name" >"$out/$name.log" 2>&1; then
    echo "builds-agree: the demo failed with $build/workbench.exe:"
    cat "$out/$name.log"
    exit 1
  fi
done
a=$(basename "$win32")
b=$(basename "$win64")
status=0
files=$(cd "$out/$b" && find . -type f ! -name panel.png | sort)
if [ "$files" != "$(cd "$out/$a" && find . -type f ! -name panel.png | sort)" ]; then
  echo "builds-agree: the two demos wrote different files:"
  diff <(cd "$out/$a" && find . -type f | sort) <(cd "$out/$b" && find . -type f | sort)
  status=1
fi
count=0
while read -r file; do
  [ -f "$out/$a/$file" ] || continue
  count=$((count + 1))
  if ! cmp -s "$out/$a/$file" "$out/$b/$file"; then
    echo "builds-agree: $file differs between the $a and the $b build"
    status=1
  fi
done <<<"$files"
[ "$status" -eq 0 ] && echo "builds-agree: $count files byte-identical between the $a and the $b build"
exit $status
