// Rebuilds after edits: each rebuild describes the document as it is then, whatever the previous
// rebuild held at the same index (a rebuild writes into the memory of the entry it replaces).
#include <ctype.h>
#include <stdio.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/geometry/GeometryFixture.h"
#include "workbench/app/SceneBuilder.h"
#include "workbench/bench/Icosphere.h"
#include "workbench/bench/Torus.h"

using testhost::ObjectAt;

class PushCacheRebuildTest : public GeometryTest {};

TEST_F(PushCacheRebuildTest, AnotherObjectAtTheSameIndexGetsItsOwnArrays) {
    int32_t cube = testhost::AddCube("cube", 1.0f);
    int32_t quad = testhost::AddUnitQuad("quad");
    ExpansionSettings& cubeSettings = Enable(cube);
    cubeSettings.heightMapOn = 1;
    cubeSettings.vertexColorPush = 1;
    Enable(quad);
    RebuildPushCache(document);
    ASSERT_NE(PushCacheEntryAt(cube), nullptr);
    EXPECT_EQ(PushCacheEntryAt(cube)->heights.size(), 8u);

    // The cube goes; compacting moves the quad to index 0, where the cube's entry was.
    Host().MQDoc_DeleteObject(document, cube);
    Host().MQDoc_Compact(document);
    RebuildPushCache(document);
    ASSERT_EQ(PushCache().size(), 1u);
    const PushCacheEntry* entry = PushCacheEntryAt(0);
    ASSERT_NE(entry, nullptr);
    EXPECT_FALSE(entry->hasHeights);
    EXPECT_FALSE(entry->hasVertexColors);
    EXPECT_TRUE(entry->heights.empty());
    EXPECT_TRUE(entry->vertexColors.empty());
    ASSERT_EQ(entry->directions.size(), 4u);
    for (const HostPoint& n : entry->directions) EXPECT_POINT_NEAR(n, 0, 0, -1, 0);
}

TEST_F(PushCacheRebuildTest, EditedGeometryAndSwitchesShowInTheNextRebuild) {
    int32_t quad = testhost::AddUnitQuad("quad");
    ExpansionSettings& settings = Enable(quad);
    RebuildPushCache(document);
    ASSERT_NE(PushCacheEntryAt(quad), nullptr);
    EXPECT_POINT_NEAR(PushCacheEntryAt(quad)->directions[2], 0, 0, -1, 0);

    // The face turned over, a vertex added, the vertex-colour push switched on.
    Host().MQObj_InvertFace(ObjectAt(quad), 0);
    const HostPoint extra = {5, 5, 5};
    Host().MQObj_AddVertex(ObjectAt(quad), &extra);
    settings.vertexColorPush = 1;
    RebuildPushCache(document);
    const PushCacheEntry* entry = PushCacheEntryAt(quad);
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->directions.size(), 5u);
    for (int32_t v = 0; v < 4; ++v) EXPECT_POINT_NEAR(entry->directions[v], 0, 0, 1, 0) << v;
    EXPECT_TRUE(IsZero(entry->directions[4]));
    ASSERT_EQ(entry->vertexColors.size(), 5u);
    EXPECT_EQ(entry->vertexColors[4], 0u);

    // Switched off: the entry is empty, and on again it is whole.
    settings.enabled = 0;
    RebuildPushCache(document);
    EXPECT_EQ(PushCacheEntryAt(quad), nullptr);
    settings.enabled = 1;
    RebuildPushCache(document);
    ASSERT_NE(PushCacheEntryAt(quad), nullptr);
    EXPECT_EQ(PushCacheEntryAt(quad)->directions.size(), 5u);
}

// ---- what a rebuild asks of the host and what it keeps, fixed -----------------------------
// The rebuild's host calls (in order, with their arguments) and the cache's bytes, hashed over
// documents like the benchmark's, the workbench's default scene and real models, with every array
// in use and once over a selection: a faster rebuild must neither ask the host anything else nor
// round one value differently.

