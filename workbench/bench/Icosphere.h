// MakeIcosphere: a closed triangle mesh of the unit sphere for benchmarks that anyone can rebuild.
#pragma once

#include <stdint.h>

#include <vector>

#include "plugin/HostAbi.h"

// The regular icosahedron with every triangle split into four, `levels` times, each new vertex
// projected onto the unit sphere.
//   levels     0 or more (each level multiplies the triangles by four)
//   vertices   out: 10 * 4^levels + 2 points on the unit sphere
//   triangles  out: 3 vertex indices per triangle, 20 * 4^levels triangles, wound so that
//              (a - b) x (c - b) points out of the sphere (the host's front-face order)
void MakeIcosphere(int32_t levels, std::vector<HostPoint>& vertices,
                   std::vector<int32_t>& triangles);
