// A host that hands over faces of more than four points, of no points, or with point indices
// outside the object: every operation skips them without reading or writing out of bounds.
#include "geometry/DisplaceVertices.h"
#include "geometry/ExtractColors.h"
#include "geometry/FaceOperations.h"
#include "tests/geometry/GeometryFixture.h"

namespace {

// Faces 0..3 of the object are real triangles; the fakes report face 0 with six points, face 1
// with none, and face 2 with its last point index 99 (face 3 passes through unchanged).
HostApi g_real;
int32_t g_badArrayReads = 0;

int32_t FakeCount(HostObject object, int32_t face) {
    return face == 0 ? 6 : face == 1 ? 0 : g_real.MQObj_GetFacePointCount(object, face);
}
void FakeArray(HostObject object, int32_t face, int32_t* out) {
    if (face < 2) {
        ++g_badArrayReads;  // the real host would write six or no entries here
        return;
    }
    g_real.MQObj_GetFacePointArray(object, face, out);
    if (face == 2) out[2] = 99;
}

}  // namespace

class FaultyHostTest : public GeometryTest {};

TEST_F(FaultyHostTest, OddFacesAndIndicesAreSkippedByEveryOperation) {
    int32_t index = wb::AddMeshObject("odd", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 0}},
                                      {{0, 1, 2}, {0, 1, 2}, {1, 3, 2}, {2, 3, 4}});
    HostObject object = testhost::ObjectAt(index);
    ExpansionSettings& settings = Enable(index);
    settings.heightMapOn = settings.vertexColorPush = 1;
    testhost::ImageBlocks blocks = testhost::MakeImageBlocks(1, 1, 8, {255});
    settings.heightMap.adopt(blocks.header, blocks.pixels);
    HostMaterial material = Host().MQ_CreateMaterial();
    Host().MQMat_SetIntValue(material, kMaterialShowsVertexColor, 1);
    int32_t materialIndex = Host().MQDoc_AddMaterial(document, material);
    for (int32_t f = 0; f < 4; ++f) {
        Host().MQObj_SetFaceMaterial(object, f, materialIndex);
        for (int32_t j = 0; j < 3; ++j) Host().MQObj_SetFaceVertexColor(object, f, j, 0xFF0000FFu);
    }

    testhost::ScopedHostOverride host;
    g_real = host.original();
    Host().MQObj_GetFacePointCount = FakeCount;
    Host().MQObj_GetFacePointArray = FakeArray;
    g_badArrayReads = 0;

    RebuildPushCache(document);
    const PushCacheEntry* entry = PushCacheEntryAt(index);
    ASSERT_NE(entry, nullptr);
    // Only face 3 (2, 3, 4) has a normal; face 2 still samples at its good corners 1 and 3.
    for (int32_t v : {0, 1}) EXPECT_TRUE(IsZero(entry->directions[v])) << v;
    for (int32_t v : {2, 3, 4}) EXPECT_NEAR(Length(entry->directions[v]), 1.0f, 1e-6) << v;
    EXPECT_EQ(entry->heights[0].b, 0.0f);
    EXPECT_GT(entry->heights[1].b, 0.0f);

    selectionOnly = true;
    Host().MQDoc_AddSelectFace(document, index, 2);
    EXPECT_EQ(BuildVertexMask(object, index), std::vector<uint8_t>({0, 1, 0, 1, 0}));
    selectionOnly = false;

    ExtractColors(object);
    EXPECT_EQ(settings.extractedColors[0], 0u);
    EXPECT_NE(settings.extractedColors[1], 0u);
    ApplyExtractedColors(object, testhost::UniqueIdAt(index));
    InvertAllFaces(object);
    AssignFaceMaterial(object, 0);
    ResetVertexColors(object);
    HostObject copy = host.original().MQObj_Clone(object);
    DisplaceVertices(copy, index, 1.0f);
    Host().MQObj_Delete(copy);
    EXPECT_EQ(g_badArrayReads, 0);
}

TEST_F(FaultyHostTest, NullHandlesAreHarmless) {
    RebuildPushCache(nullptr);
    EXPECT_TRUE(PushCache().empty());
    currentDocument = nullptr;
    int32_t index = testhost::AddUnitQuad("quad");
    Host().MQObj_SetFaceMaterial(testhost::ObjectAt(index), 0, 0);
    selectionOnly = true;
    EXPECT_EQ(BuildVertexMask(testhost::ObjectAt(index), index), std::vector<uint8_t>(4, 0));
    ExtractColors(nullptr);
    ExtractColors(testhost::ObjectAt(index));  // no document: faces count as without material
    EXPECT_EQ(SettingsAt(index).extractedColors[0], 0xFFFFFFFFu);
    InvertAllFaces(nullptr);
    AssignFaceMaterial(nullptr, 0);
    ApplyExtractedColors(nullptr, 1);
    ResetVertexColors(nullptr);
    EXPECT_TRUE(DisplaceVertices(nullptr, 0, 1.0f));
}
