// Writing a glTF document into its file, for the glb writer and the writer of glTF scenes with
// shells alike.
#pragma once

#include <string>

#include "workbench/io/TinyGltf.h"

namespace wb {
namespace detail {

// Writes model to file (a UTF-8 path) as tinygltf serializes it: binary (.glb) or JSON text,
// pretty-printed. The bytes go straight into the file, which is made at the first byte (tinygltf
// writes only once the whole document is serialized), so that a failure before that leaves an
// existing file as it was. False with *error naming file; running out of memory is thrown on.
bool WriteGltfFile(tinygltf::Model* model, const std::string& file, bool binary, std::string* error);

}  // namespace detail
}  // namespace wb
