// Triangulation of one polygon of any number of corners, concave ones included, by ear clipping.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "plugin/HostAbi.h"

namespace wb {
namespace detail {

// Splits the polygon whose corners are points[0..count-1], in order, into triangles.
//
// points: the corners in 3D; the polygon is flattened onto the plane its corners turn in (the
//   plane across its Newell normal). Corners may repeat (a ring drawn as one polygon runs out and
//   back along a bridge) and may lie on a line with their neighbours.
// triangles: cleared, then three corner indices (into points) per triangle, each triangle turning
//   the same way as the polygon. A simple polygon of n corners gives n - 2 triangles that cover it
//   exactly; a polygon that crosses itself, or has no area, still gets n - 2 triangles (then
//   overlapping or flat) and never makes the routine fail or run long.
void TriangulatePolygon(const HostPoint* points, size_t count, std::vector<int32_t>* triangles);

}  // namespace detail
}  // namespace wb
