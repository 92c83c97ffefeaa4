// The normals the workbench's files give an object's faces, so that other tools shade them as the
// workbench shows them.
#pragma once

#include <vector>

#include "workbench/host/Model.h"

namespace wb {
namespace detail {

// True when face f of o is shaded: alive, of three or more points, every point a vertex of o.
bool ShadedFace(const Object* o, int32_t f);

// The unit normal of every corner of the shaded faces of o.
//
// o: the object; its shading (0: flat) and smoothing angle decide how corners are smoothed.
// normals: resized to three floats per corner of o->corners, at the corner's index times three.
//   A corner of a flat object gets its face's front normal (the Newell normal of the corners in
//   reverse: the host's faces face the side from which their corners run clockwise); a corner of
//   a smooth object the mean of the front normals of the faces around its vertex that bend away
//   from its own face by no more than the smoothing angle. Corners of faces that are not shaded
//   get (0, 0, 0).
void ShadingNormals(const Object* o, std::vector<float>* normals);

}  // namespace detail
}  // namespace wb
