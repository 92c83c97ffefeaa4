// The draw pass as the host sees it at a redraw: the calls and messages it makes, in order, and
// the layers it builds.
#include <algorithm>

#include "tests/panel/PanelFixture.h"

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

TEST_F(PanelTest, TheBlackMaterialsAlphaComesFromTheLastEnabledObject) {
    testhost::AddUnitQuad("first");
    testhost::AddUnitQuad("second");
    Open();
    const char* transparencies[] = {"20", "50"};
    for (int32_t row = 0; row < 2; ++row) {
        ClickRow(row);
        TickRow(row, true);
        wb::ProcessMessages();
        ChooseComboEntry(IDC_COLOR_MODE, 1);
        Type(IDC_TRANSPARENCY, transparencies[row]);
    }
    wb::ProcessMessages();
    HostMaterial black = wb::DrawMaterials().at(1);
    EXPECT_FLOAT_EQ(Host().MQMat_GetAlpha(black), 0.5f);
    for (HostObject layer : wb::DrawObjects())
        EXPECT_EQ(FaceMaterial(layer, 0), wb::DrawMaterialIndex(black));

    // The last enabled object back at "変更しない" and opaque: the alpha ends at 1.
    Type(IDC_TRANSPARENCY, "0");
    ChooseComboEntry(IDC_COLOR_MODE, 0);
    wb::ProcessMessages();
    EXPECT_FLOAT_EQ(Host().MQMat_GetAlpha(wb::DrawMaterials().at(1)), 1.0f);
}

}  // namespace
