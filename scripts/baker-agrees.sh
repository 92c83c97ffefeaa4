#!/usr/bin/env bash
# The baking command makes the shells the plug-in makes: for the same scene, preset and freeze,
# the vertices of build/baker/puffshell's OBJ are, bit for bit, those of the frozen.obj that the
# workbench writes with the real 64-bit DLL under Wine. On the built-in scene (saved once by the
# workbench, unchanged, as the baker's input) and on an assimp test model, in two freeze modes.
# Exits 77 (a skip, for CTest) where the baker has not been built (make baker). Needs an X
# display (run inside xvfb-run, as make test does).
# Usage: baker-agrees.sh WIN64_BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
build=$1
baker=$top/build/baker/puffshell
if [ ! -x "$baker" ]; then
  echo "baker-agrees: $baker is not built (make baker)"
  exit 77
fi
model=/usr/share/assimp/models/OBJ/spider.obj
out=$(mktemp -d) || { echo "baker-agrees: cannot make a temporary folder"; exit 1; }
trap 'rm -rf "${out:?}"' EXIT
status=0

workbench() {  # workbench NAME ARGS...: frozen.obj in $out/NAME
  local name=$1
  shift
  if ! "$here/wine-run.sh" "$build/workbench.exe" --size 64x48 --out "$out/$name" "$@" >"$out/$name.log" 2>&1; then
    echo "baker-agrees: the workbench failed ($*):"
    cat "$out/$name.log"
    exit 1
  fi
}

# vertices FILE: the "v" lines of an OBJ; sorted for the built-in scene, whose saved copy the
# OBJ reader numbers in the order its faces reach the vertices, not in the order they were built.
vertices() {
  if [ "$sorted" = 1 ]; then grep '^v ' "$1" | LC_ALL=C sort; else grep '^v ' "$1"; fi
}

# agree NAME SCENE ARGS...: the workbench and the baker on SCENE with ARGS give the same vertices.
agree() {
  local name=$1 scene=$2 sorted=0
  shift 2
  [ "$scene" = builtin ] && sorted=1
  if [ "$scene" = builtin ]; then workbench "$name" "$@"; else workbench "$name" --scene "$scene" "$@"; fi
  local input=$scene
  [ "$scene" = builtin ] && input=$out/scene/frozen.obj
  mkdir -p "$out/$name-baker"
  if ! "$baker" "$input" -o "$out/$name-baker/frozen.obj" "$@" >"$out/$name-baker.log" 2>&1; then
    echo "baker-agrees: $name: puffshell failed:"
    cat "$out/$name-baker.log"
    status=1
    return
  fi
  if ! cmp -s <(vertices "$out/$name/frozen.obj") <(vertices "$out/$name-baker/frozen.obj"); then
    echo "baker-agrees: $name: the vertices differ (workbench <, puffshell >):"
    diff <(vertices "$out/$name/frozen.obj") <(vertices "$out/$name-baker/frozen.obj") | head -n 10
    status=1
  elif ! cmp -s <(grep '^o ' "$out/$name/frozen.obj") <(grep '^o ' "$out/$name-baker/frozen.obj"); then
    echo "baker-agrees: $name: the objects differ:"
    diff <(grep '^o ' "$out/$name/frozen.obj") <(grep '^o ' "$out/$name-baker/frozen.obj") | head -n 10
    status=1
  else
    echo "baker-agrees: $name: $(grep -c '^v ' "$out/$name/frozen.obj") vertices agree"
  fi
}

workbench scene --preset reset  # the built-in scene, saved as it is built
agree builtin-black-frame builtin --preset black-frame --distance 1 --freeze new
agree builtin-blur builtin --preset blur --distance 0.5 --repeat 3 --freeze add
agree model-black-frame "$model" --preset black-frame --freeze new
agree model-colour-trace "$model" --preset colour-trace --freeze replace
exit $status
