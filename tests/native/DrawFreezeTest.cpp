// The draw pass's layers and the freeze's placements, run as the host runs them: event 110 for a
// redraw, the station callback for a freeze.
#include <math.h>

#include <new>
#include <utility>

#include "display/ShellMemory.h"
#include "freeze/FreezeShell.h"
#include "plugin/ShellPlugin.h"
#include "tests/native/PluginFixture.h"
#include "workbench/host/Model.h"  // the document's slots, for a reordering host

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

// The host moves two objects of the document to each other's slots, as a reordering does.
void SwapSlots(HostDocument document, size_t a, size_t b) {
    auto* d = reinterpret_cast<wb::detail::Document*>(document);
    std::swap(d->objects[a], d->objects[b]);
    std::swap(d->selection[a], d->selection[b]);
}

// A host out of memory while it reports faces, and how often a rebuild of the push cache asked it.
HostApi g_real;
bool g_outOfMemory = false;
int32_t g_failedRebuilds = 0;
int32_t PointCountOutOfMemory(HostObject object, int32_t face) {
    if (!g_outOfMemory) return g_real.MQObj_GetFacePointCount(object, face);
    ++g_failedRebuilds;
    throw std::bad_alloc();
}

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
        return LayerCostBytes(ShellSourceSize(testhost::ObjectAt(index), index, testhost::UniqueIdAt(index)));
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

// Vertices and faces the object gained after the push cache was built are frozen with it: the
// freeze catches the cache up, so they are pushed along their own face's normal, layer by layer.
TEST_F(Shells, GeometryGrownSinceTheLastRebuildIsFrozenWithIt) {
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
    // The new face's unit normal, (a - b) x (c - b), which its two new vertices are pushed along.
    HostPoint c = {};
    Host().MQObj_GetVertex(cube, 6, &c);
    const float u[3] = {extra[0].x - extra[1].x, extra[0].y - extra[1].y, extra[0].z - extra[1].z};
    const float v[3] = {c.x - extra[1].x, c.y - extra[1].y, c.z - extra[1].z};
    float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const float length = sqrtf(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (float& axis : n) axis /= length;

    ASSERT_TRUE(Freeze(true, false));
    HostObject shell = testhost::ObjectAt(1);
    EXPECT_EQ(Host().MQObj_GetFaceCount(shell), 14);
    const std::vector<HostPoint> points = testhost::VertexPositions(shell);
    ASSERT_EQ(points.size(), 20u);
    for (int32_t layer = 0; layer < 2; ++layer) {
        for (int32_t k = 0; k < 2; ++k) {
            const HostPoint& p = points[layer * 10 + 8 + k];
            const float step = layer + 1.0f;
            EXPECT_NEAR(p.x, extra[k].x + n[0] * step, 1e-5f) << layer << " " << k;
            EXPECT_NEAR(p.y, extra[k].y + n[1] * step, 1e-5f) << layer << " " << k;
            EXPECT_NEAR(p.z, extra[k].z + n[2] * step, 1e-5f) << layer << " " << k;
        }
    }
}

// A host that reorders its objects without telling, in two passes in a row: each pass catches the
// push cache up, and no object is pushed along another's directions or sized by another's entry.
TEST_F(Shells, ObjectsReorderedTwiceWithoutEventsArePushedAlongTheirOwnNormals) {
    wb::AddMeshObject("triangle", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 1, 2}});
    testhost::AddCube("box");
    SwitchOn(0, 1, 1.0f);
    SwitchOn(1, 1, 1.0f);
    Activate(true);
    Redraw();
    for (int round = 0; round < 2; ++round) {
        SwapSlots(document, 0, 1);
        // Before the pass catches up: the box at index 0 is sized as the box, not the triangle.
        const MeshSize size = ShellSourceSize(testhost::ObjectAt(0), 0, testhost::UniqueIdAt(0));
        EXPECT_EQ(size.vertices, round == 0 ? 8 : 3) << round;
        Redraw();
        ASSERT_EQ(wb::DrawObjects().size(), 2u);
        for (HostObject layer : wb::DrawObjects()) {
            const std::vector<HostPoint> points = testhost::VertexPositions(layer);
            const float corner = 0.5f + 1.0f / sqrtf(3.0f);
            for (const HostPoint& p : points) {
                if (points.size() == 8) {
                    for (float axis : {p.x, p.y, p.z}) EXPECT_NEAR(fabsf(axis), corner, 1e-5f) << round;
                } else {
                    EXPECT_NEAR(p.z, -1.0f, 1e-6f) << round;
                }
            }
        }
    }
}

// A rebuild that runs out of memory is tried again at the next edit, not at every redraw (each
// would drive the process to its limit again); until then the layers are not pushed.
TEST_F(Shells, ARebuildOutOfMemoryIsRetriedAtTheNextEditOnly) {
    testhost::AddCube("cube");
    SwitchOn(0, 1, 1.0f);
    Activate(true);
    testhost::ScopedHostOverride host;
    g_real = host.original();
    Host().MQObj_GetFacePointCount = PointCountOutOfMemory;
    g_outOfMemory = true;
    g_failedRebuilds = 0;
    Event(kEventObjectModified);
    for (int pass = 0; pass < 3; ++pass) Redraw();
    EXPECT_EQ(g_failedRebuilds, 1);

    g_outOfMemory = false;
    Event(kEventObjectModified);
    Redraw();
    ASSERT_EQ(wb::DrawObjects().size(), 1u);
    const HostPoint corner = testhost::VertexPositions(wb::DrawObjects()[0]).at(0);
    EXPECT_NEAR(fabsf(corner.x), 0.5f + 1.0f / sqrtf(3.0f), 1e-5f);
}

}  // namespace
