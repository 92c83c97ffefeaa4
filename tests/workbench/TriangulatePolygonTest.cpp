// Ear clipping: concave polygons, corners in a line, a ring drawn as one polygon along a bridge,
// and polygons with no area or crossing themselves.
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "workbench/io/TriangulatePolygon.h"

namespace {

using wb::detail::TriangulatePolygon;

// Twice the signed area of the polygon (or triangle) in the xy plane: positive counter-clockwise.
double Area2(const std::vector<HostPoint>& p, const std::vector<int32_t>& order) {
    double a = 0.0;
    for (size_t i = 0; i < order.size(); ++i) {
        const HostPoint& u = p[order[i]];
        const HostPoint& v = p[order[(i + 1) % order.size()]];
        a += static_cast<double>(u.x) * v.y - static_cast<double>(v.x) * u.y;
    }
    return a;
}

// The triangles of a simple polygon in the xy plane: n - 2 of them, each turning the polygon's
// way, covering exactly its area (so none overlaps another or lies outside).
void ExpectExactCover(const std::vector<HostPoint>& p) {
    std::vector<int32_t> order(p.size());
    for (size_t i = 0; i < p.size(); ++i) order[i] = static_cast<int32_t>(i);
    const double whole = Area2(p, order);
    std::vector<int32_t> t;
    TriangulatePolygon(p.data(), p.size(), &t);
    ASSERT_EQ(t.size(), (p.size() - 2) * 3);
    double sum = 0.0;
    for (size_t k = 0; k < t.size(); k += 3) {
        const double a = Area2(p, {t[k], t[k + 1], t[k + 2]});
        EXPECT_GT(a * whole, 0.0) << "triangle " << k / 3 << " turns the other way or is flat";
        sum += fabs(a);
    }
    EXPECT_NEAR(sum, fabs(whole), fabs(whole) * 1e-9);
}

TEST(TriangulatePolygon, ConcaveShapesAreCoveredExactlyInEitherTurningOrder) {
    // A comb: three teeth, five reflex corners.
    std::vector<HostPoint> comb = {{0, 0, 0}, {5, 0, 0}, {5, 3, 0}, {4, 3, 0}, {4, 1, 0}, {3, 1, 0},
                                   {3, 3, 0}, {2, 3, 0}, {2, 1, 0}, {1, 1, 0}, {1, 3, 0}, {0, 3, 0}};
    ExpectExactCover(comb);
    std::reverse(comb.begin(), comb.end());
    ExpectExactCover(comb);
    // A square with extra corners along its sides (in a line with their neighbours), and a star.
    ExpectExactCover({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {3, 1, 0}, {3, 3, 0}, {1.5f, 3, 0},
                      {0, 3, 0}, {0, 2, 0}, {0, 1, 0}});
    std::vector<HostPoint> star;
    for (int i = 0; i < 10; ++i) {
        const float r = i % 2 ? 0.4f : 1.0f, a = 0.6283185f * i;
        star.push_back({r * cosf(a), r * sinf(a), 0.0f});
    }
    ExpectExactCover(star);
}

TEST(TriangulatePolygon, ARingAlongABridgeIsNotFilled) {
    // Outer square counter-clockwise, across to the hole, the hole clockwise, back along the
    // bridge: the corners of the bridge repeat.
    const std::vector<HostPoint> ring = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {0, 0, 0},
                                         {1, 1, 0}, {1, 3, 0}, {3, 3, 0}, {3, 1, 0}, {1, 1, 0}};
    std::vector<int32_t> t;
    TriangulatePolygon(ring.data(), ring.size(), &t);
    ASSERT_EQ(t.size(), 8u * 3u);
    double sum = 0.0;
    for (size_t k = 0; k < t.size(); k += 3) {
        const double a = Area2(ring, {t[k], t[k + 1], t[k + 2]});
        EXPECT_GE(a, 0.0);
        sum += a;
    }
    EXPECT_NEAR(sum, 2.0 * (16.0 - 4.0), 1e-9);  // the ring, not the square
}

TEST(TriangulatePolygon, TiltedPolygonsKeepTheirTurningOrder) {
    // An L in a plane tilted about the x axis, facing down and away from z: every triangle's
    // normal agrees with the polygon's.
    std::vector<HostPoint> l = {{0, 0, 0}, {0, 2, 1}, {1, 2, 1}, {1, 1, 0.5f}, {2, 1, 0.5f}, {2, 0, 0}};
    std::vector<int32_t> t;
    TriangulatePolygon(l.data(), l.size(), &t);
    ASSERT_EQ(t.size(), 12u);
    for (size_t k = 0; k < t.size(); k += 3) {
        const HostPoint &a = l[t[k]], &b = l[t[k + 1]], &c = l[t[k + 2]];
        const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
        const float vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
        const float nz = ux * vy - uy * vx, ny = uz * vx - ux * vz;
        EXPECT_LT(nz, 0.0f);  // the L runs clockwise seen from +z
        EXPECT_GT(ny, 0.0f);
    }
}

TEST(TriangulatePolygon, DegenerateInputStillGivesValidTriangles) {
    const float inf = INFINITY;
    const std::vector<std::vector<HostPoint>> cases = {
        {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}},             // all in a line
        {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}},             // one point
        {{0, 0, 0}, {2, 2, 0}, {2, 0, 0}, {0, 2, 0}, {1, 3, 0}, {1, -1, 0}},  // crossing itself
        {{0, 0, 0}, {1, 0, 0}, {1, 1e-30f, 0}, {0.5f, 1e-30f, 0}, {0, 1e-30f, 0}},  // a sliver
        {{0, 0, 0}, {1, 0, 0}, {inf, 1, 0}, {0, 1, 0}, {0, 0.5f, 0}},       // not finite
    };
    for (const auto& p : cases) {
        std::vector<int32_t> t;
        TriangulatePolygon(p.data(), p.size(), &t);
        ASSERT_EQ(t.size(), (p.size() - 2) * 3);
        std::vector<int> uses(p.size(), 0);
        for (int32_t i : t) {
            ASSERT_TRUE(i >= 0 && static_cast<size_t>(i) < p.size());
            ++uses[i];
        }
        for (int u : uses) EXPECT_GE(u, 1);  // every corner ends up in a triangle
    }
    // A long concave polygon (a zigzag of 20,000 corners) finishes at once.
    std::vector<HostPoint> zigzag;
    for (int i = 0; i < 10000; ++i) zigzag.push_back({static_cast<float>(i), i % 2 ? 1.0f : 0.5f, 0.0f});
    for (int i = 9999; i >= 0; --i) zigzag.push_back({static_cast<float>(i), -1.0f, 0.0f});
    std::vector<int32_t> t;
    const DWORD start = GetTickCount();
    TriangulatePolygon(zigzag.data(), zigzag.size(), &t);
    EXPECT_EQ(t.size(), (zigzag.size() - 2) * 3);
    // An emulated run (qemu-user) says in PUFFSHELL_TIME_SCALE how many times slower it is.
    const char* scale = getenv("PUFFSHELL_TIME_SCALE");
    const DWORD slower = scale && atoi(scale) > 0 ? static_cast<DWORD>(atoi(scale)) : 1u;
    EXPECT_LT(GetTickCount() - start, 5000u * slower);
}

}  // namespace
