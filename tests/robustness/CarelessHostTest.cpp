// A careless host: null where a handle belongs, faces said to have no points or five, point
// indices outside the object, counts below zero or far beyond the objects, material indices past
// the list. The plug-in's own code (linked in, with its panel made from Puffshell.dll's dialog
// templates) runs its geometry, its draw pass and its freeze against such a host through
// ScopedHostOverride: nothing may be read or written out of bounds, no handle of a destroyed
// object used, and the document changed only by a freeze that has what it needs.
#include <math.h>

#include "display/DrawPass.h"
#include "freeze/FreezeShell.h"
#include "geometry/ExtractColors.h"
#include "geometry/FaceOperations.h"
#include "geometry/VertexPushCache.h"
#include "plugin/ModuleState.h"
#include "plugin/ShellPlugin.h"
#include "settings/SettingsStore.h"
#include "settings/TextureCache.h"
#include "tests/robustness/RobustnessFixture.h"
#include "ui/ControlPanel.h"
#include "ui/ObjectList.h"

using namespace robustness;

namespace {

HostApi g_real;

// ---- faked host functions ---------------------------------------------------------------------

// Faces: face f % 3 == 0 is said to have five points, f % 3 == 1 none; the others report their
// real points with one index pushed outside the object. A fixed buffer of four handed over for a
// face of five would be overrun: such calls are counted.
int32_t g_bufferOverruns = 0;
int32_t OddPointCount(HostObject object, int32_t face) {
    switch (face % 3) {
    case 0: return 5;
    case 1: return 0;
    default: return g_real.MQObj_GetFacePointCount(object, face);
    }
}
void OddPointArray(HostObject object, int32_t face, int32_t* indices) {
    if (face % 3 != 2) {
        ++g_bufferOverruns;
        return;
    }
    g_real.MQObj_GetFacePointArray(object, face, indices);
    indices[face % 2] = face % 4 == 0 ? -1 : 1 << 30;
}

// Null from every function that hands out a handle, and messages left unanswered.
HostObject NoObject() { return nullptr; }
HostObject NoClone(HostObject) { return nullptr; }
HostMaterial NoMaterial() { return nullptr; }
HostMaterial NoDocumentMaterial(HostDocument, int32_t) { return nullptr; }
int32_t UnansweredMessage(int32_t, HostMessage*) { return 0; }

// Counts below zero.
int32_t NegativeCount(HostObject) { return -7; }
int32_t NegativeDocumentCount(HostDocument) { return -3; }

// Far more object slots than objects: the slots past the real ones are empty.
int32_t ManySlots(HostDocument doc) { return g_real.MQDoc_GetObjectCount(doc) + 200000; }

// Face materials past the material list, or below -1.
int32_t MaterialPastTheList(HostObject, int32_t face) { return face % 2 ? 999 : -7; }

}  // namespace

class CarelessHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        document = wb::NewDocument();
        wb::Redraw();  // no plug-in is loaded: only the last test's draw objects go
        currentDocument = document;
        selectionOnly = false;
        Settings().clear();
        Textures().clear();
        RebuildPushCache(nullptr);
        // The plug-in's panel, made from the real module's templates by the code linked in here.
        resources = LoadLibraryA(panel::BesideThisProgram("Puffshell.dll").c_str());
        ASSERT_NE(resources, nullptr);
        moduleInstance = resources;
        ASSERT_TRUE(Plugin().initialize());
        staleBefore = wb::StaleHandleUses();
        g_bufferOverruns = 0;
    }
    void TearDown() override {
        Plugin().exit();
        moduleInstance = nullptr;
        if (resources) FreeLibrary(resources);
        currentDocument = nullptr;
        selectionOnly = false;
        forceDisplay = false;
        Textures().clear();
        EXPECT_EQ(wb::StaleHandleUses(), staleBefore);
        EXPECT_EQ(g_bufferOverruns, 0) << "a face buffer of four was handed over for a face of five";
    }

    // A cube, a quad, a line and a point, every one switched on with a height map, vertex-colour
    // push, extracted colours and the given colour mode; the panel shown with the cube selected.
    void MakeDocument(int32_t colorMode) {
        testhost::AddCube("cube");
        testhost::AddUnitQuad("quad");
        wb::AddMeshObject("line", {{0, 0, 0}, {0, 0, 1}}, {{0, 1}});
        wb::AddMeshObject("point", {{2, 2, 2}}, {{0}});
        HostMaterial material = Host().MQ_CreateMaterial();
        Host().MQMat_SetTextureName(material, "good24.bmp");
        Host().MQDoc_AddMaterial(document, material);
        ImageCases();
        wb::SetTextureFolder(ImageFolder().c_str());
        for (int32_t i = 0; i < 4; ++i) {
            HostObject object = testhost::ObjectAt(i);
            for (int32_t f = 0; f < Host().MQObj_GetFaceCount(object); ++f) Host().MQObj_SetFaceMaterial(object, f, 0);
            ExpansionSettings& settings = Settings().findOrCreate(testhost::UniqueIdAt(i));
            settings.enabled = 1;
            settings.heightMapOn = 1;
            settings.vertexColorPush = 1;
            settings.repeatCount = 2;
            settings.invertFaces = 1;
            settings.colorMode = colorMode;
            testhost::ImageBlocks blocks = testhost::MakeImageBlocks(2, 2, 24, std::vector<uint8_t>(12, 128));
            settings.heightMap.adopt(blocks.header, blocks.pixels);
            ExtractColors(object);
        }
        ASSERT_TRUE(Plugin().activate(document, true));
        panel::ClickRow(0);
        wb::PumpWindowMessages();
    }

    // Everything the plug-in does with a document: list and combo filled, cache rebuilt with and
    // without the selection filter, colours extracted, faces worked, a draw pass, and a freeze of
    // each placement. *froze tells whether any freeze changed the document.
    void RunEverything(bool* froze = nullptr) {
        FillObjectList(document);
        panel::ClickRow(0);
        wb::PumpWindowMessages();
        FillMaterialCombo();
        selectionOnly = true;
        RebuildPushCache(document);
        selectionOnly = false;
        rebuildPending = true;
        DrawPass(document);
        for (int32_t i = 0; i < 4; ++i) {
            HostObject object = Host().MQDoc_GetObject(document, i);
            ExtractColors(object);
            HostObject copy = g_real.MQObj_Clone(object);
            InvertAllFaces(copy);
            ApplyExtractedColors(copy, testhost::UniqueIdAt(i));
            AssignFaceMaterial(copy, 0);
            ResetVertexColors(copy);
            g_real.MQObj_Delete(copy);
        }
        bool changed = false;
        for (int32_t placement = 0; placement < 3; ++placement) {
            freezeAsNewObject = placement == 0;
            freezeReplaces = placement != 1;
            freezeResetColors = placement == 2;
            changed = Plugin().runInDocument(FreezeShell) != 0 || changed;
        }
        if (froze) *froze = changed;
    }

    HostDocument document = nullptr;
    HMODULE resources = nullptr;
    int64_t staleBefore = 0;
};

TEST_F(CarelessHostTest, FacesOfNoPointsOrFiveAndIndicesOutsideAreNeverRead) {
    MakeDocument(ExtractedColors);
    testhost::ScopedHostOverride host;
    g_real = host.original();
    Host().MQObj_GetFacePointCount = OddPointCount;
    Host().MQObj_GetFacePointArray = OddPointArray;
    RunEverything();
    DrawSummary draws = SummarizeDrawObjects();
    EXPECT_EQ(draws.layers, 8u);
    EXPECT_TRUE(draws.allFinite);
}

