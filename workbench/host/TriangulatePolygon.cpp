#include "workbench/host/TriangulatePolygon.h"

#include <math.h>

#include <algorithm>

namespace wb {
namespace detail {

namespace {

struct Point2 {
    double x, y;
};

// Twice the signed area of triangle abc: positive when a, b, c turn counter-clockwise.
double Area2(const Point2& a, const Point2& b, const Point2& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool Same(const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; }

// True when p lies inside triangle abc (counter-clockwise) or on its edges.
bool InTriangle(const Point2& a, const Point2& b, const Point2& c, const Point2& p, double flat) {
    return Area2(a, b, p) >= -flat && Area2(b, c, p) >= -flat && Area2(c, a, p) >= -flat;
}

void Fan(size_t count, std::vector<int32_t>* triangles) {
    for (size_t k = 1; k + 1 < count; ++k) {
        triangles->push_back(0);
        triangles->push_back(static_cast<int32_t>(k));
        triangles->push_back(static_cast<int32_t>(k + 1));
    }
}

}  // namespace

void TriangulatePolygon(const HostPoint* points, size_t count, std::vector<int32_t>* triangles) {
    triangles->clear();
    if (!points || count < 3) return;
    triangles->reserve((count - 2) * 3);

    // Stage 1: the plane. The Newell normal's largest component names the axis to drop; the
    // other two coordinates are ordered so that the polygon turns counter-clockwise in them.
    double normal[3] = {0.0, 0.0, 0.0};
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (size_t i = 0; i < count; ++i) {
        const HostPoint& a = points[i];
        const HostPoint& b = points[(i + 1) % count];
        normal[0] += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
        normal[1] += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
        normal[2] += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
        const double p[3] = {a.x, a.y, a.z};
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    }
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (fabs(normal[k]) > fabs(normal[axis])) axis = k;
    double extent = 0.0;
    for (int k = 0; k < 3; ++k) extent = std::max(extent, hi[k] - lo[k]);
    if (!isfinite(normal[axis]) || !isfinite(extent) || normal[axis] == 0.0 || extent == 0.0) {
        Fan(count, triangles);  // no plane: flat triangles, as good as any
        return;
    }
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;  // (y,z), (z,x) or (x,y): right-handed
    const bool swap = normal[axis] < 0.0;
    std::vector<Point2> flat(count);
    for (size_t i = 0; i < count; ++i) {
        const double p[3] = {points[i].x, points[i].y, points[i].z};
        flat[i] = swap ? Point2{p[v], p[u]} : Point2{p[u], p[v]};
    }
    // Areas this close to zero count as none: corners in a line, rounding of float input.
    const double flatArea = extent * extent * 1e-12;

    // Stage 2: the corners left, as a ring, each marked convex or not.
    std::vector<size_t> prev(count), next(count);
    for (size_t i = 0; i < count; ++i) {
        prev[i] = (i + count - 1) % count;
        next[i] = (i + 1) % count;
    }
    std::vector<uint8_t> convex(count);
    auto updateConvex = [&](size_t i) {
        convex[i] = Area2(flat[prev[i]], flat[i], flat[next[i]]) > flatArea;
    };
    for (size_t i = 0; i < count; ++i) updateConvex(i);

    // An ear: a convex corner whose triangle with its neighbours holds no other corner that is
    // not convex (a convex corner inside would bring a reflex one with it). Corners at the same
    // place as the triangle's own are the polygon coming back along a bridge, not inside it.
    // Tests are counted, so that a huge polygon of many reflex corners cannot run for long.
    size_t testsLeft = 50u * 1000u * 1000u;
    auto isEar = [&](size_t b) {
        if (!convex[b]) return false;
        const size_t a = prev[b], c = next[b];
        const Point2 &pa = flat[a], &pb = flat[b], &pc = flat[c];
        for (size_t p = next[c]; p != a; p = next[p]) {
            if (testsLeft == 0) return true;
            --testsLeft;
            if (convex[p]) continue;
            const Point2& q = flat[p];
            if (Same(q, pa) || Same(q, pb) || Same(q, pc)) continue;
            if (InTriangle(pa, pb, pc, q, flatArea)) return false;
        }
        return true;
    };
    auto clip = [&](size_t b) {
        const size_t a = prev[b], c = next[b];
        triangles->push_back(static_cast<int32_t>(a));
        triangles->push_back(static_cast<int32_t>(b));
        triangles->push_back(static_cast<int32_t>(c));
        next[a] = c;
        prev[c] = a;
        updateConvex(a);
        updateConvex(c);
    };

    // Stage 3: clip ears until a triangle is left. A full round without an ear means the polygon
    // crosses itself or has no area there: clip a convex corner anyway (or any corner), so that
    // every corner still ends up in a triangle.
    size_t remaining = count, corner = 0, withoutEar = 0;
    while (remaining > 3) {
        if (isEar(corner)) {
            const size_t after = next[corner];
            clip(corner);
            corner = after;
            --remaining;
            withoutEar = 0;
            continue;
        }
        corner = next[corner];
        if (++withoutEar < remaining) continue;
        size_t pick = corner;
        for (size_t k = 0, p = corner; k < remaining; ++k, p = next[p])
            if (convex[p]) {
                pick = p;
                break;
            }
        corner = next[pick];
        clip(pick);
        --remaining;
        withoutEar = 0;
    }
    clip(next[corner]);
}

}  // namespace detail
}  // namespace wb
