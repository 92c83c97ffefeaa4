// Wavefront OBJ/MTL scenes loaded: real models from assimp-testmodels, hand-made files with bad
// indices, NaN coordinates and polygons of more than four points, and malformed files that must
// give a clear error.
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <algorithm>

#include "tests/workbench/WorkbenchTestUtil.h"
#include "workbench/io/FileAccess.h"

namespace {

const char kModels[] = "/usr/share/assimp/models/";

std::string Model(const char* relative) { return std::string(kModels) + relative; }

class ObjScene : public ::testing::Test {
protected:
    void SetUp() override { wb::NewDocument(); }
};

TEST_F(ObjScene, BoxHasOneObjectOfSixQuads) {
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/box.obj").c_str(), &error)) << error;
    HostDocument doc = wb::ActiveDocument();
    ASSERT_EQ(MQDoc_GetObjectCount(doc), 1);
    HostObject box = MQDoc_GetObject(doc, 0);
    EXPECT_EQ(MQObj_GetVertexCount(box), 8);
    ASSERT_EQ(MQObj_GetFaceCount(box), 6);
    for (int32_t f = 0; f < 6; ++f) EXPECT_EQ(MQObj_GetFacePointCount(box, f), 4);
    // f 4 3 2 1 comes in reversed, as 1 2 3 4.
    const wbtest::FaceData first = wbtest::ReadFace(box, 0);
    const HostPoint p = wbtest::VertexOf(box, first.points[0]);
    EXPECT_EQ(p.x, -0.5f);
    EXPECT_EQ(p.y, -0.5f);
    EXPECT_EQ(p.z, 0.5f);
    // Every face's host normal, (a - b) x (c - b), points away from the box's centre: the model
    // keeps its outside out.
    for (int32_t f = 0; f < 6; ++f) {
        const wbtest::FaceData face = wbtest::ReadFace(box, f);
        const HostPoint a = wbtest::VertexOf(box, face.points[0]);
        const HostPoint b = wbtest::VertexOf(box, face.points[1]);
        const HostPoint c = wbtest::VertexOf(box, face.points[2]);
        const float ux = a.x - b.x, uy = a.y - b.y, uz = a.z - b.z;
        const float wx = c.x - b.x, wy = c.y - b.y, wz = c.z - b.z;
        const float nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
        // The box is centred on the origin, so a face's corner is its outward offset.
        EXPECT_GT(nx * b.x + ny * b.y + nz * b.z, 0.0f) << "face " << f;
    }
    EXPECT_GT(MQObj_GetIntValue(box, kObjectUniqueId), 0);
    EXPECT_NE(MQObj_GetVisible(box), 0);
}

TEST_F(ObjScene, SpiderHasItsGroupsMaterialsAndTextures) {
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/spider.obj").c_str(), &error)) << error;
    const wbtest::Totals t = wbtest::CountDocument();
    EXPECT_EQ(t.objects, 19);
    EXPECT_EQ(t.faces, 1368);  // every face of the file is a triangle
    HostDocument doc = wb::ActiveDocument();
    EXPECT_EQ(wbtest::ObjectName(MQDoc_GetObject(doc, 0)), "HLeib01");
    ASSERT_EQ(MQDoc_GetMaterialCount(doc), 5);
    char text[260] = "";
    MQMat_GetName(MQDoc_GetMaterial(doc, 2), text, sizeof text);
    EXPECT_STREQ(text, "HLeibTex");
    MQMat_GetTextureName(MQDoc_GetMaterial(doc, 2), text, sizeof text);
    EXPECT_STREQ(text, ".\\SpiderTex.jpg");
    HostRGB kd{};
    MQMat_GetColor(MQDoc_GetMaterial(doc, 0), &kd);
    EXPECT_NEAR(kd.r, 0.827451f, 1e-6f);
    EXPECT_NEAR(kd.b, 0.772549f, 1e-6f);
    // The first group uses HLeibTex; every face has UVs in the image's range.
    HostObject body = MQDoc_GetObject(doc, 0);
    EXPECT_EQ(MQObj_GetFaceMaterial(body, 0), 2);
    for (int32_t f = 0; f < MQObj_GetFaceCount(body); ++f) {
        const wbtest::FaceData d = wbtest::ReadFace(body, f);
        ASSERT_EQ(d.points.size(), 3u);
        for (const HostUV& uv : d.uvs) {
            EXPECT_TRUE(isfinite(uv.u) && isfinite(uv.v));
        }
    }
    // Texture names resolve against the scene's folder.
    char path[MAX_PATH] = "";
    ASSERT_NE(MQDoc_FindMappingFile(doc, path, ".\\SpiderTex.jpg", 1), 0);
    void* header = nullptr;
    void* pixels = nullptr;
    ASSERT_EQ(MQ_LoadImage(path, &header, &pixels, 0), 1) << path;
    LocalFree(header);
    LocalFree(pixels);
}

TEST_F(ObjScene, VFlipPolygonSplitBadIndicesAndInfinities) {
    const std::string path = wbtest::TempDir() + "hand.obj";
    ASSERT_TRUE(wbtest::WriteText(path,
        "mtllib hand.mtl\n"
        "o hexagon\n"
        "v 1 0 0\nv 0.5 0.8 0\nv -0.5 0.8 0\nv -1 0 0\nv -0.5 -0.8 0\nv 0.5 -0.8 0\n"
        "vt 0 0\nvt 1 0.25\n"
        "usemtl red\n"
        "f 1/1 2/2 3/1 4/2 5/1 6/2\n"
        "o broken\n"
        "v 1e999 0 0\nv 0 0 1\nv 0 1 1\nv nan nan nan\n"
        "f 7 8 9\n"   // uses the infinite vertex: skipped
        "f 8 9 99\n"  // index out of range: skipped
        "f 8 9 2\n"   // fine
        "o points\n"
        "p 1 2\n"
        "l 1 2 3\n"));
    ASSERT_TRUE(wbtest::WriteText(wbtest::TempDir() + "hand.mtl",
                                  "newmtl red\nKd 1 0 0\nd 0.5\nmap_Kd red.png\n"));
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &error));
    EXPECT_NE(error.find("hand.obj"), std::string::npos) << error;  // a warning about the skipped faces
    HostDocument doc = wb::ActiveDocument();
    ASSERT_EQ(MQDoc_GetObjectCount(doc), 3);

    HostObject hex = MQDoc_GetObject(doc, 0);
    EXPECT_EQ(wbtest::ObjectName(hex), "hexagon");
    ASSERT_EQ(MQObj_GetFaceCount(hex), 4);  // four triangles
    // vt 1 (0 0) on the odd OBJ corners, vt 2 (1 0.25) on the even ones (x = 0.5 or -1), with v
    // flipped: OBJ v 0 is the image bottom.
    const wbtest::FaceData tri = wbtest::ReadFace(hex, 1);
    for (int k = 0; k < 3; ++k) {
        const float x = wbtest::VertexOf(hex, tri.points[k]).x;
        const bool even = x == 0.5f || x == -1.0f;
        EXPECT_EQ(tri.uvs[k].u, even ? 1.0f : 0.0f);
        EXPECT_EQ(tri.uvs[k].v, even ? 0.75f : 1.0f);
    }
    EXPECT_EQ(tri.material, 0);
    HostMaterial red = MQDoc_GetMaterial(doc, 0);
    HostRGB kd{};
    MQMat_GetColor(red, &kd);
    EXPECT_EQ(kd.r, 1.0f);
    EXPECT_EQ(kd.g, 0.0f);
    EXPECT_EQ(MQMat_GetAlpha(red), 0.5f);

    HostObject broken = MQDoc_GetObject(doc, 1);
    ASSERT_EQ(MQObj_GetFaceCount(broken), 1);
    EXPECT_EQ(MQObj_GetVertexCount(broken), 3);  // only vertices of kept faces
    for (int32_t i = 0; i < 3; ++i) EXPECT_TRUE(isfinite(wbtest::VertexOf(broken, i).x));

    HostObject points = MQDoc_GetObject(doc, 2);
    ASSERT_EQ(MQObj_GetFaceCount(points), 4);  // two line segments, then two points
    EXPECT_EQ(MQObj_GetFacePointCount(points, 0), 2);
    EXPECT_EQ(MQObj_GetFacePointCount(points, 1), 2);
    EXPECT_EQ(MQObj_GetFacePointCount(points, 2), 1);
    EXPECT_EQ(MQObj_GetFacePointCount(points, 3), 1);
}