namespace {

uint64_t Fnv1a(uint64_t hash, const void* data, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}
const uint64_t kFnvStart = 14695981039346656037ull;

// Calls with object IDs numbered by first appearance, so that the hash does not depend on how
// many objects the test program made before.
uint64_t CallHash(const std::vector<std::string>& calls) {
    std::map<std::string, int> numbers;
    uint64_t hash = kFnvStart;
    for (const std::string& call : calls) {
        std::string line;
        for (size_t i = 0; i < call.size();) {
            size_t end = i + 3;
            if (call.compare(i, 3, "obj") == 0)
                while (end < call.size() && isdigit(static_cast<unsigned char>(call[end]))) ++end;
            if (end == i + 3) {
                line += call[i++];
                continue;
            }
            const auto found =
                numbers.emplace(call.substr(i, end - i), static_cast<int>(numbers.size()));
            line += "obj" + std::to_string(found.first->second);
            i = end;
        }
        line += '\n';
        hash = Fnv1a(hash, line.data(), line.size());
    }
    return hash;
}

uint64_t ContentHash() {
    uint64_t hash = kFnvStart;
    for (const PushCacheEntry& e : PushCache()) {
        const int64_t head[] = {e.present, e.hasHeights, e.hasVertexColors, e.faceCount,
                                e.facePointCount, static_cast<int64_t>(e.directions.size()),
                                static_cast<int64_t>(e.heights.size()),
                                static_cast<int64_t>(e.vertexColors.size())};
        hash = Fnv1a(hash, head, sizeof head);
        hash = Fnv1a(hash, e.directions.data(), e.directions.size() * sizeof(HostPoint));
        hash = Fnv1a(hash, e.heights.data(), e.heights.size() * sizeof(HeightSample));
        hash = Fnv1a(hash, e.vertexColors.data(), e.vertexColors.size() * sizeof(uint32_t));
    }
    return hash;
}

}  // namespace

class RebuildFingerprintTest : public GeometryTest {
protected:
    // Every object switched on with a 24-bit height map of varied pixels and the vertex-colour
    // push, and every corner given a colour of its own.
    void SwitchEverythingOn() {
        std::vector<uint8_t> pixels(16 * 8 * 3);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 37 + 11);
        const int32_t count = Host().MQDoc_GetObjectCount(document);
        for (int32_t i = 0; i < count; ++i) {
            HostObject object = ObjectAt(i);
            if (!object) continue;
            ExpansionSettings& settings = Enable(i);
            settings.heightMapOn = 1;
            settings.vertexColorPush = 1;
            testhost::ImageBlocks blocks = testhost::MakeImageBlocks(16, 8, 24, pixels);
            settings.heightMap.adopt(blocks.header, blocks.pixels);
            const int32_t faces = Host().MQObj_GetFaceCount(object);
            for (int32_t f = 0; f < faces; ++f)
                for (int32_t j = 0; j < Host().MQObj_GetFacePointCount(object, f) && j < 4; ++j)
                    Host().MQObj_SetFaceVertexColor(object, f, j, 0x01000193u * (f * 4 + j + 1));
        }
    }
    // Calls, call hash and content hash of one rebuild of the current document, as text.
    std::string Fingerprint() {
        document = currentDocument = wb::ActiveDocument();
        std::vector<std::string> calls = testhost::RecordCalls([&] { RebuildPushCache(document); });
        char text[96];
        snprintf(text, sizeof text, "%zu %016llx %016llx", calls.size(),
                 static_cast<unsigned long long>(CallHash(calls)),
                 static_cast<unsigned long long>(ContentHash()));
        return text;
    }
};

