// The plug-in as the host sees it: the real Puffshell.dll loaded into the workbench host, its
// exports called through GetProcAddress, its panel's life cycle and its host messages observed.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <utility>
#include <vector>

#include "plugin/HostAbi.h"
#include "plugin/Version.h"
#include "tests/support/TestHost.h"
#include "workbench/panel/PanelDriver.h"
#include "workbench/host/Workbench.h"

namespace {

using testhost::BesideThisProgram;

template <typename Proc>
Proc Export(HMODULE module, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

using panel::kPanelCaption;

int CountPanels() {
    int count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, nullptr, kPanelCaption); w;
         w = FindWindowExA(nullptr, w, nullptr, kPanelCaption)) {
        if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId()) ++count;
    }
    return count;
}

HWND Panel() { return panel::FindPanel(); }

// The plug-in loaded fresh (its module-wide state new) into a new document for every test.
class Shell : public ::testing::Test {
protected:
    void SetUp() override {
        wb::NewDocument();
        std::string error;
        ASSERT_TRUE(wb::LoadPlugin(BesideThisProgram("Puffshell.dll").c_str(), &error)) << error;
        module = wb::PluginModule();
        onEvent = Export<MQOnEventProc>(module, "MQOnEvent");
        ASSERT_NE(onEvent, nullptr);
        wb::ClearReceivedMessages();
    }
    void TearDown() override { wb::UnloadPlugin(); }

    int32_t Event(int32_t code, void* option = nullptr) {
        return onEvent(wb::ActiveDocument(), code, option);
    }
    int32_t Activate(int32_t show) { return Event(kEventActivate, &show); }

    HMODULE module = nullptr;
    MQOnEventProc onEvent = nullptr;
};

TEST(Exports, VersionIdentityAndTheEntryPointsOfOtherPluginKinds) {
    HMODULE module = LoadLibraryA(BesideThisProgram("Puffshell.dll").c_str());
    ASSERT_NE(module, nullptr);
    auto checkVersion = Export<MQCheckVersionProc>(module, "MQCheckVersion");
    EXPECT_EQ(checkVersion(0x2400 - 1), 0u);
    EXPECT_EQ(checkVersion(0x2400), 0x240u);
    EXPECT_EQ(checkVersion(0xFFFFFFFFu), 0x240u);
    EXPECT_EQ(checkVersion(0), 0u);

    EXPECT_STREQ(Export<MQGetPlugInNameProc>(module, "MQGetPlugInName")(), "Puffview");
    EXPECT_EQ(Export<MQGetPlugInTypeProc>(module, "MQGetPlugInType")(), 6);
    auto enumString = Export<MQEnumStringProc>(module, "MQEnumString");
    EXPECT_STREQ(enumString(0), "Puffview");
    EXPECT_EQ(enumString(1), nullptr);
    EXPECT_EQ(enumString(-1), nullptr);
    EXPECT_EQ(Export<MQEnumFileTypeProc>(module, "MQEnumFileType")(0), nullptr);
    EXPECT_EQ(Export<MQEnumFileExtProc>(module, "MQEnumFileExt")(0), nullptr);

    uint32_t first = 0, second = 0;
    Export<MQGetPlugInIDProc>(module, "MQGetPlugInID")(&first, &second);
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, 0u);
    Export<MQGetPlugInIDProc>(module, "MQGetPlugInID")(nullptr, nullptr);  // no crash

    // Import/export and create/modify are shared entry points answering "not handled".
    EXPECT_EQ(GetProcAddress(module, "MQImportFile"), GetProcAddress(module, "MQExportFile"));
    EXPECT_EQ(GetProcAddress(module, "MQCreate"), GetProcAddress(module, "MQModifyObject"));
    EXPECT_EQ(GetProcAddress(module, "MQCreate"), GetProcAddress(module, "MQModifySelect"));
    EXPECT_EQ(Export<MQImportFileProc>(module, "MQImportFile")(0, "x", nullptr), 0);
    EXPECT_EQ(Export<MQCreateProc>(module, "MQCreate")(0, nullptr), 0);
    FreeLibrary(module);
}

// What Explorer shows on the DLL's Details tab, read as the ANSI functions give it on a Japanese
// system: the release's version in the fixed part and in a Japanese block of code page 932.
// PUFFSHELL_DLL names another DLL to read (the release check reads the shipped ones with it).
TEST(Exports, VersionResourceNamesTheReleaseInAJapaneseBlock) {
    const char* named = getenv("PUFFSHELL_DLL");
    const std::string dll = named && *named ? named : BesideThisProgram("Puffshell.dll");
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(dll.c_str(), &ignored);
    ASSERT_GT(size, 0u) << dll << " has no version resource";
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(dll.c_str(), 0, size, info.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    const DWORD high = MAKELONG(PUFFSHELL_VERSION_MINOR, PUFFSHELL_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, PUFFSHELL_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x0411);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 932);

    const std::pair<const char*, const char*> strings[] = {
        {"FileDescription", "ポリゴン拡張プラグイン (Puffshell)"},
        {"FileVersion", PUFFSHELL_VERSION_STRING},
        {"ProductVersion", PUFFSHELL_VERSION_STRING},
        {"ProductName", "Puffshell"},
        {"InternalName", "Puffshell"},
        {"OriginalFilename", "Puffshell.dll"},
        {"LegalCopyright", PUFFSHELL_COPYRIGHT},
    };
    for (const auto& [name, expected] : strings) {
        const std::string key = std::string("\\StringFileInfo\\041103A4\\") + name;
        ASSERT_TRUE(VerQueryValueA(info.data(), key.c_str(), &value, &length)) << name;
        const char* text = static_cast<const char*>(value);
        EXPECT_STREQ(text, expected) << name;
        printf("%s: %s\n", name, text);
    }
}