TEST_F(ObjScene, MalformedFilesGiveAClearErrorAndKeepTheDocument) {
    wb::AddMeshObject("keep", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    HostDocument before = wb::ActiveDocument();
    const std::string empty = wbtest::TempDir() + "empty.obj";
    ASSERT_TRUE(wbtest::WriteText(empty, ""));
    const std::string onlyBad = wbtest::TempDir() + "only_bad.obj";
    ASSERT_TRUE(wbtest::WriteText(onlyBad, "v 0 0 0\nf 1 2 3\nf -9 -8 -7\nf 0 0 0\n"));
    const std::string binary = wbtest::TempDir() + "binary.obj";
    std::vector<uint8_t> bytes(4096);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + 7);
    ASSERT_TRUE(wbtest::WriteBytes(binary, bytes));
    const std::vector<std::string> files = {
        Model("invalid/OutOfMemory.off"), Model("OBJ/does_not_exist.obj"), Model("OBJ"),
        empty, onlyBad, binary, ""};
    for (const std::string& file : files) {
        std::string error;
        EXPECT_FALSE(wb::LoadObjScene(file.c_str(), &error)) << file;
        EXPECT_FALSE(error.empty()) << file;
        if (!file.empty()) {
            const std::string base = file.substr(file.find_last_of("\\/") + 1);
            EXPECT_NE(error.find(base), std::string::npos) << error;
        }
        EXPECT_EQ(wb::ActiveDocument(), before);
    }
    EXPECT_FALSE(wb::LoadObjScene(nullptr, nullptr));
    EXPECT_EQ(MQDoc_GetObjectCount(wb::ActiveDocument()), 1);
}

