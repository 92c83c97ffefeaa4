// Colour extraction: white without material, material colours, face-vertex colours and textures
// through the texture cache.
#include "geometry/ExtractColors.h"

#include "tests/geometry/GeometryFixture.h"

using testhost::ObjectAt;

class ExtractColorsTest : public GeometryTest {
protected:
    int32_t AddMaterial(HostRGB color, const char* texture = "", int32_t showsVertexColors = 0) {
        HostMaterial material = Host().MQ_CreateMaterial();
        Host().MQMat_SetColor(material, &color);
        Host().MQMat_SetTextureName(material, texture);
        Host().MQMat_SetIntValue(material, kMaterialShowsVertexColor, showsVertexColors);
        return Host().MQDoc_AddMaterial(document, material);
    }
    std::vector<uint32_t> Extracted(int32_t index) {
        ExtractColors(ObjectAt(index));
        const ExpansionSettings& settings = SettingsAt(index);
        return std::vector<uint32_t>(settings.extractedColors, settings.extractedColors + settings.extractedColorCount);
    }
};

TEST_F(ExtractColorsTest, NoMaterialMaterialColourAndVertexColoursLastCornerWins) {
    int32_t index = wb::AddMeshObject("tris", std::vector<HostPoint>(8, HostPoint{0, 0, 0}),
                                      {{0, 1, 2}, {1, 2, 3}, {3, 4, 5}, {5, 6}, {0, 2, 6}});
    HostObject object = ObjectAt(index);
    Host().MQObj_SetFaceMaterial(object, 1, AddMaterial({1.0f, 0.5f, 0.0f}));
    Host().MQObj_SetFaceMaterial(object, 2, AddMaterial({0.2f, 0.2f, 0.2f}, "", 1));
    Host().MQObj_SetFaceMaterial(object, 3, AddMaterial({0.2f, 0.2f, 0.2f}));  // a line: skipped
    Host().MQObj_SetFaceMaterial(object, 4, 17);  // names no material: as without one
    for (int32_t j = 0; j < 3; ++j) Host().MQObj_SetFaceVertexColor(object, 2, j, 0x40302010u + j);

    std::vector<std::string> calls;
    std::vector<uint32_t> colors;
    calls = testhost::RecordCalls([&] { colors = Extracted(index); });
    const uint32_t orange = 0x007FFFFFu;  // alpha 255, red 255, green 127, blue 0
    EXPECT_EQ(colors, std::vector<uint32_t>({0xFFFFFFFFu, orange, 0xFFFFFFFFu, 0x30201040u, 0x30201140u,
                                             0x30201240u, 0xFFFFFFFFu, 0u}));
    for (const std::string& call : calls) EXPECT_EQ(call.find("null"), std::string::npos) << call;

    ExtractColors(nullptr);  // nothing, and no record
    EXPECT_EQ(Settings().size(), 1u);
}

TEST_F(ExtractColorsTest, TexturesAreSampledAndLoadedOncePerPath) {
    wb::SetTextureFolder(testhost::TempFolder().c_str());
    testhost::WriteBmp("extract.bmp", 2, 1, 24, {1, 2, 3, 4, 5, 6});
    int32_t index = wb::AddMeshObject("quads", std::vector<HostPoint>(6, HostPoint{0, 0, 0}),
                                      {{0, 1, 2}, {3, 4, 5}, {2, 3, 4}});
    HostObject object = ObjectAt(index);
    Host().MQObj_SetFaceMaterial(object, 0, AddMaterial({0, 0, 0}, "extract.bmp"));
    Host().MQObj_SetFaceMaterial(object, 1, AddMaterial({0, 0, 0}, "extract.bmp"));
    Host().MQObj_SetFaceMaterial(object, 2, AddMaterial({0, 0, 0}, "missing.bmp"));
    testhost::SetFaceUVs(index, 0, {{0, 0}, {0.5f, 0}, {0, 0}});
    testhost::SetFaceUVs(index, 1, {{0.5f, 0}, {0, 0}, {0.5f, 0}});
    int64_t allocated = wb::ImageBlocksAllocated();
    for (int32_t round = 0; round < 2; ++round) {
        std::vector<uint32_t> colors;
        std::vector<std::string> calls = testhost::RecordNames([&] { colors = Extracted(index); });
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "MQ_LoadImage"), round == 0 ? 2 : 0);
        const uint32_t left = MakePackedColor(255, 3, 2, 1), right = MakePackedColor(255, 6, 5, 4);
        EXPECT_EQ(colors, std::vector<uint32_t>({left, right, 0, 0, 0, right}));
    }
    EXPECT_EQ(wb::ImageBlocksAllocated() - allocated, 2);
    EXPECT_EQ(Textures().size(), 2u);
}

namespace {
std::string g_loadedPath;
int32_t Unresolved(HostDocument, char*, const char*, uint32_t) { return 0; }
int32_t RecordLoad(const char* path, void**, void**, uint32_t) {
    g_loadedPath = path;
    return 0;
}
}  // namespace

TEST_F(ExtractColorsTest, AnUnresolvedTextureNameUsesTheEmptyPath) {
    int32_t index = wb::AddMeshObject("tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    Host().MQObj_SetFaceMaterial(ObjectAt(index), 0, AddMaterial({1, 1, 1}, "nowhere.png"));
    testhost::ScopedHostOverride host;
    Host().MQDoc_FindMappingFile = Unresolved;
    Host().MQ_LoadImage = RecordLoad;
    g_loadedPath = "not called";
    EXPECT_EQ(Extracted(index), std::vector<uint32_t>({0, 0, 0}));
    EXPECT_EQ(g_loadedPath, "");
}
