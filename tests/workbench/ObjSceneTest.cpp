// Wavefront OBJ/MTL scenes: real models from assimp-testmodels, hand-made files with bad indices,
// NaN coordinates and polygons of more than four points, malformed files that must give a clear
// error, and saving then loading again.
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tests/workbench/WorkbenchTestUtil.h"

// The written glTF files are read back with the library that wrote them.
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_FS
#define TINYGLTF_IMPLEMENTATION
#include "tiny_gltf.h"

namespace {

const char kModels[] = "/usr/share/assimp/models/";

std::string Model(const char* relative) { return std::string(kModels) + relative; }

struct Totals {
    int32_t objects = 0;
    int32_t vertices = 0;
    int32_t faces = 0;
};

Totals Count() {
    Totals t;
    HostDocument doc = wb::ActiveDocument();
    for (int32_t i = 0; i < MQDoc_GetObjectCount(doc); ++i) {
        HostObject o = MQDoc_GetObject(doc, i);
        if (!o) continue;
        ++t.objects;
        t.vertices += MQObj_GetVertexCount(o);
        t.faces += MQObj_GetFaceCount(o);
    }
    return t;
}

std::string Name(HostObject o) {
    char b[256] = "";
    MQObj_GetName(o, b, sizeof b);
    return b;
}

std::string MaterialName(HostMaterial m) {
    char b[256] = "";
    MQMat_GetName(m, b, sizeof b);
    return b;
}

// UTF-8 text in code page 932, the host's encoding (and that of this program's plain literals).
std::string Cp932(const std::string& utf8) {
    wchar_t wide[256];
    char text[512];
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide, 256);
    const int m = WideCharToMultiByte(932, 0, wide, n, text, sizeof text, nullptr, nullptr);
    return std::string(text, static_cast<size_t>(m > 0 ? m : 0));
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A .glb file read back with the library that wrote it (whose JSON reader takes UTF-8 only).
bool ReadGlb(const std::string& path, tinygltf::Model* model) {
    const std::string bytes = ReadFileText(path);
    tinygltf::TinyGLTF reader;
    reader.SetImageLoader([](tinygltf::Image*, const int, std::string*, std::string*, int, int,
                             const unsigned char*, int, void*) { return true; }, nullptr);
    std::string err, warn;
    return reader.LoadBinaryFromMemory(model, &err, &warn, reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<unsigned>(bytes.size())) && err.empty();
}

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
    const Totals t = Count();
    EXPECT_EQ(t.objects, 19);
    EXPECT_EQ(t.faces, 1368);  // every face of the file is a triangle
    HostDocument doc = wb::ActiveDocument();
    EXPECT_EQ(Name(MQDoc_GetObject(doc, 0)), "HLeib01");
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
    EXPECT_EQ(Name(hex), "hexagon");
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

TEST_F(ObjScene, SavedScenesLoadBackTheSame) {
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/spider.obj").c_str(), &error)) << error;
    const Totals t = Count();
    HostObject first = MQDoc_GetObject(wb::ActiveDocument(), 0);
    const wbtest::FaceData face = wbtest::ReadFace(first, 5);
    const HostPoint p = wbtest::VertexOf(first, face.points[1]);

    // Saved into a folder of its own: the textures the materials use are copied beside it.
    const std::string folder = wbtest::TempDir() + "saved\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "saved.obj";
    ASSERT_TRUE(wb::SaveObjScene(path.c_str(), &error)) << error;
    for (const char* texture : {"SpiderTex.jpg", "wal67ar_small.jpg", "wal69ar_small.jpg", "drkwood2.jpg"})
        EXPECT_NE(GetFileAttributesA((folder + texture).c_str()), INVALID_FILE_ATTRIBUTES) << texture;
    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &error)) << error;
    const Totals again = Count();
    EXPECT_EQ(again.objects, t.objects);
    EXPECT_EQ(again.vertices, t.vertices);
    EXPECT_EQ(again.faces, t.faces);
    HostDocument doc = wb::ActiveDocument();
    EXPECT_EQ(MQDoc_GetMaterialCount(doc), 5);
    HostObject reloaded = MQDoc_GetObject(doc, 0);
    EXPECT_EQ(Name(reloaded), "HLeib01");
    const wbtest::FaceData face2 = wbtest::ReadFace(reloaded, 5);
    EXPECT_EQ(face2.material, face.material);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(face2.uvs[k].u, face.uvs[k].u, 1e-5f);
        EXPECT_NEAR(face2.uvs[k].v, face.uvs[k].v, 1e-5f);
    }
    const HostPoint q = wbtest::VertexOf(reloaded, face2.points[1]);
    EXPECT_EQ(q.x, p.x);
    EXPECT_EQ(q.y, p.y);
    EXPECT_EQ(q.z, p.z);
    char found[MAX_PATH] = "";
    EXPECT_NE(MQDoc_FindMappingFile(doc, found, "SpiderTex.jpg", 1), 0);
    EXPECT_EQ(std::string(found).find(folder), 0u) << found;
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
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/testline.obj").c_str(), &error)) << error;
    EXPECT_EQ(wb::ElementSummary(), "1 objects, 0 faces, 18 lines");  // six poly-lines of 3 segments
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

