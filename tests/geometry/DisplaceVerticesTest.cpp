// Displacing layer copies: the distance terms, the layer multiples, the host calls made, the
// vertices the cache does not cover, and whole real models.
#include "geometry/DisplaceVertices.h"

#include "tests/geometry/GeometryFixture.h"

using testhost::ObjectAt;

class DisplaceTest : public GeometryTest {
protected:
    // Pushes a clone of the object at index with multiple and returns its vertices.
    std::vector<HostPoint> Pushed(int32_t index, float multiple) {
        HostObject copy = Host().MQObj_Clone(ObjectAt(index));
        EXPECT_TRUE(DisplaceVertices(copy, index, multiple));
        std::vector<HostPoint> points = testhost::VertexPositions(copy);
        Host().MQObj_Delete(copy);
        return points;
    }
};

TEST_F(DisplaceTest, LayersArePushedByDistanceTimesTheirMultiple) {
    int32_t cube = testhost::AddCube("cube", 1.0f);
    ExpansionSettings& settings = Enable(cube);
    settings.pushDistance = 0.5f;
    settings.repeatCount = 3;
    RebuildPushCache(document);
    for (bool inverted : {false, true}) {
        for (int32_t layer = 0; layer < 3; ++layer) {
            float multiple = LayerMultiple(layer, 3, inverted);
            EXPECT_EQ(multiple, inverted ? 3 - layer : layer + 1);
            float corner = 0.5f + 0.5f * multiple / sqrtf(3.0f);  // vertex 6 is (h, h, h)
            EXPECT_POINT_NEAR(Pushed(cube, multiple)[6], corner, corner, corner, 1e-6);
        }
    }
    settings.pushDistance = -0.5f;  // inward
    EXPECT_POINT_NEAR(Pushed(cube, 1)[0], -0.5f + 0.5f / sqrtf(3.0f), -0.5f + 0.5f / sqrtf(3.0f),
                      -0.5f + 0.5f / sqrtf(3.0f), 1e-6);
    settings.normalPush = 0;  // nothing else in use: no movement at all
    EXPECT_POINT_NEAR(Pushed(cube, 2)[0], -0.5f, -0.5f, -0.5f, 0);
}

TEST_F(DisplaceTest, MakesExactlyTheDescribedHostCalls) {
    int32_t quad = testhost::AddUnitQuad("quad");
    Enable(quad);
    RebuildPushCache(document);
    HostObject copy = Host().MQObj_Clone(ObjectAt(quad));
    std::vector<std::string> expected = {"MQDoc_GetObject", "MQObj_GetIntValue", "MQObj_GetVertexCount"};
    for (int32_t i = 0; i < 4; ++i) {
        expected.push_back("MQObj_GetVertex");
        expected.push_back("MQObj_SetVertex");
    }
    EXPECT_EQ(testhost::RecordNames([&] { DisplaceVertices(copy, quad, 1.0f); }), expected);
    Host().MQObj_Delete(copy);
}

TEST_F(DisplaceTest, HeightMapAndVertexColourAddToTheDistance) {
    int32_t quad = testhost::AddUnitQuad("quad");  // pushed toward -z
    HostObject object = ObjectAt(quad);
    for (int32_t j = 0; j < 4; ++j)  // red 255 at vertex 0, 0 (but all else 255) elsewhere
        Host().MQObj_SetFaceVertexColor(object, 0, j, j == 0 ? 0x000000FFu : 0xFFFFFF00u);
    ExpansionSettings& settings = Enable(quad);
    settings.normalPush = 0;
    settings.heightMapOn = 1;
    settings.heightMapScale = 2.0f;
    RebuildPushCache(document);
    EXPECT_EQ(Pushed(quad, 1)[1].z, 0.0f);  // no image loaded: adds nothing

    testhost::ImageBlocks blocks = testhost::MakeImageBlocks(1, 1, 32, {255, 0, 0, 0});  // blue only
    settings.heightMap.adopt(blocks.header, blocks.pixels);
    settings.vertexColorPush = 1;
    settings.vertexColorScale = 1.0f;
    RebuildPushCache(document);
    std::vector<HostPoint> points = Pushed(quad, 1);
    EXPECT_NEAR(points[0].z, -3.0f, 1e-6);  // 2 x blue 1 + red 255 / 255
    EXPECT_NEAR(points[1].z, -2.0f, 1e-6);
    settings.normalPush = 1;
    settings.pushDistance = 0.25f;
    settings.vertexColorPush = 0;  // the cached colours stay, their factor becomes 0
    EXPECT_NEAR(Pushed(quad, 2)[0].z, -4.5f, 1e-6);
}

