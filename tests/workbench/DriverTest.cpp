// The workbench driving a plug-in the way the modeller does, with the tiny fake plug-in
// WorkbenchFakePlugin.dll: start-up and MQInit's host path, the binding of all 140 functions,
// events, coalesced redraws with their options, draw items cleared per redraw, messages, the
// station callback, LocalFree counting in the plug-in's module, the plug-in's window, and the
// workbench program itself.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>

#include "tests/workbench/WorkbenchTestUtil.h"

namespace {

template <typename Proc>
Proc Export(const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(wb::PluginModule(), name)));
}

std::vector<int32_t> FakeEvents() {
    auto count = Export<int32_t (*)()>("FakeEventCount");
    auto event = Export<int32_t (*)(int32_t)>("FakeEvent");
    std::vector<int32_t> events;
    for (int32_t i = 0; i < count(); ++i) events.push_back(event(i));
    return events;
}

class Driver : public ::testing::Test {
protected:
    void SetUp() override {
        wb::NewDocument();
        wb::AddMeshObject("a", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
        wb::AddMeshObject("b", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
        std::string error;
        ASSERT_TRUE(wb::LoadPlugin(wbtest::BesideThisProgram("WorkbenchFakePlugin.dll").c_str(), &error))
            << error;
    }
    void TearDown() override { wb::UnloadPlugin(); }
};

TEST_F(Driver, StartUpBindsEveryHostFunctionWithTheHostModulePath) {
    EXPECT_TRUE(wb::PluginLoaded());
    EXPECT_EQ(Export<int32_t (*)()>("FakeBoundCount")(), kHostFunctionCount);
    HMODULE host = GetModuleHandleA("WorkbenchHost.dll");
    ASSERT_NE(host, nullptr);
    char hostPath[MAX_PATH] = "";
    GetModuleFileNameA(host, hostPath, MAX_PATH);
    EXPECT_STREQ(Export<const char* (*)()>("FakeHostPath")(), hostPath);
    EXPECT_NE(strstr(hostPath, "WorkbenchHost.dll"), nullptr) << hostPath;
    uint32_t first = 0, second = 0;
    wb::PluginIds(&first, &second);
    EXPECT_EQ(first, 0x46414B45u);
    EXPECT_EQ(second, 1u);
    EXPECT_EQ(wb::PluginName(), "FakePlugin");
    EXPECT_EQ(wb::PluginType(), 6);
    EXPECT_EQ(FakeEvents(), std::vector<int32_t>{kEventInitialize});
    EXPECT_EQ(wb::RedrawCount(), 0);
    EXPECT_EQ(wb::RefreshRequestCount(), 0);
}

TEST_F(Driver, RefreshRequestsCoalesceIntoOneRedrawWithSceneAndSize) {
    EXPECT_EQ(wb::ActivatePlugin(true), 1);  // the fake asks for a refresh
    auto refresh = Export<void (*)()>("FakeRefresh");
    refresh();
    refresh();
    EXPECT_EQ(wb::RedrawCount(), 0);  // nothing runs inside MQ_RefreshView
    EXPECT_EQ(wb::RefreshRequestCount(), 3);
    EXPECT_EQ(wb::ProcessMessages(), 1);
    EXPECT_EQ(wb::RedrawCount(), 1);
    EXPECT_EQ(wb::ProcessMessages(), 0);
    EXPECT_EQ(FakeEvents(), (std::vector<int32_t>{kEventInitialize, kEventActivate, kEventDraw}));

    int32_t width = 0, height = 0, materialIndex = 0;
    HostScene scene = nullptr;
    Export<void (*)(int32_t*, int32_t*, HostScene*, int32_t*)>("FakeLastDraw")(&width, &height, &scene, &materialIndex);
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_EQ(scene, MQDoc_GetScene(wb::ActiveDocument(), 0));
    EXPECT_EQ(materialIndex, MQDoc_GetMaterialCount(wb::ActiveDocument()));

    // The redraw's draw items: one material, one object per document object with its geometry.
    ASSERT_EQ(wb::DrawMaterials().size(), 1u);
    EXPECT_EQ(wb::DrawMaterialIndex(wb::DrawMaterials()[0]), materialIndex);
    const std::vector<HostObject> draws = wb::DrawObjects();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(MQObj_GetFaceCount(draws[1]), 1);
    EXPECT_EQ(MQObj_GetFacePointCount(draws[1], 0), 4);
    EXPECT_EQ(MQObj_GetFaceMaterial(draws[1], 0), materialIndex);
    EXPECT_EQ(wb::FreezeFlags(draws[0]), 2u);
    EXPECT_EQ(wb::DrawObjectVisibilities(), (std::vector<int32_t>{1, 1}));

    // The next redraw starts from nothing: still two, not four.
    wb::Redraw();
    EXPECT_EQ(wb::DrawObjects().size(), 2u);
    EXPECT_EQ(wb::DrawMaterials().size(), 1u);
    EXPECT_EQ(wb::RedrawCount(), 2);
}

TEST_F(Driver, APluginThatAlwaysAsksForMoreCannotHangTheHost) {
    Export<void (*)(int32_t)>("FakeSetRefreshInDraw")(1);
    wb::ActivatePlugin(true);
    const int32_t redraws = wb::ProcessMessages();
    EXPECT_GT(redraws, 1);
    EXPECT_LE(redraws, 100);
    Export<void (*)(int32_t)>("FakeSetRefreshInDraw")(0);
    wb::ProcessMessages();
}

TEST_F(Driver, MessagesCarryThePluginIdsAndOptionKeys) {
    wb::ActivatePlugin(true);
    wb::ProcessMessages();
    wb::ClearReceivedMessages();
    wb::ActivatePlugin(false);  // the fake says "station closed"
    wb::ProcessMessages();
    const std::vector<wb::ReceivedMessage> m = wb::ReceivedMessages();
    ASSERT_EQ(m.size(), 4u);  // 100, then the redraw's 201, 200, 200
    EXPECT_EQ(m[0].code, 100);
    EXPECT_EQ(m[0].firstId, 0x46414B45u);
    EXPECT_TRUE(m[0].optionKeys.empty());
    EXPECT_EQ(m[1].code, 201);
    EXPECT_EQ(m[1].optionKeys, (std::vector<std::string>{"document", "index", "result"}));
    EXPECT_EQ(m[2].code, 200);
    EXPECT_EQ(m[2].optionKeys, (std::vector<std::string>{"document", "visibility", "result"}));
}

TEST_F(Driver, StationCallbackRunsInTheActiveDocument) {
    int32_t objects = 0;
    EXPECT_EQ(Export<int32_t (*)(int32_t, int32_t*)>("FakeStationCallback")(5, &objects), 5);
    EXPECT_EQ(objects, 2);
}

TEST_F(Driver, RecordingSeesThePluginsCalls) {
    wb::ActivatePlugin(true);
    wb::ClearRecordedCalls();
    wb::StartRecording();
    wb::ProcessMessages();
    wb::StopRecording();
    const std::vector<std::string> names = wb::RecordedCallNames();
    ASSERT_GE(names.size(), 4u);
    EXPECT_EQ(names[0], "MQ_SendMessage");
    EXPECT_EQ(names[1], "MQDoc_GetObjectCount");
    EXPECT_EQ(names[2], "MQDoc_GetObject");
    EXPECT_NE(std::find(names.begin(), names.end(), "MQObj_Merge"), names.end());
    EXPECT_EQ(wb::RecordedCalls()[0], "MQ_SendMessage(201, msg)");
}

TEST_F(Driver, BlocksFreedByThePluginAreCounted) {
    const std::string path = wbtest::TempDir() + "plugin_image.bmp";
    // A 1 x 1 24-bit BMP.
    std::vector<uint8_t> bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0,
                                1,   0,   0,  0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0,
                                0,   0,   0,  0, 0, 0, 0,  0, 0, 0, 1, 2, 3, 0};
    ASSERT_TRUE(wbtest::WriteBytes(path, bmp));
    const int64_t allocated = wb::ImageBlocksAllocated(), freed = wb::ImageBlocksFreed();
    EXPECT_EQ(Export<int32_t (*)(const char*)>("FakeLoadAndFreeImage")(path.c_str()), 1);
    EXPECT_EQ(wb::ImageBlocksAllocated(), allocated + 2);
    EXPECT_EQ(wb::ImageBlocksFreed(), freed + 2);
}

TEST_F(Driver, ThePluginWindowIsOwnedByTheMainWindow) {
    HWND window = Export<HWND (*)()>("FakeWindow")();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindow(window, GW_OWNER), wb::MainWindow());
    EXPECT_FALSE(IsWindowVisible(window));
    wb::ActivatePlugin(true);
    wb::ProcessMessages();
    EXPECT_TRUE(IsWindowVisible(window));
    wb::UnloadPlugin();  // event 2 destroys it
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(wb::PluginLoaded());
    EXPECT_EQ(wb::SendEvent(kEventDraw, nullptr), 0);
}

