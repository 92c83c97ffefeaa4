// The normals the workbench's files give an object's faces, so that other tools shade them as the
// workbench shows them.
#pragma once

#include <vector>

#include "workbench/host/Model.h"

namespace wb {
namespace detail {

// True when face f of o is shaded: alive, of three or more points, every point a vertex of o.
bool ShadedFace(const Object* o, int32_t f);

// The unit normal of every corner of the shaded faces of o: the normal the workbench's renderer
// shades it with (ShadeCorners.h), so that the files show the same rounded and hard edges.
//
// o: the object; its shading (0: flat) and smoothing angle decide how corners are smoothed.
// normals: resized to three floats per corner of o->corners, at the corner's index times three.
//   Faces the renderer does not draw (of too many points, or at a position that is not finite)
//   get their own face normal and take no part in their vertices' smoothing; a corner whose
//   normal would be (0, 0, 0) (a face without area) gets (0, 1, 0). Corners of faces that are
//   not shaded get (0, 0, 0).
void ShadingNormals(const Object* o, std::vector<float>* normals);

}  // namespace detail
}  // namespace wb
