// The five preset buttons: what each one puts into the panel and onto the screen.
#include "tests/panel/PanelFixture.h"

namespace {

class PresetsTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        testhost::AddUnitQuad("quad");
        Open();
        ClickRow(0);
        wb::ProcessMessages();
    }
    void Press(int32_t preset) {
        Click(preset);
        wb::ProcessMessages();
    }
};

TEST_F(PresetsTest, BlackFrameIsAnInvertedHullInThePitchBlackMaterial) {
    Type(IDC_REPEAT_COUNT, "4");  // dropped: the preset starts from the defaults
    Press(IDC_PRESET_BLACK_FRAME);
    EXPECT_TRUE(RowChecked(0));
    EXPECT_TRUE(Checked(IDC_INVERT_FACES));
    EXPECT_EQ(Text(IDC_REPEAT_COUNT), "1");
    EXPECT_EQ(Text(IDC_PUSH_DISTANCE), "1.00");
    EXPECT_EQ(ComboSelection(IDC_COLOR_MODE), "真っ黒");
    EXPECT_EQ(Text(IDC_BRIGHTNESS), "0");
    EXPECT_FALSE(Enabled(IDC_BRIGHTNESS));
    EXPECT_EQ(Text(IDC_TRANSPARENCY), "0");
    EXPECT_TRUE(Enabled(IDC_TRANSPARENCY));
    EXPECT_TRUE(Enabled(IDC_FREEZE));
    SavePanelScreenshot("panel_black_frame.png");

    ASSERT_EQ(wb::DrawObjects().size(), 1u);
    HostObject layer = wb::DrawObjects()[0];
    EXPECT_EQ(FaceMaterial(layer, 0), wb::DrawMaterialIndex(wb::DrawMaterials().at(1)));
    int32_t points[4] = {};
    Host().MQObj_GetFacePointArray(layer, 0, points);
    EXPECT_EQ(std::vector<int32_t>(points, points + 4), (std::vector<int32_t>{3, 2, 1, 0}));
    EXPECT_NEAR(LayerDepths()[0], -1.0f, 1e-6);
}

TEST_F(PresetsTest, ColourTraceAndBlurDrawTheExtractedColoursKeepingOtherFields) {
    Click(IDC_VERTEX_COLOR_PUSH);  // kept by both presets
    Press(IDC_PRESET_COLOR_TRACE);
    EXPECT_TRUE(RowChecked(0));
    EXPECT_TRUE(Checked(IDC_INVERT_FACES));
    EXPECT_EQ(ComboSelection(IDC_COLOR_MODE), "描画色");
    EXPECT_EQ(Text(IDC_BRIGHTNESS), "50");
    EXPECT_TRUE(Enabled(IDC_EXTRACT_COLORS));
    EXPECT_TRUE(Checked(IDC_VERTEX_COLOR_PUSH));
    ASSERT_EQ(wb::DrawObjects().size(), 1u);
    // A face without material extracts opaque white, drawn at half brightness.
    EXPECT_EQ(Host().MQObj_GetFaceVertexColor(wb::DrawObjects()[0], 0, 0), 0xFF7F7F7Fu);

    Press(IDC_PRESET_BLUR);
    EXPECT_FALSE(Checked(IDC_INVERT_FACES));
    EXPECT_EQ(Text(IDC_PUSH_DISTANCE), "1.00");
    EXPECT_EQ(Text(IDC_REPEAT_COUNT), "5");
    EXPECT_EQ(Text(IDC_TRANSPARENCY), "90");
    EXPECT_EQ(Text(IDC_BRIGHTNESS), "100");
    EXPECT_EQ(ComboSelection(IDC_COLOR_MODE), "描画色");
    for (int32_t id : {IDC_TRANSPARENCY, IDC_BRIGHTNESS, IDC_EXTRACT_COLORS})
        EXPECT_TRUE(Enabled(id)) << "control " << id;
    EXPECT_TRUE(Checked(IDC_VERTEX_COLOR_PUSH));
    ASSERT_EQ(wb::DrawObjects().size(), 5u);
    EXPECT_EQ(Host().MQObj_GetFaceVertexColor(wb::DrawObjects()[0], 0, 0), 0x19FFFFFFu);
}

TEST_F(PresetsTest, BothSidesIsOneUnpushedInvertedCopyAndResetSwitchesTheShellOff) {
    Press(IDC_PRESET_BOTH_SIDES);
    EXPECT_TRUE(RowChecked(0));
    EXPECT_TRUE(Checked(IDC_INVERT_FACES));
    EXPECT_FALSE(Checked(IDC_NORMAL_PUSH));
    EXPECT_FALSE(Enabled(IDC_PUSH_DISTANCE));
    EXPECT_EQ(ComboSelection(IDC_COLOR_MODE), "変更しない");
    ASSERT_EQ(wb::DrawObjects().size(), 1u);
    EXPECT_EQ(LayerDepths()[0], 0.0f);

    Press(IDC_PRESET_RESET);
    EXPECT_FALSE(RowChecked(0));
    EXPECT_FALSE(Enabled(IDC_FREEZE));
    EXPECT_FALSE(Enabled(IDC_QUICK_FREEZE));
    EXPECT_FALSE(Checked(IDC_NORMAL_PUSH));
    EXPECT_FALSE(Checked(IDC_INVERT_FACES));
    EXPECT_TRUE(wb::DrawObjects().empty());
}

TEST_F(PanelTest, PresetsNeedASelectedRow) {
    testhost::AddUnitQuad("quad");
    Open();
    for (int32_t preset : {IDC_PRESET_BLACK_FRAME, IDC_PRESET_COLOR_TRACE, IDC_PRESET_BLUR,
                           IDC_PRESET_RESET, IDC_PRESET_BOTH_SIDES}) {
        Click(preset);  // disabled: nothing happens
        // Even a command that reaches the panel changes nothing.
        SendMessageA(FindPanel(), WM_COMMAND, MAKEWPARAM(preset, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Item(preset)));
    }
    wb::Redraw();
    EXPECT_FALSE(RowChecked(0));
    EXPECT_TRUE(wb::DrawObjects().empty());
}

}  // namespace
