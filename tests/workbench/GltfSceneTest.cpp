// glTF scenes loaded: one small scene written by the test as a glb and as a .gltf with its buffer
// beside it (indexed lists, a strip, points, a sparse accessor, normalised colours, 8/16/32-bit
// indices), URIs that reach outside the scene's folder, and files that lie about their sizes.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>

#include "tests/workbench/WorkbenchTestUtil.h"
#include "workbench/io/LoadGltfScene.h"

namespace {

// The scene's buffer: a unit quad's positions, UVs and red colours, its indices as bytes, a strip
// over it as shorts, one triangle as ints, and a sparse replacement of the third position.
std::vector<uint8_t> SceneBuffer() {
    std::vector<uint8_t> b(140, 0);
    const float pos[12] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const float uv[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    memcpy(&b[0], pos, sizeof pos);
    memcpy(&b[48], uv, sizeof uv);
    for (int v = 0; v < 4; ++v) b[80 + v * 4] = b[83 + v * 4] = 255;
    const uint8_t list[6] = {0, 1, 2, 0, 2, 3};
    memcpy(&b[96], list, sizeof list);
    const uint16_t strip[4] = {0, 1, 3, 2};
    memcpy(&b[104], strip, sizeof strip);
    const uint32_t tri[3] = {0, 1, 2};
    memcpy(&b[112], tri, sizeof tri);
    b[124] = 2;
    const float moved[3] = {0, 0, 7};
    memcpy(&b[128], moved, sizeof moved);
    return b;
}

// The scene's JSON; buffer is the rest of its one buffer's object after its byteLength.
std::string SceneJson(const std::string& buffer, int positionCount = 4) {
    return R"({"asset":{"version":"2.0"},
  "buffers":[{"byteLength":140)" + buffer + R"(}],
  "bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":48},{"buffer":0,"byteOffset":48,"byteLength":32},
    {"buffer":0,"byteOffset":80,"byteLength":16},{"buffer":0,"byteOffset":96,"byteLength":6},
    {"buffer":0,"byteOffset":104,"byteLength":8},{"buffer":0,"byteOffset":112,"byteLength":12},
    {"buffer":0,"byteOffset":124,"byteLength":1},{"buffer":0,"byteOffset":128,"byteLength":12}],
  "accessors":[{"bufferView":0,"componentType":5126,"count":)" + std::to_string(positionCount) + R"(,"type":"VEC3"},
    {"bufferView":1,"componentType":5126,"count":4,"type":"VEC2"},
    {"bufferView":2,"componentType":5121,"normalized":true,"count":4,"type":"VEC4"},
    {"bufferView":3,"componentType":5121,"count":6,"type":"SCALAR"},
    {"bufferView":4,"componentType":5123,"count":4,"type":"SCALAR"},
    {"bufferView":5,"componentType":5125,"count":3,"type":"SCALAR"},
    {"bufferView":0,"componentType":5126,"count":4,"type":"VEC3","sparse":{"count":1,
      "indices":{"bufferView":6,"componentType":5121},"values":{"bufferView":7}}}],
  "meshes":[{"name":"quad","primitives":[
      {"attributes":{"POSITION":0,"TEXCOORD_0":1,"COLOR_0":2},"indices":3,"material":0},
      {"attributes":{"POSITION":0},"indices":4,"mode":5},
      {"attributes":{"POSITION":0},"mode":0}]},
    {"name":"tri","primitives":[{"attributes":{"POSITION":6},"indices":5}]}],
  "materials":[{"name":"red","pbrMetallicRoughness":{"baseColorFactor":[1,0.5,0.25,0.75],
    "baseColorTexture":{"index":0}}}],
  "textures":[{"source":0}],"images":[{"uri":"tex.png"}]})";
}

void Append32(std::vector<uint8_t>* out, uint32_t v) {
    for (int k = 0; k < 4; ++k) out->push_back(static_cast<uint8_t>(v >> (8 * k)));
}

