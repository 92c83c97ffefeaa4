// A glTF scene baked with shells: the file read whole and its meshes loaded as the active
// document's objects; after the plug-in froze its shells into the document, the same document
// written again, whole (nodes, scenes, skins, animations, cameras, materials, images, extensions,
// extras), with each shell added where its freeze put it, skinned and morphed as its source.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "workbench/host/Workbench.h"

namespace wb {

struct GltfShellScene;  // the document read, and where each loaded object's vertices came from

// How a shell was frozen into the document.
enum class GltfShellPlacement { NewObject, AddedToObject, InPlaceOfObject };

struct GltfShell {
    int32_t sourceSlot = -1;      // the document slot of the object it was made of (as loaded)
    int32_t shellSlot = -1;       // the slot of the object that holds it: its own (NewObject) or sourceSlot
    int32_t sourceVertices = 0;   // the source object's vertices when it was frozen
    int32_t layers = 0;           // its layers
    GltfShellPlacement placement = GltfShellPlacement::NewObject;
    std::vector<int32_t> nodes;   // NewObject: the glTF nodes (of the source's mesh) given the shell
};

// Reads the glTF file at path (.gltf or .glb, UTF-8) and loads its meshes into a new active
// document as LoadGltfScene does, welded when weld. NULL on failure, with *error naming the file;
// on success *error holds the warnings, one a line.
WORKBENCH_API std::shared_ptr<GltfShellScene> LoadGltfShellScene(const char* path, bool weld, std::string* error);

// The glTF nodes that show the mesh of the object in slot, with their names (UTF-8; a node
// without a name gets its mesh's).
WORKBENCH_API std::vector<std::pair<int32_t, std::string>> GltfNodesOfObject(const GltfShellScene& scene,
                                                                             int32_t slot);

// Writes scene's document with shells (frozen into the active document) to path: binary (.glb,
// every buffer and image in its one BIN chunk) or text (every buffer and image as a data: URI).
// NewObject: a sibling node "<node> shell" (same parent, transform, skin and morph weights, and
// twins of the node's animation channels) of each of the shell's nodes, showing a new mesh;
// AddedToObject: further primitives of the source mesh; InPlaceOfObject: its triangle primitives
// replaced (points and lines stay). Materials the plug-in made go out one per look. False with
// *error when a shell's vertices cannot be traced to its mesh's, or the file cannot be written;
// *warnings (when given) gets what was left out.
WORKBENCH_API bool SaveGltfShellScene(const GltfShellScene& scene, const std::vector<GltfShell>& shells,
                                      const char* path, bool binary, std::string* error,
                                      std::vector<std::string>* warnings = nullptr);

// The files a glTF file reads beside it (its buffers' and images' URIs that are no data: URIs),
// as paths made of its folder and the URI (percent escapes decoded); empty when the file cannot be
// read as glTF JSON.
WORKBENCH_API std::vector<std::string> GltfReferencedFiles(const char* path);

}  // namespace wb