TEST(DriverStartUp, FailuresNameTheFile) {
    std::string error;
    EXPECT_FALSE(wb::LoadPlugin("Z:\\no\\such\\plugin.dll", &error));
    EXPECT_NE(error.find("plugin.dll"), std::string::npos) << error;
    // A DLL without the plug-in's exports: the host itself.
    const std::string host = wbtest::BesideThisProgram("WorkbenchHost.dll");
    EXPECT_FALSE(wb::LoadPlugin(host.c_str(), &error));
    EXPECT_NE(error.find("MQCheckVersion"), std::string::npos) << error;
    EXPECT_FALSE(wb::PluginLoaded());
    EXPECT_FALSE(wb::LoadPlugin(nullptr, &error));
    EXPECT_FALSE(wb::LoadPlugin("", nullptr));
    EXPECT_EQ(wb::ProcessMessages(), 0);
}

TEST(WorkbenchProgram, APlugInWithoutPuffshellsPanelEndsTheRunWithAnError) {
    // workbench.exe works Puffshell's panel; another plug-in loads and starts, but the run stops
    // there with exit code 1 and no pictures.
    const std::string exe = wbtest::BesideThisProgram("workbench.exe");
    const std::string out = wbtest::TempDir() + "demo";
    std::string command = "\"" + exe + "\" --plugin \"" +
                          wbtest::BesideThisProgram("WorkbenchFakePlugin.dll") + "\" --out \"" + out + "\"";
    STARTUPINFOA si;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << command;
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 1u);
    WIN32_FILE_ATTRIBUTE_DATA data;
    EXPECT_FALSE(GetFileAttributesExA((out + "\\panel.png").c_str(), GetFileExInfoStandard, &data));
}

}  // namespace
