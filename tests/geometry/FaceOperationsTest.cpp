// Inverting, material assignment and vertex colours of layer copies.
#include "geometry/FaceOperations.h"

#include "tests/geometry/GeometryFixture.h"

using testhost::ObjectAt;

namespace {
std::vector<int32_t> Points(HostObject object, int32_t face) {
    std::vector<int32_t> points(Host().MQObj_GetFacePointCount(object, face));
    Host().MQObj_GetFacePointArray(object, face, points.data());
    return points;
}
}  // namespace

class FaceOperationsTest : public GeometryTest {
protected:
    // A quadrilateral, a triangle, a line and a point over five vertices.
    int32_t AddMixed() {
        return wb::AddMeshObject("mixed", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 1, 0}},
                                 {{0, 1, 2, 3}, {2, 1, 4}, {3, 4}, {4}});
    }
};

TEST(ExtractedToHostColor, ScalesChannelsAndAlphaWithTruncation) {
    EXPECT_EQ(ExtractedToHostColor(0x3264C8FFu, 50, 20), 0xCC193264u);
    EXPECT_EQ(ExtractedToHostColor(0x3264C8FFu, 100, 0), 0xFF3264C8u);  // only reordered
    EXPECT_EQ(ExtractedToHostColor(0x3264C8FFu, 0, 100), 0x00000000u);
    EXPECT_EQ(ExtractedToHostColor(0xFFFFFFFFu, 33, 67), 0x54545454u);  // 255 x 33 / 100 = 84
}

TEST_F(FaceOperationsTest, InvertAndMaterialTouchOnlyPolygons) {
    int32_t index = AddMixed();
    HostObject object = ObjectAt(index);
    std::vector<std::string> calls = testhost::RecordNames([&] { InvertAllFaces(object); });
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "MQObj_InvertFace"), 2);
    EXPECT_NE(Points(object, 0), std::vector<int32_t>({0, 1, 2, 3}));
    EXPECT_EQ(Points(object, 2), std::vector<int32_t>({3, 4}));
    InvertAllFaces(object);
    EXPECT_EQ(Points(object, 0), std::vector<int32_t>({0, 1, 2, 3}));
    EXPECT_EQ(Points(object, 1), std::vector<int32_t>({2, 1, 4}));

    AssignFaceMaterial(object, 5);
    const int32_t expected[4] = {5, 5, -1, -1};
    for (int32_t f = 0; f < 4; ++f) EXPECT_EQ(Host().MQObj_GetFaceMaterial(object, f), expected[f]) << f;
}

TEST_F(FaceOperationsTest, ExtractedColoursAreScaledPerVertexAndResetToBlack) {
    int32_t index = AddMixed();
    HostObject object = ObjectAt(index);
    for (int32_t j = 0; j < 3; ++j) Host().MQObj_SetFaceVertexColor(object, 1, j, 0x12345678u);
    auto applied = [&] { return testhost::RecordNames([&] { ApplyExtractedColors(object, testhost::UniqueIdAt(index)); }); };
    auto writes = [](const std::vector<std::string>& calls) {
        return std::count(calls.begin(), calls.end(), "MQObj_SetFaceVertexColor");
    };
    EXPECT_EQ(writes(applied()), 0);  // never extracted: nothing written

    ExpansionSettings& settings = SettingsAt(index);
    uint32_t* colors = settings.replaceExtractedColors(4);  // vertex 4 came later
    for (int32_t v = 0; v < 4; ++v) colors[v] = 0x3264C8FFu + v;
    settings.brightness = 50;
    settings.transparency = 20;
    EXPECT_EQ(writes(applied()), 6);
    const int32_t corners[2][4] = {{0, 1, 2, 3}, {2, 1, 4, -1}};
    for (int32_t f = 0; f < 2; ++f) {
        for (int32_t j = 0; j < 4 && corners[f][j] >= 0; ++j) {
            uint32_t expected = corners[f][j] == 4 ? 0x12345678u
                                                   : ExtractedToHostColor(0x3264C8FFu + corners[f][j], 50, 20);
            EXPECT_EQ(Host().MQObj_GetFaceVertexColor(object, f, j), expected) << f << "," << j;
        }
    }
    EXPECT_EQ(Host().MQObj_GetFaceVertexColor(object, 0, 0), 0xCC193264u);

    EXPECT_EQ(writes(testhost::RecordNames([&] { ResetVertexColors(object); })), 7);
    for (int32_t f = 0; f < 2; ++f)
        for (int32_t j = 0; j < 3; ++j) EXPECT_EQ(Host().MQObj_GetFaceVertexColor(object, f, j), 0xFF000000u);
}
