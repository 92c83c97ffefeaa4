#pragma once

#include "workbench/render/Render.h"
#include "workbench/render/RenderScene.h"

// A camera that frames the box boundsMin..boundsMax (an empty box, min > max, frames the unit
// cube around the origin) in an image of aspect width / height:
//   looks at the box centre from the direction given by yaw (around the vertical y axis, 0
//   looking from +z toward -z) and pitch (above the horizontal plane, clamped to +-1.55);
//   stands far enough that the box's bounding sphere fits the narrower field of view, divided
//   by zoom (clamped to 0.01..100; 1 when not finite);
//   nearDepth a small fraction of that distance, so that a camera zoomed into the scene still
//   draws what is in front of it.
RenderCamera FitCamera(const float* boundsMin, const float* boundsMax, int32_t width,
                       int32_t height, float yaw, float pitch, float zoom);