TEST(Exports, BindingFailsForAMissingModuleOrAMissingNameAndThenNothingRuns) {
    HMODULE module = LoadLibraryA(BesideThisProgram("Puffshell.dll").c_str());
    ASSERT_NE(module, nullptr);
    auto init = Export<MQInitProc>(module, "MQInit");
    auto onEvent = Export<MQOnEventProc>(module, "MQOnEvent");

    EXPECT_EQ(init(BesideThisProgram("no-such-host.dll").c_str()), 0);
    EXPECT_EQ(init(nullptr), 0);
    // A host that lacks only the last of the 140 names.
    EXPECT_EQ(init(BesideThisProgram("StubHostMissingOne.dll").c_str()), 0);
    // The module reference taken for the lookup was released again.
    EXPECT_EQ(GetModuleHandleA("StubHostMissingOne.dll"), nullptr);
    // Without a binding every event is answered 0 and nothing is called.
    int32_t show = 1;
    EXPECT_EQ(onEvent(nullptr, kEventInitialize, nullptr), 0);
    EXPECT_EQ(onEvent(nullptr, kEventActivate, &show), 0);
    EXPECT_EQ(onEvent(nullptr, kEventDraw, nullptr), 0);

    // The complete stub host binds.
    EXPECT_EQ(init(BesideThisProgram("StubHost.dll").c_str()), 1);
    EXPECT_EQ(GetModuleHandleA("StubHost.dll"), nullptr);
    FreeLibrary(module);
}

TEST_F(Shell, PanelIsCreatedHiddenShownOnActivationAndHiddenWithTheHostToldOnDeactivation) {
    ASSERT_EQ(CountPanels(), 1);  // event 1 from LoadPlugin
    HWND panel = Panel();
    EXPECT_FALSE(IsWindowVisible(panel));
    EXPECT_EQ(GetWindow(panel, GW_OWNER), wb::MainWindow());
    EXPECT_EQ(Event(kEventIsActive), 0);

    EXPECT_EQ(Activate(1), 1);
    EXPECT_TRUE(IsWindowVisible(panel));
    EXPECT_EQ(Event(kEventIsActive), 1);

    wb::ClearReceivedMessages();
    EXPECT_EQ(Activate(0), 0);
    EXPECT_FALSE(IsWindowVisible(panel));
    EXPECT_EQ(Event(kEventIsActive), 0);
    const std::vector<wb::ReceivedMessage> messages = wb::ReceivedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, 100);
    EXPECT_TRUE(messages[0].optionKeys.empty());

    // Minimising hides the panel; restoring shows it only while it is activated.
    Activate(1);
    int32_t minimized = 1;
    EXPECT_EQ(Event(kEventMinimize, &minimized), 1);
    EXPECT_FALSE(IsWindowVisible(panel));
    EXPECT_EQ(Event(kEventIsActive), 1);
    minimized = 0;
    Event(kEventMinimize, &minimized);
    EXPECT_TRUE(IsWindowVisible(panel));

    // Event 2 destroys the panel; afterwards the panel events answer 0.
    EXPECT_EQ(Event(kEventExit), 1);
    EXPECT_EQ(CountPanels(), 0);
    EXPECT_EQ(Activate(1), 0);
    EXPECT_EQ(Event(kEventIsActive), 0);
    // A second initialisation creates a panel again, and only one.
    EXPECT_EQ(Event(kEventInitialize), 1);
    EXPECT_EQ(Event(kEventInitialize), 1);
    EXPECT_EQ(CountPanels(), 1);
}

