// Rebuilds after edits: each rebuild describes the document as it is then, whatever the previous
// rebuild held at the same index (a rebuild writes into the memory of the entry it replaces).
#include "tests/geometry/GeometryFixture.h"

using testhost::ObjectAt;

class PushCacheRebuildTest : public GeometryTest {};

TEST_F(PushCacheRebuildTest, AnotherObjectAtTheSameIndexGetsItsOwnArrays) {
    int32_t cube = testhost::AddCube("cube", 1.0f);
    int32_t quad = testhost::AddUnitQuad("quad");
    ExpansionSettings& cubeSettings = Enable(cube);
    cubeSettings.heightMapOn = 1;
    cubeSettings.vertexColorPush = 1;
    Enable(quad);
    RebuildPushCache(document);
    ASSERT_NE(PushCacheEntryAt(cube), nullptr);
    EXPECT_EQ(PushCacheEntryAt(cube)->heights.size(), 8u);

    // The cube goes; compacting moves the quad to index 0, where the cube's entry was.
    Host().MQDoc_DeleteObject(document, cube);
    Host().MQDoc_Compact(document);
    RebuildPushCache(document);
    ASSERT_EQ(PushCache().size(), 1u);
    const PushCacheEntry* entry = PushCacheEntryAt(0);
    ASSERT_NE(entry, nullptr);
    EXPECT_FALSE(entry->hasHeights);
    EXPECT_FALSE(entry->hasVertexColors);
    EXPECT_TRUE(entry->heights.empty());
    EXPECT_TRUE(entry->vertexColors.empty());
    ASSERT_EQ(entry->directions.size(), 4u);
    for (const HostPoint& n : entry->directions) EXPECT_POINT_NEAR(n, 0, 0, -1, 0);
}

TEST_F(PushCacheRebuildTest, EditedGeometryAndSwitchesShowInTheNextRebuild) {
    int32_t quad = testhost::AddUnitQuad("quad");
    ExpansionSettings& settings = Enable(quad);
    RebuildPushCache(document);
    ASSERT_NE(PushCacheEntryAt(quad), nullptr);
    EXPECT_POINT_NEAR(PushCacheEntryAt(quad)->directions[2], 0, 0, -1, 0);

    // The face turned over, a vertex added, the vertex-colour push switched on.
    Host().MQObj_InvertFace(ObjectAt(quad), 0);
    const HostPoint extra = {5, 5, 5};
    Host().MQObj_AddVertex(ObjectAt(quad), &extra);
    settings.vertexColorPush = 1;
    RebuildPushCache(document);
    const PushCacheEntry* entry = PushCacheEntryAt(quad);
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->directions.size(), 5u);
    for (int32_t v = 0; v < 4; ++v) EXPECT_POINT_NEAR(entry->directions[v], 0, 0, 1, 0) << v;
    EXPECT_TRUE(IsZero(entry->directions[4]));
    ASSERT_EQ(entry->vertexColors.size(), 5u);
    EXPECT_EQ(entry->vertexColors[4], 0u);

    // Switched off: the entry is empty, and on again it is whole.
    settings.enabled = 0;
    RebuildPushCache(document);
    EXPECT_EQ(PushCacheEntryAt(quad), nullptr);
    settings.enabled = 1;
    RebuildPushCache(document);
    ASSERT_NE(PushCacheEntryAt(quad), nullptr);
    EXPECT_EQ(PushCacheEntryAt(quad)->directions.size(), 5u);
}
