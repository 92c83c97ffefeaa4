// Rebuilding the push cache: directions, the selection filter, height samples and colours.
#include "tests/geometry/GeometryFixture.h"

using testhost::ObjectAt;

class PushCacheTest : public GeometryTest {};

TEST_F(PushCacheTest, EntriesFollowDocumentIndicesAndEveryObjectGetsSettings) {
    RebuildPushCache(document);  // an empty document: an empty cache
    EXPECT_TRUE(PushCache().empty());
    int32_t on = testhost::AddCube("on", 1.0f);
    int32_t off = testhost::AddCube("off", 1.0f);
    int32_t gone = testhost::AddCube("gone", 1.0f);
    int32_t last = testhost::AddCube("last", 2.0f);
    Host().MQDoc_DeleteObject(document, gone);
    Enable(on);
    Enable(last);
    int32_t offId = testhost::UniqueIdAt(off);
    ASSERT_EQ(Settings().find(offId), nullptr);

    RebuildPushCache(document);
    ASSERT_EQ(PushCache().size(), 4u);
    EXPECT_EQ(PushCacheEntryAt(off), nullptr);
    EXPECT_EQ(PushCacheEntryAt(gone), nullptr);
    EXPECT_EQ(PushCacheEntryAt(4), nullptr);
    EXPECT_EQ(PushCacheEntryAt(-1), nullptr);
    EXPECT_NE(Settings().find(offId), nullptr);  // created with the defaults
    for (int32_t index : {on, last}) {
        const PushCacheEntry* entry = PushCacheEntryAt(index);
        ASSERT_NE(entry, nullptr);
        EXPECT_FALSE(entry->hasHeights || entry->hasVertexColors);
        std::vector<HostPoint> corners = testhost::VertexPositions(ObjectAt(index));
        ASSERT_EQ(entry->directions.size(), 8u);
        for (size_t v = 0; v < 8; ++v) {  // outward along the corner's diagonal
            float r = 1 / sqrtf(3.0f);
            EXPECT_POINT_NEAR(entry->directions[v], corners[v].x > 0 ? r : -r, corners[v].y > 0 ? r : -r,
                              corners[v].z > 0 ? r : -r, 1e-6);
        }
    }
}

TEST_F(PushCacheTest, PointsLinesAndDegenerateTrianglesAddNothing) {
    int32_t index = wb::AddMeshObject(
        "mixed", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {3, 0, 0}, {5, 5, 5}, {6, 6, 6}, {7, 7, 7}},
        {{0, 1, 2, 3}, {1, 4, 5}, {6}, {6, 7}});
    Enable(index);
    RebuildPushCache(document);
    const PushCacheEntry* entry = PushCacheEntryAt(index);
    ASSERT_NE(entry, nullptr);
    for (int32_t v : {0, 1, 2, 3}) EXPECT_POINT_NEAR(entry->directions[v], 0, 0, -1, 0) << v;
    for (int32_t v : {4, 5, 6, 7, 8}) EXPECT_TRUE(IsZero(entry->directions[v])) << v;
}

