// Face normals of the push directions. All arithmetic is single precision, in the order written.
#pragma once

#include "plugin/HostAbi.h"

// Unit normal of the triangle a, b, c (corners in face order): (a - b) x (c - b) normalised;
// exactly (0, 0, 0) when the cross product is zero.
HostPoint FaceNormal(const HostPoint& a, const HostPoint& b, const HostPoint& c);

// Unit normal of the quadrilateral a, b, c, d: of the two ways to split it into triangles, the one
// whose two triangle normals agree better (larger dot product; the b-d diagonal on a tie); the
// normalised sum of that split's two normals, or (0, 0, 0) when the sum is zero.
HostPoint QuadNormal(const HostPoint& a, const HostPoint& b, const HostPoint& c, const HostPoint& d);

// v divided by its length (each component divided by sqrtf of the sum of squares); (0, 0, 0)
// when v is zero or has a component that is not finite. Vectors whose single-precision length
// under- or overflows are normalised in double precision instead, so that the result is always
// of unit length or exactly zero, never NaN.
HostPoint NormalizeOrZero(const HostPoint& v);