TEST_F(ObjScene, EveryAssimpObjModelLoadsOrFailsCleanly) {
    // Whatever the file, the loader answers; a loaded scene is consistent.
    WIN32_FIND_DATAA found;
    const std::string folder = Model("OBJ/");
    HANDLE h = FindFirstFileA((folder + "*.obj").c_str(), &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int loaded = 0;
    do {
        std::string error;
        const std::string file = folder + found.cFileName;
        if (!wb::LoadObjScene(file.c_str(), &error)) {
            EXPECT_NE(error.find(found.cFileName), std::string::npos) << error;
            continue;
        }
        ++loaded;
        HostDocument doc = wb::ActiveDocument();
        for (int32_t i = 0; i < MQDoc_GetObjectCount(doc); ++i) {
            HostObject o = MQDoc_GetObject(doc, i);
            const int32_t nv = MQObj_GetVertexCount(o);
            for (int32_t f = 0; f < MQObj_GetFaceCount(o); ++f) {
                const wbtest::FaceData d = wbtest::ReadFace(o, f);
                EXPECT_GE(d.points.size(), 1u) << file;
                EXPECT_LE(d.points.size(), 4u) << file;
                for (int32_t v : d.points) EXPECT_TRUE(v >= 0 && v < nv) << file;
                EXPECT_LT(d.material, MQDoc_GetMaterialCount(doc)) << file;
            }
        }
    } while (FindNextFileA(h, &found));
    FindClose(h);
    EXPECT_GE(loaded, 20);
}

TEST_F(ObjScene, ConcavePolygonLoadsAsARingNotADisc) {
    // A 66-corner ring in the plane x = -1.146, drawn as one polygon along a bridge: every
    // triangle faces the same way, so that none covers the hole.
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/concave_polygon.obj").c_str(), &error)) << error;
    HostObject ring = MQDoc_GetObject(wb::ActiveDocument(), 0);
    ASSERT_EQ(MQObj_GetFaceCount(ring), 64);
    double signedSum = 0.0, absoluteSum = 0.0;
    for (int32_t f = 0; f < 64; ++f) {
        const wbtest::FaceData face = wbtest::ReadFace(ring, f);
        const HostPoint a = wbtest::VertexOf(ring, face.points[0]);
        const HostPoint b = wbtest::VertexOf(ring, face.points[1]);
        const HostPoint c = wbtest::VertexOf(ring, face.points[2]);
        const double nx = (static_cast<double>(a.y) - b.y) * (c.z - b.z) - (static_cast<double>(a.z) - b.z) * (c.y - b.y);
        signedSum += nx;
        absoluteSum += fabs(nx);
    }
    EXPECT_NEAR(signedSum, absoluteSum, absoluteSum * 1e-6);
}

TEST_F(ObjScene, VertexColoursBecomeCornerColoursAndLinesCountApart) {
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/cube_with_vertexcolors.obj").c_str(), &error)) << error;
    HostObject cube = MQDoc_GetObject(wb::ActiveDocument(), 0);
    const wbtest::FaceData first = wbtest::ReadFace(cube, 0);  // f 1 7 5, reversed: 5 7 1
    EXPECT_EQ(first.colors[2], 0xFF786E7Cu);                  // v 0 0 0 0.48627 0.43137 0.47059
    EXPECT_EQ(first.colors[0], 0xFF19C818u);                  // v 1 0 0 0.09412 0.78431 0.09804
    EXPECT_EQ(wb::ElementSummary(), "1 objects, 12 faces");
    // The file has no materials: its coloured faces get one that shows their colours.
    HostDocument doc = wb::ActiveDocument();
    ASSERT_EQ(MQDoc_GetMaterialCount(doc), 1);
    EXPECT_EQ(first.material, 0);
    EXPECT_EQ(MQMat_GetIntValue(MQDoc_GetMaterial(doc, 0), kMaterialShowsVertexColor), 1);
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/testline.obj").c_str(), &error)) << error;
    EXPECT_EQ(wb::ElementSummary(), "1 objects, 0 faces, 18 lines");  // six poly-lines of 3 segments
}

TEST_F(ObjScene, TheTextsEdgesHoldNoStatement) {
    // A last line of only blanks, with no newline, after a polygon long enough to be split
    // before the parser sees it: the scan for statements stops at the text's end.
    std::string text;
    const int points = 300;
    for (int i = 0; i < points; ++i)
        text += "v " + std::to_string(cos(i * 6.2831853 / points)) + " " +
                std::to_string(sin(i * 6.2831853 / points)) + " 0\n";
    text += "f";
    for (int i = 1; i <= points; ++i) text += " " + std::to_string(i);
    text += "\n" + std::string(2 * points + 10, ' ');
    const std::string blank = wbtest::TempDir() + "blank_end.obj";
    ASSERT_TRUE(wbtest::WriteText(blank, text));
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(blank.c_str(), &error)) << error;
    EXPECT_EQ(MQObj_GetFaceCount(MQDoc_GetObject(wb::ActiveDocument(), 0)), points - 2);

    // A UTF-8 byte-order mark before text that is not UTF-8 (read as code page 932): the mark
    // is not part of line 1, whose vertex the face needs.
    const std::string marked = wbtest::TempDir() + "marked.obj";
    ASSERT_TRUE(
        wbtest::WriteText(marked, "\xEF\xBB\xBFv 0 0 0\nv 1 0 0\nv 0 1 0\no Caf\xE9\nf 1 2 3\n"));
    ASSERT_TRUE(wb::LoadObjScene(marked.c_str(), &error)) << error;
    HostObject cafe = MQDoc_GetObject(wb::ActiveDocument(), 0);
    EXPECT_EQ(wbtest::ObjectName(cafe), "Caf\xE9");
    EXPECT_EQ(MQObj_GetFaceCount(cafe), 1);

    // Skin weights, which the host has no use for, with a joint number no int holds, after a
    // bare carriage return: no statement is read from them.
    const std::string weights = wbtest::TempDir() + "weights.obj";
    ASSERT_TRUE(wbtest::WriteText(weights, "v 0 0 0\nv 1 0 0\rvw 0 1e19 0.5\nv 0 1 0\nf 1 2 3\n"));
    ASSERT_TRUE(wb::LoadObjScene(weights.c_str(), &error)) << error;
    EXPECT_EQ(MQObj_GetFaceCount(MQDoc_GetObject(wb::ActiveDocument(), 0)), 1);
}

