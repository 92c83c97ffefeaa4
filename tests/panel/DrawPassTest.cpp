// The draw pass as the host sees it at a redraw: the calls and messages it makes, in order, and
// the layers it builds.
#include <math.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "tests/panel/PanelFixture.h"
#include "workbench/host/Model.h"  // the document's slots, for a reordering host

#include <psapi.h>

namespace {

std::vector<int32_t> MessageCodes() {
    std::vector<int32_t> codes;
    for (const wb::ReceivedMessage& m : wb::ReceivedMessages()) codes.push_back(m.code);
    return codes;
}

TEST_F(PanelTest, MaterialsComeFirstEvenWithoutObjectsAndNothingComesWhileHiddenOrDisabled) {
    Open();
    std::vector<std::string> calls = testhost::RecordCalls([] { wb::Redraw(); });
    // The two draw materials, each set up at once: vertex colours, then pitch black.
    std::vector<std::string> materialCalls;
    for (const std::string& call : calls) {
        if (call.rfind("MQMat_", 0) == 0 || call.rfind("MQ_SendMessage", 0) == 0)
            materialCalls.push_back(call.substr(0, call.find('(')));
    }
    EXPECT_EQ(materialCalls, (std::vector<std::string>{
                                 "MQ_SendMessage", "MQMat_SetIntValue", "MQMat_SetAmbient",
                                 "MQMat_SetEmission", "MQMat_SetIntValue", "MQMat_SetColor",
                                 "MQ_SendMessage", "MQMat_SetAmbient", "MQMat_SetEmission",
                                 "MQMat_SetIntValue", "MQMat_SetColor"}));
    EXPECT_EQ(wb::DrawMaterials().size(), 2u);

    // Hidden panel: nothing requested.
    wb::ActivatePlugin(false);
    wb::ClearReceivedMessages();
    wb::Redraw();
    EXPECT_TRUE(wb::ReceivedMessages().empty());

    // "無効化": nothing either. Clearing it shows the shells again at once, although the redraw
    // asked for while it was set came and went without a pass.
    testhost::AddUnitQuad("quad");
    wb::ActivatePlugin(true);
    wb::ProcessMessages();
    ClickRow(0);
    TickRow(0, true);
    Click(IDC_DISABLE_ALL);
    wb::ProcessMessages();
    wb::ClearReceivedMessages();
    wb::Redraw();
    EXPECT_TRUE(wb::ReceivedMessages().empty());
    Click(IDC_DISABLE_ALL);
    wb::ProcessMessages();
    EXPECT_EQ(MessageCodes(), (std::vector<int32_t>{201, 201, 200}));
}

TEST_F(PanelTest, APendingRebuildResynchronisesBeforeTheFirstMaterialIsRequested) {
    testhost::AddUnitQuad("quad");
    Open();
    TickRow(0, true);
    std::vector<std::string> names = testhost::RecordNames([] { wb::ProcessMessages(); });
    auto firstMessage = std::find(names.begin(), names.end(), "MQ_SendMessage");
    auto cacheRead = std::find(names.begin(), names.end(), "MQObj_GetFacePointArray");
    EXPECT_LT(cacheRead - names.begin(), firstMessage - names.begin());
}

TEST_F(PanelTest, HiddenObjectsGetShellsOnlyUnderForceDisplay) {
    testhost::AddUnitQuad("shown");
    testhost::AddUnitQuad("hidden");
    Host().MQObj_SetVisible(testhost::ObjectAt(1), 0);
    Open();
    TickRow(0, true);
    TickRow(1, true);
    wb::ProcessMessages();
    EXPECT_EQ(wb::DrawObjects().size(), 1u);
    ClickRow(0);
    Click(IDC_FORCE_DISPLAY);
    wb::ProcessMessages();
    EXPECT_EQ(wb::DrawObjects().size(), 2u);
}

// ---- a document changed behind the plug-in's back ---------------------------------------------

// The host moves two objects of the document to each other's slots, as a reordering does.
void SwapSlots(HostDocument document, size_t a, size_t b) {
    auto* d = reinterpret_cast<wb::detail::Document*>(document);
    std::swap(d->objects[a], d->objects[b]);
    std::swap(d->selection[a], d->selection[b]);
}

// Whether layer is its source moved along the source's own vertex normals by distance: a
// triangle in the plane z = 0 straight down, a cube's corners along their diagonals.
void ExpectPushedAlongItsOwnNormals(HostObject layer, float distance) {
    const std::vector<HostPoint> points = testhost::VertexPositions(layer);
    const bool cube = points.size() == 8;
    ASSERT_TRUE(cube || points.size() == 3) << points.size() << " vertices";
    const float corner = distance / sqrtf(3.0f);
    for (const HostPoint& p : points) {
        if (cube) {
            for (float c : {p.x, p.y, p.z}) EXPECT_NEAR(fabsf(c), 0.5f + corner, 1e-5f);
        } else {
            EXPECT_NEAR(p.z, -distance, 1e-6f);
        }
    }
}

TEST_F(PanelTest, ObjectsMovedOrDeletedWhileDisabledArePushedAlongTheirOwnNormals) {
    wb::AddMeshObject("triangle", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 1, 2}});
    testhost::AddCube("box");
    Open();
    TickRow(0, true);
    TickRow(1, true);
    ClickRow(0);
    wb::ProcessMessages();

    Click(IDC_DISABLE_ALL);
    SwapSlots(document, 0, 1);
    Event(kEventObjectListUpdated);  // unheard
    Click(IDC_DISABLE_ALL);
    wb::ProcessMessages();
    EXPECT_EQ(RowText(0), "box");
    EXPECT_EQ(RowText(1), "triangle");
    ASSERT_EQ(wb::DrawObjects().size(), 2u);
    for (HostObject layer : wb::DrawObjects()) ExpectPushedAlongItsOwnNormals(layer, 1.0f);

    // A host that moves them back without telling: no object is pushed by another's entry.
    SwapSlots(document, 0, 1);
    wb::Redraw();
    ASSERT_EQ(wb::DrawObjects().size(), 2u);
    for (HostObject layer : wb::DrawObjects()) ExpectPushedAlongItsOwnNormals(layer, 1.0f);

    // The triangle deleted and the slots closed up while disabled: the box takes its index.
    ClickRow(0);
    Click(IDC_DISABLE_ALL);
    Host().MQDoc_DeleteObject(document, 0);
    Host().MQDoc_Compact(document);
    Event(kEventObjectListUpdated);
    Click(IDC_DISABLE_ALL);
    wb::ProcessMessages();
    EXPECT_EQ(RowCount(), 1);
    EXPECT_EQ(RowText(0), "box");
    ASSERT_EQ(wb::DrawObjects().size(), 1u);
    ExpectPushedAlongItsOwnNormals(wb::DrawObjects()[0], 1.0f);
}

