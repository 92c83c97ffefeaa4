// The material a shell is drawn or frozen with: unlit and flat, so that the shell shows exactly
// the colour it is given (pitch black, or the vertex colours written into its corners).
#pragma once

#include "plugin/HostAbi.h"

// Sets up material: shows vertex colours (when asked), ambient 0, emission 1, flat, black.
void SetUpShellMaterial(HostMaterial material, bool showsVertexColors);