// A frozen document as the plug-in leaves it: a shell whose material shows vertex colours (black,
// lit by emission alone) with half-transparent corners of different colours at one vertex, a
// plain half-transparent material, and an object without UVs with a line and a point.
void BuildFrozenDocument() {
    HostDocument doc = wb::ActiveDocument();
    HostMaterial shell = MQ_CreateMaterial();
    const HostRGB black{0, 0, 0}, blue{0.2f, 0.4f, 0.6f};
    MQMat_SetColor(shell, &black);
    MQMat_SetAmbient(shell, 0.0f);
    MQMat_SetEmission(shell, 1.0f);
    MQMat_SetIntValue(shell, kMaterialShowsVertexColor, 1);
    MQDoc_AddMaterial(doc, shell);
    HostMaterial plain = MQ_CreateMaterial();
    MQMat_SetColor(plain, &blue);
    MQMat_SetAlpha(plain, 0.5f);
    MQMat_SetAmbient(plain, 0.25f);
    MQDoc_AddMaterial(doc, plain);
    const int32_t a = wb::AddMeshObject("shell", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}},
                                        {{0, 1, 2, 3}, {1, 4, 2}});
    const int32_t b = wb::AddMeshObject("plain", {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, {{0, 1, 2}, {0, 1}, {2}});
    HostObject o = MQDoc_GetObject(doc, a);
    for (int32_t f = 0; f < 2; ++f) MQObj_SetFaceMaterial(o, f, 0);
    const uint32_t colours[2][4] = {{0x80FF0000u, 0x8000FF00u, 0x800000FFu, 0x80102030u},
                                    {0x80FFFFFFu, 0x80405060u, 0x80112233u, 0}};
    for (int32_t f = 0; f < 2; ++f)
        for (int32_t k = 0; k < MQObj_GetFacePointCount(o, f); ++k) MQObj_SetFaceVertexColor(o, f, k, colours[f][k]);
    const HostUV uvs[4] = {{0, 0}, {0.5f, 0}, {0.5f, 0.25f}, {0, 0.25f}};
    MQObj_SetFaceCoordinateArray(o, 0, uvs);
    MQObj_SetFaceMaterial(MQDoc_GetObject(doc, b), 0, 1);
}