TEST_F(PanelTest, LayersAreBuiltInnermostFirstOrOutermostFirstWhenInverted) {
    testhost::AddUnitQuad("quad");
    Host().MQObj_SetMirrorType(testhost::ObjectAt(0), 1);
    Host().MQObj_SetMirrorAxis(testhost::ObjectAt(0), 4);
    Host().MQObj_SetMirrorDistance(testhost::ObjectAt(0), 0.25f);
    Open();
    ClickRow(0);
    TickRow(0, true);
    Type(IDC_REPEAT_COUNT, "3");
    Type(IDC_PUSH_DISTANCE, "0.5");
    wb::ProcessMessages();
    EXPECT_EQ(LayerDepths(), (std::vector<float>{-0.5f, -1.0f, -1.5f}));
    for (HostObject layer : wb::DrawObjects()) {
        EXPECT_EQ(Host().MQObj_GetMirrorType(layer), 1);
        EXPECT_EQ(Host().MQObj_GetMirrorAxis(layer), 4u);
        EXPECT_EQ(Host().MQObj_GetMirrorDistance(layer), 0.25f);
    }

    Click(IDC_INVERT_FACES);
    wb::ProcessMessages();
    EXPECT_EQ(LayerDepths(), (std::vector<float>{-1.5f, -1.0f, -0.5f}));
    for (HostObject layer : wb::DrawObjects()) {
        int32_t points[4] = {};
        Host().MQObj_GetFacePointArray(layer, 0, points);
        EXPECT_EQ(points[0], 3);
    }
}

