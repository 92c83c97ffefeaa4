#pragma once

#include "workbench/render/RenderScene.h"

// A sphere around every corner of scene's triangles: centre the middle of scene's bounding
// box, radius the largest distance from it to a corner. A scene without triangles gives the
// centre (0, 0, 0) and radius 0.
void BoundingSphere(const RenderScene& scene, float* center, float* radius);
