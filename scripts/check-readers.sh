#!/usr/bin/env bash
# Other readers take the workbench's files as the workbench wrote them. Runs the workbench for
# every preset, every freeze mode, a real textured model (the spider of assimp's test models) and a
# scene named in characters code page 932 lacks, each saving frozen.obj and a .glb, then:
#  - the Khronos glTF validator finds no error and no warning in any .glb (infos are allowed);
#  - assimp reads frozen.obj back with as many meshes, faces and materials as the file's own
#    lines give, and the .glb with as many as its JSON gives;
#  - the .glb holds what frozen.obj holds: a mesh per object with faces, the same triangles, a
#    material per material the faces use, each under the same name;
#  - the baking command (build/baker/puffshell, or $PUFFSHELL) bakes skinned, animated and morphed
#    glTF models of assimp's into glbs that keep them whole and are as valid as their input.
# A reader that is not installed (scripts/setup-readers.sh installs both) is named, the checks
# that need it are not run, and the test exits 77, a skip for CTest, unless another check failed.
# Usage: check-readers.sh BUILD_DIR   (the 64-bit build: BUILD_DIR/workbench.exe); inside xvfb-run
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
build=$1
validator=$top/tools/gltf-validator/validate.mjs
spider=/usr/share/assimp/models/OBJ/spider.obj

missing=()
have_validator=1
if ! command -v node >/dev/null; then
  missing+=("the glTF validator (node is not installed)")
  have_validator=0
elif [ ! -f "$top/tools/gltf-validator/node_modules/gltf-validator/package.json" ]; then
  missing+=("the glTF validator (not installed in tools/gltf-validator: run scripts/setup-readers.sh)")
  have_validator=0
fi
have_assimp=1
if ! command -v assimp >/dev/null; then
  missing+=("assimp (Debian's assimp-utils is not installed: run scripts/setup-readers.sh)")
  have_assimp=0
fi

out=$(mktemp -d) || { echo "readers: cannot make a temporary folder"; exit 1; }
trap 'rm -rf "${out:?}"' EXIT

# name: workbench options. The default scene's full run has every effect and the black outline
# frozen as new objects; each preset is frozen in another mode; the spider has textures.
runs=(
  "all:"
  "black-frame:--preset black-frame --freeze new"
  "colour-trace:--preset colour-trace --freeze add"
  "blur:--preset blur --freeze replace"
  "both-sides:--preset both-sides --freeze quick"
  "reset:--preset reset"
)
# A scene named in characters code page 932 lacks (folder, file, library, texture, object and
# material), written to an output folder and a glb of such names.
scene_dir="$out/scènes_ñ"
mkdir -p "$scene_dir"
cat >"$scene_dir/matériau.mtl" <<'MTL'
newmtl Vert_Coloré
Kd 0.2 0.8 0.3
map_Kd café tex.png
MTL
cat >"$scene_dir/latin1_scène.obj" <<'OBJ'
mtllib matériau.mtl
o Café Ñandú
v -1 -1 -1
v 1 -1 -1
v 1 1 -1
v -1 1 -1
v -1 -1 1
v 1 -1 1
v 1 1 1
v -1 1 1
vt 0 0
vt 1 0
vt 1 1
vt 0 1
usemtl Vert_Coloré
f 1/1 4/4 3/3 2/2
f 5/1 6/2 7/3 8/4
f 1/1 2/2 6/3 5/4
f 2/1 3/2 7/3 6/4
f 3/1 4/2 8/3 7/4
f 4/1 1/2 5/3 8/4
OBJ
# A 1 x 1 PNG.
printf '\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00\x00\x90wS\xde\x00\x00\x00\x0cIDATx\x9cc\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\xc9\xfe\x92\xef\x00\x00\x00\x00IEND\xaeB`\x82' \
  >"$scene_dir/café tex.png"
runs+=("names-résumé😀:--scene $scene_dir/latin1_scène.obj --preset colour-trace --freeze new")
if [ -f "$spider" ]; then
  runs+=("spider:--scene $spider --preset colour-trace --freeze new")
else
  missing+=("the spider model ($spider: Debian's assimp-testmodels is not installed)")
fi

