// The workbench host's document model through the host functions: the behaviour ABI.md says the
// plug-in relies on (merge renumbering, delete-vertex index stability, clone IDs, face inversion),
// document slots, selection, draw items, messages, the station callback, the call recorder, and
// safety against NULL handles and bad indices.
#include <gtest/gtest.h>

#include <math.h>

#include <set>

#include "tests/workbench/WorkbenchTestUtil.h"

namespace {

using wbtest::FaceData;
using wbtest::ReadFace;
using wbtest::VertexOf;

class HostModel : public ::testing::Test {
protected:
    void SetUp() override {
        wb::StopRecording();
        wb::ClearRecordedCalls();
        doc = wb::NewDocument();
    }
    void TearDown() override { wb::StopRecording(); }

    HostObject ObjectAt(int32_t index) { return MQDoc_GetObject(doc, index); }

    // 8 vertices, 6 quads; UVs, colours and materials that differ per corner / face.
    int32_t AddDecoratedCube(const char* name) {
        const std::vector<HostPoint> v = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                          {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
        const std::vector<std::vector<int32_t>> f = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                                     {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
        const int32_t index = wb::AddMeshObject(name, v, f);
        HostObject obj = ObjectAt(index);
        for (int32_t face = 0; face < 6; ++face) {
            HostUV uv[4];
            for (int k = 0; k < 4; ++k) {
                uv[k] = HostUV{face * 0.1f + k * 0.01f, 1.0f - k * 0.25f};
                MQObj_SetFaceVertexColor(obj, face, k, 0xFF000000u | static_cast<uint32_t>(face * 16 + k));
            }
            MQObj_SetFaceCoordinateArray(obj, face, uv);
            MQObj_SetFaceMaterial(obj, face, face % 2 ? 1 : -1);
        }
        return index;
    }

    HostDocument doc = nullptr;
};

// ---- objects and faces ------------------------------------------------------------------------

TEST_F(HostModel, NewFacesHaveNoMaterialWhiteColoursAndZeroUVs) {
    HostObject obj = ObjectAt(wb::AddMeshObject("tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    ASSERT_NE(obj, nullptr);
    const FaceData f = ReadFace(obj, 0);
    EXPECT_EQ(f.points, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(f.material, -1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(f.colors[k], 0xFFFFFFFFu);
        EXPECT_EQ(f.uvs[k].u, 0.0f);
        EXPECT_EQ(f.uvs[k].v, 0.0f);
    }
    EXPECT_NE(MQObj_GetVisible(obj), 0);
}

TEST_F(HostModel, AddFaceAcceptsOneToFourValidPointsOnly) {
    HostObject obj = MQ_CreateObject();
    for (int i = 0; i < 5; ++i) {
        HostPoint p{static_cast<float>(i), 0, 0};
        EXPECT_EQ(MQObj_AddVertex(obj, &p), i);
    }
    const int32_t idx[5] = {0, 1, 2, 3, 4};
    EXPECT_EQ(MQObj_AddFace(obj, 1, idx), 0);
    EXPECT_EQ(MQObj_AddFace(obj, 2, idx), 1);
    EXPECT_EQ(MQObj_AddFace(obj, 3, idx), 2);
    EXPECT_EQ(MQObj_AddFace(obj, 4, idx), 3);
    EXPECT_EQ(MQObj_AddFace(obj, 0, idx), -1);
    EXPECT_EQ(MQObj_AddFace(obj, 5, idx), -1);
    const int32_t bad[3] = {0, 1, 5};
    EXPECT_EQ(MQObj_AddFace(obj, 3, bad), -1);
    const int32_t negative[3] = {0, -1, 2};
    EXPECT_EQ(MQObj_AddFace(obj, 3, negative), -1);
    EXPECT_EQ(MQObj_AddFace(obj, 3, nullptr), -1);
    EXPECT_EQ(MQObj_GetFaceCount(obj), 4);
    // The workbench-only path makes the faces a bad host would report.
    EXPECT_EQ(wb::AddRawFace(obj, {}), 4);
    EXPECT_EQ(wb::AddRawFace(obj, {0, 1, 2, 3, 4}), 5);
    EXPECT_EQ(MQObj_GetFacePointCount(obj, 4), 0);
    EXPECT_EQ(MQObj_GetFacePointCount(obj, 5), 5);
    std::vector<int32_t> out(5, -1);
    MQObj_GetFacePointArray(obj, 5, out.data());
    EXPECT_EQ(out, (std::vector<int32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(wb::AddRawFace(nullptr, {0}), -1);
    MQObj_Delete(obj);
}

TEST_F(HostModel, MergeAppendsGeometryRenumberedAndLeavesTheSourceAlone) {
    HostObject target = ObjectAt(wb::AddMeshObject("t", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    HostObject source = ObjectAt(AddDecoratedCube("s"));
    std::vector<FaceData> before;
    for (int32_t f = 0; f < 6; ++f) before.push_back(ReadFace(source, f));

    MQObj_Merge(target, source);
    ASSERT_EQ(MQObj_GetVertexCount(target), 3 + 8);
    ASSERT_EQ(MQObj_GetFaceCount(target), 1 + 6);
    EXPECT_EQ(ReadFace(target, 0).points, (std::vector<int32_t>{0, 1, 2}));
    for (int32_t f = 0; f < 6; ++f) {
        const FaceData merged = ReadFace(target, 1 + f);
        ASSERT_EQ(merged.points.size(), 4u);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(merged.points[k], before[f].points[k] + 3) << "face " << f;
            EXPECT_EQ(merged.uvs[k].u, before[f].uvs[k].u);
            EXPECT_EQ(merged.uvs[k].v, before[f].uvs[k].v);
            EXPECT_EQ(merged.colors[k], before[f].colors[k]);
        }
        EXPECT_EQ(merged.material, before[f].material);
    }
    for (int32_t i = 0; i < 8; ++i) {
        const HostPoint a = VertexOf(target, 3 + i), b = VertexOf(source, i);
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(a.z, b.z);
    }
    // The source is unchanged.
    EXPECT_EQ(MQObj_GetVertexCount(source), 8);
    EXPECT_EQ(MQObj_GetFaceCount(source), 6);
    for (int32_t f = 0; f < 6; ++f) EXPECT_EQ(ReadFace(source, f).points, before[f].points);

    // Merging into a draw-object-like empty object, and into itself.
    HostObject empty = MQ_CreateObject();
    MQObj_Merge(empty, source);
    EXPECT_EQ(MQObj_GetVertexCount(empty), 8);
    EXPECT_EQ(ReadFace(empty, 3).points, before[3].points);
    MQObj_Merge(empty, empty);
    ASSERT_EQ(MQObj_GetVertexCount(empty), 16);
    ASSERT_EQ(MQObj_GetFaceCount(empty), 12);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(ReadFace(empty, 9).points[k], before[3].points[k] + 8);
    MQObj_Delete(empty);
}

TEST_F(HostModel, DeletedVerticesKeepTheOtherIndicesUntilCompact) {
    HostObject obj = ObjectAt(AddDecoratedCube("cube"));
    const HostPoint p7 = VertexOf(obj, 7);
    const FaceData top = ReadFace(obj, 3);  // {2, 3, 7, 6}: does not use vertex 0

    EXPECT_EQ(MQObj_DeleteVertex(obj, 0, 1), 1);
    EXPECT_EQ(MQObj_GetVertexCount(obj), 8);  // indices stay until Compact
    EXPECT_EQ(MQObj_GetFaceCount(obj), 6);
    EXPECT_EQ(VertexOf(obj, 7).x, p7.x);
    // Faces 0, 2 and 5 use vertex 0 and went with it; the others are intact.
    EXPECT_EQ(MQObj_GetFacePointCount(obj, 0), 0);
    EXPECT_EQ(MQObj_GetFacePointCount(obj, 2), 0);
    EXPECT_EQ(MQObj_GetFacePointCount(obj, 5), 0);
    EXPECT_EQ(ReadFace(obj, 3).points, top.points);
    EXPECT_EQ(MQObj_GetFacePointCount(obj, 1), 4);

    MQObj_Compact(obj);
    ASSERT_EQ(MQObj_GetVertexCount(obj), 7);
    ASSERT_EQ(MQObj_GetFaceCount(obj), 3);
    EXPECT_EQ(VertexOf(obj, 6).x, p7.x);
    // Old face 3 {2,3,7,6} is now face 1, renumbered down by one, with its UVs and colours.
    const FaceData moved = ReadFace(obj, 1);
    EXPECT_EQ(moved.points, (std::vector<int32_t>{1, 2, 6, 5}));
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(moved.uvs[k].u, top.uvs[k].u);
        EXPECT_EQ(moved.colors[k], top.colors[k]);
    }
    EXPECT_EQ(moved.material, top.material);
}

TEST_F(HostModel, ReplacingGeometryTheWayTheFreezeDoes) {
    // Delete every vertex in ascending order, merge the new geometry, compact.
    HostObject obj = ObjectAt(AddDecoratedCube("cube"));
    HostObject shell = MQObj_Clone(obj);
    HostPoint shift{0, 0, 5};
    for (int32_t i = 0; i < 8; ++i) {
        HostPoint p = VertexOf(shell, i);
        p.z += shift.z;
        MQObj_SetVertex(shell, i, &p);
    }
    const int32_t n = MQObj_GetVertexCount(obj);
    for (int32_t i = 0; i < n; ++i) EXPECT_EQ(MQObj_DeleteVertex(obj, i, 1), 1) << i;
    MQObj_Merge(obj, shell);
    MQObj_Compact(obj);
    MQObj_Delete(shell);
    ASSERT_EQ(MQObj_GetVertexCount(obj), 8);
    ASSERT_EQ(MQObj_GetFaceCount(obj), 6);
    EXPECT_EQ(VertexOf(obj, 0).z, -1.0f + 5.0f);
    EXPECT_EQ(ReadFace(obj, 0).points, (std::vector<int32_t>{0, 3, 2, 1}));
}

TEST_F(HostModel, DeleteVertexWithoutFacesRefusesAUsedVertex) {
    HostObject obj = ObjectAt(wb::AddMeshObject("t", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}}, {{0, 1, 2}}));
    EXPECT_EQ(MQObj_DeleteVertex(obj, 1, 0), 0);
    EXPECT_EQ(MQObj_GetFacePointCount(obj, 0), 3);
    EXPECT_EQ(MQObj_DeleteVertex(obj, 3, 0), 1);  // unused
    EXPECT_EQ(MQObj_DeleteVertex(obj, 4, 1), 0);  // out of range
    MQObj_Compact(obj);
    EXPECT_EQ(MQObj_GetVertexCount(obj), 3);
    EXPECT_EQ(MQObj_GetFaceCount(obj), 1);
}

TEST_F(HostModel, DeleteFaceLeavesAnEmptyFaceUntilCompact) {
    HostObject obj = ObjectAt(AddDecoratedCube("cube"));
    EXPECT_EQ(MQObj_DeleteFace(obj, 2, 0), 1);
    EXPECT_EQ(MQObj_GetFaceCount(obj), 6);
    EXPECT_EQ(MQObj_GetFacePointCount(obj, 2), 0);
    MQObj_Compact(obj);
    EXPECT_EQ(MQObj_GetFaceCount(obj), 5);
    EXPECT_EQ(MQObj_GetVertexCount(obj), 8);
}

TEST_F(HostModel, CloneCopiesEverythingWithANewUniqueId) {
    const int32_t index = AddDecoratedCube("original");
    HostObject obj = ObjectAt(index);
    MQObj_SetMirrorType(obj, 1);
    MQObj_SetMirrorAxis(obj, 4);
    MQObj_SetMirrorDistance(obj, 2.5f);
    MQObj_SetPatchType(obj, 3);
    MQObj_SetPatchSegment(obj, 2);
    MQObj_SetVisible(obj, 0);
    HostObject copy = MQObj_Clone(obj);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, obj);
    const int32_t id = MQObj_GetIntValue(obj, kObjectUniqueId);
    const int32_t copyId = MQObj_GetIntValue(copy, kObjectUniqueId);
    EXPECT_GT(id, 0);
    EXPECT_GT(copyId, 0);
    EXPECT_NE(id, copyId);
    char name[64] = "x";
    MQObj_GetName(copy, name, sizeof name);
    EXPECT_STREQ(name, "original");
    EXPECT_EQ(MQObj_GetMirrorType(copy), 1);
    EXPECT_EQ(MQObj_GetMirrorAxis(copy), 4u);
    EXPECT_EQ(MQObj_GetMirrorDistance(copy), 2.5f);
    EXPECT_EQ(MQObj_GetPatchType(copy), 3);
    EXPECT_EQ(MQObj_GetPatchSegment(copy), 2);
    EXPECT_EQ(MQObj_GetVisible(copy), 0);
    ASSERT_EQ(MQObj_GetVertexCount(copy), 8);
    for (int32_t f = 0; f < 6; ++f) {
        const FaceData a = ReadFace(obj, f), b = ReadFace(copy, f);
        EXPECT_EQ(a.points, b.points);
        EXPECT_EQ(a.colors, b.colors);
        EXPECT_EQ(a.material, b.material);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(a.uvs[k].u, b.uvs[k].u);
    }
    // Independent: editing the copy leaves the original alone; the ID does not change.
    HostPoint p{9, 9, 9};
    MQObj_SetVertex(copy, 0, &p);
    EXPECT_EQ(VertexOf(obj, 0).x, -1.0f);
    MQObj_SetIntValue(copy, kObjectUniqueId, 12345);
    EXPECT_EQ(MQObj_GetIntValue(copy, kObjectUniqueId), copyId);
    // The copy belongs to nobody until added; then it has a slot of its own.
    EXPECT_EQ(MQDoc_GetObjectIndex(doc, copy), -1);
    EXPECT_EQ(MQDoc_AddObject(doc, copy), index + 1);
    EXPECT_EQ(MQDoc_AddObject(doc, copy), -1);  // already owned
}

TEST_F(HostModel, UniqueIdsArePositiveAndNeverRepeat) {
    std::set<int32_t> ids;
    std::vector<HostObject> objects;
    for (int i = 0; i < 50; ++i) {
        HostObject o = i % 2 ? MQ_CreateObject() : MQObj_Clone(ObjectAt(AddDecoratedCube("c")));
        const int32_t id = MQObj_GetIntValue(o, kObjectUniqueId);
        EXPECT_GT(id, 0);
        EXPECT_TRUE(ids.insert(id).second) << id;
        objects.push_back(o);
    }
    for (HostObject o : objects) MQObj_Delete(o);
    HostObject later = MQ_CreateObject();
    EXPECT_EQ(ids.count(MQObj_GetIntValue(later, kObjectUniqueId)), 0u);
    MQObj_Delete(later);
}

TEST_F(HostModel, InvertFaceReversesPointsWithTheirUVsAndColours) {
    HostObject obj = ObjectAt(AddDecoratedCube("cube"));
    const FaceData before = ReadFace(obj, 4);
    MQObj_InvertFace(obj, 4);
    const FaceData after = ReadFace(obj, 4);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(after.points[k], before.points[3 - k]);
        EXPECT_EQ(after.uvs[k].u, before.uvs[3 - k].u);
        EXPECT_EQ(after.uvs[k].v, before.uvs[3 - k].v);
        EXPECT_EQ(after.colors[k], before.colors[3 - k]);
    }
    EXPECT_EQ(after.material, before.material);
    EXPECT_EQ(ReadFace(obj, 3).points, (std::vector<int32_t>{2, 3, 7, 6}));  // others unchanged
    MQObj_InvertFace(obj, 4);
    EXPECT_EQ(ReadFace(obj, 4).points, before.points);
    MQObj_InvertFace(obj, 99);  // out of range: nothing
    MQObj_InvertFace(nullptr, 0);
}

// ---- documents --------------------------------------------------------------------------------

TEST_F(HostModel, DeletedObjectsAndMaterialsLeaveEmptySlotsUntilCompact) {
    AddDecoratedCube("a");
    AddDecoratedCube("b");
    AddDecoratedCube("c");
    HostObject c = ObjectAt(2);
    for (int i = 0; i < 3; ++i) {
        HostMaterial m = MQ_CreateMaterial();
        MQMat_SetName(m, ("m" + std::to_string(i)).c_str());
        EXPECT_EQ(MQDoc_AddMaterial(doc, m), i);
    }
    MQDoc_DeleteObject(doc, 1);
    EXPECT_EQ(MQDoc_GetObjectCount(doc), 3);
    EXPECT_EQ(ObjectAt(1), nullptr);
    EXPECT_EQ(ObjectAt(2), c);
    MQDoc_DeleteMaterial(doc, 0);
    EXPECT_EQ(MQDoc_GetMaterialCount(doc), 3);
    EXPECT_EQ(MQDoc_GetMaterial(doc, 0), nullptr);
    // Faces of c use material 1 (odd faces) and none (even faces).
    EXPECT_EQ(MQObj_GetFaceMaterial(c, 1), 1);

    MQDoc_Compact(doc);
    EXPECT_EQ(MQDoc_GetObjectCount(doc), 2);
    EXPECT_EQ(ObjectAt(1), c);
    EXPECT_EQ(MQDoc_GetObjectIndex(doc, c), 1);
    EXPECT_EQ(MQDoc_GetMaterialCount(doc), 2);
    char name[16] = "";
    MQMat_GetName(MQDoc_GetMaterial(doc, 0), name, sizeof name);
    EXPECT_STREQ(name, "m1");
    EXPECT_EQ(MQObj_GetFaceMaterial(c, 1), 0);  // renumbered with the materials
    EXPECT_EQ(MQObj_GetFaceMaterial(c, 0), -1);
}

TEST_F(HostModel, SelectionIsKeptPerObjectIndex) {
    AddDecoratedCube("a");
    AddDecoratedCube("b");
    EXPECT_EQ(MQDoc_AddSelectVertex(doc, 1, 5), 1);
    EXPECT_EQ(MQDoc_AddSelectFace(doc, 0, 2), 1);
    EXPECT_EQ(MQDoc_AddSelectLine(doc, 1, 3, 2), 1);
    EXPECT_EQ(MQDoc_AddSelectVertex(doc, 1, 8), 0);   // no such vertex
    EXPECT_EQ(MQDoc_AddSelectLine(doc, 1, 3, 4), 0);  // a quad has lines 0..3
    EXPECT_EQ(MQDoc_AddSelectVertex(doc, 2, 0), 0);   // no such object
    EXPECT_EQ(MQDoc_IsSelectVertex(doc, 1, 5), 1);
    EXPECT_EQ(MQDoc_IsSelectVertex(doc, 0, 5), 0);
    EXPECT_EQ(MQDoc_IsSelectFace(doc, 0, 2), 1);
    EXPECT_EQ(MQDoc_IsSelectFace(doc, 1, 2), 0);
    EXPECT_EQ(MQDoc_IsSelectLine(doc, 1, 3, 2), 1);
    EXPECT_EQ(MQDoc_IsSelectLine(doc, 1, 2, 3), 0);
    EXPECT_EQ(MQDoc_IsSelectVertex(doc, -1, 0), 0);
    EXPECT_EQ(MQDoc_IsSelectVertex(doc, 1, -1), 0);
    EXPECT_EQ(MQDoc_DeleteSelectVertex(doc, 1, 5), 1);
    EXPECT_EQ(MQDoc_IsSelectVertex(doc, 1, 5), 0);
    MQDoc_ClearSelect(doc, 0);
    EXPECT_EQ(MQDoc_IsSelectFace(doc, 0, 2), 0);
    EXPECT_EQ(MQDoc_IsSelectLine(doc, 1, 3, 2), 0);
    // A deleted object's selection goes with it; compaction moves the others with their objects.
    MQDoc_AddSelectVertex(doc, 1, 4);
    MQDoc_AddSelectVertex(doc, 0, 1);
    MQDoc_DeleteObject(doc, 0);
    EXPECT_EQ(MQDoc_IsSelectVertex(doc, 0, 1), 0);
    MQDoc_Compact(doc);
    EXPECT_EQ(MQDoc_IsSelectVertex(doc, 0, 4), 1);
}

TEST_F(HostModel, MaterialsKeepTheirProperties) {
    HostMaterial m = MQ_CreateMaterial();
    MQMat_SetName(m, "skin");
    const HostRGB c{0.25f, 0.5f, 0.75f};
    MQMat_SetColor(m, &c);
    MQMat_SetTextureName(m, "skin.bmp");
    MQMat_SetAlpha(m, 0.5f);
    MQMat_SetAmbient(m, 0.125f);
    MQMat_SetEmission(m, 0.375f);
    MQMat_SetDiffuse(m, 0.625f);
    MQMat_SetIntValue(m, kMaterialShowsVertexColor, 1);
    MQMat_SetIntValue(m, kMaterialShadeFlat, 7);
    HostRGB out{};
    MQMat_GetColor(m, &out);
    EXPECT_EQ(out.g, 0.5f);
    char text[32] = "";
    MQMat_GetTextureName(m, text, sizeof text);
    EXPECT_STREQ(text, "skin.bmp");
    MQMat_GetTextureName(m, text, 5);  // truncated, still terminated
    EXPECT_STREQ(text, "skin");
    EXPECT_EQ(MQMat_GetAlpha(m), 0.5f);
    EXPECT_EQ(MQMat_GetAmbient(m), 0.125f);
    EXPECT_EQ(MQMat_GetEmission(m), 0.375f);
    EXPECT_EQ(MQMat_GetDiffuse(m), 0.625f);
    EXPECT_EQ(MQMat_GetIntValue(m, kMaterialShowsVertexColor), 1);
    EXPECT_EQ(MQMat_GetIntValue(m, kMaterialShadeFlat), 7);
    EXPECT_EQ(MQMat_GetIntValue(m, 999), 0);
    EXPECT_EQ(MQDoc_AddMaterial(doc, m), 0);
    EXPECT_EQ(MQDoc_GetMaterial(doc, 0), m);
}

// ---- draw items, messages, station callback ------------------------------------------------------

TEST_F(HostModel, DrawMessagesCreateDrawItemsAfterTheDocumentMaterials) {
    MQDoc_AddMaterial(doc, MQ_CreateMaterial());
    MQDoc_AddMaterial(doc, MQ_CreateMaterial());
    wb::Redraw();  // clears earlier draw items
    wb::ClearReceivedMessages();

    int32_t index = -1;
    OptionPair matOptions[] = {{"document", doc}, {"index", &index}, {"result", nullptr}, {nullptr, nullptr}};
    HostMessage matMessage{11, 22, 0, matOptions};
    EXPECT_EQ(MQ_SendMessage(kMessageCreateDrawMaterial, &matMessage), 1);
    EXPECT_EQ(index, 2);
    ASSERT_NE(matOptions[2].value, nullptr);
    HostMaterial drawMat = static_cast<HostMaterial>(matOptions[2].value);
    EXPECT_EQ(wb::DrawMaterialIndex(drawMat), 2);
    EXPECT_EQ(MQDoc_GetMaterialCount(doc), 2);  // not counted

    int32_t visibility = 4;
    OptionPair objOptions[] = {{"document", doc}, {"visibility", &visibility}, {"result", nullptr}, {nullptr, nullptr}};
    HostMessage objMessage{11, 22, 0, objOptions};
    EXPECT_EQ(MQ_SendMessage(kMessageCreateDrawObject, &objMessage), 1);
    HostObject draw = static_cast<HostObject>(objOptions[2].value);
    ASSERT_NE(draw, nullptr);
    MQObj_Merge(draw, ObjectAt(AddDecoratedCube("c")));
    MQObj_SetFaceMaterial(draw, 0, index);
    EXPECT_EQ(MQObj_GetFaceMaterial(draw, 0), 2);
    MQObj_Freeze(draw, 2);
    EXPECT_EQ(wb::FreezeFlags(draw), 2u);
    EXPECT_GT(MQObj_GetIntValue(draw, kObjectUniqueId), 0);

    EXPECT_EQ(wb::DrawObjects(), std::vector<HostObject>{draw});
    EXPECT_EQ(wb::DrawMaterials(), std::vector<HostMaterial>{drawMat});
    EXPECT_EQ(wb::DrawObjectVisibilities(), std::vector<int32_t>{4});
    MQObj_Delete(draw);  // host-owned: ignored
    EXPECT_EQ(MQObj_GetVertexCount(draw), 8);

    const std::vector<wb::ReceivedMessage> messages = wb::ReceivedMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].code, 201);
    EXPECT_EQ(messages[0].firstId, 11u);
    EXPECT_EQ(messages[0].secondId, 22u);
    EXPECT_EQ(messages[0].reserved, 0u);
    EXPECT_EQ(messages[0].optionKeys, (std::vector<std::string>{"document", "index", "result"}));
    EXPECT_EQ(messages[1].code, 200);
    EXPECT_EQ(messages[1].optionKeys, (std::vector<std::string>{"document", "visibility", "result"}));

    // The next redraw drops them.
    wb::Redraw();
    EXPECT_TRUE(wb::DrawObjects().empty());
    EXPECT_TRUE(wb::DrawMaterials().empty());
}

TEST_F(HostModel, MessagesAreRecordedWhateverTheirCode) {
    wb::ClearReceivedMessages();
    OptionPair none[] = {{nullptr, nullptr}};
    HostMessage closed{1, 2, 0, none};
    EXPECT_EQ(MQ_SendMessage(kMessageStationClosed, &closed), 1);
    HostMessage odd{3, 4, 5, nullptr};
    EXPECT_EQ(MQ_SendMessage(999, &odd), 0);
    EXPECT_EQ(MQ_SendMessage(200, nullptr), 1);  // no record: nothing to answer into, no crash
    const std::vector<wb::ReceivedMessage> m = wb::ReceivedMessages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].code, 100);
    EXPECT_TRUE(m[0].optionKeys.empty());
    EXPECT_EQ(m[1].code, 999);
    EXPECT_EQ(m[1].reserved, 5u);
    EXPECT_EQ(m[2].code, 200);
    wb::ClearReceivedMessages();
    EXPECT_TRUE(wb::ReceivedMessages().empty());
    wb::Redraw();
}

