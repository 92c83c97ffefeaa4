#include "workbench/bench/Icosphere.h"

#include <math.h>

#include <unordered_map>
#include <utility>

namespace {

HostPoint OnSphere(double x, double y, double z) {
    double length = sqrt(x * x + y * y + z * z);
    return {static_cast<float>(x / length), static_cast<float>(y / length),
            static_cast<float>(z / length)};
}

// True when (a - b) x (c - b) points away from the centre.
bool FacesOutward(const HostPoint& a, const HostPoint& b, const HostPoint& c) {
    double ux = a.x - b.x, uy = a.y - b.y, uz = a.z - b.z;
    double wx = c.x - b.x, wy = c.y - b.y, wz = c.z - b.z;
    double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
    return nx * (a.x + b.x + c.x) + ny * (a.y + b.y + c.y) + nz * (a.z + b.z + c.z) > 0.0;
}

}  // namespace

void MakeIcosphere(int32_t levels, std::vector<HostPoint>& vertices,
                   std::vector<int32_t>& triangles) {
    const double t = (1.0 + sqrt(5.0)) / 2.0;
    const double corners[12][3] = {{-1, t, 0}, {1, t, 0},  {-1, -t, 0}, {1, -t, 0},
                                   {0, -1, t}, {0, 1, t},  {0, -1, -t}, {0, 1, -t},
                                   {t, 0, -1}, {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    static const int32_t kFaces[20][3] = {
        {0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
        {3, 8, 9},  {4, 9, 5},  {2, 4, 11},  {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};

    if (levels < 0) levels = 0;
    const size_t finalVertices = 10 * (size_t(1) << (2 * levels)) + 2;
    vertices.clear();
    vertices.reserve(finalVertices);
    for (const auto& c : corners) vertices.push_back(OnSphere(c[0], c[1], c[2]));
    triangles.clear();
    for (const auto& f : kFaces) {
        int32_t a = f[0], b = f[1], c = f[2];
        if (!FacesOutward(vertices[a], vertices[b], vertices[c])) std::swap(b, c);
        triangles.insert(triangles.end(), {a, b, c});
    }

    // Each level splits every triangle (a, b, c) into four, keeping its winding; an edge's
    // midpoint is made once and shared by the two triangles beside it.
    std::vector<int32_t> next;
    std::unordered_map<uint64_t, int32_t> midpoints;
    for (int32_t level = 0; level < levels; ++level) {
        const size_t triangleCount = triangles.size() / 3;
        midpoints.clear();
        midpoints.reserve(triangleCount * 3 / 2 + 1);
        auto midpoint = [&](int32_t p, int32_t q) {
            uint64_t key = p < q ? (uint64_t(uint32_t(p)) << 32) | uint32_t(q)
                                 : (uint64_t(uint32_t(q)) << 32) | uint32_t(p);
            auto found = midpoints.emplace(key, static_cast<int32_t>(vertices.size()));
            if (found.second) {
                const HostPoint& a = vertices[p];
                const HostPoint& b = vertices[q];
                vertices.push_back(OnSphere(double(a.x) + b.x, double(a.y) + b.y, double(a.z) + b.z));
            }
            return found.first->second;
        };
        next.clear();
        next.reserve(triangles.size() * 4);
        for (size_t i = 0; i < triangleCount; ++i) {
            const int32_t a = triangles[3 * i], b = triangles[3 * i + 1], c = triangles[3 * i + 2];
            const int32_t ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
            next.insert(next.end(), {a, ab, ca, ab, b, bc, ca, bc, c, ab, bc, ca});
        }
        triangles.swap(next);
    }
}
