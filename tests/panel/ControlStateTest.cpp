// Which controls the panel enables, for no object and for a selected one, and what the material
// combo offers.
#include "tests/panel/PanelFixture.h"

namespace {

const int32_t kPerObjectControls[] = {
    IDC_PUSH_DISTANCE,      IDC_REPEAT_COUNT,       IDC_PUSH_DISTANCE_SPIN,
    IDC_REPEAT_COUNT_SPIN,  IDC_VERTEX_COLOR_SCALE, IDC_TRANSPARENCY,
    IDC_INVERT_FACES,       IDC_TRANSPARENCY_SPIN,  IDC_COLOR_MODE,
    IDC_HEIGHT_MAP_FILE,    IDC_BROWSE_HEIGHT_MAP,  IDC_FREEZE,
    IDC_LOAD_HEIGHT_MAP,    IDC_BRIGHTNESS,         IDC_PRESET_COLOR_TRACE,
    IDC_PRESET_BLUR,        IDC_PRESET_RESET,       IDC_PRESET_BLACK_FRAME,
    IDC_HEIGHT_MAP_ON,      IDC_HEIGHT_MAP_SCALE,   IDC_HEIGHT_MAP_SCALE_SPIN,
    IDC_BRIGHTNESS_SPIN,    IDC_NORMAL_PUSH,        IDC_EXTRACT_COLORS,
    IDC_VERTEX_COLOR_SCALE_SPIN, IDC_VERTEX_COLOR_PUSH, IDC_PRESET_BOTH_SIDES,
    IDC_QUICK_FREEZE,
};

TEST_F(PanelTest, WithoutASelectedRowOnlyThePanelWideSwitchesWorkAndTheyOnlyMoveTheirBox) {
    testhost::AddCube("a");
    testhost::AddCube("b");
    Open();
    EXPECT_TRUE(IsWindowVisible(FindPanel()));
    EXPECT_EQ(RowCount(), 2);
    EXPECT_EQ(SelectedRow(), -1);
    for (int32_t id : kPerObjectControls) EXPECT_FALSE(Enabled(id)) << "control " << id;
    for (int32_t id : {IDC_DISABLE_ALL, IDC_FORCE_DISPLAY, IDC_SELECTION_ONLY})
        EXPECT_TRUE(Enabled(id)) << "control " << id;
    EXPECT_EQ(ComboSelection(IDC_COLOR_MODE), "変更しない");
    SavePanelScreenshot("panel_no_selection.png");

    // Object b's shell is on but b is hidden: "強制表示" without a row changes only the box.
    TickRow(1, true);
    Host().MQObj_SetVisible(testhost::ObjectAt(1), 0);
    Click(IDC_FORCE_DISPLAY);
    Click(IDC_DISABLE_ALL);
    EXPECT_TRUE(Checked(IDC_FORCE_DISPLAY));
    EXPECT_TRUE(Checked(IDC_DISABLE_ALL));
    wb::Redraw();
    EXPECT_TRUE(wb::DrawObjects().empty());     // hidden, and not forced
    EXPECT_EQ(wb::DrawMaterials().size(), 2u);  // and the pass still ran: not disabled

    // With a row, the boxes act: both off, then force display on.
    ClickRow(0);
    Click(IDC_DISABLE_ALL);
    Click(IDC_FORCE_DISPLAY);
    Click(IDC_FORCE_DISPLAY);
    wb::ProcessMessages();
    EXPECT_EQ(wb::DrawObjects().size(), 1u);
}

TEST_F(PanelTest, ARowClickShowsTheObjectAndEachSwitchEnablesItsGroup) {
    testhost::AddCube("a");
    testhost::AddCube("b");
    Open();
    ClickRow(0);
    wb::ProcessMessages();
    // A fresh object: defaults, shell off.
    for (int32_t id : {IDC_REPEAT_COUNT, IDC_REPEAT_COUNT_SPIN, IDC_INVERT_FACES, IDC_NORMAL_PUSH,
                       IDC_PUSH_DISTANCE, IDC_PUSH_DISTANCE_SPIN, IDC_HEIGHT_MAP_ON,
                       IDC_VERTEX_COLOR_PUSH, IDC_COLOR_MODE, IDC_PRESET_BLACK_FRAME,
                       IDC_PRESET_COLOR_TRACE, IDC_PRESET_BLUR, IDC_PRESET_RESET,
                       IDC_PRESET_BOTH_SIDES})
        EXPECT_TRUE(Enabled(id)) << "control " << id;
    for (int32_t id : {IDC_FREEZE, IDC_QUICK_FREEZE, IDC_HEIGHT_MAP_SCALE, IDC_HEIGHT_MAP_FILE,
                       IDC_BROWSE_HEIGHT_MAP, IDC_LOAD_HEIGHT_MAP, IDC_VERTEX_COLOR_SCALE,
                       IDC_BRIGHTNESS, IDC_BRIGHTNESS_SPIN, IDC_TRANSPARENCY,
                       IDC_TRANSPARENCY_SPIN, IDC_EXTRACT_COLORS})
        EXPECT_FALSE(Enabled(id)) << "control " << id;
    EXPECT_EQ(Text(IDC_REPEAT_COUNT), "1");
    EXPECT_EQ(Text(IDC_PUSH_DISTANCE), "1.00");
    EXPECT_TRUE(Checked(IDC_NORMAL_PUSH));

    // Switching the shell on enables the freeze buttons.
    TickRow(0, true);
    wb::ProcessMessages();
    EXPECT_TRUE(Enabled(IDC_FREEZE));
    EXPECT_TRUE(Enabled(IDC_QUICK_FREEZE));

    Click(IDC_NORMAL_PUSH);
    EXPECT_FALSE(Enabled(IDC_PUSH_DISTANCE));
    EXPECT_FALSE(Enabled(IDC_PUSH_DISTANCE_SPIN));
    Click(IDC_HEIGHT_MAP_ON);
    EXPECT_EQ(Text(IDC_HEIGHT_MAP_SCALE), "1.0");
    for (int32_t id : {IDC_HEIGHT_MAP_SCALE, IDC_HEIGHT_MAP_FILE, IDC_BROWSE_HEIGHT_MAP,
                       IDC_LOAD_HEIGHT_MAP, IDC_HEIGHT_MAP_SCALE_SPIN})
        EXPECT_TRUE(Enabled(id)) << "control " << id;
    Click(IDC_VERTEX_COLOR_PUSH);
    EXPECT_TRUE(Enabled(IDC_VERTEX_COLOR_SCALE));
    EXPECT_EQ(Text(IDC_VERTEX_COLOR_SCALE), "1.0");

    // "真っ黒": transparency and the brightness spin, not the brightness edit; "描画色": all.
    ChooseComboEntry(IDC_COLOR_MODE, 1);
    EXPECT_FALSE(Enabled(IDC_BRIGHTNESS));
    EXPECT_TRUE(Enabled(IDC_BRIGHTNESS_SPIN));
    EXPECT_TRUE(Enabled(IDC_TRANSPARENCY));
    EXPECT_TRUE(Enabled(IDC_TRANSPARENCY_SPIN));
    EXPECT_FALSE(Enabled(IDC_EXTRACT_COLORS));
    ChooseComboEntry(IDC_COLOR_MODE, 2);
    EXPECT_TRUE(Enabled(IDC_BRIGHTNESS));
    EXPECT_TRUE(Enabled(IDC_EXTRACT_COLORS));
    EXPECT_EQ(Text(IDC_BRIGHTNESS), "100");
    EXPECT_EQ(Text(IDC_TRANSPARENCY), "0");

    // Moving the selection with the keyboard does not reload: b's shell is off, yet the panel
    // still shows a's (freeze enabled).
    SelectRowWithKeyboard(1);
    wb::ProcessMessages();
    EXPECT_TRUE(Enabled(IDC_FREEZE));
    ClickRow(1);
    wb::ProcessMessages();
    EXPECT_FALSE(Enabled(IDC_FREEZE));
    EXPECT_EQ(ComboSelection(IDC_COLOR_MODE), "変更しない");
}

TEST_F(PanelTest, TheComboListsDocumentMaterialsAfterAMaterialEventAndGivesTheShellTheOneChosen) {
    testhost::AddCube("a");
    AddMaterial("赤");
    AddMaterial("青");
    AddMaterial("緑");
    Open();
    ClickRow(0);
    TickRow(0, true);
    EXPECT_EQ(ComboEntries(IDC_COLOR_MODE),
              (std::vector<std::string>{"変更しない", "真っ黒", "描画色"}));

    Event(kEventMaterialListUpdated);
    EXPECT_EQ(ComboEntries(IDC_COLOR_MODE),
              (std::vector<std::string>{"変更しない", "真っ黒", "描画色", "赤", "青", "緑"}));
    ChooseComboEntry(IDC_COLOR_MODE, 5);  // colorMode 5: material 2
    EXPECT_FALSE(Enabled(IDC_TRANSPARENCY));
    EXPECT_FALSE(Enabled(IDC_BRIGHTNESS_SPIN));
    wb::ProcessMessages();
    ASSERT_EQ(wb::DrawObjects().size(), 1u);
    for (int32_t face = 0; face < 6; ++face) EXPECT_EQ(FaceMaterial(wb::DrawObjects()[0], face), 2);

    // An empty material slot has no entry; the entries after it still name their own material.
    Host().MQDoc_DeleteMaterial(document, 1);
    Event(kEventMaterialListUpdated);
    EXPECT_EQ(ComboEntries(IDC_COLOR_MODE),
              (std::vector<std::string>{"変更しない", "真っ黒", "描画色", "赤", "緑"}));
    EXPECT_EQ(ComboSelection(IDC_COLOR_MODE), "緑");
    ChooseComboEntry(IDC_COLOR_MODE, 3);
    ChooseComboEntry(IDC_COLOR_MODE, 4);
    wb::ProcessMessages();
    EXPECT_EQ(FaceMaterial(wb::DrawObjects().at(0), 0), 2);

    // The chosen material disappears: the panel falls back to "変更しない".
    Host().MQDoc_DeleteMaterial(document, 2);
    Event(kEventMaterialModified);
    EXPECT_EQ(ComboSelection(IDC_COLOR_MODE), "変更しない");
    wb::Redraw();
    EXPECT_EQ(FaceMaterial(wb::DrawObjects().at(0), 0), FaceMaterial(testhost::ObjectAt(0), 0));
}

}  // namespace
