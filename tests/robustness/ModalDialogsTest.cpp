// The host goes on working while one of the plug-in's modal dialogs waits: it redraws, deletes
// objects, closes the station or restarts the plug-in. When the dialog returns the plug-in must
// not touch what is gone.
#include "tests/robustness/RobustnessFixture.h"

using namespace robustness;

class ModalDialogsTest : public RealPluginTest {
protected:
    // A quad whose shell is on and whose height-map controls are open, selected in the list.
    void OpenWithQuad() {
        int32_t quad = testhost::AddUnitQuad("quad");
        testhost::SetFaceUVs(quad, 0, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
        Open();
        panel::ClickRow(0);
        panel::TickRow(0, true);
        wb::ProcessMessages();
        panel::Click(IDC_HEIGHT_MAP_ON);
        wb::ProcessMessages();
    }
};

TEST_F(ModalDialogsTest, ABrowseWhoseObjectTheHostDeletesMeanwhileTouchesNothingOfIt) {
    OpenWithQuad();
    ImageCases();
    const std::string path = ImageFolder() + "good8.bmp";
    bool answered = panel::AnswerDialog([] { panel::Click(IDC_BROWSE_HEIGHT_MAP); }, [&path](HWND dialog) {
        Host().MQDoc_DeleteObject(wb::ActiveDocument(), 0);
        wb::SendEvent(kEventObjectListUpdated, nullptr);
        wb::Redraw();
        SetDlgItemTextA(dialog, 0x47C, path.c_str());
        SetDlgItemTextA(dialog, 0x480, path.c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(answered);
    wb::ProcessMessages();
    EXPECT_EQ(panel::RowCount(), 0);
    EXPECT_TRUE(wb::DrawObjects().empty());
    // TearDown: no call was made with the deleted object's handle.
}

TEST_F(ModalDialogsTest, ABrowseDuringWhichThePlugInIsRestartedLeavesTheNewPanelAlone) {
    OpenWithQuad();
    bool answered = panel::AnswerDialog([] { panel::Click(IDC_BROWSE_HEIGHT_MAP); }, [](HWND) {
        // Exit destroys the panel and with it the dialog it owns.
        wb::SendEvent(kEventExit, nullptr);
        wb::SendEvent(kEventInitialize, nullptr);
        wb::ActivatePlugin(true);
    });
    EXPECT_TRUE(answered);
    wb::ProcessMessages();
    ASSERT_NE(panel::FindPanel(), nullptr);
    EXPECT_EQ(panel::SelectedRow(), -1);
    EXPECT_EQ(panel::Text(IDC_HEIGHT_MAP_FILE), "");
}

TEST_F(ModalDialogsTest, TheLoadFailureMessageOutlivesAPlugInRestart) {
    OpenWithQuad();
    ASSERT_TRUE(panel::ChooseFile(IDC_BROWSE_HEIGHT_MAP, ImageFolder() + "missing.bmp"));
    bool answered = panel::AnswerDialog([] { panel::Click(IDC_LOAD_HEIGHT_MAP); }, [](HWND box) {
        wb::SendEvent(kEventExit, nullptr);
        wb::SendEvent(kEventInitialize, nullptr);
        wb::ActivatePlugin(true);
        wb::Redraw();
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(answered);
    wb::ProcessMessages();
    EXPECT_NE(panel::FindPanel(), nullptr);
}

TEST_F(ModalDialogsTest, AFreezeAfterTheObjectWasDeletedUnderTheDialogChangesNothing) {
    OpenWithQuad();
    testhost::AddCube("cube");
    wb::SendEvent(kEventObjectListUpdated, nullptr);
    wb::ProcessMessages();
    panel::ClickRow(0);
    wb::ProcessMessages();
    bool answered = panel::AnswerDialog([] { panel::Click(IDC_FREEZE); }, [](HWND dialog) {
        Host().MQDoc_DeleteObject(wb::ActiveDocument(), 0);
        wb::SendEvent(kEventObjectListUpdated, nullptr);
        wb::Redraw();
        SendMessageA(GetDlgItem(dialog, IDC_FREEZE_AS_NEW_OBJECT), BM_CLICK, 0, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(answered);
    wb::ProcessMessages();
    // The list was refilled by the redraw: no row is selected, so the freeze found no object.
    EXPECT_EQ(Host().MQDoc_GetObjectCount(document), 2);
    EXPECT_EQ(testhost::ObjectAt(0), nullptr);
}
