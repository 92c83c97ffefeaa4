#include "geometry/FaceNormal.h"

#include <float.h>
#include <math.h>

namespace {

HostPoint Sub(const HostPoint& p, const HostPoint& q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }
HostPoint Add(const HostPoint& p, const HostPoint& q) { return {p.x + q.x, p.y + q.y, p.z + q.z}; }
float Dot(const HostPoint& p, const HostPoint& q) { return p.x * q.x + p.y * q.y + p.z * q.z; }

}  // namespace

HostPoint NormalizeOrZero(const HostPoint& v) {
    float length = sqrtf(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length > 0.0f && length <= FLT_MAX) return {v.x / length, v.y / length, v.z / length};
    if (!isfinite(v.x) || !isfinite(v.y) || !isfinite(v.z)) return {0.0f, 0.0f, 0.0f};
    if (v.x == 0.0f && v.y == 0.0f && v.z == 0.0f) return {0.0f, 0.0f, 0.0f};
    // The squares left the float range; in double they cannot.
    double x = v.x, y = v.y, z = v.z;
    double wide = sqrt(x * x + y * y + z * z);
    return {static_cast<float>(x / wide), static_cast<float>(y / wide),
            static_cast<float>(z / wide)};
}

HostPoint FaceNormal(const HostPoint& a, const HostPoint& b, const HostPoint& c) {
    HostPoint u = Sub(a, b);
    HostPoint w = Sub(c, b);
    HostPoint n = {u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
    return NormalizeOrZero(n);
}

HostPoint QuadNormal(const HostPoint& a, const HostPoint& b, const HostPoint& c, const HostPoint& d) {
    HostPoint na = FaceNormal(a, b, c);  // split along the diagonal a-c
    HostPoint nb = FaceNormal(a, c, d);
    HostPoint nc = FaceNormal(b, c, d);  // split along the diagonal b-d
    HostPoint nd = FaceNormal(b, d, a);
    // The b-d split wins ties; an unordered comparison keeps the a-c split.
    HostPoint sum = Dot(nc, nd) >= Dot(na, nb) ? Add(nc, nd) : Add(na, nb);
    return NormalizeOrZero(sum);
}
