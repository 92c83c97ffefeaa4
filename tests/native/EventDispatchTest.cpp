// The host's event entry: what each event answers, with and without a panel and host functions,
// and with options missing or malformed.
#include "tests/native/PluginFixture.h"

namespace {

const int32_t kEveryEvent[] = {kEventInitialize,
                               kEventActivate,
                               kEventIsActive,
                               kEventMinimize,
                               kEventDraw,
                               kEventNewDocument,
                               kEventEndDocument,
                               kEventSaveDocument,
                               kEventUndo,
                               kEventRedo,
                               kEventUndoUpdated,
                               kEventObjectListUpdated,
                               kEventObjectModified,
                               kEventObjectSelected,
                               kEventMaterialListUpdated,
                               kEventMaterialModified,
                               kEventSceneUpdated,
                               kEventExit};

TEST_F(PluginTest, WithoutHostFunctionsOrAPanelEventsAnswerZeroAndAskForNothing) {
    // Before MQInit bound the host functions, every event is answered 0 without calling any.
    ASSERT_FALSE(BindHostApi(nullptr));
    int32_t show = 1;
    const std::vector<std::string> calls = testhost::RecordNames([&] {
        for (int32_t code : kEveryEvent)
            EXPECT_EQ(Event(code, code == kEventActivate ? &show : nullptr), 0) << code;
    });
    EXPECT_TRUE(calls.empty()) << calls.front();
    ASSERT_TRUE(BindHostApi(testhost::BesideThisProgram("WorkbenchHost.dll").c_str()));

    // After event 2 the panel is gone: nothing is shown, drawn or asked of the host.
    Activate(true);
    EXPECT_EQ(Event(kEventExit), 1);
    wb::ClearReceivedMessages();
    const int32_t requests = standin::RedrawRequests();
    EXPECT_EQ(Event(kEventIsActive), 0);
    EXPECT_EQ(Activate(true), 0);
    EXPECT_EQ(Event(kEventMinimize, &show), 1);
    EXPECT_EQ(Event(kEventObjectModified), 1);
    Redraw();
    EXPECT_EQ(standin::RedrawRequests(), requests);
    EXPECT_TRUE(wb::ReceivedMessages().empty());
    // Here no dialog can be created: event 1 fails as it does when the panel cannot be made.
    EXPECT_EQ(Event(kEventInitialize), 0);
    EXPECT_EQ(Event(kEventIsActive), 0);
}

TEST_F(PluginTest, EventAnswersFollowTheDispatchTable) {
    EXPECT_EQ(Event(kEventIsActive), 0);
    EXPECT_EQ(Activate(true), 1);
    EXPECT_EQ(Event(kEventIsActive), 1);
    EXPECT_EQ(Event(kEventUndo), 0);
    EXPECT_EQ(Event(kEventRedo), 0);
    for (int32_t code : {kEventMaterialListUpdated, kEventMaterialModified, kEventObjectListUpdated,
                         kEventObjectSelected, kEventUndoUpdated, kEventNewDocument,
                         kEventEndDocument, kEventSceneUpdated, kEventDraw})
        EXPECT_EQ(Event(code), 1) << "event " << code;
    for (int32_t code : {0, 3, 99, 103, 109, 111, 203, 213, 223, 232, 241, 1000, -1})
        EXPECT_EQ(Event(code), 0) << "event " << code;

    // An edit asks for one redraw while the shells are on, none while they are disabled.
    int32_t requests = standin::RedrawRequests();
    EXPECT_EQ(Event(kEventObjectModified), 1);
    EXPECT_EQ(standin::RedrawRequests(), ++requests);
    disableAll = 1;
    EXPECT_EQ(Event(kEventObjectModified), 1);
    EXPECT_EQ(standin::RedrawRequests(), requests);
    disableAll = 0;

    // The save handler never asks for unique IDs, so "save_uid" is never written.
    int32_t saveUid = 7;
    OptionPair save[] = {
        {"filename", const_cast<char*>("scene.doc")}, {"save_uid", &saveUid}, {nullptr, nullptr}};
    EXPECT_EQ(Event(kEventSaveDocument, save), 1);
    EXPECT_EQ(saveUid, 7);

    // Closing the station tells the host so, with message 100 and no options.
    wb::ClearReceivedMessages();
    EXPECT_EQ(Activate(false), 0);
    EXPECT_EQ(Event(kEventIsActive), 0);
    const std::vector<wb::ReceivedMessage> messages = wb::ReceivedMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, 100);
    EXPECT_TRUE(messages[0].optionKeys.empty());
}

TEST_F(PluginTest, MissingAndMalformedOptionsTakeTheirDefaults) {
    testhost::AddUnitQuad("quad");
    SettingsOf(testhost::ObjectAt(0)).enabled = 1;
    // Events 100 and 102 read an integer through the option argument: null reads as 0.
    Activate(true);
    EXPECT_EQ(Event(kEventActivate, nullptr), 0);
    EXPECT_EQ(Event(kEventIsActive), 0);
    EXPECT_EQ(Event(kEventMinimize, nullptr), 1);

    // A draw with no options, an empty list, keys whose values are null, and a key given twice:
    // each draws the shell.
    Activate(true);
    int32_t width = 640, height = 480, other = 3;
    OptionPair empty[] = {{nullptr, nullptr}};
    OptionPair nullValues[] = {
        {"width", nullptr}, {"height", nullptr}, {"scene", nullptr}, {nullptr, nullptr}};
    OptionPair twice[] = {
        {"width", &width}, {"width", &other}, {"height", &height}, {nullptr, nullptr}};
    for (OptionPair* options : {static_cast<OptionPair*>(nullptr), empty, nullValues, twice}) {
        wb::Redraw();
        EXPECT_EQ(Event(kEventDraw, options), 1);
        EXPECT_EQ(wb::DrawObjects().size(), 1u);
    }
    OptionPair stateNull[] = {{"state", nullptr}, {"size", nullptr}, {nullptr, nullptr}};
    EXPECT_EQ(Event(kEventUndo, stateNull), 0);
    EXPECT_EQ(Event(kEventUndoUpdated, stateNull), 1);
    EXPECT_EQ(Event(kEventNewDocument, empty), 1);
    EXPECT_EQ(Event(kEventSaveDocument, nullValues), 1);
}

}  // namespace