// Each black shell shows its own object's transparency, and only black shells set a black
// material's alpha; one transparency shared by every black shell still costs two draw materials.
TEST_F(PanelTest, EveryBlackShellShowsItsOwnObjectsTransparency) {
    testhost::AddUnitQuad("torus");
    testhost::AddUnitQuad("plain");  // its own materials ("変更しない"), opaque
    testhost::AddUnitQuad("ball");
    Open();
    for (int32_t row = 0; row < 3; ++row) TickRow(row, true);
    ClickRow(0);
    Click(IDC_PRESET_BLACK_FRAME);
    ClickRow(2);
    Click(IDC_PRESET_BLUR);  // 90 % in the drawing colour
    auto countAlphaCalls = [] {
        std::vector<std::string> names = testhost::RecordNames([] { wb::ProcessMessages(); });
        return std::count(names.begin(), names.end(), "MQMat_SetAlpha");
    };
    EXPECT_EQ(countAlphaCalls(), 1);  // the torus's one black layer
    ASSERT_EQ(wb::DrawMaterials().size(), 2u);
    EXPECT_FLOAT_EQ(Host().MQMat_GetAlpha(wb::DrawMaterials().at(1)), 1.0f);

    // The ball black at 90 % too: a third material, made for it alone.
    ChooseComboEntry(IDC_COLOR_MODE, 1);
    EXPECT_EQ(countAlphaCalls(), 1 + 5);
    ASSERT_EQ(wb::DrawMaterials().size(), 3u);
    std::map<int32_t, float> alphaOfIndex;
    for (HostMaterial material : wb::DrawMaterials())
        alphaOfIndex[wb::DrawMaterialIndex(material)] = Host().MQMat_GetAlpha(material);
    const std::vector<HostObject>& layers = wb::DrawObjects();
    ASSERT_EQ(layers.size(), 1u + 1u + 5u);  // torus, plain, ball
    EXPECT_FLOAT_EQ(alphaOfIndex.at(FaceMaterial(layers.front(), 0)), 1.0f);
    for (size_t layer = 2; layer < layers.size(); ++layer)
        EXPECT_FLOAT_EQ(alphaOfIndex.at(FaceMaterial(layers[layer], 0)), 0.1f);
}

// ---- the host calls of a pass whose shells fit --------------------------------------------------

// The calls with handles renumbered in order of appearance ("obj1", "mat1", ...), so that a
// recording does not depend on what the host made before it.
std::vector<std::string> Renumbered(const std::vector<std::string>& calls) {
    std::map<std::string, int> numbers[2];
    std::vector<std::string> out;
    for (const std::string& call : calls) {
        std::string line;
        for (size_t i = 0; i < call.size();) {
            const int kind = call.compare(i, 3, "obj") == 0 ? 0 : call.compare(i, 3, "mat") == 0 ? 1 : -1;
            size_t end = i + 3;
            while (kind >= 0 && end < call.size() && isdigit(static_cast<unsigned char>(call[end]))) ++end;
            if (kind < 0 || end == i + 3) {
                line += call[i++];
                continue;
            }
            auto& table = numbers[kind];
            const auto found = table.emplace(call.substr(i, end - i), static_cast<int>(table.size()) + 1);
            line += call.substr(i, 3) + std::to_string(found.first->second);
            i = end;
        }
        out.push_back(line);
    }
    return out;
}

uint64_t Fnv1a(const std::vector<std::string>& lines) {
    uint64_t hash = 14695981039346656037ull;
    for (const std::string& line : lines) {
        for (unsigned char c : line + "\n") hash = (hash ^ c) * 1099511628211ull;
    }
    return hash;
}

