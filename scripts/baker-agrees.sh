#!/usr/bin/env bash
# The baking command makes the shells the plug-in makes: for the same scene, preset and freeze,
# the vertices of build/baker/puffshell's OBJ are, bit for bit, those of the frozen.obj that the
# workbench writes with the real 64-bit DLL under Wine. On the built-in scene (saved once by the
# workbench, unchanged, as the baker's input) and on an assimp test model, in two freeze modes.
# The Windows build of the command (WIN64_BUILD_DIR/puffshell.exe, under Wine) writes the same
# files as the native one, byte for byte; in a batch with a broken file it bakes the others and
# exits 1 naming it; an output spelled as an input another way is refused with exit 2; Ctrl+C in
# the middle of a batch ends it with exit 130 and no file of its own left.
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
exe=$build/puffshell.exe
[ -f "$exe" ] || { echo "baker-agrees: $exe is not built"; exit 1; }
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

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# exe_agrees NAME INPUT OUTPUT ARGS...: puffshell.exe on INPUT with ARGS writes what the native
# command wrote to OUTPUT, byte for byte.
exe_agrees() {
  local name=$1 input=$2 native=$3
  shift 3
  local made=$out/$name-exe/$(basename "$native")
  mkdir -p "$out/$name-exe"
  if ! "$here/wine-run.sh" "$exe" "$(windows_path "$input")" -o "$(windows_path "$made")" "$@" \
      >"$out/$name-exe.log" 2>&1; then
    echo "baker-agrees: $name: puffshell.exe failed:"
    cat "$out/$name-exe.log"
    status=1
  elif ! cmp -s "$native" "$made"; then
    echo "baker-agrees: $name: puffshell.exe's $(basename "$made") differs from the native command's"
    status=1
  else
    echo "baker-agrees: $name: puffshell.exe writes the same $(basename "$made")"
  fi
}

# agree NAME SCENE ARGS...: the workbench and the baker on SCENE with ARGS give the same vertices.
agree() {
  local name=$1 scene=$2 sorted=0 exe_too=0
  shift 2
  [ "$1" = --exe-too ] && { exe_too=1; shift; }
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
  [ "$exe_too" = 1 ] && exe_agrees "$name" "$input" "$out/$name-baker/frozen.obj" "$@"
}

workbench scene --preset reset  # the built-in scene, saved as it is built
agree builtin-black-frame builtin --exe-too --preset black-frame --distance 1 --freeze new
agree builtin-blur builtin --preset blur --distance 0.5 --repeat 3 --freeze add
agree model-black-frame "$model" --exe-too --preset black-frame --freeze new
agree model-colour-trace "$model" --preset colour-trace --freeze replace
if "$baker" "$model" -o "$out/model.glb" >/dev/null 2>&1; then
  exe_agrees model-glb "$model" "$out/model.glb"
else
  echo "baker-agrees: puffshell could not bake $model to glb"
  status=1
fi

# A batch with a broken file, and an output that is an input in other letters, on Windows.
batch=$out/batch
mkdir -p "$batch"
cp "$model" "$batch/Hero.obj"
printf 'v 0 0 0\nf 1 2 3\n' >"$batch/broken.obj"
"$here/wine-run.sh" "$exe" "$(windows_path "$batch/Hero.obj")" "$(windows_path "$batch/broken.obj")" \
  --out-dir "$(windows_path "$batch/out")" -j 2 >"$batch/run.log" 2>&1
code=$?
if [ "$code" != 1 ] || ! grep -q '^puffshell: .*broken\.obj: ' "$batch/run.log" || [ ! -s "$batch/out/Hero.glb" ] ||
   [ -e "$batch/out/broken.glb" ] || [ -n "$(find "$batch/out" -name '.*')" ]; then
  echo "baker-agrees: puffshell.exe's batch with a broken file (exit code $code, want 1 naming it, Hero.glb baked):"
  cat "$batch/run.log"
  ls -A "$batch/out"
  status=1
else
  echo "baker-agrees: puffshell.exe bakes Hero.obj beside a broken file and names it: $(grep 'broken\.obj: ' "$batch/run.log" | tail -n 1)"
fi
"$here/wine-run.sh" "$exe" "$(windows_path "$batch/Hero.obj")" -o "$(windows_path "$batch/HERO.obj")" \
  >"$batch/spelled.log" 2>&1
code=$?
if [ "$code" != 2 ] || ! cmp -s "$model" "$batch/Hero.obj" || [ -e "$batch/HERO.obj" ] || [ -e "$batch/HERO.mtl" ]; then
  echo "baker-agrees: puffshell.exe -o HERO.obj for the input Hero.obj: exit code $code, want 2 and the input as it was:"
  cat "$batch/spelled.log"
  status=1
else
  echo "baker-agrees: puffshell.exe refuses HERO.obj as the output of Hero.obj: $(tail -n 1 "$batch/spelled.log")"
fi

# Ctrl+C in the middle of a batch, as a terminal sends it: SIGINT to the foreground process group,
# which Wine hands the program and its child bakes as a console control event.
awk -v n=200 'BEGIN {
  for (j = 0; j <= n; j++) for (i = 0; i <= n; i++) printf "v %g %g %g\n", i / n, j / n, (i * j % 7) / 50
  for (j = 0; j < n; j++) for (i = 0; i < n; i++) { a = j * (n + 1) + i + 1; printf "f %d %d %d %d\n", a, a + 1, a + n + 2, a + n + 1 }
}' >"$batch/grid1.obj"
cp "$batch/grid1.obj" "$batch/grid2.obj"
mkdir -p "$batch/stopped"
setsid env --default-signal=INT "$here/wine-run.sh" "$exe" "$(windows_path "$batch/grid1.obj")" \
  "$(windows_path "$batch/grid2.obj")" --out-dir "$(windows_path "$batch/stopped")" -j 2 >"$batch/stopped.log" 2>&1 &
pid=$!
for _ in $(seq 600); do  # both bakes under way: their staging folders are there
  [ "$(find "$batch/stopped" -maxdepth 1 -name '.*.puffshell-*' | wc -l)" -ge 2 ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
sleep 0.3
since=${EPOCHREALTIME/./}
kill -INT -- "-$pid" 2>/dev/null
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
took=$(((${EPOCHREALTIME/./} - since) / 1000))
kill -KILL -- "-$pid" 2>/dev/null
wait "$pid"
code=$?
if [ "$code" != 130 ] || [ "$took" -gt 2000 ] || [ -n "$(ls -A "$batch/stopped")" ]; then
  echo "baker-agrees: Ctrl+C in puffshell.exe's batch: exit code $code after $took ms, want 130 and nothing left:"
  cat "$batch/stopped.log"
  ls -A "$batch/stopped"
  status=1
else
  echo "baker-agrees: Ctrl+C ends puffshell.exe's batch in $took ms with exit code 130, nothing left"
fi
exit $status