TEST_F(PushCacheTest, SelectionOnlyPushesSelectedVerticesFacesAndEdgeEnds) {
    int32_t quad = testhost::AddUnitQuad("quad");
    int32_t line = wb::AddMeshObject("line", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{0, 1}});
    Enable(quad);
    auto mask = [&](int32_t index) { return BuildVertexMask(ObjectAt(index), index); };
    using Mask = std::vector<uint8_t>;
    EXPECT_EQ(mask(quad), Mask({1, 1, 1, 1}));

    selectionOnly = true;
    EXPECT_EQ(mask(quad), Mask({0, 0, 0, 0}));
    RebuildPushCache(document);
    for (const HostPoint& n : PushCacheEntryAt(quad)->directions) EXPECT_TRUE(IsZero(n));

    Host().MQDoc_AddSelectLine(document, quad, 0, 1);  // the edge from point 1 to point 2
    EXPECT_EQ(mask(quad), Mask({0, 1, 1, 0}));
    RebuildPushCache(document);
    const PushCacheEntry* entry = PushCacheEntryAt(quad);
    EXPECT_TRUE(IsZero(entry->directions[0]) && IsZero(entry->directions[3]));
    EXPECT_POINT_NEAR(entry->directions[1], 0, 0, -1, 0);
    EXPECT_POINT_NEAR(entry->directions[2], 0, 0, -1, 0);
    Host().MQDoc_AddSelectLine(document, quad, 0, 3);  // the closing edge, point 3 to point 0
    EXPECT_EQ(mask(quad), Mask({1, 1, 1, 1}));
    Host().MQDoc_DeleteSelectLine(document, quad, 0, 1);
    Host().MQDoc_DeleteSelectLine(document, quad, 0, 3);

    Host().MQDoc_AddSelectFace(document, quad, 0);
    EXPECT_EQ(mask(quad), Mask({1, 1, 1, 1}));
    Host().MQDoc_DeleteSelectFace(document, quad, 0);
    Host().MQDoc_AddSelectVertex(document, quad, 3);
    EXPECT_EQ(mask(quad), Mask({0, 0, 0, 1}));

    Host().MQDoc_AddSelectLine(document, line, 0, 0);
    EXPECT_EQ(mask(line), Mask({1, 1, 0}));
    EXPECT_TRUE(BuildVertexMask(nullptr, 0).empty());
}

TEST_F(PushCacheTest, HeightSamplesAndColoursKeepTheLastCornerWritten) {
    int32_t index = wb::AddMeshObject("pair", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
    HostObject object = ObjectAt(index);
    testhost::SetFaceUVs(index, 0, {{0.0f, 0}, {0.25f, 0}, {0.5f, 0}});
    testhost::SetFaceUVs(index, 1, {{0.75f, 0}, {0.75f, 0}, {0.25f, 0}});
    const uint32_t colours[2][3] = {{0x11, 0x22, 0x33}, {0x44, 0x55, 0x66}};
    for (int32_t f = 0; f < 2; ++f)
        for (int32_t j = 0; j < 3; ++j) Host().MQObj_SetFaceVertexColor(object, f, j, colours[f][j]);
    ExpansionSettings& settings = Enable(index);
    settings.heightMapOn = 1;
    settings.vertexColorPush = 1;

    RebuildPushCache(document);  // switched on without an image: samples 0
    const PushCacheEntry* entry = PushCacheEntryAt(index);
    ASSERT_TRUE(entry && entry->hasHeights && entry->hasVertexColors);
    for (const HeightSample& h : entry->heights) EXPECT_TRUE(h.r == 0 && h.g == 0 && h.b == 0);

    // Intensities 0, 85, 170, 255 from left to right.
    testhost::ImageBlocks blocks = testhost::MakeImageBlocks(4, 1, 8, {0, 85, 170, 255});
    settings.heightMap.adopt(blocks.header, blocks.pixels);
    RebuildPushCache(document);
    entry = PushCacheEntryAt(index);
    const float k = 0.003921569f;
    const uint8_t expected[4] = {255, 85, 255, 85};
    for (int32_t v = 0; v < 4; ++v) {
        EXPECT_EQ(entry->heights[v].r, expected[v] * k) << v;
        EXPECT_EQ(entry->heights[v].g, expected[v] * k) << v;
        EXPECT_EQ(entry->heights[v].b, expected[v] * k) << v;
    }
    EXPECT_EQ(entry->vertexColors, std::vector<uint32_t>({0x44, 0x22, 0x55, 0x66}));

    settings.heightMapOn = 0;
    settings.vertexColorPush = 0;
    RebuildPushCache(document);
    entry = PushCacheEntryAt(index);
    EXPECT_FALSE(entry->hasHeights || entry->hasVertexColors);
    EXPECT_TRUE(entry->heights.empty() && entry->vertexColors.empty());
}
