// Scenes saved: OBJ/MTL files that load back the same and that other readers (tinyobjloader here)
// show as the workbench drew them, and glTF binary files read back with tinygltf.
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <fstream>  // tiny_gltf.h
#include <set>
#include <sstream>

#include "tests/workbench/WorkbenchTestUtil.h"
#include "workbench/io/FileAccess.h"

// The written glTF files are read back with the library that wrote them.
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_FS
#define TINYGLTF_IMPLEMENTATION
#include "tiny_gltf.h"
// And the OBJ files with the library other tools read them with.
#define TINYOBJLOADER_IMPLEMENTATION
#include "tiny_obj_loader.h"

namespace {

const char kModels[] = "/usr/share/assimp/models/";

std::string Model(const char* relative) { return std::string(kModels) + relative; }

bool ReadGlb(const std::string& path, tinygltf::Model* model) {
    std::string bytes;
    wb::ReadWholeFile(path, 1u << 30, &bytes);
    tinygltf::TinyGLTF reader;
    reader.SetImageLoader([](tinygltf::Image*, const int, std::string*, std::string*, int, int,
                             const unsigned char*, int, void*) { return true; }, nullptr);
    std::string err, warn;
    return reader.LoadBinaryFromMemory(model, &err, &warn, reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<unsigned>(bytes.size())) && err.empty();
}

std::string ReadText(const std::string& path) {
    std::string text;
    wb::ReadWholeFile(path, 1u << 30, &text);
    return text;
}

// UTF-8 text in code page 932, the host's encoding (and that of this program's plain literals).
std::string Cp932(const std::string& utf8) {
    wchar_t wide[256];
    char text[512];
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide, 256);
    const int m = WideCharToMultiByte(932, 0, wide, n, text, sizeof text, nullptr, nullptr);
    return std::string(text, static_cast<size_t>(m > 0 ? m : 0));
}

class SavedScene : public ::testing::Test {
protected:
    void SetUp() override { wb::NewDocument(); }
};

