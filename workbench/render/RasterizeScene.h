#pragma once

#include <stdint.h>

#include <vector>

#include "workbench/render/Render.h"
#include "workbench/render/RenderScene.h"

// The image being drawn, one sample per entry (a supersampled image has several per pixel).
struct SampleBuffer {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<float> color;  // width * height * 3, red, green, blue in 0..1, top row first
    std::vector<float> depth;  // width * height, 1 / depth of the nearest opaque sample, 0: none
};

// Draws scene's triangles as camera sees them into target (already holding the background,
// depth all 0), the image filling target's whole size:
//   a triangle whose front (the side its FaceNormal points to) faces away from the camera is
//   skipped when cullBackFaces, else lit from its other side;
//   colour = base x light x texel (nearest texel, wrapping around), where base is the material colour, or the corner's vertex
//   colour when the material shows vertex colours (a texture replaces the material colour),
//   and light = emission + ambient x 0.45 + diffuse x max(0, n . l), at most 1, with a fixed
//   light from the viewer's upper left, so emissive materials come out flat;
//   alpha = material alpha x vertex colour alpha (when shown) x texel alpha;
//   opaque triangles first, in scene order, with a depth buffer; then the others from far to
//   near (by the depth of their centre, ties in scene order), blended over what is there,
//   depth-tested against the opaque ones but not hiding one another;
//   triangles are clipped at the camera's near depth, attributes interpolated with perspective.
// stats (may be null) gets trianglesDrawn, trianglesCulled and trianglesTransparent added.
void RasterizeScene(const RenderScene& scene, const RenderCamera& camera, bool cullBackFaces,
                    SampleBuffer* target, RenderStats* stats);
