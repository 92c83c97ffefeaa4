// FaceNormal and NormalizeOrZero over many vectors at once, four per SSE instruction. Every
// element gets exactly the bits the scalar functions give it: the same single-precision
// operations in the same order (a packed multiply, add, square root or division rounds each
// lane as its scalar form does), and any element the fast path cannot take (a zero vector, a
// length that under- or overflows, a component that is not finite) goes to the scalar function.
// Normals come out as one array per component; points are the host's (x, y, z).
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

// On functions that keep SSE values on the stack: a 32-bit host may call the plug-in with a stack
// aligned to 4 bytes only, and 16-byte spills would then fault; such functions realign their own.
#if defined(__i386__)
#define SSE_STACK_REALIGN __attribute__((force_align_arg_pointer))
#else
#define SSE_STACK_REALIGN
#endif

// x[i], y[i], z[i] = NormalizeOrZero((x[i], y[i], z[i])) for i in 0..count-1.
SSE_STACK_REALIGN void NormalizeOrZeroBatch(float* x, float* y, float* z, int32_t count);

// n[i] = FaceNormal(a[i], b[i], c[i]) into nx, ny, nz, for i in 0..count-1: triangles with
// corners a, b, c in face order, each corner an array of points.
SSE_STACK_REALIGN void FaceNormalBatch(const HostPoint* a, const HostPoint* b, const HostPoint* c,
                                       int32_t count, float* nx, float* ny, float* nz);

// points[i] = NormalizeOrZero(points[i]) for i in 0..count-1.
SSE_STACK_REALIGN void NormalizePointsBatch(HostPoint* points, int32_t count);
