// A glTF 2.0 file (.gltf with external or embedded buffers and images, .glb) read whole into a
// tinygltf document, with its accessors' values read as checked numbers; and that document's
// meshes as host objects, each host vertex knowing the glTF vertices it was made of. The
// workbench's LoadGltfScene is the two steps one after the other; the baking command keeps the
// document to write it out again with the shells added.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "workbench/host/Model.h"
#include "workbench/io/TinyGltf.h"

namespace wb {
namespace detail {

// True when path, which tinygltf made of base and a URI, names a file in base or below it: no
// ".." step, no absolute path, no drive or scheme.
bool InsideFolder(const std::string& path, const std::string& base);

// Reads the glTF file at file (UTF-8) into *model. Buffers and images are read only from the
// file's own folder and below it (a URI with ".." or an absolute path fails the read); a data:
// URI must hold the bytes its buffer declares (tinygltf checks that). Images are never decoded:
// with keepImageBytes an embedded image's (data: URI) bytes are kept in its image's `image` as
// they are (as_is), else dropped; an external image is not read at all. On failure returns false
// with a message naming the file in *error; tinygltf's warnings go to *warnings, one a line.
bool ReadGltfDocument(const std::string& file, bool keepImageBytes, tinygltf::Model* model,
                      std::string* warnings, std::string* error);

// The values of accessor index of m, *components by element, sparse values applied and
// normalised integers in 0..1 or -1..1; false when the accessor is missing, not a scalar or
// vector, or lies outside its buffers.
bool ReadGltfAccessor(const tinygltf::Model& m, int index, std::vector<double>* out, int* components);

// One glTF vertex: vertex `vertex` of primitive `primitive` of an object's mesh.
struct GltfVertex {
    int32_t primitive = 0;
    uint32_t vertex = 0;
};

// Where the vertices of one host object made of a glTF mesh came from.
struct GltfObjectSource {
    int32_t mesh = -1;            // the glTF mesh
    int32_t slot = -1;            // the object's slot in the document
    // By host vertex v: its glTF vertices are members[start[v] .. start[v + 1]), the first of them
    // the one it was made from (welding joins several; else there is one).
    std::vector<uint32_t> start;
    std::vector<GltfVertex> members;
    size_t vertexCount() const { return start.empty() ? 0 : start.size() - 1; }
};

// Makes model's meshes (model read from file) into a new active document, as LoadGltfScene
// describes: one object per mesh with faces, welded when weld. *sources (when given) gets one
// entry per object made, in document order. On failure (no usable faces) returns false with
// *error and the active document stays as it was; on success *error holds the warnings, one a
// line, after extraWarnings.
bool LoadGltfMeshes(const tinygltf::Model& model, const std::string& file, bool weld,
                    const std::string& extraWarnings, std::vector<GltfObjectSource>* sources,
                    std::string* error);

}  // namespace detail
}  // namespace wb
