// FaceNormal and NormalizeOrZero over many vectors at once, four per SSE instruction. Every
// element gets exactly the bits the scalar functions give it: the same single-precision
// operations in the same order (a packed multiply, add, square root or division rounds each
// lane as its scalar form does), and any element the fast path cannot take (a zero vector, a
// length that under- or overflows, a component that is not finite) goes to the scalar function.
// Arrays are structure of arrays: one array per component.
#pragma once

#include <stdint.h>

// x[i], y[i], z[i] = NormalizeOrZero((x[i], y[i], z[i])) for i in 0..count-1.
void NormalizeOrZeroBatch(float* x, float* y, float* z, int32_t count);

// Triangles a, b, c in face order, given per component (ax[i] the x of corner a of triangle i):
// n[i] = FaceNormal(a[i], b[i], c[i]) into nx, ny, nz, for i in 0..count-1. The outputs may not
// overlap the inputs.
struct TriangleBatch {
    const float *ax, *ay, *az, *bx, *by, *bz, *cx, *cy, *cz;
};
void FaceNormalBatch(const TriangleBatch& triangles, int32_t count, float* nx, float* ny, float* nz);
