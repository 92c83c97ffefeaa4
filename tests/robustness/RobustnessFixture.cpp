#include "tests/robustness/RobustnessFixture.h"

#include <math.h>

#include "workbench/common/RemoveFolder.h"

namespace robustness {

namespace {

class ImageFolderCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        // The open-file dialog may have left the current folder in it.
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        SetCurrentDirectoryA(temp);
        common::RemoveFolder(ImageFolder());
    }
};
::testing::Environment* const kCleanup = ::testing::AddGlobalTestEnvironment(new ImageFolderCleanup);

}  // namespace

std::string ImageFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "puffshell-robustness-" + std::to_string(GetCurrentProcessId()) + "\\";
}

const std::vector<stressfiles::ImageCase>& ImageCases() {
    static std::vector<stressfiles::ImageCase> cases;
    if (cases.empty()) {
        CreateDirectoryA(ImageFolder().c_str(), nullptr);
        cases = stressfiles::WriteImageCases(ImageFolder());
    }
    return cases;
}

DrawSummary SummarizeDrawObjects() {
    // The host's exports themselves: tests may have replaced functions of Host().
    DrawSummary summary;
    for (HostObject layer : wb::DrawObjects()) {
        ++summary.layers;
        int32_t vertices = MQObj_GetVertexCount(layer);
        for (int32_t i = 0; i < vertices; ++i) {
            HostPoint p;
            MQObj_GetVertex(layer, i, &p);
            ++summary.vertices;
            if (!isfinite(p.x) || !isfinite(p.y) || !isfinite(p.z)) summary.allFinite = false;
        }
    }
    return summary;
}

bool MessageBoxDuring(const std::function<void()>& action, std::string* text) {
    std::string said;
    bool answered = panel::AnswerDialog(action, [&said](HWND dialog) {
        said = panel::DialogText(dialog);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    if (text) *text = said;
    return answered;
}

void RealPluginTest::SetUp() {
    document = wb::NewDocument();
    wb::SetTextureFolder(ImageFolder().c_str());
    staleBefore = wb::StaleHandleUses();
}

void RealPluginTest::TearDown() {
    wb::UnloadPlugin();
    EXPECT_EQ(wb::StaleHandleUses(), staleBefore) << "calls with handles of destroyed objects";
    EXPECT_EQ(wb::ImageBlocksAllocated(), wb::ImageBlocksFreed()) << "image blocks never released";
    wb::SetTextureFolder("");
}

void RealPluginTest::Open() {
    std::string error;
    ASSERT_TRUE(panel::LoadPuffshell(&error)) << error;
    ASSERT_EQ(wb::ActivatePlugin(true), 1);
    wb::ProcessMessages();
    ASSERT_NE(panel::FindPanel(), nullptr);
}

int32_t RealPluginTest::AddTexturedMaterial(const std::string& textureName) {
    HostMaterial material = Host().MQ_CreateMaterial();
    Host().MQMat_SetName(material, textureName.c_str());
    Host().MQMat_SetTextureName(material, textureName.c_str());
    return Host().MQDoc_AddMaterial(document, material);
}

}  // namespace robustness
