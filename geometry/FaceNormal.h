// Face normals of the push directions.
#pragma once

#include "plugin/HostAbi.h"

// Unit normal of the triangle a, b, c (corners in face order): (a - b) x (c - b) normalised;
// exactly (0, 0, 0) when the cross product is zero.
HostPoint FaceNormal(const HostPoint& a, const HostPoint& b, const HostPoint& c);

// Unit normal of the quadrilateral a, b, c, d: of the two ways to split it into triangles, the one
// whose two triangle normals agree better (larger dot product; the b-d diagonal on a tie); the
// normalised sum of that split's two normals, or (0, 0, 0) when the sum is zero.
HostPoint QuadNormal(const HostPoint& a, const HostPoint& b, const HostPoint& c, const HostPoint& d);