int32_t g_callbackCalls = 0;
HostDocument g_callbackDoc = nullptr;
int32_t CountingCallback(HostDocument d, void* option) {
    ++g_callbackCalls;
    g_callbackDoc = d;
    return *static_cast<int32_t*>(option);
}

TEST_F(HostModel, StationCallbackRunsOnceWithTheActiveDocument) {
    g_callbackCalls = 0;
    int32_t answer = 7;
    EXPECT_EQ(MQ_StationCallback(CountingCallback, &answer), 7);
    EXPECT_EQ(g_callbackCalls, 1);
    EXPECT_EQ(g_callbackDoc, wb::ActiveDocument());
    EXPECT_EQ(MQ_StationCallback(nullptr, &answer), 0);
}

TEST_F(HostModel, RefreshViewOnlyMarksARedraw) {
    const int32_t before = wb::RefreshRequestCount();
    wb::ProcessMessages();
    EXPECT_FALSE(wb::RefreshPending());
    MQ_RefreshView(nullptr);
    MQ_RefreshView(nullptr);
    EXPECT_TRUE(wb::RefreshPending());
    EXPECT_EQ(wb::RefreshRequestCount(), before + 2);
    EXPECT_EQ(wb::ProcessMessages(), 1);  // coalesced
    EXPECT_FALSE(wb::RefreshPending());
    EXPECT_EQ(wb::ProcessMessages(), 0);
}

