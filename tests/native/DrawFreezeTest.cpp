// The draw pass's layers and the freeze's placements, run as the host runs them: event 110 for a
// redraw, the station callback for a freeze.
#include <math.h>

#include "display/ShellMemory.h"
#include "freeze/FreezeShell.h"
#include "plugin/ShellPlugin.h"
#include "tests/native/PluginFixture.h"

// The process's memory as the plug-in reads it: plenty, or what a test leaves. Defined here, it
// takes the place of the native build's own for this program.
namespace {
double g_reportedBytes = 64.0 * (1ull << 30);
}  // namespace

BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status) {
    if (!status) return FALSE;
    const uint64_t bytes = static_cast<uint64_t>(g_reportedBytes);
    *status = MEMORYSTATUSEX{};
    status->dwLength = sizeof *status;
    status->ullTotalPhys = status->ullAvailPhys = bytes;
    status->ullTotalVirtual = status->ullAvailVirtual = bytes;
    return TRUE;
}

namespace {

class Shells : public PluginTest {
  protected:
    void TearDown() override {
        g_reportedBytes = 64.0 * (1ull << 30);
        PluginTest::TearDown();
    }

    // The object at index switched on with layers pushed distance apart, selected.
    ExpansionSettings& SwitchOn(int32_t index, int32_t layers, float distance) {
        HostObject object = testhost::ObjectAt(index);
        ExpansionSettings& settings = SettingsOf(object);
        settings.enabled = 1;
        settings.repeatCount = layers;
        settings.pushDistance = distance;
        standin::SelectObject(object);
        return settings;
    }
    // Leaves the plug-in room for `bytes` beyond the margin it keeps.
    static void LeaveRoomFor(double bytes) {
        g_reportedBytes = 1 << 30;
        g_reportedBytes = (g_reportedBytes - MemoryHeadroomBytes()) + bytes;
    }
    static double LayerBytes(int32_t index) {
        return LayerCostBytes(ShellSourceSize(testhost::ObjectAt(index), index));
    }
    // A freeze in one of its placements, as the freeze dialog starts it.
    static bool Freeze(bool asNewObject, bool replaces) {
        freezeAsNewObject = asNewObject;
        freezeReplaces = replaces;
        freezeResetColors = false;
        return Plugin().runInDocument(FreezeShell) != 0;
    }
    int32_t ObjectCount() { return Host().MQDoc_GetObjectCount(document); }
};

TEST_F(Shells, LayersArePushedInOrderReversedWhenInvertedAndNoneWhileDisabled) {
    testhost::AddUnitQuad("quad");
    ExpansionSettings& settings = SwitchOn(0, 3, 0.5f);
    Activate(true);
    Redraw();
    EXPECT_EQ(LayerDepths(), (std::vector<float>{-0.5f, -1.0f, -1.5f}));

    settings.invertFaces = 1;
    Redraw();
    EXPECT_EQ(LayerDepths(), (std::vector<float>{-1.5f, -1.0f, -0.5f}));
    for (HostObject layer : wb::DrawObjects()) {
        int32_t points[4] = {};
        Host().MQObj_GetFacePointArray(layer, 0, points);
        EXPECT_EQ(points[0], 3);
    }

    // Disabled, or with the station closed: no draw object and no draw material.
    for (bool closed : {false, true}) {
        disableAll = closed ? 0 : 1;
        if (closed) Activate(false);
        wb::ClearReceivedMessages();
        Redraw();
        EXPECT_TRUE(wb::DrawObjects().empty());
        EXPECT_TRUE(wb::ReceivedMessages().empty());
    }
}

TEST_F(Shells, AMemoryShortfallGivesTheLayersThatFit) {
    testhost::AddUnitQuad("quad");
    testhost::AddCube("cube");
    SwitchOn(0, 5, 0.5f);
    SwitchOn(1, 5, 0.5f);
    Activate(true);
    Redraw();
    ASSERT_EQ(wb::DrawObjects().size(), 10u);

    // Room for the quad's five layers and two and a half of the cube's.
    LeaveRoomFor(5 * LayerBytes(0) + 2.5 * LayerBytes(1));
    Redraw();
    ASSERT_EQ(wb::DrawObjects().size(), 7u);
    EXPECT_EQ(testhost::VertexPositions(wb::DrawObjects().back()).size(), 8u);

    // No room at all: the draw materials still, no layer.
    LeaveRoomFor(0);
    wb::ClearReceivedMessages();
    Redraw();
    EXPECT_TRUE(wb::DrawObjects().empty());
    EXPECT_EQ(wb::DrawMaterials().size(), 2u);
}

// Each placement: the cube's two layers pushed 1 and 2 along its corners' diagonals, as a new
// object, after the cube's own geometry, or in its place.
TEST_F(Shells, EachPlacementPutsTheLayersWhereItSays) {
    struct Placement {
        bool asNewObject, replaces;
        int32_t objects, firstLayerVertex, vertices, faces;
    };
    for (const Placement& p :
         {Placement{true, false, 2, 0, 16, 12}, Placement{false, false, 1, 8, 24, 18},
          Placement{false, true, 1, 0, 16, 12}}) {
        document = wb::NewDocument();
        rebuildPending = true;
        testhost::AddCube("cube", 2.0f);
        const std::vector<HostPoint> cube = testhost::VertexPositions(testhost::ObjectAt(0));
        SwitchOn(0, 2, 1.0f);
        Activate(true);
        ASSERT_TRUE(Freeze(p.asNewObject, p.replaces));
        ASSERT_EQ(ObjectCount(), p.objects);
        HostObject shell = testhost::ObjectAt(p.objects - 1);
        EXPECT_EQ(Host().MQObj_GetFaceCount(shell), p.faces);
        const std::vector<HostPoint> points = testhost::VertexPositions(shell);
        ASSERT_EQ(points.size(), static_cast<size_t>(p.vertices));
        for (int32_t layer = 0; layer < 2; ++layer) {
            const float step = (layer + 1) / sqrtf(3.0f);
            for (size_t i = 0; i < cube.size(); ++i) {
                const HostPoint& q = points[p.firstLayerVertex + layer * cube.size() + i];
                EXPECT_NEAR(q.x, cube[i].x + copysignf(step, cube[i].x), 1e-5f)
                    << layer << " " << i;
                EXPECT_NEAR(q.y, cube[i].y + copysignf(step, cube[i].y), 1e-5f)
                    << layer << " " << i;
                EXPECT_NEAR(q.z, cube[i].z + copysignf(step, cube[i].z), 1e-5f)
                    << layer << " " << i;
            }
        }
    }
}

TEST_F(Shells, AFreezeChangesNothingWithoutASwitchedOnSelectionOrRoomForIt) {
    testhost::AddCube("cube");
    HostObject cube = testhost::ObjectAt(0);
    Activate(true);
    auto expectUnchanged = [&] {
        EXPECT_EQ(ObjectCount(), 1);
        EXPECT_EQ(Host().MQObj_GetVertexCount(cube), 8);
        EXPECT_EQ(Host().MQObj_GetFaceCount(cube), 6);
        EXPECT_EQ(Host().MQDoc_GetMaterialCount(document), 0);
    };
    EXPECT_FALSE(Freeze(false, true));  // nothing selected
    expectUnchanged();
    standin::SelectObject(cube);  // selected, switched off
    EXPECT_FALSE(Freeze(false, true));
    expectUnchanged();

    // Switched on in black, but two layers replacing the cube do not fit.
    SwitchOn(0, 2, 1.0f).colorMode = Black;
    Redraw();
    LeaveRoomFor(2.5 * LayerBytes(0));
    EXPECT_FALSE(Freeze(false, true));
    EXPECT_TRUE(freezeDidNotFit);
    expectUnchanged();
    TellFreezeDidNotFit();
    EXPECT_FALSE(freezeDidNotFit);
}

// Vertices and faces the object gained after the push cache was built are frozen with it, in place.
TEST_F(Shells, GeometryGrownSinceTheLastRebuildIsFrozenInPlace) {
    testhost::AddCube("cube");
    HostObject cube = testhost::ObjectAt(0);
    SwitchOn(0, 2, 1.0f);
    Activate(true);
    Redraw();
    const HostPoint extra[2] = {{5, 5, 5}, {6, 5, 5}};
    const int32_t first = Host().MQObj_AddVertex(cube, &extra[0]);
    Host().MQObj_AddVertex(cube, &extra[1]);
    int32_t face[3] = {first, first + 1, 6};
    Host().MQObj_AddFace(cube, 3, face);

    ASSERT_TRUE(Freeze(true, false));
    HostObject shell = testhost::ObjectAt(1);
    EXPECT_EQ(Host().MQObj_GetFaceCount(shell), 14);
    const std::vector<HostPoint> points = testhost::VertexPositions(shell);
    ASSERT_EQ(points.size(), 20u);
    for (int32_t layer = 0; layer < 2; ++layer) {
        EXPECT_EQ(points[layer * 10 + 8].x, 5.0f);
        EXPECT_EQ(points[layer * 10 + 9].x, 6.0f);
    }
}

}  // namespace
