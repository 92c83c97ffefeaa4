// MakeTorus: a closed triangle mesh of a torus, for documents of many small objects.
#pragma once

#include <stdint.h>

#include <vector>

#include "plugin/HostAbi.h"

// A torus around the z axis with `rings` steps around the axis and `sides` around the tube, every
// quadrilateral split into two triangles.
//   rings, sides  3 or more each
//   radius, tube  the distance of the tube's centre from the axis and the tube's radius
//   centre        where the torus sits
//   vertices      out: rings * sides points
//   triangles     out: 3 vertex indices per triangle, 2 * rings * sides triangles, wound so that
//                 (a - b) x (c - b) points out of the tube (the host's front-face order)
void MakeTorus(int32_t rings, int32_t sides, float radius, float tube, const HostPoint& centre,
               std::vector<HostPoint>& vertices, std::vector<int32_t>& triangles);