TEST_F(ObjScene, SavedFilesKeepCornerColoursAlphaLightAndWinding) {
    BuildFrozenDocument();
    HostDocument doc = wb::ActiveDocument();
    HostObject o = MQDoc_GetObject(doc, 0);
    const int32_t b = 1;

    // What each face shows, corner by corner: position, colour and alpha as the renderer takes them.
    struct Shown {
        HostPoint p;
        uint32_t rgb;
        float alpha;
    };
    auto shown = [](HostObject obj) {
        std::vector<Shown> all;
        HostDocument d = wb::ActiveDocument();
        for (int32_t f = 0; f < MQObj_GetFaceCount(obj); ++f) {
            const wbtest::FaceData face = wbtest::ReadFace(obj, f);
            HostMaterial m = MQDoc_GetMaterial(d, face.material);
            const bool vc = m && MQMat_GetIntValue(m, kMaterialShowsVertexColor) != 0;
            for (size_t k = 0; k < face.points.size(); ++k)
                all.push_back({wbtest::VertexOf(obj, face.points[k]), vc ? face.colors[k] & 0xFFFFFFu : 0u,
                               (m ? MQMat_GetAlpha(m) : 1.0f) * (vc ? (face.colors[k] >> 24) / 255.0f : 1.0f)});
        }
        return all;
    };
    const std::vector<Shown> before = shown(o), beforePlain = shown(MQDoc_GetObject(doc, b));

    const std::string path = wbtest::TempDir() + "frozen.obj";
    std::string error;
    ASSERT_TRUE(wb::SaveObjScene(path.c_str(), &error)) << error;
    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &error)) << error;
    doc = wb::ActiveDocument();
    EXPECT_EQ(wb::ElementSummary(), "2 objects, 3 faces, 1 lines, 1 points");
    const std::vector<Shown> after = shown(MQDoc_GetObject(doc, 0)), afterPlain = shown(MQDoc_GetObject(doc, 1));
    ASSERT_EQ(after.size(), before.size());
    ASSERT_EQ(afterPlain.size(), beforePlain.size());
    for (size_t k = 0; k < before.size(); ++k) {
        EXPECT_EQ(after[k].p.x, before[k].p.x) << k;  // same corners in the same order
        EXPECT_EQ(after[k].p.y, before[k].p.y) << k;
        EXPECT_EQ(after[k].rgb, before[k].rgb) << k;
        EXPECT_NEAR(after[k].alpha, before[k].alpha, 1e-6f) << k;
    }
    for (size_t k = 0; k < beforePlain.size(); ++k) EXPECT_NEAR(afterPlain[k].alpha, beforePlain[k].alpha, 1e-6f);
    const wbtest::FaceData quad = wbtest::ReadFace(MQDoc_GetObject(doc, 0), 0);
    EXPECT_EQ(quad.uvs[2].u, 0.5f);
    EXPECT_EQ(quad.uvs[2].v, 0.25f);
    for (int32_t m = 0; m < MQDoc_GetMaterialCount(doc); ++m) {
        HostMaterial mat = MQDoc_GetMaterial(doc, m);
        HostRGB c{};
        MQMat_GetColor(mat, &c);
        const bool vc = MQMat_GetIntValue(mat, kMaterialShowsVertexColor) != 0;
        EXPECT_EQ(c.b, vc ? 0.0f : 0.6f);
        EXPECT_EQ(MQMat_GetEmission(mat), vc ? 1.0f : 0.0f);
        EXPECT_EQ(MQMat_GetAmbient(mat), vc ? 0.0f : 0.25f);
        EXPECT_EQ(MQMat_GetDiffuse(mat), 0.8f);
    }
    // Texture coordinates only where a face has them: the quad's four.
    std::ifstream in(path);
    std::string line;
    int vts = 0;
    while (std::getline(in, line)) vts += line.compare(0, 3, "vt ") == 0;
    EXPECT_EQ(vts, 4);
}

