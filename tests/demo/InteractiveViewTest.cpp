// The interactive view beside the real panel: the mouse orbits and zooms, a change made on the
// panel is redrawn at once, a freeze is announced and redrawn as the modeller does, and closing
// the window gives the host's main window back. An interactive run starts on the scene as loaded
// and saves the freezes made in the view.
#include <gtest/gtest.h>

#include <stdio.h>

#include "tests/demo/DemoTestUtil.h"
#include "workbench/app/DemoScript.h"
#include "workbench/app/HostLoop.h"
#include "workbench/app/InteractiveView.h"
#include "workbench/app/PanelSteps.h"
#include "workbench/app/SceneBuilder.h"
#include "workbench/host/Workbench.h"
#include "workbench/io/FileAccess.h"
#include "workbench/panel/PanelDriver.h"
#include "ui/ResourceIds.h"

using namespace workbench;

namespace {

class InteractiveViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        SceneInfo info;
        std::string error;
        ASSERT_TRUE(BuildDefaultScene(demotest::FreshFolder("interactive"), true, &info, &error)) << error;
        ASSERT_TRUE(OpenPanel(DefaultPluginPath(), &error)) << error;
        ASSERT_NE(OpenInteractiveView(320, 240, &error), nullptr) << error;
        StepInteractiveView();
    }
    void TearDown() override {
        CloseInteractiveView();
        ClosePanel();
    }
};

TEST_F(InteractiveViewTest, TheMouseOrbitsAndZooms) {
    HWND view = InteractiveViewWindow();
    ASSERT_NE(view, nullptr);
    RECT client, panelFrame, mainFrame;
    GetClientRect(view, &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);
    GetWindowRect(panel::FindPanel(), &panelFrame);
    GetWindowRect(wb::MainWindow(), &mainFrame);
    EXPECT_GE(mainFrame.left, panelFrame.right) << "the view stands beside the panel";
    const ViewState start = InteractiveViewState();
    EXPECT_GE(start.renders, 1);

    SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 90));
    SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(150, 90));
    EXPECT_TRUE(StepInteractiveView());
    EXPECT_NEAR(InteractiveViewState().yaw, start.yaw + 0.5f, 1e-4);
    EXPECT_NEAR(InteractiveViewState().pitch, start.pitch - 0.1f, 1e-4);
    EXPECT_GT(InteractiveViewState().renders, start.renders);
    // Unmapped by the window manager (or none): shown again by the next turn of the loop.
    ShowWindow(wb::MainWindow(), SW_HIDE);
    StepInteractiveView();
    EXPECT_TRUE(IsWindowVisible(wb::MainWindow()));

    SendMessageA(view, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    StepInteractiveView();
    EXPECT_NEAR(InteractiveViewState().zoom, 1.1f, 1e-4);
    SendMessageA(view, WM_KEYDOWN, VK_HOME, 0);
    StepInteractiveView();
    EXPECT_FLOAT_EQ(InteractiveViewState().zoom, 1.0f);
    EXPECT_FLOAT_EQ(InteractiveViewState().yaw, start.yaw);
}

TEST_F(InteractiveViewTest, APanelChangeIsRedrawnAndClosingEndsTheView) {
    const int32_t redraws = InteractiveViewState().redraws;
    const int32_t renders = InteractiveViewState().renders;
    SelectRow(1);
    PressPreset(Preset::BlackFrame);
    EXPECT_TRUE(StepInteractiveView());
    EXPECT_GT(InteractiveViewState().redraws, redraws);
    EXPECT_GT(InteractiveViewState().renders, renders);
    EXPECT_EQ(wb::DrawObjects().size(), 1u);
    char title[256] = "";
    GetWindowTextA(wb::MainWindow(), title, sizeof title);
    EXPECT_NE(std::string(title).find("1 layers"), std::string::npos) << title;

    PostMessageA(wb::MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(StepInteractiveView());
    EXPECT_TRUE(IsWindow(wb::MainWindow())) << "the host's window stays, only the view ends";
    CloseInteractiveView();
    GetWindowTextA(wb::MainWindow(), title, sizeof title);
    EXPECT_STREQ(title, "Puffshell workbench");
    EXPECT_EQ(InteractiveViewWindow(), nullptr);
}

TEST_F(InteractiveViewTest, AFreezeOnThePanelIsAnnouncedAndRedrawn) {
    SelectRow(1);
    PressPreset(Preset::BlackFrame);
    StepInteractiveView();
    const ViewState before = InteractiveViewState();
    ASSERT_EQ(RowCount(), 2);
    // The plug-in itself asks for no redraw after a freeze: the host must follow up.
    ASSERT_TRUE(panel::FreezeWithDialog(IDC_FREEZE_AS_NEW_OBJECT, false));
    EXPECT_TRUE(StepInteractiveView());
    EXPECT_GT(InteractiveViewState().redraws, before.redraws) << "the view redraws after a freeze";
    EXPECT_GT(InteractiveViewState().renders, before.renders);
    EXPECT_EQ(RowCount(), 3) << "the object list event reached the plug-in";
}

// An interactive run, worked from a timer once its view is open: what the view starts on, a
// freeze on the panel, then the window closed.
struct InteractiveSession {
    int32_t rows = -1;
    std::vector<std::string> names;
    int32_t shellsOn = 0;
    size_t layers = 0;
    bool froze = false;
};
InteractiveSession* session = nullptr;

void CALLBACK WorkTheView(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!session || !InteractiveViewWindow()) return;  // the view is not open yet
    KillTimer(nullptr, timer);
    AnswerRefreshes(nullptr);
    session->rows = RowCount();
    for (int32_t row = 0; row < RowCount(); ++row) {
        session->names.push_back(panel::RowText(row));
        session->shellsOn += panel::RowChecked(row) ? 1 : 0;
    }
    session->layers = wb::DrawObjects().size();
    SelectRow(0);
    session->froze = panel::FreezeWithDialog(IDC_FREEZE_AS_NEW_OBJECT, false);
    PostMessageA(wb::MainWindow(), WM_CLOSE, 0, 0);
}

TEST(InteractiveRun, StartsOnTheSceneAsLoadedAndSavesTheFreezesWhenClosed) {
    const std::string out = demotest::FreshFolder("interactive_run");
    Options options = demotest::SmallRun(out);
    options.interactive = true;
    options.preset = Preset::BlackFrame;
    InteractiveSession seen;
    session = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, WorkTheView);
    RunReport report;
    const int code = RunWorkbench(options, &report);
    KillTimer(nullptr, timer);
    session = nullptr;
    EXPECT_EQ(code, kExitOk) << report.error;

    // The scene as loaded, with the preset on: no script ran, nothing frozen before.
    EXPECT_EQ(seen.rows, 2);
    EXPECT_EQ(seen.names, (std::vector<std::string>{"torus", "ball"}));
    EXPECT_EQ(seen.shellsOn, 2);
    EXPECT_EQ(seen.layers, 2u);
    EXPECT_TRUE(report.pictures.empty());

    ASSERT_TRUE(seen.froze);
    EXPECT_EQ(report.frozenShells, 1);
    EXPECT_EQ(report.frozenObjects, 3);
    // Saved, and the shell named after its object as in a scripted run.
    std::string saved;
    EXPECT_TRUE(wb::ReadWholeFile(out + "\\frozen.obj", 1u << 26, &saved));
    EXPECT_NE(saved.find("o torus"), saved.rfind("o torus")) << "no torus shell in:\n" << saved.substr(0, 400);
}

}  // namespace
