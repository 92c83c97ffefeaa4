#include "workbench/bench/Torus.h"

#include <math.h>

void MakeTorus(int32_t rings, int32_t sides, float radius, float tube, const HostPoint& centre,
               std::vector<HostPoint>& vertices, std::vector<int32_t>& triangles) {
    if (rings < 3) rings = 3;
    if (sides < 3) sides = 3;
    const double kTwoPi = 6.283185307179586;
    vertices.clear();
    vertices.reserve(static_cast<size_t>(rings) * sides);
    for (int32_t r = 0; r < rings; ++r) {
        const double u = kTwoPi * r / rings;
        for (int32_t s = 0; s < sides; ++s) {
            const double v = kTwoPi * s / sides;
            const double distance = radius + tube * cos(v);
            vertices.push_back({static_cast<float>(centre.x + distance * cos(u)),
                                static_cast<float>(centre.y + distance * sin(u)),
                                static_cast<float>(centre.z + tube * sin(v))});
        }
    }
    // Quadrilateral (r, s) (r, s+1) (r+1, s+1) (r+1, s) seen from outside the tube runs
    // clockwise in this order, which is the host's front face.
    triangles.clear();
    triangles.reserve(static_cast<size_t>(rings) * sides * 6);
    auto at = [&](int32_t r, int32_t s) { return (r % rings) * sides + (s % sides); };
    for (int32_t r = 0; r < rings; ++r) {
        for (int32_t s = 0; s < sides; ++s) {
            const int32_t a = at(r, s), b = at(r, s + 1), c = at(r + 1, s + 1), d = at(r + 1, s);
            triangles.insert(triangles.end(), {a, b, c, a, c, d});
        }
    }
}