TEST_F(ObjScene, MissingLibrariesAndTexturesWarnOncePerFile) {
    const std::string dir = wbtest::TempDir();
    ASSERT_TRUE(wbtest::WriteText(dir + "warn.obj",
        "mtllib not_there.mtl\nmtllib warn.mtl\n"
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "usemtl a\nf 1 2 3\nusemtl b\nf 1 3 2\nusemtl c\nf 2 1 3\n"));
    ASSERT_TRUE(wbtest::WriteText(dir + "warn.mtl",
        "newmtl a\nmap_Kd gone.png\nnewmtl b\nmap_Kd blank.png\nnewmtl c\nmap_Kd gone.png\n"));
    ASSERT_TRUE(wbtest::WriteText(dir + "blank.png", ""));
    std::string warnings;
    ASSERT_TRUE(wb::LoadObjScene((dir + "warn.obj").c_str(), &warnings));
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 2) << warnings;
    for (const char* file : {"not_there.mtl", "gone.png", "blank.png"})
        EXPECT_NE(warnings.find(file), std::string::npos) << warnings;
    EXPECT_EQ(MQDoc_GetMaterialCount(wb::ActiveDocument()), 3);
}

}  // namespace

namespace {

class ObjSceneFiles : public ObjScene {};

TEST_F(ObjSceneFiles, PartialVertexColoursAreKeptTheRestWhite) {
    const std::string path = wbtest::TempDir() + "partial.obj";
    ASSERT_TRUE(wbtest::WriteText(path, "v 0 0 0 1 0 0\nv 1 0 0\nv 0 1 0 0 0 1\nf 1 2 3\n"));
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &error)) << error;
    const wbtest::FaceData face = wbtest::ReadFace(MQDoc_GetObject(wb::ActiveDocument(), 0), 0);
    EXPECT_EQ(face.colors[2], 0xFF0000FFu);  // reversed: the first OBJ corner comes last
    EXPECT_EQ(face.colors[1], 0xFFFFFFFFu);
    EXPECT_EQ(face.colors[0], 0xFFFF0000u);
    EXPECT_EQ(
        MQMat_GetIntValue(MQDoc_GetMaterial(wb::ActiveDocument(), 0), kMaterialShowsVertexColor),
        1);
}