TEST_F(ObjScene, GlbFilesReadBackWithTheirColoursAlphaAndTextures) {
    auto readBack = ReadGlb;
    BuildFrozenDocument();
    const std::string path = wbtest::TempDir() + "frozen.glb";
    std::string error;
    ASSERT_TRUE(wb::SaveGltfScene(path.c_str(), &error)) << error;
    tinygltf::Model model;
    ASSERT_TRUE(readBack(path, &model));
    ASSERT_EQ(model.meshes.size(), 2u);
    ASSERT_EQ(model.meshes[0].primitives.size(), 1u);
    const tinygltf::Primitive& shell = model.meshes[0].primitives[0];
    EXPECT_EQ(model.accessors[shell.indices].count, 9u);  // the quad's two triangles and one more
    ASSERT_EQ(shell.attributes.count("COLOR_0"), 1u);
    const tinygltf::Accessor& colours = model.accessors[shell.attributes.at("COLOR_0")];
    const tinygltf::BufferView& view = model.bufferViews[colours.bufferView];
    const float* c = reinterpret_cast<const float*>(model.buffers[0].data.data() + view.byteOffset + colours.byteOffset);
    bool red = false;
    for (size_t i = 0; i < colours.count; ++i, c += 4) {
        EXPECT_NEAR(c[3], 128.0f / 255.0f, 1e-6f);
        red = red || (c[0] == 1.0f && c[1] == 0.0f && c[2] == 0.0f);  // 0x80FF0000 is blue; 0x800000FF red
    }
    EXPECT_TRUE(red);
    const tinygltf::Material& shellMaterial = model.materials[shell.material];
    EXPECT_EQ(shellMaterial.alphaMode, "BLEND");
    EXPECT_EQ(shellMaterial.extensions.count("KHR_materials_unlit"), 1u);
    const tinygltf::Primitive& plain = model.meshes[1].primitives[0];
    EXPECT_EQ(model.accessors[plain.indices].count, 3u);  // the line and the point are left out
    EXPECT_EQ(plain.attributes.count("COLOR_0"), 0u);
    EXPECT_EQ(plain.attributes.count("TEXCOORD_0"), 0u);
    const tinygltf::Material& plainMaterial = model.materials[plain.material];
    EXPECT_EQ(plainMaterial.pbrMetallicRoughness.baseColorFactor[3], 0.5);
    EXPECT_EQ(plainMaterial.alphaMode, "BLEND");

    // Textures go inside the file.
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/spider.obj").c_str(), &error)) << error;
    ASSERT_TRUE(wb::SaveGltfScene(path.c_str(), &error)) << error;
    tinygltf::Model spider;
    ASSERT_TRUE(readBack(path, &spider));
    EXPECT_EQ(spider.meshes.size(), 19u);
    EXPECT_EQ(spider.images.size(), 4u);
    for (const tinygltf::Image& image : spider.images) {
        EXPECT_GE(image.bufferView, 0);
        EXPECT_EQ(image.mimeType, "image/jpeg");
    }
}

