// Freezing shells into the document through the real plug-in's panel: the freeze dialog answered
// as a person would, the quick-freeze button, and what lands in the document.
#include <gtest/gtest.h>

#include <math.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plugin/HostAbi.h"
#include "tests/support/TestHost.h"
#include "workbench/panel/PanelDriver.h"
#include "ui/ResourceIds.h"
#include "workbench/host/Workbench.h"

namespace {

struct Mesh {
    std::vector<HostPoint> vertices;
    std::vector<std::vector<int32_t>> faces;
};

Mesh ReadMesh(HostObject object) {
    Mesh mesh;
    const int32_t vertexCount = MQObj_GetVertexCount(object);
    mesh.vertices.resize(vertexCount);
    for (int32_t i = 0; i < vertexCount; ++i) MQObj_GetVertex(object, i, &mesh.vertices[i]);
    const int32_t faceCount = MQObj_GetFaceCount(object);
    for (int32_t f = 0; f < faceCount; ++f) {
        std::vector<int32_t> points(std::max(0, MQObj_GetFacePointCount(object, f)));
        if (!points.empty()) MQObj_GetFacePointArray(object, f, points.data());
        mesh.faces.push_back(points);
    }
    return mesh;
}

using testhost::ObjectAt;

// A cube of edge 2 around the origin (faces wound outward): its push directions are the corners'
// diagonals (+-1, +-1, +-1) / sqrt 3.
int32_t AddCube() { return testhost::AddCube("cube", 2.0f); }

// The faces of layer `layer` (vertex offset layer * n) are the source's faces reversed.
bool IsReversedCopy(const std::vector<int32_t>& source, const std::vector<int32_t>& layer,
                    int32_t offset) {
    if (source.size() != layer.size() || source.empty()) return false;
    std::vector<int32_t> reversed(source.rbegin(), source.rend());
    for (int32_t& index : reversed) index += offset;
    for (size_t shift = 0; shift < reversed.size(); ++shift) {
        std::rotate(reversed.begin(), reversed.begin() + 1, reversed.end());
        if (reversed == layer) return true;
    }
    return false;
}

// Expects `layer` vertices of mesh (block `block` of n vertices) at the cube's corners pushed by
// `distance` along their diagonals.
void ExpectCubeLayer(const Mesh& mesh, const Mesh& cube, int32_t block, float distance) {
    const size_t n = cube.vertices.size();
    const float step = distance / sqrtf(3.0f);
    for (size_t i = 0; i < n; ++i) {
        const HostPoint& p = cube.vertices[i];
        const HostPoint& q = mesh.vertices[block * n + i];
        EXPECT_NEAR(q.x, p.x + (p.x > 0 ? step : -step), 1e-5) << "layer " << block;
        EXPECT_NEAR(q.y, p.y + (p.y > 0 ? step : -step), 1e-5) << "layer " << block;
        EXPECT_NEAR(q.z, p.z + (p.z > 0 ? step : -step), 1e-5) << "layer " << block;
    }
}

class Freeze : public ::testing::Test {
protected:
    void SetUp() override {
        wb::NewDocument();
        cube = AddCube();
        source = ReadMesh(ObjectAt(cube));
        std::string error;
        ASSERT_TRUE(panel::LoadPuffshell(&error)) << error;
        ASSERT_EQ(wb::ActivatePlugin(true), 1);
        wb::ProcessMessages();
    }
    void TearDown() override { wb::UnloadPlugin(); }

    // The cube's row selected and ticked, with three inverted layers pushed 1 apart.
    void SwitchOnThreeInvertedLayers() {
        panel::ClickRow(0);
        panel::TickRow(0, true);
        wb::ProcessMessages();
        panel::Type(IDC_REPEAT_COUNT, "3");
        panel::Type(IDC_PUSH_DISTANCE, "1.00");
        panel::Click(IDC_INVERT_FACES);
        wb::ProcessMessages();
        ASSERT_TRUE(panel::Enabled(IDC_FREEZE));
    }