TEST_F(CarelessHostTest, NullHandlesFromTheHostGiveNoShellsAndNoFreeze) {
    MakeDocument(Black);
    const std::vector<int32_t> slotsBefore = {testhost::UniqueIdAt(0), testhost::UniqueIdAt(1)};
    const int32_t verticesBefore = Host().MQObj_GetVertexCount(testhost::ObjectAt(0));
    const int32_t materialsBefore = Host().MQDoc_GetMaterialCount(document);
    testhost::ScopedHostOverride host;
    g_real = host.original();
    Host().MQ_CreateObject = NoObject;
    Host().MQObj_Clone = NoClone;
    Host().MQ_CreateMaterial = NoMaterial;
    Host().MQDoc_GetMaterial = NoDocumentMaterial;
    Host().MQ_SendMessage = UnansweredMessage;
    bool froze = true;
    RunEverything(&froze);
    EXPECT_FALSE(froze);
    EXPECT_TRUE(wb::DrawObjects().empty());
    EXPECT_EQ(Host().MQDoc_GetObjectCount(document), 4);
    EXPECT_EQ(Host().MQObj_GetVertexCount(testhost::ObjectAt(0)), verticesBefore);
    EXPECT_EQ(Host().MQDoc_GetMaterialCount(document), materialsBefore);
    EXPECT_EQ(testhost::UniqueIdAt(0), slotsBefore[0]);

    // No document at all, from an event or in the station callback.
    DrawPass(nullptr);
    currentDocument = nullptr;
    EXPECT_FALSE(FreezeShell(nullptr));
    FillObjectList(nullptr);
    EXPECT_EQ(panel::RowCount(), 0);
    EXPECT_EQ(SelectedObject(), nullptr);
}

TEST_F(CarelessHostTest, CountsBelowZeroAreTakenAsNothing) {
    MakeDocument(ExtractedColors);
    testhost::ScopedHostOverride host;
    g_real = host.original();
    Host().MQObj_GetVertexCount = NegativeCount;
    Host().MQObj_GetFaceCount = NegativeCount;
    Host().MQDoc_GetMaterialCount = NegativeDocumentCount;
    RunEverything();
    EXPECT_TRUE(SummarizeDrawObjects().allFinite);
    // Documents that claim fewer than no objects: no rows, no shells.
    Host().MQDoc_GetObjectCount = NegativeDocumentCount;
    FillObjectList(document);
    EXPECT_EQ(panel::RowCount(), 0);
    RebuildPushCache(document);
    EXPECT_TRUE(PushCache().empty());
    wb::Redraw();
    DrawPass(document);
    EXPECT_EQ(SummarizeDrawObjects().layers, 0u);
}

TEST_F(CarelessHostTest, SlotsFarBeyondTheObjectsAreEmpty) {
    MakeDocument(Black);
    testhost::ScopedHostOverride host;
    g_real = host.original();
    Host().MQDoc_GetObjectCount = ManySlots;
    wb::Redraw();
    RunEverything();
    EXPECT_EQ(panel::RowCount(), 4);
    wb::Redraw();
    DrawPass(document);
    EXPECT_EQ(SummarizeDrawObjects().layers, 8u);
}

TEST_F(CarelessHostTest, MaterialIndicesPastTheListCountAsNoMaterial) {
    MakeDocument(kFirstDocumentMaterialMode + 50);  // a document material that does not exist
    testhost::ScopedHostOverride host;
    g_real = host.original();
    Host().MQObj_GetFaceMaterial = MaterialPastTheList;
    ExtractColors(testhost::ObjectAt(0));
    const ExpansionSettings& settings = Settings().findOrCreate(testhost::UniqueIdAt(0));
    ASSERT_EQ(settings.extractedColorCount, 8);
    for (int32_t v = 0; v < 8; ++v) EXPECT_EQ(settings.extractedColors[v], 0xFFFFFFFFu) << v;
    RunEverything();
    EXPECT_TRUE(SummarizeDrawObjects().allFinite);
}

// The instrument the robustness tests and the stress run rely on: the workbench recognises calls
// made with the handle of an object or material it has destroyed.
TEST(StaleHandles, TheHostCountsCallsWithHandlesItDestroyed) {
    wb::NewDocument();
    int32_t index = testhost::AddUnitQuad("quad");
    HostObject object = testhost::ObjectAt(index);
    HostMaterial material = Host().MQ_CreateMaterial();
    Host().MQDoc_AddMaterial(wb::ActiveDocument(), material);
    const int64_t before = wb::StaleHandleUses();
    Host().MQDoc_DeleteObject(wb::ActiveDocument(), index);
    Host().MQDoc_DeleteMaterial(wb::ActiveDocument(), 0);
    EXPECT_EQ(wb::StaleHandleUses(), before);
    EXPECT_EQ(Host().MQObj_GetVertexCount(object), 0);
    EXPECT_EQ(Host().MQMat_GetIntValue(material, kMaterialShowsVertexColor), 0);
    EXPECT_EQ(wb::StaleHandleUses(), before + 2);
}
