// The interactive view beside the real panel: the mouse orbits and zooms, a change made on the
// panel is redrawn at once, and closing the window gives the host's main window back.
#include <gtest/gtest.h>

#include "tests/demo/DemoTestUtil.h"
#include "workbench/app/DemoScript.h"
#include "workbench/app/InteractiveView.h"
#include "workbench/app/PanelSteps.h"
#include "workbench/app/SceneBuilder.h"
#include "workbench/host/Workbench.h"
#include "workbench/panel/PanelDriver.h"

using namespace workbench;

namespace {

class InteractiveViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        SceneInfo info;
        std::string error;
        ASSERT_TRUE(BuildDefaultScene(demotest::FreshFolder("interactive"), &info, &error)) << error;
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

}  // namespace