    // Presses "拡張面をﾌﾘｰｽﾞ" and answers the dialog: a placement radio button, the reset box,
    // then OK or cancel.
    bool FreezeWithDialog(int32_t placement, bool resetColors, bool ok = true) {
        return panel::AnswerDialog([] { panel::Click(IDC_FREEZE); },
                                   [&](HWND dialog) {
                                       SendMessageA(GetDlgItem(dialog, placement), BM_CLICK, 0, 0);
                                       if (resetColors) {
                                           SendMessageA(GetDlgItem(dialog, IDC_FREEZE_RESET_COLORS),
                                                        BM_CLICK, 0, 0);
                                       }
                                       SendMessageA(GetDlgItem(dialog, ok ? IDOK : IDCANCEL),
                                                    BM_CLICK, 0, 0);
                                   });
    }

    int32_t ObjectCount() { return MQDoc_GetObjectCount(wb::ActiveDocument()); }
    int32_t MaterialCount() { return MQDoc_GetMaterialCount(wb::ActiveDocument()); }

    int32_t cube = -1;
    Mesh source;
};

TEST_F(Freeze, AsANewObjectTheLayersArePushedOutermostFirstAndReversed) {
    SwitchOnThreeInvertedLayers();
    ASSERT_TRUE(FreezeWithDialog(IDC_FREEZE_AS_NEW_OBJECT, false));
    ASSERT_EQ(ObjectCount(), 2);
    const Mesh shell = ReadMesh(ObjectAt(1));
    ASSERT_EQ(shell.vertices.size(), 3 * source.vertices.size());
    ASSERT_EQ(shell.faces.size(), 3 * source.faces.size());
    ExpectCubeLayer(shell, source, 0, 3.0f);
    ExpectCubeLayer(shell, source, 1, 2.0f);
    ExpectCubeLayer(shell, source, 2, 1.0f);
    const int32_t n = static_cast<int32_t>(source.vertices.size());
    for (size_t f = 0; f < shell.faces.size(); ++f) {
        const size_t layer = f / source.faces.size();
        EXPECT_TRUE(IsReversedCopy(source.faces[f % source.faces.size()], shell.faces[f],
                                   static_cast<int32_t>(layer) * n))
            << "face " << f;
    }
    // The source is untouched, and the new object is not switched on.
    const Mesh after = ReadMesh(ObjectAt(cube));
    ASSERT_EQ(after.vertices.size(), source.vertices.size());
    EXPECT_EQ(after.faces, source.faces);
    for (size_t i = 0; i < after.vertices.size(); ++i) {
        EXPECT_EQ(after.vertices[i].x, source.vertices[i].x);
        EXPECT_EQ(after.vertices[i].z, source.vertices[i].z);
    }
    wb::Redraw();
    EXPECT_EQ(wb::DrawObjects().size(), 3u);  // only the cube's three live layers
}

TEST_F(Freeze, AddedToTheSourceItKeepsItsOwnFacesFirst) {
    SwitchOnThreeInvertedLayers();
    ASSERT_TRUE(FreezeWithDialog(IDC_FREEZE_ADD_TO_SOURCE, false));
    ASSERT_EQ(ObjectCount(), 1);
    const Mesh after = ReadMesh(ObjectAt(cube));
    ASSERT_EQ(after.vertices.size(), 4 * source.vertices.size());
    ASSERT_EQ(after.faces.size(), 4 * source.faces.size());
    for (size_t f = 0; f < source.faces.size(); ++f) EXPECT_EQ(after.faces[f], source.faces[f]);
    ExpectCubeLayer(after, source, 0, 0.0f);
    ExpectCubeLayer(after, source, 1, 3.0f);
    ExpectCubeLayer(after, source, 3, 1.0f);
}

TEST_F(Freeze, ReplacingTheSourceLeavesOnlyTheLayers) {
    SwitchOnThreeInvertedLayers();
    ASSERT_TRUE(FreezeWithDialog(IDC_FREEZE_REPLACE_SOURCE, false));
    ASSERT_EQ(ObjectCount(), 1);
    const Mesh after = ReadMesh(ObjectAt(cube));
    ASSERT_EQ(after.vertices.size(), 3 * source.vertices.size());
    ASSERT_EQ(after.faces.size(), 3 * source.faces.size());
    ExpectCubeLayer(after, source, 0, 3.0f);
    ExpectCubeLayer(after, source, 2, 1.0f);
    EXPECT_TRUE(IsReversedCopy(source.faces[0], after.faces[0], 0));
}

TEST_F(Freeze, CancelAndCloseChangeNothing) {
    SwitchOnThreeInvertedLayers();
    ASSERT_TRUE(FreezeWithDialog(IDC_FREEZE_REPLACE_SOURCE, true, /*ok=*/false));
    ASSERT_TRUE(panel::AnswerDialog([] { panel::Click(IDC_FREEZE); },
                                    [](HWND dialog) { SendMessageA(dialog, WM_CLOSE, 0, 0); }));
    EXPECT_EQ(ObjectCount(), 1);
    EXPECT_EQ(MaterialCount(), 0);
    const Mesh after = ReadMesh(ObjectAt(cube));
    EXPECT_EQ(after.faces, source.faces);
}

TEST_F(Freeze, QuickFreezeInDrawingColourModeGivesTheNewMaterialAndOpaqueBlackCorners) {
    panel::ClickRow(0);
    panel::TickRow(0, true);
    wb::ProcessMessages();
    panel::ChooseComboEntry(IDC_COLOR_MODE, 2);
    panel::Click(IDC_EXTRACT_COLORS);
    wb::ProcessMessages();
    panel::Click(IDC_QUICK_FREEZE);
    ASSERT_EQ(MaterialCount(), 1);
    HostMaterial material = MQDoc_GetMaterial(wb::ActiveDocument(), 0);
    EXPECT_EQ(MQMat_GetIntValue(material, kMaterialShowsVertexColor), 1);
    HostObject object = ObjectAt(cube);
    ASSERT_EQ(MQObj_GetFaceCount(object), static_cast<int32_t>(source.faces.size()));
    for (int32_t f = 0; f < MQObj_GetFaceCount(object); ++f) {
        EXPECT_EQ(MQObj_GetFaceMaterial(object, f), 0);
        for (int32_t c = 0; c < MQObj_GetFacePointCount(object, f); ++c) {
            EXPECT_EQ(MQObj_GetFaceVertexColor(object, f, c), 0xFF000000u);
        }
    }
}

TEST_F(Freeze, BlackModeMakesABlackUnlitMaterialWithTheTransparencyAsAlpha) {
    panel::ClickRow(0);
    panel::TickRow(0, true);
    wb::ProcessMessages();
    panel::ChooseComboEntry(IDC_COLOR_MODE, 1);
    panel::Type(IDC_TRANSPARENCY, "30");
    ASSERT_TRUE(FreezeWithDialog(IDC_FREEZE_AS_NEW_OBJECT, false));
    ASSERT_EQ(MaterialCount(), 1);
    HostMaterial material = MQDoc_GetMaterial(wb::ActiveDocument(), 0);
    HostRGB color = {1, 1, 1};
    MQMat_GetColor(material, &color);
    EXPECT_EQ(color.r, 0.0f);
    EXPECT_EQ(color.g, 0.0f);
    EXPECT_EQ(color.b, 0.0f);
    EXPECT_EQ(MQMat_GetAmbient(material), 0.0f);
    EXPECT_EQ(MQMat_GetEmission(material), 1.0f);
    EXPECT_FLOAT_EQ(MQMat_GetAlpha(material), 0.7f);
    EXPECT_EQ(MQMat_GetIntValue(material, kMaterialShowsVertexColor), 0);
    HostObject shell = ObjectAt(1);
    for (int32_t f = 0; f < MQObj_GetFaceCount(shell); ++f) EXPECT_EQ(MQObj_GetFaceMaterial(shell, f), 0);

    // Every freeze in this mode adds a material of its own.
    ASSERT_TRUE(FreezeWithDialog(IDC_FREEZE_AS_NEW_OBJECT, false));
    EXPECT_EQ(MaterialCount(), 2);
}

TEST_F(Freeze, UnchangedModeCreatesNoMaterialAndKeepsTheSourceMaterials) {
    HostMaterial own = MQ_CreateMaterial();
    MQDoc_AddMaterial(wb::ActiveDocument(), own);
    MQObj_SetFaceMaterial(ObjectAt(cube), 2, 0);
    panel::ClickRow(0);
    panel::TickRow(0, true);
    wb::ProcessMessages();
    ASSERT_TRUE(FreezeWithDialog(IDC_FREEZE_AS_NEW_OBJECT, false));
    EXPECT_EQ(MaterialCount(), 1);
    HostObject shell = ObjectAt(1);
    ASSERT_EQ(MQObj_GetFaceCount(shell), 6);
    EXPECT_EQ(MQObj_GetFaceMaterial(shell, 2), 0);
    EXPECT_EQ(MQObj_GetFaceMaterial(shell, 1), -1);
}

TEST_F(Freeze, NothingHappensWithoutASelectedSwitchedOnObject) {
    // No row selected: the freeze buttons are disabled and clicking them does nothing.
    EXPECT_FALSE(panel::Enabled(IDC_FREEZE));
    EXPECT_FALSE(panel::Enabled(IDC_QUICK_FREEZE));
    panel::Click(IDC_QUICK_FREEZE);
    // A selected row whose shell is off.
    panel::ClickRow(0);
    wb::ProcessMessages();
    EXPECT_FALSE(panel::Enabled(IDC_FREEZE));
    panel::Click(IDC_QUICK_FREEZE);
    EXPECT_EQ(ObjectCount(), 1);
    EXPECT_EQ(MaterialCount(), 0);
    EXPECT_EQ(ReadMesh(ObjectAt(cube)).faces, source.faces);
}

TEST_F(Freeze, GeometryGrownSinceTheLastRebuildStaysInPlace) {
    SwitchOnThreeInvertedLayers();
    // The cube gains a vertex after the push cache was built; no event tells the plug-in.
    const HostPoint extra = {5, 5, 5};
    MQObj_AddVertex(ObjectAt(cube), &extra);
    ASSERT_TRUE(FreezeWithDialog(IDC_FREEZE_AS_NEW_OBJECT, false));
    const Mesh shell = ReadMesh(ObjectAt(1));
    ASSERT_EQ(shell.vertices.size(), 27u);
    for (int32_t layer = 0; layer < 3; ++layer) {
        const HostPoint& p = shell.vertices[layer * 9 + 8];
        EXPECT_EQ(p.x, 5.0f);
        EXPECT_EQ(p.y, 5.0f);
        EXPECT_EQ(p.z, 5.0f);
    }
}

TEST(FreezeRealModel, BlackFrameOfTheSpiderFrozenAsANewObjectIsItsReversedTwin) {
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene("/usr/share/assimp/models/OBJ/spider.obj", &error)) << error;
    ASSERT_TRUE(panel::LoadPuffshell(&error)) << error;
    ASSERT_EQ(wb::ActivatePlugin(true), 1);
    wb::ProcessMessages();
    const int32_t objectsBefore = MQDoc_GetObjectCount(wb::ActiveDocument());
    HostObject first = MQDoc_GetObject(wb::ActiveDocument(), 0);
    ASSERT_NE(first, nullptr);
    const Mesh source = ReadMesh(first);

    panel::ClickRow(0);
    wb::ProcessMessages();
    panel::Click(IDC_PRESET_BLACK_FRAME);
    wb::ProcessMessages();
    ASSERT_TRUE(panel::AnswerDialog([] { panel::Click(IDC_FREEZE); },
                                    [](HWND dialog) {
                                        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
                                    }));
    ASSERT_EQ(MQDoc_GetObjectCount(wb::ActiveDocument()), objectsBefore + 1);
    const Mesh shell = ReadMesh(MQDoc_GetObject(wb::ActiveDocument(), objectsBefore));
    EXPECT_EQ(shell.vertices.size(), source.vertices.size());
    ASSERT_EQ(shell.faces.size(), source.faces.size());
    int32_t notReversed = 0;
    for (size_t f = 0; f < shell.faces.size(); ++f) {
        if (!IsReversedCopy(source.faces[f], shell.faces[f], 0)) ++notReversed;
    }
    EXPECT_EQ(notReversed, 0);
    wb::UnloadPlugin();
}

}  // namespace
