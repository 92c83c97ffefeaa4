// What the host keeps from one redraw for the next, for speed, must never show: draw objects
// start empty, merges into them are exact, and the message log stays bounded and in order.
#include <gtest/gtest.h>

#include "tests/workbench/WorkbenchTestUtil.h"

namespace {

HostObject NewDrawObject(HostDocument doc) {
    int32_t visibility = 4;
    OptionPair options[] = {{"document", doc}, {"visibility", &visibility}, {"result", nullptr},
                            {nullptr, nullptr}};
    HostMessage message{1, 2, 0, options};
    MQ_SendMessage(kMessageCreateDrawObject, &message);
    return static_cast<HostObject>(options[2].value);
}

TEST(RedrawReuse, DrawObjectsOfTheNextRedrawStartEmptyAndMergeExactly) {
    HostDocument doc = wb::NewDocument();
    const int32_t big = wb::AddMeshObject(
        "big", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 2}}, {{0, 1, 2, 3}, {1, 4, 2}});
    const int32_t small = wb::AddMeshObject("small", {{7, 8, 9}, {8, 8, 9}, {8, 9, 9}}, {{0, 1, 2}});
    wb::Redraw();
    for (int32_t i = 0; i < 2; ++i) MQObj_Merge(NewDrawObject(doc), MQDoc_GetObject(doc, big));

    wb::Redraw();
    EXPECT_TRUE(wb::DrawObjects().empty());
    HostObject layer = NewDrawObject(doc);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(MQObj_GetVertexCount(layer), 0);
    EXPECT_EQ(MQObj_GetFaceCount(layer), 0);
    MQObj_Merge(layer, MQDoc_GetObject(doc, small));
    MQObj_Merge(layer, MQDoc_GetObject(doc, small));
    ASSERT_EQ(MQObj_GetVertexCount(layer), 6);
    ASSERT_EQ(MQObj_GetFaceCount(layer), 2);
    EXPECT_EQ(wbtest::ReadFace(layer, 1).points, (std::vector<int32_t>{3, 4, 5}));
    const HostPoint p = wbtest::VertexOf(layer, 4);
    EXPECT_EQ(p.x, 8.0f);
    EXPECT_EQ(p.y, 8.0f);
    // New unique IDs for the appended vertices and faces, one each.
    EXPECT_EQ(MQObj_GetVertexIndexFromUniqueID(layer, MQObj_GetVertexUniqueID(layer, 5)), 5);
    EXPECT_NE(MQObj_GetFaceUniqueID(layer, 0), MQObj_GetFaceUniqueID(layer, 1));
    wb::Redraw();
}

TEST(RedrawReuse, RepeatedMergesIntoOneObjectKeepEveryLayer) {
    HostDocument doc = wb::NewDocument();
    HostObject quad = MQDoc_GetObject(
        doc, wb::AddMeshObject("quad", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}}));
    HostObject target = MQ_CreateObject();
    for (int32_t i = 0; i < 50; ++i) MQObj_Merge(target, quad);
    ASSERT_EQ(MQObj_GetVertexCount(target), 200);
    ASSERT_EQ(MQObj_GetFaceCount(target), 50);
    EXPECT_EQ(wbtest::ReadFace(target, 49).points, (std::vector<int32_t>{196, 197, 198, 199}));
    MQObj_Delete(target);
}

TEST(RedrawReuse, TheMessageLogKeepsTheLatestMessagesInOrder) {
    wb::ClearReceivedMessages();
    OptionPair none[] = {{nullptr, nullptr}};
    for (uint32_t i = 0; i < 600; ++i) {
        HostMessage message{i, 0, 0, none};
        MQ_SendMessage(kMessageStationClosed, &message);
    }
    const std::vector<wb::ReceivedMessage> messages = wb::ReceivedMessages();
    ASSERT_FALSE(messages.empty());
    ASSERT_LT(messages.size(), 600u);
    for (size_t i = 0; i < messages.size(); ++i)
        EXPECT_EQ(messages[i].firstId, 600 - messages.size() + i) << i;
    wb::ClearReceivedMessages();
    EXPECT_TRUE(wb::ReceivedMessages().empty());
}

}  // namespace
