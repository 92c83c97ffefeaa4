#pragma once

#include <stdint.h>

#include "workbench/render/RenderScene.h"

// A camera that frames the sphere (center, radius) in an image of aspect width / height:
//   looks at the centre from the direction given by yaw (around the vertical y axis; 0 looks
//   from +z toward -z, with +x to the right) and pitch (above the horizontal plane, clamped to
//   +-1.55 radians);
//   stands far enough that the sphere fits the narrower field of view with a small margin,
//   divided by zoom (clamped to 0.01..100; 1 when not finite);
//   nearDepth a small fraction of that distance, so that a camera zoomed into the scene still
//   draws what is in front of it.
// A radius that is not positive frames a unit sphere; non-finite inputs fall back to defaults.
RenderCamera FitCamera(const float* center, float radius, int32_t width, int32_t height,
                       float yaw, float pitch, float zoom);
