// The real plug-in's shells as the workbench shows them: Puffshell.dll loaded into the host,
// a preset chosen on its panel, the redraw's draw objects rendered with the document.
#include <gtest/gtest.h>

#include "tests/render/RenderScenes.h"
#include "workbench/panel/PanelDriver.h"
#include "tests/support/TestHost.h"
#include "ui/ResourceIds.h"
#include "workbench/host/Workbench.h"

using namespace rendertest;

namespace {

class PluginShellTest : public ::testing::Test {
protected:
    void TearDown() override { wb::UnloadPlugin(); }

    // A sphere of radius 20 (the plug-in's default push of 1 is a twentieth of it), the plug-in
    // loaded with its panel shown, the sphere's row selected and ticked, then preset pressed.
    void ShellWithPreset(int32_t preset) {
        FreshDocument();
        const int32_t ball = AddSphere("ball", 20.0f, 12, 16);
        SetAllFaceMaterials(MQDoc_GetObject(wb::ActiveDocument(), ball),
                            AddMaterial("skin", 1.0f, 0.78f, 0.6f));
        std::string error;
        ASSERT_TRUE(panel::LoadPuffshell(&error)) << error;
        ASSERT_EQ(wb::ActivatePlugin(true), 1);
        wb::ProcessMessages();
        panel::ClickRow(0);
        panel::TickRow(0, true);
        panel::Click(preset);
        wb::ProcessMessages();
        ASSERT_FALSE(wb::DrawObjects().empty());
    }

    static RenderOptions View() {
        RenderOptions options;
        options.width = 160;
        options.height = 120;
        return options;
    }
};

int32_t CountDark(const Picture& picture) {
    int32_t dark = 0;
    for (size_t i = 0; i < picture.rgba.size(); i += 4)
        dark += std::max({picture.rgba[i], picture.rgba[i + 1], picture.rgba[i + 2]}) < 50;
    return dark;
}

}  // namespace

TEST_F(PluginShellTest, BlackFramePresetShowsAnOutline) {
    ShellWithPreset(IDC_PRESET_BLACK_FRAME);
    RenderStats stats;
    const Picture picture = Render(View(), &stats);
    ExpectMatchesReference("plugin_black_frame", picture);
    EXPECT_EQ(stats.shellObjects, 1);
    EXPECT_GT(CountDark(picture), 150);
    const uint8_t* middle = picture.at(picture.width / 2, picture.height / 2);
    EXPECT_GT(std::max({middle[0], middle[1], middle[2]}), 150) << "the sphere shows inside";
}

TEST_F(PluginShellTest, BlurPresetShowsFiveFaintLayers) {
    ShellWithPreset(IDC_PRESET_BLUR);
    RenderStats stats;
    const Picture picture = Render(View(), &stats);
    ExpectMatchesReference("plugin_blur", picture);
    EXPECT_EQ(stats.shellObjects, 5);
    EXPECT_GT(stats.trianglesTransparent, 0);
}
