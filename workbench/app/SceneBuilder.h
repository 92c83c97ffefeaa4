// The scenes the workbench runs the plug-in on: the embedded default scene, built through the host
// functions, or an OBJ file; and what the demo needs to know about either.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace workbench {

struct SceneInfo {
    std::string name;             // "default scene" or the OBJ file's path
    int32_t objects = 0;          // document objects
    int32_t faces = 0;            // their faces of three or more points
    int32_t lines = 0;            // their faces of two points
    int32_t points = 0;           // and of one
    float radius = 0.0f;          // half the largest extent of the vertices' bounding box
    std::vector<int32_t> texturedObjects;  // document indices of objects with a textured face
    std::string heightMapPath;    // the generated height map (default scene only)
};

// Writes the default scene's images into folder (texture.bmp, and bumps.bmp withHeightMap) and
// replaces the active document with the scene: a smooth torus with UVs (3840 quadrilaterals) and a
// textured ball with UVs (1152 faces). Textures resolve against folder. False with *error when an
// image cannot be written.
bool BuildDefaultScene(const std::string& folder, bool withHeightMap, SceneInfo* info, std::string* error);

// Deletes the default scene's texture.bmp from folder (where BuildDefaultScene wrote it): for when
// no face uses it any more and the files saved there should not carry it.
void RemoveDefaultTexture(const std::string& folder);

// Writes the generated height map into folder as bumps.bmp and returns its path in *path.
bool WriteDefaultHeightMap(const std::string& folder, std::string* path, std::string* error);

// Loads an OBJ scene into a new active document. False with *error naming the file when it is
// missing, not a file (a folder, a device), unreadable or holds nothing to draw; a load that
// skipped broken faces, or whose material libraries or textures are missing or cannot be
// decoded, succeeds with a note per file in *warning (one line each). weld joins the vertices
// that lie at one place within an object (see wb::LoadObjScene).
bool LoadSceneFile(const std::string& path, bool weld, SceneInfo* info, std::string* error,
                   std::string* warning);

// A value in proportion to a scene of that radius, rounded to `decimals` (1 or 2) as the panel's
// edit shows it: at least one unit of the last decimal and at most a million (a file's
// coordinates may be anything). The push of a loaded scene is a fortieth of its radius, its
// height-map scale a tenth.
float ScaledToScene(float radius, float fraction, int decimals);

// Counts and measures the active document into *info (everything but name and heightMapPath).
void DescribeActiveDocument(SceneInfo* info);
// "N faces", with ", N lines" and ", N points" where there are any.
std::string ElementCounts(const SceneInfo& info);

}  // namespace workbench
