// Choosing and loading a height map from the panel: the open-file dialog, the load, and the one
// message the user can ever see.
#include "tests/panel/PanelFixture.h"

namespace {

class HeightMapTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        testhost::AddUnitQuad("quad");
        testhost::SetFaceUVs(0, 0, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
        Open();
        ClickRow(0);
        TickRow(0, true);
        Click(IDC_HEIGHT_MAP_ON);
        wb::ProcessMessages();
    }

    // Presses "参照" and answers the open-file dialog with path (empty: cancel). True when the
    // dialog showed up.
    bool Browse(const std::string& path) {
        return AnswerDialog([] { Click(IDC_BROWSE_HEIGHT_MAP); },
                            [&](HWND dialog) {
                                if (path.empty()) {
                                    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                                    return;
                                }
                                // The file-name box of the explorer-style and the old dialog.
                                SetDlgItemTextA(dialog, 0x47C, path.c_str());
                                SetDlgItemTextA(dialog, 0x480, path.c_str());
                                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                            });
    }
};

TEST_F(HeightMapTest, ABrowsedBitmapLoadsAndPushesByItsBlueChannel) {
    // 2 x 2, 24 bits, every pixel blue 255: a sample of 1.0 everywhere.
    std::vector<uint8_t> blue(12, 0);
    for (int i = 0; i < 12; i += 3) blue[i] = 255;
    const std::string path = testhost::WriteBmp("blue.bmp", 2, 2, 24, blue);

    ASSERT_TRUE(Browse(path));
    EXPECT_EQ(Text(IDC_HEIGHT_MAP_FILE), path);
    wb::ProcessMessages();
    EXPECT_NEAR(LayerDepths().at(0), -1.0f, 1e-6);  // chosen, not loaded yet

    bool boxShown = AnswerDialog([] { Click(IDC_LOAD_HEIGHT_MAP); },
                                 [](HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); });
    EXPECT_FALSE(boxShown);
    wb::ProcessMessages();
    EXPECT_NEAR(LayerDepths().at(0), -2.0f, 1e-5);  // push 1.0 + scale 1.0 x blue 1.0

    // "両面" keeps the height map, "黒枠" starts from the defaults and drops it.
    Click(IDC_PRESET_BOTH_SIDES);
    wb::ProcessMessages();
    EXPECT_TRUE(Checked(IDC_HEIGHT_MAP_ON));
    EXPECT_EQ(Text(IDC_HEIGHT_MAP_FILE), path);
    EXPECT_NEAR(LayerDepths().at(0), -1.0f, 1e-5);  // no normal push, the height map alone
    Click(IDC_PRESET_BLACK_FRAME);
    wb::ProcessMessages();
    EXPECT_FALSE(Checked(IDC_HEIGHT_MAP_ON));
    EXPECT_NEAR(LayerDepths().at(0), -1.0f, 1e-5);
}

TEST_F(HeightMapTest, AFailedLoadShowsTheBoxOwnedByTheHostAndAsksForNoRedraw) {
    // A cancelled dialog leaves no file name; typing one into the edit does not count.
    ASSERT_TRUE(Browse(""));
    EXPECT_EQ(Text(IDC_HEIGHT_MAP_FILE), "");
    Type(IDC_HEIGHT_MAP_FILE, "C:\\typed.bmp");

    const int32_t refreshes = wb::RefreshRequestCount();
    std::string text, caption;
    HWND owner = nullptr;
    bool boxShown = AnswerDialog([] { Click(IDC_LOAD_HEIGHT_MAP); },
                                 [&](HWND box) {
                                     text = DialogText(box);
                                     caption = WindowCaption(box);
                                     owner = GetWindow(box, GW_OWNER);
                                     PostMessageA(box, WM_COMMAND, IDOK, 0);
                                 });
    EXPECT_TRUE(boxShown);
    EXPECT_EQ(text, "なんか読み込み失敗");
    EXPECT_EQ(caption, "");
    EXPECT_EQ(owner, wb::MainWindow());
    EXPECT_EQ(wb::RefreshRequestCount(), refreshes);
}

}  // namespace
