// Small inline helpers on float[3] vectors for the workbench's geometry (its renderer and its shading).
#pragma once

#include <math.h>

inline void Vec3Set(float* out, float x, float y, float z) {
    out[0] = x;
    out[1] = y;
    out[2] = z;
}
inline void Vec3Sub(const float* a, const float* b, float* out) {
    Vec3Set(out, a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}
inline float Vec3Dot(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline void Vec3Cross(const float* a, const float* b, float* out) {
    Vec3Set(out, a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]);
}
// Scales v to unit length; a zero or non-finite vector becomes (0, 0, 0). Returns the length.
inline float Vec3Normalize(float* v) {
    const float len = sqrtf(Vec3Dot(v, v));
    if (!(len > 0.0f) || !isfinite(len)) {
        Vec3Set(v, 0.0f, 0.0f, 0.0f);
        return 0.0f;
    }
    Vec3Set(v, v[0] / len, v[1] / len, v[2] / len);
    return len;
}
// The unit normal of a triangle's front: (a - b) x (c - b), the host's face orientation.
inline void TriangleFrontNormal(const float* a, const float* b, const float* c, float* out) {
    float u[3], w[3];
    Vec3Sub(a, b, u);
    Vec3Sub(c, b, w);
    Vec3Cross(u, w, out);
    Vec3Normalize(out);
}