std::vector<uint8_t> Glb(std::string json, const std::vector<uint8_t>& bin) {
    while (json.size() % 4) json += ' ';
    std::vector<uint8_t> out;
    out.insert(out.end(), {'g', 'l', 'T', 'F'});
    Append32(&out, 2);
    Append32(&out, static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
    Append32(&out, static_cast<uint32_t>(json.size()));
    Append32(&out, 0x4E4F534A);
    out.insert(out.end(), json.begin(), json.end());
    Append32(&out, static_cast<uint32_t>(bin.size()));
    Append32(&out, 0x004E4942);
    out.insert(out.end(), bin.begin(), bin.end());
    return out;
}

class GltfScene : public ::testing::Test {
protected:
    void SetUp() override { wb::NewDocument(); }
};

// Everything the scene holds, as the host gives it.
void ExpectTheScene(const std::string& path) {
    std::string error;
    ASSERT_TRUE(wb::LoadGltfScene(path.c_str(), &error)) << error;
    EXPECT_NE(error.find("1 point or line primitives left out"), std::string::npos) << error;
    HostDocument doc = wb::ActiveDocument();
    ASSERT_EQ(MQDoc_GetObjectCount(doc), 2);
    HostObject quad = MQDoc_GetObject(doc, 0), tri = MQDoc_GetObject(doc, 1);
    char name[64] = {};
    MQObj_GetName(quad, name, sizeof name);
    EXPECT_STREQ(name, "quad");
    // Two listed triangles and the strip's two.
    ASSERT_EQ(MQObj_GetFaceCount(quad), 4);
    // The first triangle 0 1 2 comes in reversed, with its corners' UVs and normalised colours.
    const wbtest::FaceData first = wbtest::ReadFace(quad, 0);
    EXPECT_EQ(first.material, 0);
    const HostPoint p = wbtest::VertexOf(quad, first.points[0]);
    EXPECT_EQ(p.x, 1.0f);
    EXPECT_EQ(p.y, 1.0f);
    EXPECT_EQ(first.uvs[0].u, 1.0f);
    EXPECT_EQ(first.uvs[0].v, 1.0f);
    EXPECT_EQ(first.colors[0] & 0xFFFFFFu, 0x0000FFu);
    EXPECT_EQ(wbtest::ReadFace(quad, 2).material, -1);
    // The sparse accessor moved the third position of the 32-bit indexed triangle.
    ASSERT_EQ(MQObj_GetFaceCount(tri), 1);
    float maxZ = 0.0f;
    for (int32_t v = 0; v < MQObj_GetVertexCount(tri); ++v) maxZ = std::max(maxZ, wbtest::VertexOf(tri, v).z);
    EXPECT_EQ(maxZ, 7.0f);
    ASSERT_EQ(MQDoc_GetMaterialCount(doc), 1);
    HostMaterial red = MQDoc_GetMaterial(doc, 0);
    HostRGB color{};
    MQMat_GetColor(red, &color);
    EXPECT_EQ(color.g, 0.5f);
    EXPECT_EQ(MQMat_GetAlpha(red), 0.75f);
    MQMat_GetTextureName(red, name, sizeof name);
    EXPECT_STREQ(name, "tex.png");
}

TEST_F(GltfScene, GlbAndGltfWithItsBufferBesideItLoadTheSame) {
    const std::string dir = wbtest::TempDir();
    ASSERT_TRUE(wbtest::WriteBytes(dir + "scene.glb", Glb(SceneJson(""), SceneBuffer())));
    ExpectTheScene(dir + "scene.glb");
    ASSERT_TRUE(wbtest::WriteBytes(dir + "scene.bin", SceneBuffer()));
    ASSERT_TRUE(wbtest::WriteText(dir + "scene.gltf", SceneJson(R"(,"uri":"scene.bin")")));
    ExpectTheScene(dir + "scene.gltf");
}

TEST_F(GltfScene, UrisOutsideTheFolderAndFalseSizesAreRefused) {
    const std::string dir = wbtest::TempDir();
    ASSERT_TRUE(wbtest::WriteBytes(dir + "outside.bin", SceneBuffer()));
    CreateDirectoryA((dir + "sub").c_str(), nullptr);
    const std::string sub = dir + "sub\\";
    struct Case {
        const char* file;
        std::string bytes;
        const char* message;
    };
    const std::vector<uint8_t> glb = Glb(SceneJson(""), SceneBuffer());
    std::string absolute = dir + "outside.bin";
    std::replace(absolute.begin(), absolute.end(), '\\', '/');
    const Case cases[] = {
        {"up.gltf", SceneJson(R"(,"uri":"../outside.bin")"), "outside the scene's folder"},
        {"escaped.gltf", SceneJson(R"(,"uri":"%2E%2E/outside.bin")"), "outside the scene's folder"},
        {"absolute.gltf", SceneJson(",\"uri\":\"" + absolute + "\""), "outside the scene's folder"},
        {"missing.gltf", SceneJson(R"(,"uri":"./missing.bin")"), "File not found"},
        {"short.gltf", SceneJson(R"(,"uri":"data:application/octet-stream;base64,AAAA")"), "not a readable glTF"},
        {"cut.glb", std::string(glb.begin(), glb.begin() + 40), "not a readable glTF"},
        {"garbage.gltf", "{\"asset\":{\"version\":\"2.0\"},\"meshes\":[{\x01", "not a readable glTF"},
        {"empty.glb", "", "not a readable glTF"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(wbtest::WriteText(sub + c.file, c.bytes));
        HostDocument before = wb::ActiveDocument();
        std::string error;
        EXPECT_FALSE(wb::LoadGltfScene((sub + c.file).c_str(), &error)) << c.file;
        EXPECT_NE(error.find(c.file), std::string::npos) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.file << ": " << error;
        EXPECT_EQ(wb::ActiveDocument(), before) << c.file;
    }
}

TEST_F(GltfScene, AnAccessorPastItsViewLeavesOnlyItsPrimitivesOut) {
    const std::string path = wbtest::TempDir() + "long.glb";
    ASSERT_TRUE(wbtest::WriteBytes(path, Glb(SceneJson("", 5), SceneBuffer())));
    std::string error;
    ASSERT_TRUE(wb::LoadGltfScene(path.c_str(), &error)) << error;
    EXPECT_NE(error.find("2 primitives left out"), std::string::npos) << error;
    ASSERT_EQ(MQDoc_GetObjectCount(wb::ActiveDocument()), 1);
    EXPECT_EQ(MQObj_GetFaceCount(MQDoc_GetObject(wb::ActiveDocument(), 0)), 1);
}

}  // namespace
