// The normal rules of the push directions.
#include "geometry/FaceNormal.h"

#include "tests/geometry/GeometryFixture.h"

namespace {
HostPoint Unit(double x, double y, double z) {
    double l = sqrt(x * x + y * y + z * z);
    return {static_cast<float>(x / l), static_cast<float>(y / l), static_cast<float>(z / l)};
}
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
