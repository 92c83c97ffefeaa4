// glTF 2.0 scenes (.gltf with external or embedded buffers, .glb): loading into a new active
// document, as LoadObjScene does for OBJ.
#pragma once

#include <string>

#include "workbench/host/Workbench.h"

namespace wb {

// Loads the glTF scene at path (UTF-8) into a new active document: one object per mesh, in the
// mesh's own space, its primitives' materials as its face materials; triangle lists, strips and
// fans as triangles (points and lines are left out with a warning); TEXCOORD_0 as corner UVs,
// COLOR_0 as corner colours (the faces' materials then show them); each material's base colour
// factor, and its base colour texture's file name where the image is a file beside the scene.
// Accessors may be sparse, normalised or of any component type; indices 8, 16 or 32 bits.
// Buffers and images are read only from the scene's own folder and below it: a URI with ".." or
// an absolute path is refused. On failure returns false with a message naming the file in
// *error, and the active document stays as it was; a load that succeeds may leave warnings in
// *error, one line each. weld as for LoadObjScene.
WORKBENCH_API bool LoadGltfScene(const char* path, std::string* error, bool weld = false);

}  // namespace wb