TEST_F(PanelTest, APassWhoseShellsFitMakesTheHostCallsItMadeBeforeMemoryWasWatched) {
    testhost::AddCube("frame");
    testhost::AddUnitQuad("blur");
    testhost::AddUnitQuad("material");
    testhost::AddUnitQuad("deleted");
    testhost::AddCube("hidden");
    AddMaterial("paint");
    Host().MQObj_SetMirrorType(testhost::ObjectAt(2), 1);
    Host().MQObj_SetMirrorDistance(testhost::ObjectAt(2), 0.5f);
    Host().MQDoc_DeleteObject(document, 3);
    Host().MQObj_SetVisible(testhost::ObjectAt(4), 0);
    Open();
    ClickRow(0);
    Click(IDC_PRESET_BLACK_FRAME);
    Type(IDC_REPEAT_COUNT, "3");
    Type(IDC_TRANSPARENCY, "30");
    ClickRow(1);
    Click(IDC_PRESET_BLUR);
    Type(IDC_REPEAT_COUNT, "2");
    ClickRow(2);
    TickRow(2, true);
    wb::ProcessMessages();
    ChooseComboEntry(IDC_COLOR_MODE, 3);  // the document's "paint"
    TickRow(3, true);                     // the hidden cube
    wb::ProcessMessages();

    Event(kEventObjectModified);  // the pass rebuilds first
    const std::vector<std::string> calls = Renumbered(testhost::RecordCalls([] { wb::Redraw(); }));
    EXPECT_EQ(wb::DrawObjects().size(), 6u);
    // Recorded from the plug-in as it was before it watched its memory, less the three black
    // alphas that the blurred and the "paint" layers no longer set.
    const size_t kCallsBefore = 407;
    const uint64_t kHashBefore = 0x3b2c133d18679648ull;
    const std::string dump = testhost::TempFolder() + "draw-pass-calls.txt";
    if (calls.size() != kCallsBefore || Fnv1a(calls) != kHashBefore) {
        std::ofstream out(dump);
        for (const std::string& call : calls) out << call << "\n";
    }
    EXPECT_EQ(calls.size(), kCallsBefore);
    EXPECT_EQ(Fnv1a(calls), kHashBefore) << std::hex << Fnv1a(calls) << " (calls in " << dump << ")";
}

// ---- shells the process cannot hold ---------------------------------------------------------------

// A flat grid of rows x columns quadrilaterals, each split into two triangles, as one object that
// is not in the document yet.
HostObject MakeTriangleGrid(const char* name, int32_t rows, int32_t columns) {
    HostApi& host = Host();
    HostObject object = host.MQ_CreateObject();
    host.MQObj_SetName(object, name);
    for (int32_t y = 0; y <= rows; ++y) {
        for (int32_t x = 0; x <= columns; ++x) {
            const HostPoint p = {static_cast<float>(x), static_cast<float>(y), 0.0f};
            host.MQObj_AddVertex(object, &p);
        }
    }
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t x = 0; x < columns; ++x) {
            const int32_t a = y * (columns + 1) + x, b = a + 1, c = a + columns + 2, d = a + columns + 1;
            const int32_t first[3] = {a, b, c}, second[3] = {a, c, d};
            host.MQObj_AddFace(object, 3, first);
            host.MQObj_AddFace(object, 3, second);
        }
    }
    return object;
}

int32_t AddTriangleGrid(const char* name, int32_t rows, int32_t columns) {
    return Host().MQDoc_AddObject(wb::ActiveDocument(), MakeTriangleGrid(name, rows, columns));
}

// Memory this process holds (Wine reports it as PagefileUsage and leaves PrivateUsage 0).
uint64_t ProcessBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// The address space of a 32-bit modeller: all a 32-bit process has, what a 64-bit one is held to
// here.
const uint64_t kAddressSpace = 2ull << 30;

// The plug-in's view of memory in the 64-bit build: a 32-bit process's address space, less what
// this process holds at the moment of asking. A 64-bit process under Wine has no limit of its own
// that GlobalMemoryStatusEx would show (Wine ignores job-object memory limits and a 64-bit
// program without large-address awareness, and its figures come from the whole machine), so the
// limit is the one the plug-in meets in the modeller's 32-bit process, on top of the memory this
// process really uses.
BOOL WINAPI ThirtyTwoBitMemoryStatus(MEMORYSTATUSEX* status) {
    if (!GlobalMemoryStatusEx(status)) return FALSE;
    const uint64_t used = ProcessBytes();
    status->ullTotalVirtual = kAddressSpace;
    status->ullAvailVirtual = used < kAddressSpace ? kAddressSpace - used : 0;
    return TRUE;
}

