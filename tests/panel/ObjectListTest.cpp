// The object list: rows for the document's objects, their check boxes as shell switches, and the
// list following the document's changes at the next redraw.
#include <math.h>
#include <stdio.h>

#include "tests/panel/PanelFixture.h"

namespace {

// A triangle whose first vertex sits at x = offset, so that a layer tells which object it copies.
int32_t AddMarkedTriangle(const char* name, float offset) {
    return wb::AddMeshObject(name, {{offset, 0, 0}, {offset + 1, 0, 0}, {offset, 1, 0}}, {{0, 1, 2}});
}

TEST_F(PanelTest, TickingARowRefreshesOnceAndTheHostShowsTheLayersAtItsRedraw) {
    testhost::AddCube("cube");
    Open();
    const int32_t refreshes = wb::RefreshRequestCount();
    const int32_t redraws = wb::RedrawCount();

    TickRow(0, true);
    EXPECT_EQ(wb::RefreshRequestCount(), refreshes + 1);
    EXPECT_EQ(wb::ProcessMessages(), 1);  // the panel's reload adds no second refresh
    EXPECT_EQ(wb::RefreshRequestCount(), refreshes + 1);
    EXPECT_EQ(wb::RedrawCount(), redraws + 1);
    ASSERT_EQ(wb::DrawObjects().size(), 1u);
    HostObject layer = wb::DrawObjects()[0];
    EXPECT_EQ(Host().MQObj_GetVertexCount(layer), 8);
    EXPECT_EQ(Host().MQObj_GetFaceCount(layer), 6);
    EXPECT_EQ(wb::FreezeFlags(layer), 2u);
    EXPECT_EQ(wb::DrawObjectVisibilities(), (std::vector<int32_t>{4}));
    // Pushed 1.0 out along the corner's normal (1, 1, 1) / sqrt 3.
    EXPECT_NEAR(testhost::VertexPositions(layer)[6].x, 0.5f + 1.0f / sqrtf(3.0f), 1e-5);

    // The next change asks for a refresh again.
    TickRow(0, false);
    EXPECT_EQ(wb::RefreshRequestCount(), refreshes + 2);
    wb::ProcessMessages();
    EXPECT_TRUE(wb::DrawObjects().empty());
}

TEST_F(PanelTest, RowsSkipEmptySlotsAndMapToTheObjectsAfterThem) {
    AddMarkedTriangle("a", 0);
    AddMarkedTriangle("b", 10);
    AddMarkedTriangle("c", 20);
    Host().MQDoc_DeleteObject(document, 1);
    Open();
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(RowText(0), "a");
    EXPECT_EQ(RowText(1), "c");
    TickRow(1, true);
    wb::ProcessMessages();
    ASSERT_EQ(wb::DrawObjects().size(), 1u);
    EXPECT_NEAR(testhost::VertexPositions(wb::DrawObjects()[0])[0].x, 20.0f, 1e-5);
}

TEST_F(PanelTest, RowsShowTheNamesOfAUtf8SceneInTheHostsCodePage) {
    // 立方体 is in code page 932; é is not, and shows as "?". The file is UTF-8 (u8).
    const std::string path = testhost::TempFolder() + "names.obj";
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs(u8"o 立方体\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\no Café\nf 1 3 2\n", file);
    fclose(file);
    std::string warnings;
    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &warnings));
    Open();
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(RowText(0), "\x97\xA7\x95\xFB\x91\xCC");
    EXPECT_EQ(RowText(1), "Caf?");
}

TEST_F(PanelTest, TheListIsRefilledAfterADeleteButNotAfterARename) {
    AddMarkedTriangle("a", 0);
    AddMarkedTriangle("b", 10);
    AddMarkedTriangle("c", 20);
    Open();
    ClickRow(2);
    TickRow(2, true);
    wb::ProcessMessages();

    Host().MQObj_SetName(testhost::ObjectAt(2), "renamed");
    Event(kEventObjectModified);
    wb::ProcessMessages();
    EXPECT_EQ(RowText(2), "c");  // identity and order unchanged: no refill
    EXPECT_EQ(SelectedRow(), 2);

    Host().MQDoc_DeleteObject(document, 1);
    Event(kEventObjectListUpdated);
    wb::Redraw();
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(RowText(1), "renamed");
    EXPECT_TRUE(RowChecked(1));
    EXPECT_EQ(SelectedRow(), -1);  // a refill loses the selection
    EXPECT_FALSE(Enabled(IDC_REPEAT_COUNT));
    EXPECT_EQ(wb::DrawObjects().size(), 1u);
}

TEST_F(PanelTest, DocumentsWithMoreThan1024SlotsAreListedAndComparedWhole) {
    const int32_t count = 1030;
    for (int32_t i = 0; i < count; ++i) {
        char name[16];
        snprintf(name, sizeof name, "t%d", i);
        AddMarkedTriangle(name, static_cast<float>(i));
    }
    Open();
    ASSERT_EQ(RowCount(), count);
    TickRow(1029, true);
    wb::ProcessMessages();
    ASSERT_EQ(wb::DrawObjects().size(), 1u);
    EXPECT_NEAR(testhost::VertexPositions(wb::DrawObjects()[0])[0].x, 1029.0f, 1e-3);

    // A change past the 1024th slot is seen: the list is refilled.
    Host().MQDoc_DeleteObject(document, 1027);
    Event(kEventObjectListUpdated);
    wb::Redraw();
    EXPECT_EQ(RowCount(), count - 1);
    EXPECT_EQ(RowText(1027), "t1028");
    AddMarkedTriangle("late", 5000);
    Event(kEventObjectListUpdated);
    wb::Redraw();
    EXPECT_EQ(RowText(count - 1), "late");
    EXPECT_TRUE(RowChecked(1028));
}

}  // namespace
