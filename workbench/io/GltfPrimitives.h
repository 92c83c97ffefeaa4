// The faces of an object as the triangles of glTF primitives, one primitive per saved material,
// each vertex (position, normal, UV, colour) once: what the glb writer puts in its buffer.
#pragma once

#include <stdint.h>

#include <map>
#include <vector>

#include "workbench/host/Model.h"
#include "workbench/io/SavedMaterials.h"

namespace wb {
namespace detail {

// The linear value of a display (sRGB) colour channel, as glTF takes colours: 0 below 0 (and for
// no number), 1 from 1 up.
double LinearFromSrgb(double srgb);

// How the corners of a saved material's faces are see-through: whether any is, and the alpha
// they share (-1 while none was seen, -2 when they differ). Only for materials that show vertex
// colours.
struct CornerAlpha {
    bool transparent = false;
    int32_t shared = -1;
    void add(uint32_t color) {
        const int32_t a = static_cast<int32_t>(color >> 24);
        transparent = transparent || a != 255;
        shared = shared == -1 || shared == a ? a : -2;
    }
    // The alpha that goes into the material (then COLOR_0's alpha is 1), 255 for none.
    int32_t material() const { return shared >= 0 ? shared : 255; }
};

// What a primitive's vertex was made of: the object's vertex and the corner's normal, UV and
// colour, told apart by their bits (a -0 normal is not a 0 one).
struct GltfVertexKey {
    int32_t vertex;
    float normal[3];
    HostUV uv;
    uint32_t color;
};
static_assert(sizeof(GltfVertexKey) == 28, "compared as bytes: no padding");

// One primitive's vertices and its triangles (three indices into them each). uvs are kept for
// every vertex; colors (linear RGBA) only where the material shows vertex colours. keys, by
// vertex, is what each was made of: needed only while gathering.
struct GltfPrimitive {
    std::vector<float> positions, normals, uvs, colors;
    std::vector<uint32_t> indices;
    std::vector<GltfVertexKey> keys;
};

// Adds the shaded faces of o (see ShadedFace) to primitives, by saved material (faceMaterials:
// table's material of each face, -1 for none), with the normals of ShadingNormals; corners (by
// saved material) gives the alpha that goes into the material, where the colours are then
// written opaque. Corners go in turned to glTF's counter-clockwise front; of a face of more than
// four points only its last four are taken (the host's faces have at most four).
void GatherGltfPrimitives(const Object* o, const Document* d, const MaterialTable& table,
                          const std::vector<int32_t>& faceMaterials,
                          const std::vector<CornerAlpha>& corners,
                          std::map<int32_t, GltfPrimitive>* primitives);

}  // namespace detail
}  // namespace wb