// ---- the main window -------------------------------------------------------------------------------

TEST_F(HostModel, MainWindowIsARealTopLevelWindow) {
    HWND w = MQ_GetWindowHandle();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsWindow(w));
    EXPECT_EQ(GetParent(w), nullptr);
    EXPECT_EQ(GetAncestor(w, GA_ROOT), w);
    EXPECT_EQ(wb::MainWindow(), w);
    EXPECT_EQ(MQ_GetWindowHandle(), w);  // one window
}

// ---- the call recorder ---------------------------------------------------------------------------

TEST_F(HostModel, RecorderLogsCallsInOrderWithTheirArguments) {
    HostObject obj = ObjectAt(wb::AddMeshObject("t", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    const int32_t id = MQObj_GetIntValue(obj, kObjectUniqueId);
    HostMaterial mat = MQ_CreateMaterial();
    wb::StartRecording();
    HostPoint p{1.5f, -2, 3};
    MQObj_SetVertex(obj, 1, &p);
    MQObj_GetVertexCount(obj);
    MQObj_SetName(obj, "abc");
    char buffer[8];
    MQObj_GetName(nullptr, buffer, sizeof buffer);
    MQMat_SetAlpha(mat, 0.25f);
    const int32_t idx[3] = {2, 1, 0};
    MQObj_AddFace(obj, 3, idx);
    MQDoc_GetObjectCount(doc);
    wb::StopRecording();
    MQObj_GetVertexCount(obj);  // not recorded

    const std::string o = "obj" + std::to_string(id);
    const std::vector<std::string> calls = wb::RecordedCalls();
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[0], "MQObj_SetVertex(" + o + ", 1, (1.5,-2,3))");
    EXPECT_EQ(calls[1], "MQObj_GetVertexCount(" + o + ")");
    EXPECT_EQ(calls[2], "MQObj_SetName(" + o + ", \"abc\")");
    EXPECT_EQ(calls[3], "MQObj_GetName(null, out, 8)");
    EXPECT_EQ(calls[4].rfind("MQMat_SetAlpha(mat", 0), 0u) << calls[4];
    EXPECT_EQ(calls[4].substr(calls[4].size() - 7), ", 0.25)") << calls[4];
    EXPECT_EQ(calls[5], "MQObj_AddFace(" + o + ", 3, [2,1,0])");
    EXPECT_EQ(calls[6], "MQDoc_GetObjectCount(doc)");
    EXPECT_EQ(wb::RecordedCallNames(),
              (std::vector<std::string>{"MQObj_SetVertex", "MQObj_GetVertexCount", "MQObj_SetName",
                                        "MQObj_GetName", "MQMat_SetAlpha", "MQObj_AddFace",
                                        "MQDoc_GetObjectCount"}));
    wb::ClearRecordedCalls();
    EXPECT_TRUE(wb::RecordedCalls().empty());
    MQMat_Delete(mat);
}

// ---- safety -----------------------------------------------------------------------------------------

TEST_F(HostModel, NullHandlesAndBadIndicesAreHarmless) {
    HostObject obj = ObjectAt(AddDecoratedCube("cube"));
    HostPoint p{7, 7, 7};
    MQObj_GetVertex(nullptr, 0, &p);
    EXPECT_EQ(p.x, 0.0f);
    p = HostPoint{7, 7, 7};
    MQObj_GetVertex(obj, 8, &p);
    EXPECT_EQ(p.y, 0.0f);
    p = HostPoint{7, 7, 7};
    MQObj_GetVertex(obj, -1, &p);
    EXPECT_EQ(p.z, 0.0f);
    MQObj_GetVertex(obj, 0, nullptr);
    MQObj_SetVertex(obj, 8, &p);
    MQObj_SetVertex(obj, 0, nullptr);
    MQObj_SetVertex(nullptr, 0, &p);
    EXPECT_EQ(MQObj_GetVertexCount(nullptr), 0);
    EXPECT_EQ(MQObj_GetFaceCount(nullptr), 0);
    EXPECT_EQ(MQObj_GetFacePointCount(obj, 6), 0);
    EXPECT_EQ(MQObj_GetFacePointCount(obj, -1), 0);
    int32_t idx[4] = {-5, -5, -5, -5};
    MQObj_GetFacePointArray(obj, 6, idx);
    EXPECT_EQ(idx[0], -5);  // nothing to write for a face of 0 points
    MQObj_GetFacePointArray(obj, 0, nullptr);
    MQObj_GetFaceCoordinateArray(obj, 0, nullptr);
    MQObj_GetFaceCoordinateArray(nullptr, 0, nullptr);
    EXPECT_EQ(MQObj_GetFaceMaterial(obj, 6), -1);
    EXPECT_EQ(MQObj_GetFaceMaterial(nullptr, 0), -1);
    MQObj_SetFaceMaterial(obj, 6, 0);
    EXPECT_EQ(MQObj_GetFaceVertexColor(obj, 0, 4), 0u);
    EXPECT_EQ(MQObj_GetFaceVertexColor(obj, 0, -1), 0u);
    MQObj_SetFaceVertexColor(obj, 0, 4, 1);
    MQObj_SetFaceCoordinateArray(obj, 9, nullptr);
    MQObj_InvertFace(obj, -1);
    MQObj_Merge(obj, nullptr);
    MQObj_Merge(nullptr, obj);
    EXPECT_EQ(MQObj_Clone(nullptr), nullptr);
    MQObj_Compact(nullptr);
    MQObj_Freeze(nullptr, 2);
    MQObj_Delete(nullptr);
    EXPECT_EQ(MQObj_DeleteVertex(nullptr, 0, 1), 0);
    EXPECT_EQ(MQObj_GetIntValue(nullptr, kObjectUniqueId), 0);
    EXPECT_EQ(MQObj_GetVisible(nullptr), 0);
    EXPECT_EQ(MQObj_GetMirrorDistance(nullptr), 0.0f);
    char name[8] = "xxxxxxx";
    MQObj_GetName(nullptr, name, sizeof name);
    EXPECT_STREQ(name, "");
    MQObj_GetName(obj, name, 0);
    MQObj_GetName(obj, nullptr, 8);
    MQObj_SetName(obj, nullptr);
    HostRGB rgb{5, 5, 5};
    MQMat_GetColor(nullptr, &rgb);
    EXPECT_EQ(rgb.r, 0.0f);
    MQMat_GetColor(nullptr, nullptr);
    MQMat_SetColor(nullptr, &rgb);
    MQMat_SetColor(MQDoc_GetMaterial(doc, 0), nullptr);
    MQMat_GetName(nullptr, name, sizeof name);
    EXPECT_STREQ(name, "");
    MQMat_GetTextureName(nullptr, name, sizeof name);
    EXPECT_EQ(MQMat_GetIntValue(nullptr, kMaterialShowsVertexColor), 0);
    MQMat_SetIntValue(nullptr, kMaterialShowsVertexColor, 1);
    MQMat_SetAlpha(nullptr, 1);
    MQMat_SetAmbient(nullptr, 1);
    MQMat_SetEmission(nullptr, 1);
    EXPECT_EQ(MQDoc_GetObjectCount(nullptr), 0);
    EXPECT_EQ(MQDoc_GetObject(nullptr, 0), nullptr);
    EXPECT_EQ(MQDoc_GetObject(doc, 1), nullptr);
    EXPECT_EQ(MQDoc_GetObject(doc, -1), nullptr);
    HostObject orphan = MQ_CreateObject();
    EXPECT_EQ(MQDoc_AddObject(nullptr, orphan), -1);
    MQObj_Delete(orphan);
    EXPECT_EQ(MQDoc_AddObject(doc, nullptr), -1);
    EXPECT_EQ(MQDoc_GetMaterialCount(nullptr), 0);
    EXPECT_EQ(MQDoc_GetMaterial(doc, 0), nullptr);
    EXPECT_EQ(MQDoc_GetMaterial(doc, 100), nullptr);
    EXPECT_EQ(MQDoc_AddMaterial(doc, nullptr), -1);
    EXPECT_EQ(MQDoc_IsSelectVertex(nullptr, 0, 0), 0);
    EXPECT_EQ(MQDoc_IsSelectLine(doc, 5, 0, 0), 0);
    EXPECT_EQ(MQDoc_IsSelectFace(doc, 0, 100), 0);
    MQDoc_DeleteObject(doc, 5);
    MQDoc_DeleteObject(nullptr, 0);
    MQDoc_DeleteMaterial(doc, 5);
    MQDoc_Compact(nullptr);
    char path[MAX_PATH] = "x";
    EXPECT_EQ(MQDoc_FindMappingFile(nullptr, path, "a.bmp", 1), 0);
    EXPECT_EQ(path[0], '\0');
    EXPECT_EQ(MQDoc_FindMappingFile(doc, path, nullptr, 1), 0);
    EXPECT_EQ(MQDoc_FindMappingFile(doc, nullptr, "a.bmp", 1), 0);
    EXPECT_EQ(MQDoc_FindMappingFile(doc, path, "", 1), 0);
    EXPECT_EQ(MQDoc_GetScene(nullptr, 0), nullptr);
    float m[16];
    MQScene_GetViewMatrix(nullptr, m);
    EXPECT_EQ(m[0], 0.0f);
    MQ_RefreshView(nullptr);
    wb::ProcessMessages();
    // A handle to something that is not an object is refused.
    int32_t notAnObject[64] = {};
    EXPECT_EQ(MQObj_GetVertexCount(reinterpret_cast<HostObject>(notAnObject)), 0);
    EXPECT_EQ(MQDoc_GetObjectCount(reinterpret_cast<HostDocument>(notAnObject)), 0);
    // And the object is as it was.
    EXPECT_EQ(MQObj_GetVertexCount(obj), 8);
    EXPECT_EQ(MQObj_GetFaceCount(obj), 6);
    EXPECT_EQ(VertexOf(obj, 0).x, -1.0f);
}

TEST_F(HostModel, ReplacedDocumentsStayHarmlessHandles) {
    AddDecoratedCube("a");
    HostDocument old = doc;
    HostDocument fresh = wb::NewDocument();
    EXPECT_NE(fresh, old);
    EXPECT_EQ(wb::ActiveDocument(), fresh);
    EXPECT_EQ(MQDoc_GetObjectCount(fresh), 0);
    EXPECT_EQ(MQDoc_GetObjectCount(old), 0);
    EXPECT_EQ(MQDoc_GetObject(old, 0), nullptr);
    doc = fresh;
}

}  // namespace
