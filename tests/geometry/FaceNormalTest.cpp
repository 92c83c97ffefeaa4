// The normal rules of the push directions.
#include "geometry/FaceNormal.h"

#include <string.h>

#include <vector>

#include "geometry/FaceNormalBatch.h"
#include "tests/geometry/GeometryFixture.h"

namespace {
HostPoint Unit(double x, double y, double z) {
    double l = sqrt(x * x + y * y + z * z);
    return {static_cast<float>(x / l), static_cast<float>(y / l), static_cast<float>(z / l)};
}

bool SameBits(float a, float b) { return memcmp(&a, &b, sizeof a) == 0; }
}  // namespace

TEST(FaceNormal, TrianglesAreUnitOrExactlyZero) {
    // (a - b) x (c - b): corners running counter-clockwise seen from +z face -z.
    EXPECT_POINT_NEAR(FaceNormal({0, 0, 0}, {1, 0, 0}, {0, 1, 0}), 0, 0, -1, 0);
    EXPECT_POINT_NEAR(FaceNormal({0, 0, 0}, {0, 1, 0}, {1, 0, 0}), 0, 0, 1, 0);
    EXPECT_POINT_NEAR(FaceNormal({0, 0, 5}, {0, 300, 5}, {70, 0, 5}), 0, 0, 1, 0);
    // Collinear or coincident corners: exactly zero, never NaN.
    EXPECT_TRUE(IsZero(FaceNormal({0, 0, 0}, {1, 1, 1}, {2, 2, 2})));
    EXPECT_TRUE(IsZero(FaceNormal({3, 3, 3}, {3, 3, 3}, {3, 3, 3})));
    // Sizes whose squares leave single precision still give unit normals.
    EXPECT_POINT_NEAR(FaceNormal({0, 0, 0}, {0, 1e-20f, 0}, {1e-20f, 0, 0}), 0, 0, 1, 1e-6);
    EXPECT_POINT_NEAR(FaceNormal({0, 0, 0}, {0, 1e15f, 0}, {1e15f, 0, 0}), 0, 0, 1, 1e-6);
    EXPECT_TRUE(IsZero(FaceNormal({0, 0, 0}, {0, NAN, 0}, {1, 0, 0})));
    EXPECT_TRUE(IsZero(NormalizeOrZero({INFINITY, 0, 0})));
}

TEST(FaceNormal, QuadsKeepTheSplitWhoseTrianglesAgreeBest) {
    // Flat: the same normal as either triangle.
    EXPECT_POINT_NEAR(QuadNormal({0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}), 0, 0, -1, 1e-7);
    // Folded: the a-c diagonal's triangles (0,0,-1) and (-1,1,-1)/sqrt3 agree better.
    double r = 1 / sqrt(3.0);
    HostPoint ac = Unit(-r, r, -1 - r);
    HostPoint folded = QuadNormal({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1});
    EXPECT_POINT_NEAR(folded, ac.x, ac.y, ac.z, 1e-6);
    // Folded the other way: the b-d diagonal's (1,1,-1)/sqrt3 and (0,0,-1).
    HostPoint bd = Unit(r, r, -1 - r);
    folded = QuadNormal({0, 0, 0}, {1, 0, 0}, {1, 1, 1}, {0, 1, 0});
    EXPECT_POINT_NEAR(folded, bd.x, bd.y, bd.z, 1e-6);
    // Both splits agree equally (dot products exactly equal): the b-d split wins the tie.
    HostPoint tie = QuadNormal({0, 0, 0}, {1, 0, 1}, {0, 1, 0}, {1, 0, 0});
    EXPECT_POINT_NEAR(tie, 0.9238795, -0.3826834, 0, 1e-6);
    // A degenerate split beats one whose triangles face opposite ways: zero.
    EXPECT_TRUE(IsZero(QuadNormal({0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0})));
}

TEST(FaceNormal, BatchesGiveTheScalarRulesBitsInEveryLane) {
    // Triangles the packed path takes mixed with those it hands to the scalar rule (zero, NaN,
    // cross products that overflow, squares that leave single precision), each kind in every
    // lane of a group of four, then a tail shorter than a group. The normalising batches get the
    // same triangles' cross products.
    const float big = 1e20f, nan = NAN;
    const std::vector<std::vector<HostPoint>> kinds = {
        {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},            // plain
        {{3, 3, 3}, {3, 3, 3}, {3, 3, 3}},            // zero
        {{0, nan, 0}, {1, 0, 0}, {0, 1, 0}},          // NaN
        {{0, 0, 0}, {0, big, 0}, {big, 0, 0}},        // cross product overflows
        {{0, 0, 0}, {0, 1e15f, 0}, {1e15f, 0, 0}},    // squares overflow
        {{0, 0, 0}, {0, 1e-20f, 0}, {1e-20f, 0, 0}},  // squares underflow
        // whose length's bits depend on the order in which the squares are added
        {{-2.23f, -0.5f, -0.03f}, {-2.14f, -2.15f, -2.25f}, {-0.32f, -1.68f, -3.83f}},
        {{0, 0, INFINITY}, {1, 0, 0}, {0, 1, 0}}};  // infinite corner
    std::vector<HostPoint> a, b, c, cross;
    for (size_t shift = 0; shift < 4; ++shift)
        for (size_t k = 0; k < kinds.size() + 3; ++k) {
            const std::vector<HostPoint>& t = kinds[(k + shift) % kinds.size()];
            a.push_back(t[0]);
            b.push_back(t[1]);
            c.push_back(t[2]);
            const HostPoint u{t[0].x - t[1].x, t[0].y - t[1].y, t[0].z - t[1].z};
            const HostPoint w{t[2].x - t[1].x, t[2].y - t[1].y, t[2].z - t[1].z};
            cross.push_back({u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x});
        }
    const int32_t count = static_cast<int32_t>(a.size());  // 44: eleven groups of four
    for (const int32_t n : {count, count - 1}) {
        std::vector<float> nx(n), ny(n), nz(n), x(n), y(n), z(n);
        FaceNormalBatch(a.data(), b.data(), c.data(), n, nx.data(), ny.data(), nz.data());
        std::vector<HostPoint> points(cross.begin(), cross.begin() + n);
        NormalizePointsBatch(points.data(), n);
        for (int32_t i = 0; i < n; ++i) {
            x[i] = cross[i].x;
            y[i] = cross[i].y;
            z[i] = cross[i].z;
        }
        NormalizeOrZeroBatch(x.data(), y.data(), z.data(), n);
        for (int32_t i = 0; i < n; ++i) {
            SCOPED_TRACE(testing::Message() << "n " << n << ", element " << i);
            const HostPoint face = FaceNormal(a[i], b[i], c[i]);
            EXPECT_TRUE(SameBits(nx[i], face.x) && SameBits(ny[i], face.y) &&
                        SameBits(nz[i], face.z));
            const HostPoint v = NormalizeOrZero(cross[i]);
            EXPECT_TRUE(SameBits(points[i].x, v.x) && SameBits(points[i].y, v.y) &&
                        SameBits(points[i].z, v.z));
            EXPECT_TRUE(SameBits(x[i], v.x) && SameBits(y[i], v.y) && SameBits(z[i], v.z));
        }
    }
}
