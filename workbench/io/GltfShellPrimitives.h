// The glTF primitives of one frozen shell, made to move as its source mesh moves: each shell
// vertex carries the skin joints and weights and the morph targets' deltas of the glTF vertex its
// layer vertex was cloned from.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "workbench/host/Model.h"
#include "workbench/io/GltfDocument.h"
#include "workbench/io/TinyGltf.h"

namespace wb {
namespace detail {

// Appends bytes as a buffer view of out's buffer 0 (4-byte aligned), and, with type > 0, an
// accessor of count elements over it; returns the accessor (type > 0) or the buffer view.
int AppendGltfData(tinygltf::Model* out, const void* bytes, size_t size, int target, int componentType = 0,
                   int type = 0, size_t count = 0, const std::vector<double>& lo = {},
                   const std::vector<double>& hi = {});

// How the shell's faces' document materials go out.
struct ShellMaterialMap {
    std::vector<int> gltf;              // by document material: the glTF material, or -1 for none
    std::vector<bool> showsUv;          // by document material: TEXCOORD_0 is written
    std::vector<bool> showsColors;      // by document material: COLOR_0 is written
    std::vector<bool> linearColors;     // by document material: corner colours are display (sRGB) values
};

// The shell held in shell's vertices first .. first + layers * source.vertexCount() (layer vertex
// j the clone of source vertex j % vertexCount, as the freeze merges its layers), and every face
// of shell whose corners are all among them, as triangle primitives of source mesh source.mesh
// of `document`, whose data (positions, shading normals, UVs and colours where the material shows
// them, every JOINTS_n / WEIGHTS_n set and morph target of the source mesh) is appended to out
// (which starts as a copy of document). False with *error when shell does not hold that many
// vertices.
bool ShellPrimitives(const tinygltf::Model& document, const GltfObjectSource& source, const Object* shell,
                     size_t first, int32_t layers, const ShellMaterialMap& materials,
                     tinygltf::Model* out, std::vector<tinygltf::Primitive>* primitives, std::string* error);

}  // namespace detail
}  // namespace wb