// Names in the encodings a scene comes in: UTF-8 (byte-order mark included), the modeller's own
// code page 932, and Latin-1 (not UTF-8, so read as code page 932 whose bytes it need not form).
// The host gets code page 932; frozen OBJ files keep the scene's encoding, glb files hold UTF-8.
// (Plain string literals here are code page 932, u8 ones UTF-8.)
TEST_F(ObjScene, NamesInUtf8Cp932AndLatin1LoadSaveAndReachTheGlb) {
    const std::string obj = u8"mtllib 材質.mtl\no 立方体\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nusemtl 赤い材質\nf 1/1 2/1 3/1\n";
    const std::string mtl = u8"newmtl 赤い材質\nKd 1 0 0\nmap_Kd テクスチャ 画像.png\n";
    const std::string png("\x89\x50\x4E\x47\x0D\x0A\x1A\x0A\x00\x00\x00\x0D\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00"
                          "\x00\x01\x08\x02\x00\x00\x00\x90\x77\x53\xDE\x00\x00\x00\x0C\x49\x44\x41\x54\x78\x9C"
                          "\x63\xF8\xCF\xC0\x00\x00\x03\x01\x01\x00\xC9\xFE\x92\xEF\x00\x00\x00\x00\x49\x45\x4E"
                          "\x44\xAE\x42\x60\x82", 69);
    std::string error;
    for (const bool utf8 : {true, false}) {
        SCOPED_TRACE(utf8 ? "UTF-8" : "code page 932");
        wb::NewDocument();
        auto inFile = [&](const std::string& text) { return utf8 ? text : Cp932(text); };
        const std::string dir = wbtest::TempDir() + (utf8 ? "utf8\\" : "cp932\\");
        CreateDirectoryA(dir.c_str(), nullptr);
        ASSERT_TRUE(wbtest::WriteText(dir + "箱.obj", (utf8 ? "\xEF\xBB\xBF" : "") + inFile(obj)));
        ASSERT_TRUE(wbtest::WriteText(dir + "材質.mtl", inFile(mtl)));
        ASSERT_TRUE(wbtest::WriteText(dir + "テクスチャ 画像.png", png));
        std::string warnings;
        ASSERT_TRUE(wb::LoadObjScene((dir + "箱.obj").c_str(), &warnings));
        EXPECT_EQ(warnings, "");  // the library and the texture are found
        HostDocument doc = wb::ActiveDocument();
        HostObject cube = MQDoc_GetObject(doc, 0);
        EXPECT_EQ(Name(cube), "\x97\xA7\x95\xFB\x91\xCC");  // 立方体
        EXPECT_EQ(MaterialName(MQDoc_GetMaterial(doc, 0)), "赤い材質");
        // A shell frozen as a new object, named as the workbench's script names it.
        wb::AddMeshObject((Name(cube) + " shell").c_str(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});

        ASSERT_TRUE(wb::SaveObjScene((dir + "frozen.obj").c_str(), &error)) << error;
        EXPECT_NE(ReadFileText(dir + "frozen.obj").find(inFile(u8"o 立方体_shell\n")), std::string::npos);
        const std::string savedMtl = ReadFileText(dir + "frozen.mtl");
        EXPECT_NE(savedMtl.find(inFile(u8"newmtl 赤い材質\n")), std::string::npos) << savedMtl;
        EXPECT_NE(savedMtl.find(inFile(u8"map_Kd テクスチャ 画像.png\n")), std::string::npos) << savedMtl;
        ASSERT_TRUE(wb::LoadObjScene((dir + "frozen.obj").c_str(), &warnings));
        EXPECT_EQ(warnings, "");
        EXPECT_EQ(Name(MQDoc_GetObject(wb::ActiveDocument(), 1)), "立方体_shell");

        ASSERT_TRUE(wb::SaveGltfScene((dir + "frozen.glb").c_str(), &error)) << error;
        tinygltf::Model model;
        ASSERT_TRUE(ReadGlb(dir + "frozen.glb", &model));
        ASSERT_EQ(model.nodes.size(), 2u);
        EXPECT_EQ(model.nodes[1].name, u8"立方体_shell");
        ASSERT_EQ(model.materials.size(), 1u);
        EXPECT_EQ(model.materials[0].name, u8"赤い材質");
        ASSERT_EQ(model.images.size(), 1u);
        EXPECT_EQ(model.images[0].name, u8"テクスチャ 画像.png");
    }

    // Latin-1: the bytes stay as they are in the host and the OBJ; the glb gets what code page 932
    // makes of them ("\xE6k" is a character there, a lone "\xE9" none).
    const std::string dir = wbtest::TempDir();
    ASSERT_TRUE(wbtest::WriteText(dir + "latin1.obj", "mtllib latin1.mtl\no Caf\xE9\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                                      "usemtl Terraind\xE6k\nf 1 2 3\n"));
    ASSERT_TRUE(wbtest::WriteText(dir + "latin1.mtl", "newmtl Terraind\xE6k\nKd 0 1 0\n"));
    std::string warnings;
    ASSERT_TRUE(wb::LoadObjScene((dir + "latin1.obj").c_str(), &warnings));
    EXPECT_EQ(warnings, "");
    EXPECT_EQ(Name(MQDoc_GetObject(wb::ActiveDocument(), 0)), "Caf\xE9");
    ASSERT_TRUE(wb::SaveObjScene((dir + "latin1_out.obj").c_str(), &error)) << error;
    EXPECT_NE(ReadFileText(dir + "latin1_out.obj").find("o Caf\xE9\n"), std::string::npos);
    EXPECT_NE(ReadFileText(dir + "latin1_out.mtl").find("newmtl Terraind\xE6k\n"), std::string::npos);
    ASSERT_TRUE(wb::SaveGltfScene((dir + "latin1.glb").c_str(), &error)) << error;
    tinygltf::Model model;
    ASSERT_TRUE(ReadGlb(dir + "latin1.glb", &model));
    ASSERT_EQ(model.nodes.size(), 1u);
    EXPECT_EQ(model.nodes[0].name, "Caf\xEF\xBF\xBD");  // U+FFFD
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_EQ(model.materials[0].name, u8"Terraind詭");

    // UTF-8 with characters code page 932 lacks: shown as "?", one warning for the file.
    const std::string lacks = u8"o Café\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\no Crème\nf 1 3 2\n";
    ASSERT_TRUE(wbtest::WriteText(dir + "lacks.obj", lacks));
    ASSERT_TRUE(wb::LoadObjScene((dir + "lacks.obj").c_str(), &warnings));
    EXPECT_EQ(warnings.find('\n'), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("lacks.obj: 2 characters"), std::string::npos) << warnings;
    EXPECT_EQ(Name(MQDoc_GetObject(wb::ActiveDocument(), 0)), "Caf?");
    EXPECT_EQ(Name(MQDoc_GetObject(wb::ActiveDocument(), 1)), "Cr?me");
}

}  // namespace