# The runs are independent; two at a time keep this machine's cores busy while Wine waits on its
# server. The pictures are kept small: only the files matter here.
# On a machine shared by many X servers a connection to ours now and then fails at once; a run
# that found no display is tried again, up to three times.
run_one() {
  local name=${1%%:*} options=${1#*:} code
  for _ in 1 2 3; do
    # shellcheck disable=SC2086
    "$here/wine-run.sh" "$build/workbench.exe" $options --size 64x48 \
      --out "$out/$name" --save "$out/$name.glb" >"$out/$name.log" 2>&1
    code=$?
    [ "$code" -eq 2 ] && grep -qiE 'no X server answers|no display' "$out/$name.log" || break
  done
  echo "$code" >"$out/$name.status"
}
pids=()
for run in "${runs[@]}"; do
  run_one "$run" &
  pids+=($!)
  if [ "${#pids[@]}" -ge 2 ]; then
    wait "${pids[0]}"
    pids=("${pids[@]:1}")
  fi
done
wait

status=0
fail() {
  echo "readers: $*"
  status=1
}

# What frozen.obj's own lines say, as "objects-with-faces faces triangles meshes materials used":
# faces are f lines, a triangle per corner past the second; a mesh is a run of faces of one
# object and one material (what OBJ readers make of it; for assimp, objects whose names begin
# with the same word are one); materials are those an OBJ reader makes:
# the library's newmtl entries, and one for each name the faces use that the library lacks
# (assimp adds a default one besides); used counts the names the faces use but "none", which the
# workbench writes for faces without a material.
obj_counts() {
  local obj=$1 mtl=${1%.obj}.mtl
  [ -f "$mtl" ] || mtl=/dev/null
  awk '
    # A name is the rest of its line.
    function rest(line) { sub(/^[ \t]*[^ \t]+[ \t]+/, "", line); sub(/[ \t\r]+$/, "", line); return line }
    FILENAME == ARGV[1] { if ($1 == "newmtl") { defined[rest($0)] = 1; materials++ } next }
    # assimp takes the first word of an object name and goes on with an object of that name it
    # has: only a new first word starts a mesh of its own.
    /^o / { object++; if (!($2 in named)) { named[$2] = 1; new_mesh = 1 } }
    /^usemtl / { if (rest($0) != material) new_mesh = 1; material = rest($0) }
    /^f / {
      faces++; triangles += NF - 3
      if (!(object in with_faces)) { with_faces[object] = 1; objects++ }
      if (new_mesh) { mesh_count++; new_mesh = 0 }
      if (!(material in defined)) { defined[material] = 1; materials++ }
      if (material != "none" && !(material in used)) { used[material] = 1; used_count++ }
    }
    END { printf "%d %d %d %d %d %d\n", objects, faces, triangles, mesh_count, materials, used_count }
  ' "$mtl" "$obj"
}

# The names frozen.obj gives its objects with faces and the materials its faces use (but
# "none"), sorted, objects first, a line each.
obj_names() {
  awk '
    /^o / { object = substr($0, 3) }
    /^usemtl / { material = $0; sub(/^usemtl[ \t]+/, "", material); sub(/[ \t\r]+$/, "", material) }
    /^f / {
      if (!(object in objects)) { objects[object] = 1; print "object " object }
      if (material != "none" && material != "" && !(material in materials)) { materials[material] = 1; print "material " material }
    }' "$1" | LC_ALL=C sort
}

# The same of a .glb: its meshes' and its materials' names, read from its JSON chunk.
glb_names() {
  node -e '
    const b = require("fs").readFileSync(process.argv[1]);
    const json = JSON.parse(b.toString("utf8", 20, 20 + b.readUInt32LE(12)));
    for (const m of json.meshes || []) console.log("object " + m.name);
    for (const m of json.materials || []) console.log("material " + m.name);' "$1" | LC_ALL=C sort
}

# assimp's counts of a file read without post-processing: "meshes faces materials".
assimp_counts() {
  assimp info "$1" -r -s 2>&1 | awk '
    /^Meshes:/ { m = $2 } /^Faces:/ { f = $2 } /^Materials:/ { t = $2 }
    END { if (m == "") exit 1; print m, f, t }'
}

# The validator reads every .glb in one go (node starts once): a line per file, its faults below.
if [ "$have_validator" = 1 ]; then
  glbs=()
  for run in "${runs[@]}"; do
    [ -f "$out/${run%%:*}.glb" ] && glbs+=("$out/${run%%:*}.glb")
  done
  [ "${#glbs[@]}" -gt 0 ] && node "$validator" "${glbs[@]}" >"$out/validator.txt" 2>&1
fi

checked=0
for run in "${runs[@]}"; do
  name=${run%%:*}
  options=${run#*:}
  code=$(cat "$out/$name.status" 2>/dev/null || echo "?")
  if [ "$code" != 0 ]; then
    fail "$name: the workbench run (${options:-the default scene, every effect}) ended with exit code $code:"
    sed 's/^/    /' "$out/$name.log"
    continue
  fi
  obj=$out/$name/frozen.obj
  glb=$out/$name.glb
  if [ ! -f "$obj" ] || [ ! -f "$glb" ]; then
    fail "$name: the run wrote no frozen.obj or no $name.glb"
    continue
  fi
  checked=$((checked + 1))
  read -r objects faces triangles meshes materials used <<<"$(obj_counts "$obj")"
  line="$name: frozen.obj has $objects objects with faces, $faces faces ($triangles triangles), $used materials used"

  if [ "$have_validator" = 1 ]; then
    report=$(awk -v file="$glb" 'index($0, file ": ") == 1 { on = 1; print; next } /^[^ ]/ { on = 0 } on' \
             "$out/validator.txt")
    if [ -z "$report" ]; then
      fail "$name: the glTF validator did not report on $name.glb:"
      sed 's/^/    /' "$out/validator.txt"
    elif ! grep -q ': 0 errors, 0 warnings, ' <<<"$report"; then
      fail "$name: the glTF validator finds fault with $name.glb:"
      sed 's/^/    /' <<<"$report"
    fi
    # "...; meshes M, primitives P, triangles T, materials N"
    read -r g_meshes g_primitives g_triangles g_materials < <(
      sed -nE '1s/.*meshes ([0-9]+), primitives ([0-9]+), triangles ([0-9]+), materials ([0-9]+)$/\1 \2 \3 \4/p' <<<"$report")
    if [ -n "${g_meshes:-}" ]; then
      line+="; $name.glb: $g_meshes meshes, $g_triangles triangles, $g_materials materials"
      [ "$g_meshes" = "$objects" ] ||
        fail "$name: $name.glb has $g_meshes meshes, frozen.obj $objects objects with faces"
      [ "$g_triangles" = "$triangles" ] ||
        fail "$name: $name.glb has $g_triangles triangles, frozen.obj $triangles"
      [ "$g_materials" = "$used" ] ||
        fail "$name: $name.glb has $g_materials materials, frozen.obj's faces use $used"
    fi
    names=$(diff <(obj_names "$obj") <(glb_names "$glb")) ||
      fail "$name: frozen.obj (<) and $name.glb (>) name their objects and materials differently:" \
           "$(tr '\n' ' ' <<<"$names")"
  fi

  if [ "$have_assimp" = 1 ]; then
    if ! read -r a_meshes a_faces a_materials < <(assimp_counts "$obj"); then
      fail "$name: assimp cannot read frozen.obj: $(assimp info "$obj" -r -s 2>&1 | tail -n 3 | tr '\n' ' ')"
    else
      [ "$a_meshes $a_faces $a_materials" = "$meshes $faces $((materials + 1))" ] ||
        fail "$name: assimp reads frozen.obj as $a_meshes meshes, $a_faces faces, $a_materials materials;" \
             "its lines give $meshes, $faces, $((materials + 1)) (with assimp's default material)"
    fi
    if ! read -r a_meshes a_faces a_materials < <(assimp_counts "$glb"); then
      fail "$name: assimp cannot read $name.glb: $(assimp info "$glb" -r -s 2>&1 | tail -n 3 | tr '\n' ' ')"
    elif [ -n "${g_primitives:-}" ]; then
      # assimp makes a mesh of each primitive, and adds a default material of its own.
      [ "$a_meshes $a_faces $a_materials" = "$g_primitives $g_triangles $((g_materials + 1))" ] ||
        fail "$name: assimp reads $name.glb as $a_meshes meshes, $a_faces faces, $a_materials materials;" \
             "its JSON gives $g_primitives primitives, $g_triangles triangles, $((g_materials + 1)) materials (with assimp's default)"
    else
      [ "$a_faces" = "$triangles" ] ||
        fail "$name: assimp reads $a_faces faces in $name.glb, frozen.obj has $triangles triangles"
    fi
  fi
  unset g_meshes g_primitives g_triangles g_materials
  echo "readers: $line"
done

# The baking command on skinned, animated and morphed glTF models it was not written for: its glb
# keeps every node, skin, animation and morph target, and the validator finds no error or warning
# in it (by code) that it does not find in the input.
puffshell=${PUFFSHELL:-$top/build/baker/puffshell}
skinned=(
  /usr/share/assimp/models/glTF2/simple_skin/simple_skin.gltf
  /usr/share/assimp/models/glTF2/glTF-Sample-Models/AnimatedMorphCube-glTF/AnimatedMorphCube.gltf
)
# "nodes skins animations channels targets" of a .gltf or .glb, as its JSON gives them.
gltf_counts() {
  node -e '
    const fs = require("fs"); const b = fs.readFileSync(process.argv[1]);
    const j = JSON.parse(b.readUInt32LE(0) === 0x46546c67 ? b.subarray(20, 20 + b.readUInt32LE(12)).toString() : b.toString());
    const n = (x) => (Array.isArray(x) ? x.length : 0);
    const targets = (j.meshes || []).reduce((t, m) => t + (m.primitives || []).reduce((u, p) => u + n(p.targets), 0), 0);
    const channels = (j.animations || []).reduce((t, a) => t + n(a.channels), 0);
    console.log(n(j.nodes), n(j.skins), n(j.animations), channels, targets);' "$1"
}
faults() { grep -oE '^  (error|warning) [A-Z_]+' | sort -u; }
if [ ! -x "$puffshell" ]; then
  missing+=("the baking command's glTF output ($puffshell is not built: make baker)")
elif [ "$have_validator" = 1 ]; then
  for model in "${skinned[@]}"; do
    [ -f "$model" ] || { missing+=("$model (assimp's test models are not installed)"); continue; }
    name=$(basename "$model" .gltf)
    baked=$out/baked-$name.glb
    if ! "$puffshell" "$model" -o "$baked" >"$out/baked-$name.log" 2>&1; then
      fail "$name: puffshell could not bake it:"
      sed 's/^/    /' "$out/baked-$name.log"
      continue
    fi
    checked=$((checked + 1))
    new=$(comm -13 <(node "$validator" "$model" | faults) <(node "$validator" "$baked" | faults))
    [ -z "$new" ] || { fail "$name: the glTF validator finds in the baked glb what it does not find in the input:";
                       node "$validator" "$baked" | sed 's/^/    /'; }
    read -r n_in s_in a_in c_in t_in <<<"$(gltf_counts "$model")"
    read -r n_out s_out a_out c_out t_out <<<"$(gltf_counts "$baked")"
    # Each mesh node gets a shell node beside it, its channels twins, its mesh's targets a copy.
    [ "$s_out $a_out" = "$s_in $a_in" ] && [ "$n_out" -gt "$n_in" ] && [ "$c_out" -ge "$c_in" ] &&
      [ "$t_out" -ge $((2 * t_in)) ] ||
      fail "$name: the baked glb has nodes, skins, animations, channels, targets $n_out $s_out $a_out $c_out $t_out;" \
           "the input $n_in $s_in $a_in $c_in $t_in"
    echo "readers: puffshell's $name.glb: $n_out nodes, $s_out skins, $a_out animations, $t_out morph targets; nothing new for the validator"
  done
fi

if [ "$status" -ne 0 ]; then
  echo "readers: FAILED (${#runs[@]} runs, files of $checked checked)"
  exit 1
fi
# A skip says why on its last line.
if [ "${#missing[@]}" -gt 0 ]; then
  echo "readers: the checks above passed, but these were not run: $(IFS=';'; echo "${missing[*]}" | sed 's/;/; /g')"
  exit 77
fi
echo "readers: the files of $checked runs pass the glTF validator and read back in assimp as written"