TEST_F(DisplaceTest, VerticesTheCacheDoesNotCoverStayPut) {
    int32_t quad = testhost::AddUnitQuad("quad");
    int32_t off = testhost::AddUnitQuad("off");
    Enable(quad);
    RebuildPushCache(document);
    EXPECT_POINT_NEAR(Pushed(off, 1)[2], 1, 1, 0, 0);  // no entry
    HostObject copy = Host().MQObj_Clone(ObjectAt(quad));
    HostPoint extra = {5, 5, 5};
    Host().MQObj_AddVertex(copy, &extra);
    EXPECT_TRUE(DisplaceVertices(copy, quad, 1.0f));
    std::vector<HostPoint> points = testhost::VertexPositions(copy);
    EXPECT_POINT_NEAR(points[2], 1, 1, -1, 0);
    EXPECT_POINT_NEAR(points[4], 5, 5, 5, 0);
    EXPECT_TRUE(DisplaceVertices(copy, 9, 1.0f));   // beyond the document
    EXPECT_TRUE(DisplaceVertices(copy, -1, 1.0f));
    EXPECT_TRUE(DisplaceVertices(nullptr, quad, 1.0f));
    currentDocument = nullptr;
    EXPECT_TRUE(DisplaceVertices(copy, quad, 1.0f));
    EXPECT_POINT_NEAR(testhost::VertexPositions(copy)[2], 1, 1, -1, 0);
    Host().MQObj_Delete(copy);
}

TEST_F(DisplaceTest, RealModelsGetUnitDirectionsAndMoveAlongThem) {
    for (const char* name : {"spider.obj", "WusonOBJ.obj"}) {
        std::string error;
        ASSERT_TRUE(wb::LoadObjScene((std::string("/usr/share/assimp/models/OBJ/") + name).c_str(), &error))
            << error;
        document = currentDocument = wb::ActiveDocument();
        int32_t count = Host().MQDoc_GetObjectCount(document);
        ASSERT_GT(count, 0) << name;
        for (int32_t i = 0; i < count; ++i) {
            if (ObjectAt(i)) Enable(i).pushDistance = 0.3f;
        }
        RebuildPushCache(document);
        int32_t moved = 0;
        for (int32_t i = 0; i < count; ++i) {
            const PushCacheEntry* entry = PushCacheEntryAt(i);
            if (!ObjectAt(i)) continue;
            ASSERT_NE(entry, nullptr);
            std::vector<HostPoint> before = testhost::VertexPositions(ObjectAt(i));
            std::vector<HostPoint> after = Pushed(i, 2.0f);
            ASSERT_EQ(entry->directions.size(), before.size());
            for (size_t v = 0; v < before.size(); ++v) {
                const HostPoint& n = entry->directions[v];
                ASSERT_TRUE(IsZero(n) || fabsf(Length(n) - 1) <= 1e-5f) << name << " " << i << "/" << v;
                float tolerance = 1e-6f * (1 + fabsf(before[v].x) + fabsf(before[v].y) + fabsf(before[v].z));
                EXPECT_POINT_NEAR(after[v], before[v].x + n.x * 0.6f, before[v].y + n.y * 0.6f,
                                  before[v].z + n.z * 0.6f, tolerance);
                moved += !IsZero(n);
            }
        }
        EXPECT_GT(moved, 500) << name;
    }
}