TEST_F(ObjSceneFiles, BadNumbersShortFacesAndUnknownMaterialsWarnOncePerKind) {
    const std::string dir = wbtest::TempDir();
    const std::string obj =
        "mtllib bad.mtl\n"
        "v nan 1 1\nv inf\nv a b c\nv 1 1\n"  // lines 2-5
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "f 5 6\n"                 // line 9
        "usemtl nope\nf 5 6 7\n"  // line 10
        "usemtl red\nf 1 6 7\nf 4 6 7\nusemtl gone\nf 7 6 5\n"
        // Lines 17-21: faces with a corner that is no index, left out; a colour with no number.
        "f 0 6 7\nf a b c\nf 5// 6// 7//\nf 5/5/7 6/1 7//\nv 0 0 0 2 -1 nan\n"
        // Lines 22-26: numbers at the edge of plain decimals: too large (by exponent or by 40
        // digits), no digit, two points, bad; the last line's forms are numbers.
        "v 1e39 0 0\nv 1234567890123456789012345678901234567890 0 0\nv - 0 0\nv 1.2.3 0 0\n"
        "v 5. .5 -.5\n";
    ASSERT_TRUE(wbtest::WriteText(dir + "bad.obj", obj));
    ASSERT_TRUE(wbtest::WriteText(dir + "bad.mtl", "newmtl red\nKd nan 1e40 -5\nd nan\n"));
    std::string warnings;
    ASSERT_TRUE(wb::LoadObjScene((dir + "bad.obj").c_str(), &warnings));
    for (const char* line :
         {"bad.obj: line 2: vertices with a coordinate", "(7 lines)",
          "bad.obj: line 5: vertices with fewer", "bad.obj: line 9: faces of fewer",
          "bad.obj: line 10: material \"nope\"", "(2 such names)",
          "bad.mtl: line 2: colour or alpha", "(2 lines)",
          "bad.obj: line 17: faces with a corner that is no index", "(4 lines)",
          "bad.obj: line 21: vertex colours with a value that is no finite number"})
        EXPECT_NE(warnings.find(line), std::string::npos) << line << "\n" << warnings;
    // The face on the vertex without a number is left out; the one on "v 1 1" (z 0) is kept.
    EXPECT_EQ(wb::ElementSummary(), "1 objects, 3 faces");
    HostMaterial red = MQDoc_GetMaterial(wb::ActiveDocument(), 0);
    HostRGB kd{};
    MQMat_GetColor(red, &kd);
    EXPECT_EQ(kd.r, 0.0f);
    EXPECT_EQ(kd.g, 1.0f);
    EXPECT_EQ(kd.b, 0.0f);
    EXPECT_EQ(MQMat_GetAlpha(red), 1.0f);

    // The same file in UTF-16 loads as well and says which encoding it was.
    std::vector<uint8_t> utf16 = {0xFF, 0xFE};
    for (char ch : obj) utf16.insert(utf16.end(), {static_cast<uint8_t>(ch), 0});
    ASSERT_TRUE(wbtest::WriteBytes(dir + "bad16.obj", utf16));
    ASSERT_TRUE(wb::LoadObjScene((dir + "bad16.obj").c_str(), &warnings));
    EXPECT_NE(warnings.find("bad16.obj: UTF-16"), std::string::npos) << warnings;
    EXPECT_EQ(wb::ElementSummary(), "1 objects, 3 faces");
}

