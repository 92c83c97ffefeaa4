// The workbench's embedded default scene, built through the host functions.
#pragma once

#include <stdint.h>

namespace workbench {

// Replaces the active document with the default scene: a textured torus and a sphere with UVs
// and two materials. Returns the number of objects made.
int32_t BuildDefaultScene();

}  // namespace workbench