TEST_F(SavedScene, SavedScenesLoadBackTheSame) {
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/spider.obj").c_str(), &error)) << error;
    const wbtest::Totals t = wbtest::CountDocument();
    HostObject first = MQDoc_GetObject(wb::ActiveDocument(), 0);
    const wbtest::FaceData face = wbtest::ReadFace(first, 5);
    const HostPoint p = wbtest::VertexOf(first, face.points[1]);

    // Saved into a folder of its own: the textures the faces' materials use are copied beside
    // it; the material no face uses (that of wal69ar_small.jpg) is left out, with its texture.
    const std::string folder = wbtest::TempDir() + "saved\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "saved.obj";
    DeleteFileA((folder + "wal69ar_small.jpg").c_str());
    ASSERT_TRUE(wb::SaveObjScene(path.c_str(), &error)) << error;
    for (const char* texture : {"SpiderTex.jpg", "wal67ar_small.jpg", "drkwood2.jpg"})
        EXPECT_NE(GetFileAttributesA((folder + texture).c_str()), INVALID_FILE_ATTRIBUTES) << texture;
    EXPECT_EQ(GetFileAttributesA((folder + "wal69ar_small.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &error)) << error;
    const wbtest::Totals again = wbtest::CountDocument();
    EXPECT_EQ(again.objects, t.objects);
    EXPECT_EQ(again.vertices, t.vertices);
    EXPECT_EQ(again.faces, t.faces);
    HostDocument doc = wb::ActiveDocument();
    EXPECT_EQ(MQDoc_GetMaterialCount(doc), 4);
    HostObject reloaded = MQDoc_GetObject(doc, 0);
    EXPECT_EQ(wbtest::ObjectName(reloaded), "HLeib01");
    const wbtest::FaceData face2 = wbtest::ReadFace(reloaded, 5);
    char name[64] = "";
    MQMat_GetName(MQDoc_GetMaterial(doc, face2.material), name, sizeof name);
    EXPECT_STREQ(name, "HLeibTex");
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

    // A texture's copy never takes the name of one of the caller's own files (a picture of the
    // run), compared without case.
    const std::string other = wbtest::TempDir() + "reserved\\";
    CreateDirectoryA(other.c_str(), nullptr);
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/spider.obj").c_str(), &error)) << error;
    ASSERT_TRUE(wb::SaveObjScene((other + "saved.obj").c_str(), &error, {"spidertex.JPG"})) << error;
    EXPECT_EQ(GetFileAttributesA((other + "SpiderTex.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
    std::string mtl;
    ASSERT_TRUE(wb::ReadWholeFile(other + "saved.mtl", 1 << 20, &mtl));
    EXPECT_NE(mtl.find("SpiderTex_2.jpg"), std::string::npos) << mtl;
}

// A frozen document as the plug-in leaves it: a shell whose material shows vertex colours (black,
// lit by emission alone) with half-transparent corners of different colours at one vertex, a
// plain half-transparent material whose face has a coloured corner it does not show, and an object
// without UVs with a line and a point.
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
    const int32_t a =
        wb::AddMeshObject("torus shell", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}},
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
    MQObj_SetFaceVertexColor(MQDoc_GetObject(doc, b), 0, 1, 0xFF00FF00u);
}

TEST_F(SavedScene, SavedFilesKeepCornerColoursAlphaLightAndWinding) {
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
    // Other readers show the shell's vertex colours on white, not on its own black.
    const std::string mtl = ReadText(wbtest::TempDir() + "frozen.mtl");
    EXPECT_NE(mtl.find("newmtl Puffshell traced colours_alpha128\nKd 1 1 1\nKa 0 0 0\nKe 0 0 0\n"), std::string::npos) << mtl;
    // Texture coordinates only where a face has them: the quad's four.
    std::istringstream in(ReadText(path));
    std::string line;
    int vts = 0;
    while (std::getline(in, line)) vts += line.compare(0, 3, "vt ") == 0;
    EXPECT_EQ(vts, 4);
}

TEST_F(SavedScene, SavedNormalsAreTheShadedOnes) {
    // The files carry the renderer's normals: a box corner's mean of its three faces bends from
    // each by 54.7 degrees, so the renderer rounds the box at a smoothing angle of 59.5 (corner
    // normals point outward from the centre) and draws it flat at 50 (face normals).
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/box.obj").c_str(), &error)) << error;
    HostObject box = MQDoc_GetObject(wb::ActiveDocument(), 0);
    const std::string path = wbtest::TempDir() + "normals.obj";
    for (const float angle : {50.0f, 59.5f}) {
        MQObj_SetSmoothAngle(box, angle);
        ASSERT_TRUE(wb::SaveObjScene(path.c_str(), &error)) << error;
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warn, err;
        std::istringstream text(ReadText(path));
        ASSERT_TRUE(tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &text));
        EXPECT_EQ(attrib.normals.size(), (angle < 55.0f ? 6u : 8u) * 3) << angle;  // one per face or vertex
        ASSERT_EQ(shapes.size(), 1u);
        const std::vector<tinyobj::index_t>& corners = shapes[0].mesh.indices;
        ASSERT_EQ(corners.size(), 36u);  // six quadrilaterals, read as triangles
        for (size_t k = 0; k < corners.size(); ++k) {
            ASSERT_GE(corners[k].normal_index, 0);
            const float* n = &attrib.normals[corners[k].normal_index * 3];
            const float* p = &attrib.vertices[corners[k].vertex_index * 3];
            // The box is centred on the origin: the corner's position points outward too.
            const float outward = (n[0] * p[0] + n[1] * p[1] + n[2] * p[2]) / sqrtf(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
            EXPECT_NEAR(outward, angle < 55.0f ? 1.0f / sqrtf(3.0f) : 1.0f, 1e-5f) << angle << " corner " << k;
        }
    }
}

TEST_F(SavedScene, GlbFilesReadBackWithTheirColoursAlphaAndTextures) {
    BuildFrozenDocument();
    const std::string path = wbtest::TempDir() + "frozen.glb";
    std::string error;
    ASSERT_TRUE(wb::SaveGltfScene(path.c_str(), &error)) << error;
    ASSERT_TRUE(wb::SaveObjScene((wbtest::TempDir() + "frozen.obj").c_str(), &error)) << error;
    tinygltf::Model model;
    ASSERT_TRUE(ReadGlb(path, &model));
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
        EXPECT_EQ(c[3], 1.0f);  // the alpha every corner shares is the material's
        red = red || (c[0] == 1.0f && c[1] == 0.0f && c[2] == 0.0f);  // 0x80FF0000 is blue; 0x800000FF red
    }
    EXPECT_TRUE(red);
    EXPECT_EQ(shell.attributes.count("TEXCOORD_0"), 0u);  // UVs, but no texture to use them
    const tinygltf::Material& shellMaterial = model.materials[shell.material];
    // Material and mesh named as in the OBJ file, the alpha in the material.
    EXPECT_EQ(shellMaterial.name, "Puffshell traced colours_alpha128");
    EXPECT_EQ(model.meshes[0].name, "torus shell");
    EXPECT_NE(ReadText(wbtest::TempDir() + "frozen.obj").find("usemtl Puffshell traced colours_alpha128\n"),
              std::string::npos);
    EXPECT_NEAR(shellMaterial.pbrMetallicRoughness.baseColorFactor[3], 128.0 / 255.0, 1e-9);
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
    ASSERT_TRUE(ReadGlb(path, &spider));
    EXPECT_EQ(spider.meshes.size(), 19u);
    EXPECT_EQ(spider.images.size(), 4u);
    for (const tinygltf::Image& image : spider.images) {
        EXPECT_GE(image.bufferView, 0);
        EXPECT_EQ(image.mimeType, "image/jpeg");
    }
}

TEST_F(SavedScene, ShellsOfOneLookShareOneMaterialNamedForIt) {
    // Three black shells, each with a material of its own as the plug-in freezes them, the
    // user's own material of the same look, which stays apart, and a see-through black shell.
    HostDocument doc = wb::ActiveDocument();
    for (int i = 0; i < 5; ++i) {
        HostMaterial m = MQ_CreateMaterial();
        if (i == 3) MQMat_SetName(m, "user black");
        if (i == 4) MQMat_SetAlpha(m, 0.5f);
        const HostRGB black = {0.0f, 0.0f, 0.0f};
        MQMat_SetColor(m, &black);
        MQMat_SetAmbient(m, 0.0f);
        MQMat_SetEmission(m, 1.0f);
        MQMat_SetIntValue(m, kMaterialShadeFlat, 1);
        const int32_t material = MQDoc_AddMaterial(doc, m);
        const float z = static_cast<float>(i);
        const int32_t o = wb::AddMeshObject(("shell " + std::to_string(i)).c_str(),
                                            {{0, 0, z}, {1, 0, z}, {0, 1, z}}, {{0, 1, 2}});
        MQObj_SetFaceMaterial(MQDoc_GetObject(doc, o), 0, material);
    }
    const std::string dir = wbtest::TempDir();
    std::string error;
    ASSERT_TRUE(wb::SaveObjScene((dir + "looks.obj").c_str(), &error)) << error;
    ASSERT_TRUE(wb::SaveGltfScene((dir + "looks.glb").c_str(), &error)) << error;
    const std::string mtl = ReadText(dir + "looks.mtl");
    EXPECT_EQ(mtl.find("newmtl Puffshell black\n"), mtl.rfind("newmtl Puffshell black\n"));
    EXPECT_NE(mtl.find("newmtl user black\n"), std::string::npos) << mtl;
    tinygltf::Model model;
    ASSERT_TRUE(ReadGlb(dir + "looks.glb", &model));
    ASSERT_EQ(model.materials.size(), 3u);
    EXPECT_EQ(model.materials[0].name, "Puffshell black");
    EXPECT_EQ(model.materials[2].name, "Puffshell black alpha 0.5");
    EXPECT_FALSE(model.materials[0].doubleSided);
    EXPECT_EQ(model.materials[0].extensions.count("KHR_materials_unlit"), 1u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(model.meshes[i].primitives[0].material, 0) << i;
    // Names with spaces load back whole, with the shells' own spaces too.
    ASSERT_TRUE(wb::LoadObjScene((dir + "looks.obj").c_str(), &error)) << error;
    doc = wb::ActiveDocument();
    EXPECT_EQ(MQDoc_GetMaterialCount(doc), 3);
    EXPECT_EQ(wbtest::ObjectName(MQDoc_GetObject(doc, 2)), "shell 2");
    EXPECT_EQ(wbtest::MaterialName(MQDoc_GetMaterial(doc, 0)), "Puffshell black");
    EXPECT_EQ(wbtest::ReadFace(MQDoc_GetObject(doc, 2), 0).material, 0);
}

TEST_F(SavedScene, WeldingChangesOnlyTheShells) {
    // A flat slab as game meshes come: four vertices of its own on each of its six faces.
    std::string obj = "o slab\n";
    const float size[3] = {2.0f, 0.1f, 2.0f};
    for (int axis = 0; axis < 3; ++axis)
        for (const float side : {-1.0f, 1.0f}) {
            const int u = (axis + 1) % 3, v = (axis + 2) % 3;
            const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
            for (int k = 0; k < 4; ++k) {
                float p[3];
                p[axis] = side * size[axis] / 2;
                p[u] = corners[side > 0 ? k : 3 - k][0] * size[u] / 2;
                p[v] = corners[side > 0 ? k : 3 - k][1] * size[v] / 2;
                obj += "v " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + "\n";
            }
        }
    for (int f = 0; f < 6; ++f)
        obj += "f " + std::to_string(4 * f + 1) + " " + std::to_string(4 * f + 2) + " " +
               std::to_string(4 * f + 3) + " " + std::to_string(4 * f + 4) + "\n";
    const std::string dir = wbtest::TempDir();
    ASSERT_TRUE(wbtest::WriteText(dir + "slab.obj", obj));
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene((dir + "slab.obj").c_str(), &error, /*weld=*/true));
    HostDocument doc = wb::ActiveDocument();
    HostObject slab = MQDoc_GetObject(doc, 0);
    ASSERT_EQ(MQObj_GetVertexCount(slab), 8);  // the plug-in's shells see one vertex per place
    // A shell added to the object, as the freeze adds it.
    HostObject shell = MQObj_Clone(slab);
    for (int32_t i = 0; i < 8; ++i) {
        HostPoint p = wbtest::VertexOf(shell, i);
        p.y *= 2.0f;
        MQObj_SetVertex(shell, i, &p);
    }
    MQObj_Merge(slab, shell);
    MQObj_Delete(shell);
    ASSERT_TRUE(wb::SaveObjScene((dir + "slab_out.obj").c_str(), &error)) << error;
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    std::istringstream text(ReadText(dir + "slab_out.obj"));
    ASSERT_TRUE(tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &text));
    ASSERT_EQ(shapes.size(), 1u);
    const std::vector<tinyobj::index_t>& corners = shapes[0].mesh.indices;
    ASSERT_EQ(corners.size(), 72u);  // twelve quadrilaterals, read as triangles
    // The model first, as it came in: its 24 vertices and a normal per face; the shell after it,
    // welded: 8 vertices more.
    std::set<int> vertices, normals;
    for (size_t k = 0; k < 36; ++k) {
        vertices.insert(corners[k].vertex_index);
        normals.insert(corners[k].normal_index);
    }
    EXPECT_EQ(vertices.size(), 24u);
    EXPECT_EQ(normals.size(), 6u);
    EXPECT_EQ(attrib.vertices.size(), (24u + 8u) * 3);
    // The same in the glb: the model's 12 triangles (its first) have their 6 face normals.
    ASSERT_TRUE(wb::SaveGltfScene((dir + "slab_out.glb").c_str(), &error)) << error;
    tinygltf::Model glb;
    ASSERT_TRUE(ReadGlb(dir + "slab_out.glb", &glb));
    ASSERT_EQ(glb.meshes.size(), 1u);
    const tinygltf::Primitive& p = glb.meshes[0].primitives[0];
    auto data = [&](int accessor) {
        const tinygltf::Accessor& a = glb.accessors[accessor];
        const tinygltf::BufferView& v = glb.bufferViews[a.bufferView];
        return glb.buffers[v.buffer].data.data() + v.byteOffset + a.byteOffset;
    };
    const uint32_t* index = reinterpret_cast<const uint32_t*>(data(p.indices));
    const float* normal = reinterpret_cast<const float*>(data(p.attributes.at("NORMAL")));
    std::set<std::vector<float>> glbNormals;
    for (size_t k = 0; k < 36; ++k) glbNormals.insert(std::vector<float>(normal + index[k] * 3, normal + index[k] * 3 + 3));
    EXPECT_EQ(glbNormals.size(), 6u);
}

TEST_F(SavedScene, InputVertexColoursReachTheGlb) {
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(Model("OBJ/cube_with_vertexcolors.obj").c_str(), &error)) << error;
    const std::string glb = wbtest::TempDir() + "cube_colours.glb";
    ASSERT_TRUE(wb::SaveGltfScene(glb.c_str(), &error)) << error;
    tinygltf::Model model;
    ASSERT_TRUE(ReadGlb(glb, &model));
    ASSERT_EQ(model.meshes.size(), 1u);
    EXPECT_EQ(model.meshes[0].primitives[0].attributes.count("COLOR_0"), 1u);
    EXPECT_EQ(model.meshes[0].primitives[0].material, 0);
}

// Names in the encodings a scene comes in: UTF-8 (byte-order mark included), the modeller's own
// code page 932, and Latin-1 (not UTF-8, so read as code page 932 whose bytes it need not form).
// The host gets code page 932; frozen OBJ files keep the scene's encoding, glb files hold UTF-8.
// (Plain string literals here are code page 932, u8 ones UTF-8.)
TEST_F(SavedScene, NamesInUtf8Cp932AndLatin1LoadSaveAndReachTheGlb) {
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
        ASSERT_TRUE(wb::LoadObjScene(wb::HostTextToUtf8(dir + "箱.obj").c_str(), &warnings));
        EXPECT_EQ(warnings, "");  // the library and the texture are found
        HostDocument doc = wb::ActiveDocument();
        HostObject cube = MQDoc_GetObject(doc, 0);
        EXPECT_EQ(wbtest::ObjectName(cube), "\x97\xA7\x95\xFB\x91\xCC");  // 立方体
        EXPECT_EQ(wbtest::MaterialName(MQDoc_GetMaterial(doc, 0)), "赤い材質");
        // A shell frozen as a new object, named as the workbench's script names it.
        wb::AddMeshObject((wbtest::ObjectName(cube) + " shell").c_str(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});

        ASSERT_TRUE(wb::SaveObjScene((dir + "frozen.obj").c_str(), &error)) << error;
        EXPECT_NE(ReadText(dir + "frozen.obj").find(inFile(u8"o 立方体 shell\n")), std::string::npos);
        const std::string savedMtl = ReadText(dir + "frozen.mtl");
        EXPECT_NE(savedMtl.find(inFile(u8"newmtl 赤い材質\n")), std::string::npos) << savedMtl;
        EXPECT_NE(savedMtl.find(inFile(u8"map_Kd テクスチャ 画像.png\n")), std::string::npos) << savedMtl;
        ASSERT_TRUE(wb::LoadObjScene((dir + "frozen.obj").c_str(), &warnings));
        EXPECT_EQ(warnings, "");
        EXPECT_EQ(wbtest::ObjectName(MQDoc_GetObject(wb::ActiveDocument(), 1)), "立方体 shell");

        ASSERT_TRUE(wb::SaveGltfScene((dir + "frozen.glb").c_str(), &error)) << error;
        tinygltf::Model model;
        ASSERT_TRUE(ReadGlb(dir + "frozen.glb", &model));
        ASSERT_EQ(model.nodes.size(), 2u);
        EXPECT_EQ(model.nodes[1].name, u8"立方体 shell");
        ASSERT_EQ(model.materials.size(), 1u);
        EXPECT_EQ(model.materials[0].name, u8"赤い材質");
        ASSERT_EQ(model.images.size(), 1u);
        EXPECT_EQ(model.images[0].name, u8"テクスチャ 画像.png");
    }

    // Latin-1: the bytes stay as they are in the host and the OBJ, a shell's name too; the glb gets
    // what code page 932 makes of them ("\xE6k" is a character there, a lone "\xE9" none).
    const std::string dir = wbtest::TempDir();
    ASSERT_TRUE(wbtest::WriteText(dir + "latin1.obj", "mtllib latin1.mtl\no Caf\xE9\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                                      "usemtl Terraind\xE6k\nf 1 2 3\n"));
    ASSERT_TRUE(wbtest::WriteText(dir + "latin1.mtl", "newmtl Terraind\xE6k\nKd 0 1 0\n"));
    std::string warnings;
    ASSERT_TRUE(wb::LoadObjScene((dir + "latin1.obj").c_str(), &warnings));
    EXPECT_EQ(warnings, "");
    EXPECT_EQ(wbtest::ObjectName(MQDoc_GetObject(wb::ActiveDocument(), 0)), "Caf\xE9");
    const int32_t shell = wb::AddMeshObject("", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    wb::NameAfterObject(MQDoc_GetObject(wb::ActiveDocument(), shell),
                        MQDoc_GetObject(wb::ActiveDocument(), 0), " shell");
    ASSERT_TRUE(wb::SaveObjScene((dir + "latin1_out.obj").c_str(), &error)) << error;
    EXPECT_NE(ReadText(dir + "latin1_out.obj").find("o Caf\xE9\n"), std::string::npos);
    EXPECT_NE(ReadText(dir + "latin1_out.obj").find("o Caf\xE9 shell\n"), std::string::npos);
    EXPECT_NE(ReadText(dir + "latin1_out.mtl").find("newmtl Terraind\xE6k\n"), std::string::npos);
    ASSERT_TRUE(wb::SaveGltfScene((dir + "latin1.glb").c_str(), &error)) << error;
    tinygltf::Model model;
    ASSERT_TRUE(ReadGlb(dir + "latin1.glb", &model));
    ASSERT_EQ(model.nodes.size(), 2u);
    EXPECT_EQ(model.nodes[0].name, "Caf\xEF\xBF\xBD");  // U+FFFD
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_EQ(model.materials[0].name, u8"Terraind詭");

    // UTF-8 with characters code page 932 lacks: shown as "?", one warning for the file.
    const std::string lacks = u8"o Café\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\no Crème\nf 1 3 2\n";
    ASSERT_TRUE(wbtest::WriteText(dir + "lacks.obj", lacks));
    ASSERT_TRUE(wb::LoadObjScene((dir + "lacks.obj").c_str(), &warnings));
    EXPECT_EQ(warnings.find('\n'), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("lacks.obj: 2 characters"), std::string::npos) << warnings;
    EXPECT_EQ(wbtest::ObjectName(MQDoc_GetObject(wb::ActiveDocument(), 0)), "Caf?");
    EXPECT_EQ(wbtest::ObjectName(MQDoc_GetObject(wb::ActiveDocument(), 1)), "Cr?me");
}

}  // namespace