TEST_F(PanelTest, ShellsTooLargeForTheProcessGetTheLayersThatFitAndFreezingThemChangesNothing) {
    AddTriangleGrid("large", 810, 810);  // 1,312,200 triangles
    Open();
    // In the 32-bit build the process's own address space is the limit.
    if (sizeof(void*) == 8) {
        ASSERT_NE(testhost::ReplaceImport(wb::PluginModule(), "GlobalMemoryStatusEx",
                                          reinterpret_cast<void*>(&ThirtyTwoBitMemoryStatus)),
                  nullptr);
    }
    HostObject large = testhost::ObjectAt(0);
    const int32_t vertices = Host().MQObj_GetVertexCount(large);
    const int32_t faces = Host().MQObj_GetFaceCount(large);
    const int32_t materials = Host().MQDoc_GetMaterialCount(document);
    ClickRow(0);
    TickRow(0, true);
    Type(IDC_REPEAT_COUNT, "1000");
    wb::ProcessMessages();
    const size_t built = wb::DrawObjects().size();
    EXPECT_GE(built, 1u);
    EXPECT_LT(built, 10u);
    EXPECT_LT(ProcessBytes(), kAddressSpace);

    // The plug-in goes on answering: an edit redraws with the layers that fit.
    Event(kEventObjectModified);
    wb::ProcessMessages();
    EXPECT_GE(wb::DrawObjects().size(), 1u);
    EXPECT_LT(ProcessBytes(), kAddressSpace);

    // A freeze of a thousand layers does not fit: the user is told so, once per freeze, and the
    // document stays exactly as it was.
    std::string said[2];
    QuickFreeze(&said[0]);
    ASSERT_TRUE(FreezeWithDialog(IDC_FREEZE_AS_NEW_OBJECT, false, &said[1]));
    for (const std::string& text : said) {
        EXPECT_NE(text.find("メモリ"), std::string::npos) << text;
        EXPECT_NE(text.find("「繰り返し」を減ら"), std::string::npos) << text;  // 減らし / 減らすか
        EXPECT_EQ(text.find("64bit") != std::string::npos, sizeof(void*) == 4) << text;
    }
    wb::ProcessMessages();
    EXPECT_EQ(Host().MQDoc_GetObjectCount(document), 1);
    EXPECT_EQ(Host().MQObj_GetVertexCount(large), vertices);
    EXPECT_EQ(Host().MQObj_GetFaceCount(large), faces);
    EXPECT_EQ(Host().MQDoc_GetMaterialCount(document), materials);

    // One layer works as before, on screen and frozen.
    Type(IDC_REPEAT_COUNT, "1");
    wb::ProcessMessages();
    EXPECT_EQ(wb::DrawObjects().size(), 1u);
    ASSERT_TRUE(FreezeWithDialog(IDC_FREEZE_AS_NEW_OBJECT, false, &said[0]));
    EXPECT_EQ(said[0], "");
    ASSERT_EQ(Host().MQDoc_GetObjectCount(document), 2);
    EXPECT_EQ(Host().MQObj_GetFaceCount(testhost::ObjectAt(1)), faces);
    EXPECT_EQ(Host().MQObj_GetVertexCount(large), vertices);
}

// An object edited since the last rebuild (no change event has come yet) is frozen as it is now,
// not at the size the push cache saw.
TEST_F(PanelTest, AFreezeCountsTheObjectAsItIsNowNotAsTheLastRebuildSawIt) {
    AddTriangleGrid("small", 1, 1);
    Open();
    if (sizeof(void*) == 8) {
        ASSERT_NE(testhost::ReplaceImport(wb::PluginModule(), "GlobalMemoryStatusEx",
                                          reinterpret_cast<void*>(&ThirtyTwoBitMemoryStatus)),
                  nullptr);
    }
    HostObject object = testhost::ObjectAt(0);
    ClickRow(0);
    TickRow(0, true);
    Type(IDC_REPEAT_COUNT, "10");
    wb::ProcessMessages();
    HostObject grid = MakeTriangleGrid("grid", 810, 810);  // 1,312,200 triangles
    Host().MQObj_Merge(object, grid);
    Host().MQObj_Delete(grid);
    const int32_t faces = Host().MQObj_GetFaceCount(object);

    QuickFreeze();  // ten layers replacing the object do not fit
    wb::ProcessMessages();
    EXPECT_EQ(Host().MQObj_GetFaceCount(object), faces);
}

}  // namespace
