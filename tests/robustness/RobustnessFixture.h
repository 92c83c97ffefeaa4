// Shared by the robustness tests: the malformed image files, the real plug-in in the workbench
// with a fresh document per test, and the checks every such test ends with.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestHost.h"
#include "ui/ResourceIds.h"
#include "workbench/host/Workbench.h"
#include "workbench/panel/PanelDriver.h"
#include "workbench/stress/ImageFiles.h"

namespace robustness {

// The image files of workbench/stress/ImageFiles.h, written once per program into a folder of
// its own (removed when the program ends).
const std::vector<stressfiles::ImageCase>& ImageCases();
std::string ImageFolder();

// The draw objects of the last redraw: how many, and whether any coordinate is not finite.
struct DrawSummary {
    size_t layers = 0;
    size_t vertices = 0;
    bool allFinite = true;
};
DrawSummary SummarizeDrawObjects();

// A message box came up during action and was answered with OK; *text gets its text.
bool MessageBoxDuring(const std::function<void()>& action, std::string* text = nullptr);

// The real Puffshell.dll in the workbench, a new document for every test. Each test ends with
// the plug-in unloaded, no call made with a destroyed object's handle, and every image block the
// host handed out released.
class RealPluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Loads the plug-in, shows the panel for the document and runs the redraw it asks for.
    void Open();
    // A material with a texture name (and no other property) added to the document.
    int32_t AddTexturedMaterial(const std::string& textureName);

    HostDocument document = nullptr;
    int64_t staleBefore = 0;
};

}  // namespace robustness
