#include "workbench/io/TriangulatePolygon.h"

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
bool InTriangle(const Point2& a, const Point2& b, const Point2& c, const Point2& p) {
    return Area2(a, b, p) >= 0.0 && Area2(b, c, p) >= 0.0 && Area2(c, a, p) >= 0.0;
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
    // Areas are signed without tolerance: for float corners of a model's usual range they come
    // out exact in double, so that corners in a line give exactly zero (not convex).

    // Stage 2: the corners left, as a ring, each marked convex or not; the ones not convex are
    // also listed, as only they can lie inside an ear (a convex corner inside brings a reflex one
    // with it).
    std::vector<size_t> prev(count), next(count);
    for (size_t i = 0; i < count; ++i) {
        prev[i] = (i + count - 1) % count;
        next[i] = (i + 1) % count;
    }
    std::vector<uint8_t> convex(count), clipped(count, 0);
    auto updateConvex = [&](size_t i) { convex[i] = Area2(flat[prev[i]], flat[i], flat[next[i]]) > 0.0; };
    std::vector<size_t> reflex;
    for (size_t i = 0; i < count; ++i) {
        updateConvex(i);
        if (!convex[i]) reflex.push_back(i);
    }

    // An ear: a convex corner whose triangle with its neighbours holds no corner that is not
    // convex. Corners at the same place as the triangle's own are the polygon coming back along
    // a bridge, not inside it. Work is counted, so that a huge polygon of many reflex corners
    // (or one that crosses itself) cannot run long: once it is spent, corners are cut off in
    // order without looking.
    size_t workLeft = 50u * 1000u * 1000u;
    auto isEar = [&](size_t b) {
        if (!convex[b]) return false;
        const size_t a = prev[b], c = next[b];
        const Point2 &pa = flat[a], &pb = flat[b], &pc = flat[c];
        size_t kept = 0;
        bool ear = true;
        for (size_t r = 0; r < reflex.size(); ++r) {
            const size_t p = reflex[r];
            if (workLeft) --workLeft;
            if (clipped[p] || convex[p]) continue;  // dropped from the list as it is walked
            reflex[kept++] = p;
            if (!ear || p == a || p == c) continue;
            const Point2& q = flat[p];
            if (Same(q, pa) || Same(q, pb) || Same(q, pc)) continue;
            if (InTriangle(pa, pb, pc, q)) ear = false;
        }
        reflex.resize(kept);
        return ear;
    };
    auto clip = [&](size_t b) {
        const size_t a = prev[b], c = next[b];
        triangles->push_back(static_cast<int32_t>(a));
        triangles->push_back(static_cast<int32_t>(b));
        triangles->push_back(static_cast<int32_t>(c));
        next[a] = c;
        prev[c] = a;
        clipped[b] = 1;
        for (size_t n : {a, c}) {
            const bool was = convex[n];
            updateConvex(n);
            if (was && !convex[n]) reflex.push_back(n);  // only where the polygon crosses itself
        }
    };

    // Stage 3: clip ears until a triangle is left. A full round without an ear means the polygon
    // crosses itself or has no area there: clip a convex corner anyway (or any corner), so that
    // every corner still ends up in a triangle.
    size_t remaining = count, corner = 0, withoutEar = 0;
    while (remaining > 3) {
        const size_t after = next[corner];
        if (workLeft == 0 || isEar(corner)) {
            clip(corner);
            corner = after;
            --remaining;
            withoutEar = 0;
            continue;
        }
        corner = after;
        if (++withoutEar < remaining) continue;
        size_t pick = corner;
        for (size_t k = 0, p = corner; k < remaining && workLeft; ++k, p = next[p], --workLeft)
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