TEST_F(ObjSceneFiles, NamesAreTheRestOfTheirLineAndLibrariesFoundAsNamed) {
    // Material names with spaces, as other readers take them.
    std::string warnings;
    for (const char* model : {"OBJ/space_in_material_name.obj", "OBJ/box_mat_with_spaces.obj"}) {
        ASSERT_TRUE(wb::LoadObjScene(Model(model).c_str(), &warnings)) << warnings;
        HostDocument doc = wb::ActiveDocument();
        const int32_t material = wbtest::ReadFace(MQDoc_GetObject(doc, 0), 0).material;
        const std::string name = wbtest::MaterialName(MQDoc_GetMaterial(doc, material));
        EXPECT_TRUE(name == "Hard Shiny Plastic White" || name == "Material name with many, many spaces")
            << model << ": " << name;
        EXPECT_EQ(warnings.find("material"), std::string::npos) << warnings;
    }
    // A library whose name holds a space, one by its absolute path, one named by words.
    const std::string dir = wbtest::TempDir() + "names\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    FILE* spaced = wb::OpenFile(dir + "mat\xC3\xA9riau \xF0\x9F\x98\x80.mtl", "wb");
    ASSERT_TRUE(spaced);
    fputs("newmtl a b\nKd 1 0 0\n", spaced);
    fclose(spaced);
    ASSERT_TRUE(wbtest::WriteText(wbtest::TempDir() + "abs.mtl", "newmtl c\nKd 0 1 0\n"));
    ASSERT_TRUE(wbtest::WriteText(dir + "w2.mtl", "newmtl d\nKd 0 0 1\n"));
    // (UTF-8 names as escapes: the checks' text and plain literals are code page 932.)
    const std::string names =
        "mtllib mat\xC3\xA9riau \xF0\x9F\x98\x80.mtl\nmtllib " + wbtest::TempDir() +
        "abs.mtl\nmtllib w1.mtl w2.mtl\no Caf\xC3\xA9 \xC3\x91" "and\xC3\xBA \xF0\x9F\x98\x80  \nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
        "usemtl a b\nf 1 2 3\nusemtl c\nf 1 2 3\nusemtl d\nf 1 2 3\n";
    ASSERT_TRUE(wbtest::WriteText(dir + "names.obj", names));
    ASSERT_TRUE(wb::LoadObjScene((dir + "names.obj").c_str(), &warnings));
    EXPECT_EQ(warnings.find("in no material library"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("w1.mtl: material library not found"), std::string::npos) << warnings;
    HostObject o = MQDoc_GetObject(wb::ActiveDocument(), 0);
    for (int32_t f = 0; f < 3; ++f) EXPECT_EQ(wbtest::ReadFace(o, f).material, f);
    EXPECT_EQ(wbtest::MaterialName(MQDoc_GetMaterial(wb::ActiveDocument(), 0)), "a b");
    // The files give the names whole.
    std::string saved, glb;
    ASSERT_TRUE(wb::SaveObjScene((dir + "out.obj").c_str(), &warnings)) << warnings;
    ASSERT_TRUE(wb::SaveGltfScene((dir + "out.glb").c_str(), &warnings)) << warnings;
    ASSERT_TRUE(wb::ReadWholeFile(dir + "out.obj", 1 << 20, &saved));
    ASSERT_TRUE(wb::ReadWholeFile(dir + "out.glb", 1 << 20, &glb));
    const std::string objectLine = "\no Caf\xC3\xA9 \xC3\x91" "and\xC3\xBA \xF0\x9F\x98\x80\n", glbName = "\"Caf\xC3\xA9 \xC3\x91" "and\xC3\xBA \xF0\x9F\x98\x80\"";
    EXPECT_NE(saved.find(objectLine), std::string::npos) << saved;
    EXPECT_NE(saved.find("\nusemtl a b\n"), std::string::npos) << saved;
    EXPECT_NE(glb.find(glbName), std::string::npos);

    // Another kind of scene is named as such.
    ASSERT_TRUE(wbtest::WriteText(dir + "scene.glb", "glTF\x02"));
    EXPECT_FALSE(wb::LoadObjScene((dir + "scene.glb").c_str(), &warnings));
    EXPECT_NE(warnings.find("scene.glb: not an OBJ file (a glTF scene)"), std::string::npos) << warnings;
}

TEST_F(ObjSceneFiles, SplitVerticesAreNamedAndWeldedWithTheirCornersUVsAndColours) {
    // Two triangles along the edge x = 1, each with vertices of its own there: other UVs, and on
    // the second a colour of its own at (1, 1, 0).
    const std::string path = wbtest::TempDir() + "split.obj";
    ASSERT_TRUE(wbtest::WriteText(
        path,
        "o strip\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 1 0 0\nv 2 0 0\nv 1 1 0 1 0 0\n"
        "vt 0 0\nvt 0.5 0\nvt 0.5 1\nvt 0.6 0\nvt 1 0\nvt 0.6 1\nf 1/1 2/2 3/3\nf 4/4 5/5 6/6\n"));
    std::string warnings;
    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &warnings));
    EXPECT_NE(
        warnings.find("split.obj: 2 vertices lie at the place of another vertex of their object"),
        std::string::npos)
        << warnings;
    EXPECT_NE(warnings.find("(strip 2)"), std::string::npos) << warnings;
    EXPECT_EQ(MQObj_GetVertexCount(MQDoc_GetObject(wb::ActiveDocument(), 0)), 6);

    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &warnings, /*weld=*/true));
    HostObject strip = MQDoc_GetObject(wb::ActiveDocument(), 0);
    ASSERT_EQ(MQObj_GetVertexCount(strip), 4);
    const wbtest::FaceData first = wbtest::ReadFace(strip, 0), second = wbtest::ReadFace(strip, 1);
    // Reversed on the way in: the file's second corner stays in the middle.
    EXPECT_EQ(first.points[1], second.points[2]);  // (1, 0, 0), one vertex now
    EXPECT_EQ(first.points[0], second.points[0]);  // (1, 1, 0)
    EXPECT_EQ(first.uvs[1].u, 0.5f);
    EXPECT_EQ(second.uvs[2].u, 0.6f);
    EXPECT_EQ(first.colors[0], 0xFFFFFFFFu);
    EXPECT_EQ(second.colors[0], 0xFF0000FFu);
}

}  // namespace