TEST_F(RebuildFingerprintTest, BenchmarkMeshesDefaultSceneAndRealModels) {
    std::vector<std::pair<std::string, std::string>> found;  // scene, fingerprint
    // Like the benchmark's: an icosphere, a few tori, with only the push directions, then with
    // every array.
    {
        std::vector<HostPoint> vertices;
        std::vector<int32_t> triangles;
        auto add = [&](const char* name) {
            std::vector<std::vector<int32_t>> faces;
            for (size_t i = 0; i + 2 < triangles.size(); i += 3)
                faces.push_back({triangles[i], triangles[i + 1], triangles[i + 2]});
            Enable(wb::AddMeshObject(name, vertices, faces));
        };
        MakeIcosphere(4, vertices, triangles);
        add("icosphere");
        for (int32_t n = 0; n < 3; ++n) {
            MakeTorus(15, 20, 1.0f, 0.3f, HostPoint{3.0f * n, 0.0f, 0.0f}, vertices, triangles);
            add("torus");
        }
        found.emplace_back("bench directions", Fingerprint());
        SwitchEverythingOn();
        found.emplace_back("bench all arrays", Fingerprint());
        // With every array, the cache keeps no more than 28 bytes per vertex.
        size_t bytes = 0, cached = 0;
        for (const PushCacheEntry& e : PushCache()) {
            bytes += e.directions.capacity() * sizeof(HostPoint) +
                     e.heights.capacity() * sizeof(HeightSample) +
                     e.vertexColors.capacity() * sizeof(uint32_t);
            cached += e.directions.size();
        }
        EXPECT_LE(bytes, 28 * cached);
    }
    {
        workbench::SceneInfo info;
        std::string error;
        ASSERT_TRUE(workbench::BuildDefaultScene(testhost::TempFolder(), true, &info, &error)) << error;
        document = currentDocument = wb::ActiveDocument();
        SwitchEverythingOn();
        found.emplace_back("default scene", Fingerprint());
        // Over a selection: some vertices, a face, and an edge of another face.
        selectionOnly = true;
        for (int32_t v = 0; v < 400; v += 7) Host().MQDoc_AddSelectVertex(document, 0, v);
        Host().MQDoc_AddSelectFace(document, 1, 100);
        Host().MQDoc_AddSelectLine(document, 1, 300, 2);
        found.emplace_back("default scene, selection", Fingerprint());
        selectionOnly = false;
    }
    for (const char* name : {"spider.obj", "WusonOBJ.obj", "cube_with_vertexcolors.obj",
                             "testmixed.obj", "concave_polygon.obj"}) {
        std::string error;
        const std::string path = std::string("/usr/share/assimp/models/OBJ/") + name;
        ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &error)) << error;
        document = currentDocument = wb::ActiveDocument();
        SwitchEverythingOn();
        found.emplace_back(name, Fingerprint());
    }

    // Recorded from the rebuild before it was made faster: calls, call hash, content hash.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"bench directions", "34617 454dda93bb174671 88ec215e99e43644"},
        {"bench all arrays", "62297 0a1307daedc00c99 6e2aec1dd9e6aa92"},
        {"default scene", "54729 98aa9050fb75c399 3906f93daaf1efef"},
        {"default scene, selection", "74907 ee2cc4fdc6cdd67b 1d831fb44813f908"},
        {"spider.obj", "12389 3c646d16e9fd3c39 32f138fd52e62a49"},
        {"WusonOBJ.obj", "33593 b3d89bfc732dca11 1f19f5c659d90e6f"},
        {"cube_with_vertexcolors.obj", "113 266cebaac0fb8365 f88d96fddfc1397b"},
        {"testmixed.obj", "113 de95e05c16e06fa3 b64101add985030c"},
        {"concave_polygon.obj", "581 485c7b52b29a922d 732ae808d9a86a25"},
    };
    std::string all;
    for (const auto& scene : found)
        all += "        {\"" + scene.first + "\", \"" + scene.second + "\"},\n";
    ASSERT_EQ(found.size(), expected.size()) << all;
    for (size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i], expected[i]) << all;
}
