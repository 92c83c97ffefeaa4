// A fresh workbench document made current, an empty settings store and push cache, and
// selection-only off, for every test of the settings and geometry code.
#pragma once

#include <math.h>

#include <algorithm>
#include <iomanip>

#include "geometry/VertexPushCache.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"
#include "settings/TextureCache.h"
#include "tests/support/TestHost.h"

class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override {
        document = wb::NewDocument();
        currentDocument = document;
        selectionOnly = false;
        Settings().clear();
        Textures().clear();
        RebuildPushCache(nullptr);
    }
    void TearDown() override {
        selectionOnly = false;
        currentDocument = nullptr;
    }
    ExpansionSettings& SettingsAt(int32_t index) {
        return Settings().findOrCreate(testhost::UniqueIdAt(index));
    }
    ExpansionSettings& Enable(int32_t index) {
        ExpansionSettings& settings = SettingsAt(index);
        settings.enabled = 1;
        return settings;
    }

    HostDocument document = nullptr;
};

inline float Length(const HostPoint& p) { return sqrtf(p.x * p.x + p.y * p.y + p.z * p.z); }
inline bool IsZero(const HostPoint& p) { return p.x == 0.0f && p.y == 0.0f && p.z == 0.0f; }

inline ::testing::AssertionResult PointNear(const HostPoint& p, double x, double y, double z,
                                            double tolerance) {
    if (fabs(p.x - x) <= tolerance && fabs(p.y - y) <= tolerance && fabs(p.z - z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::setprecision(9) << "(" << p.x << ", " << p.y << ", "
                                         << p.z << ") is not within " << tolerance << " of (" << x
                                         << ", " << y << ", " << z << ")";
}
#define EXPECT_POINT_NEAR(p, x, y, z, tolerance) EXPECT_TRUE(PointNear((p), (x), (y), (z), (tolerance)))