TEST_F(Shell, EventAnswersFollowTheDispatchTable) {
    Activate(1);
    wb::ProcessMessages();
    EXPECT_EQ(Event(kEventUndo), 0);
    EXPECT_EQ(Event(kEventRedo), 0);
    EXPECT_EQ(Event(kEventMaterialListUpdated), 1);
    EXPECT_EQ(Event(kEventMaterialModified), 1);
    EXPECT_EQ(Event(kEventObjectListUpdated), 1);
    EXPECT_EQ(Event(kEventObjectSelected), 1);
    EXPECT_EQ(Event(kEventUndoUpdated), 1);
    EXPECT_EQ(Event(kEventNewDocument), 1);
    EXPECT_EQ(Event(kEventEndDocument), 1);
    EXPECT_EQ(Event(kEventSceneUpdated), 1);
    EXPECT_EQ(Event(kEventDraw), 1);
    for (int32_t code : {0, 3, 99, 103, 109, 111, 203, 213, 223, 232, 241, 1000, -1}) {
        EXPECT_EQ(Event(code), 0) << "event " << code;
    }
    Activate(0);
    EXPECT_EQ(Event(kEventUndo), 0);
    EXPECT_EQ(Event(kEventMaterialListUpdated), 1);

    // The save handler never asks for unique IDs, so "save_uid" is never written.
    int32_t saveUid = 7;
    OptionPair save[] = {{"filename", const_cast<char*>("scene.doc")}, {"save_uid", &saveUid},
                         {nullptr, nullptr}};
    EXPECT_EQ(Event(kEventSaveDocument, save), 1);
    EXPECT_EQ(saveUid, 7);
}

TEST_F(Shell, MissingAndMalformedOptionsTakeTheirDefaults) {
    // Events 100 and 102 read an integer through the option argument: null reads as 0.
    Activate(1);
    EXPECT_EQ(Event(kEventActivate, nullptr), 0);
    EXPECT_FALSE(IsWindowVisible(Panel()));
    EXPECT_EQ(Event(kEventMinimize, nullptr), 1);

    Activate(1);
    // A draw with no options, with an empty list, with a key whose value pointer is null, and
    // with "width" given twice.
    int32_t width = 640, height = 480, other = 3;
    OptionPair empty[] = {{nullptr, nullptr}};
    OptionPair nullValues[] = {{"width", nullptr}, {"height", nullptr}, {"scene", nullptr},
                               {nullptr, nullptr}};
    OptionPair twice[] = {{"width", &width}, {"width", &other}, {"height", &height},
                          {nullptr, nullptr}};
    EXPECT_EQ(Event(kEventDraw, nullptr), 1);
    EXPECT_EQ(Event(kEventDraw, empty), 1);
    EXPECT_EQ(Event(kEventDraw, nullValues), 1);
    EXPECT_EQ(Event(kEventDraw, twice), 1);
    OptionPair undoNull[] = {{"state", nullptr}, {nullptr, nullptr}};
    EXPECT_EQ(Event(kEventUndo, undoNull), 0);
    OptionPair undoUpdatedNull[] = {{"state", nullptr}, {"size", nullptr}, {nullptr, nullptr}};
    EXPECT_EQ(Event(kEventUndoUpdated, undoUpdatedNull), 1);
}

TEST_F(Shell, EventsBeforeInitialisationAnswerZero) {
    // A plug-in whose panel is gone behaves as before event 1.
    Event(kEventExit);
    EXPECT_EQ(Event(kEventIsActive), 0);
    int32_t show = 1;
    EXPECT_EQ(Event(kEventActivate, &show), 0);
    EXPECT_EQ(Event(kEventMinimize, &show), 1);
    EXPECT_EQ(Event(kEventObjectModified), 1);
    EXPECT_EQ(wb::RefreshRequestCount(), 0);
}

TEST_F(Shell, DrawRequestsCarryTheIdsAndTheirOptionsInOrder) {
    Activate(1);
    wb::ClearReceivedMessages();
    wb::Redraw();
    uint32_t first = 0, second = 0;
    wb::PluginIds(&first, &second);
    const std::vector<wb::ReceivedMessage> messages = wb::ReceivedMessages();
    ASSERT_GE(messages.size(), 2u);  // the two draw materials, even without objects
    for (const wb::ReceivedMessage& m : messages) {
        EXPECT_EQ(m.firstId, first);
        EXPECT_EQ(m.secondId, second);
        EXPECT_EQ(m.reserved, 0u);
    }
    EXPECT_EQ(messages[0].code, 201);
    EXPECT_EQ(messages[0].optionKeys, (std::vector<std::string>{"document", "index", "result"}));
    EXPECT_EQ(messages[1].code, 201);
}

TEST_F(Shell, ChangeEventsCoalesceIntoOneRefreshUntilTheDrawPassRuns) {
    Activate(1);
    wb::ProcessMessages();  // the activation's redraw
    const int32_t before = wb::RefreshRequestCount();
    Event(kEventObjectModified);
    Event(kEventObjectModified);
    EXPECT_EQ(wb::RefreshRequestCount(), before + 1);
    EXPECT_EQ(wb::ProcessMessages(), 1);
    Event(kEventObjectModified);
    EXPECT_EQ(wb::RefreshRequestCount(), before + 2);

    // Selection changes mark nothing while "selection only" is off; no refresh either way.
    wb::ProcessMessages();
    const int32_t afterDraw = wb::RefreshRequestCount();
    Event(kEventObjectSelected);
    Event(kEventObjectListUpdated);
    Event(kEventUndo);
    EXPECT_EQ(wb::RefreshRequestCount(), afterDraw);
}

}  // namespace
