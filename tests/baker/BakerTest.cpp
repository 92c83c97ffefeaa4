// The baking command: its name patterns, its refusal to write over an input, a batch in which one
// file fails, Ctrl+C in the middle of a batch, and --objects. The program itself
// (puffshell beside this test program) is run for what the command line promises.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <math.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "baker/BakeScene.h"
#include "tests/support/TestHost.h"
#include "workbench/io/GltfDocument.h"
#include "workbench/common/BesideThisProgram.h"

namespace {

std::string NewFolder() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/bakerXXXXXX";
    // Without a folder of their own the tests would write beside "/": they stop instead.
    if (!mkdtemp(&pattern[0])) {
        fprintf(stderr, "cannot make a temporary folder from %s\n", pattern.c_str());
        abort();
    }
    return pattern;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// An OBJ of `cubes` unit cubes in a row, object i named "cube<i>", each cube split into
// 2 x (n x n) triangles per side so that a file can be made as large as a test needs.
std::string CubesObj(int cubes, int n = 1) {
    std::ostringstream obj;
    int base = 1;
    for (int c = 0; c < cubes; ++c) {
        obj << "o cube" << c << "\n";
        for (int side = 0; side < 6; ++side) {
            const int axis = side / 2;
            const float w = side % 2 ? 1.0f : 0.0f;
            for (int j = 0; j <= n; ++j)
                for (int i = 0; i <= n; ++i) {
                    float p[3];
                    p[axis] = w;
                    p[(axis + 1) % 3] = static_cast<float>(i) / n;
                    p[(axis + 2) % 3] = static_cast<float>(j) / n;
                    obj << "v " << p[0] + 2.0f * c << " " << p[1] << " " << p[2] << "\n";
                }
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    const int a = base + j * (n + 1) + i, b = a + 1, d = a + n + 1, e = d + 1;
                    if (side % 2) obj << "f " << a << " " << b << " " << e << " " << d << "\n";
                    else obj << "f " << a << " " << d << " " << e << " " << b << "\n";
                }
            base += (n + 1) * (n + 1);
        }
    }
    return obj.str();
}

struct Ran {
    int code = -1;
    std::string err;
    double seconds = 0;
};

// Runs puffshell with args; with interruptAfterMs >= 0 sends SIGINT (to its process group, as a
// terminal does) that long after the start.
Ran Puffshell(const std::vector<std::string>& args, int interruptAfterMs = -1) {
    const std::string program = common::BesideThisProgram("puffshell");
    const std::string errFile = NewFolder() + "/stderr";
    Ran run;
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        const int fd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        std::vector<char*> argv = {const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    setpgid(pid, pid);
    int status = 0;
    if (interruptAfterMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(interruptAfterMs));
        const auto sent = std::chrono::steady_clock::now();
        kill(-pid, SIGINT);
        waitpid(pid, &status, 0);
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    } else {
        waitpid(pid, &status, 0);
    }
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.err = ReadText(errFile);
    return run;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    FILE* ls = popen(("ls -A '" + folder + "'").c_str(), "r");
    char line[4096];
    while (ls && fgets(line, sizeof line, ls)) {
        std::string name = line;
        if (!name.empty() && name.back() == '\n') name.pop_back();
        names.push_back(name);
    }
    if (ls) pclose(ls);
    return names;
}

}  // namespace

TEST(BakerPatterns, MatchAsAShellMatchesFileNames) {
    using baker::MatchesPattern;
    EXPECT_TRUE(MatchesPattern("*", ""));
    EXPECT_TRUE(MatchesPattern("Body*", "Body_01"));
    EXPECT_FALSE(MatchesPattern("Body*", "body_01"));  // case as given
    EXPECT_TRUE(MatchesPattern("*_hair?", "long_hair2"));
    EXPECT_FALSE(MatchesPattern("*_hair?", "long_hair"));
    EXPECT_TRUE(MatchesPattern("a[0-9]b", "a7b"));
    EXPECT_FALSE(MatchesPattern("a[!0-9]b", "a7b"));
    EXPECT_TRUE(MatchesPattern("a[]]b", "a]b"));
    EXPECT_TRUE(MatchesPattern("a[b", "a[b"));  // no closing bracket: as it is
    EXPECT_TRUE(MatchesPattern("\\*", "*"));
    EXPECT_FALSE(MatchesPattern("\\*", "x"));
    EXPECT_TRUE(MatchesPattern("*a*a*a*", "aaaa"));
}

TEST(BakerFiles, AnOutputThatIsAnInputIsRefusedBeforeAnyWork) {
    const std::string dir = NewFolder();
    const std::string scene = dir + "/scene.obj";
    WriteText(dir + "/looks.mtl", "newmtl red\nKd 1 0 0\n");
    WriteText(scene, "mtllib looks.mtl\n" + CubesObj(1));
    const std::string before = ReadText(scene);
    // The scene, the scene by another of its names, and an OBJ whose MTL is the scene's library.
    ASSERT_EQ(symlink(scene.c_str(), (dir + "/link.obj").c_str()), 0);
    for (const std::string& output : {scene, dir + "/link.obj", dir + "/looks.obj"}) {
        const Ran run = Puffshell({scene, "-o", output});
        EXPECT_EQ(run.code, 2) << output << ": " << run.err;
        EXPECT_NE(run.err.find("is an input"), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadText(scene), before);
    EXPECT_EQ(ReadText(dir + "/looks.mtl"), "newmtl red\nKd 1 0 0\n");
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"link.obj", "looks.mtl", "scene.obj"}));
}

TEST(BakerBatch, OneBrokenFileFailsAloneNamedWhileTheOthersAreWritten) {
    const std::string dir = NewFolder(), out = dir + "/out";
    WriteText(dir + "/a.obj", CubesObj(2));
    WriteText(dir + "/broken.obj", "v 0 0 0\nf 1 7 9\n");
    WriteText(dir + "/c.obj", CubesObj(1));
    ASSERT_EQ(symlink("/dev/zero", (dir + "/endless.obj").c_str()), 0);  // read to its end, it never ends
    const Ran run = Puffshell({dir + "/a.obj", dir + "/broken.obj", dir + "/endless.obj", dir + "/c.obj",
                               "--out-dir", out, "-j", "2", "--report", dir + "/report.json"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find(dir + "/broken.obj: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(dir + "/endless.obj: is not a regular file"), std::string::npos) << run.err;
    EXPECT_EQ(Entries(out), (std::vector<std::string>{"a.glb", "c.glb"}));  // no staging folder left
    const std::string report = ReadText(dir + "/report.json");
    EXPECT_NE(report.find("\"exitCode\": 1"), std::string::npos) << report;
    EXPECT_NE(report.find("\"shells\": 2, \"trianglesIn\": 24, \"trianglesOut\": 48"), std::string::npos) << report;
}

TEST(BakerBatch, CtrlCEndsTheRunAtOnceWithNothingHalfWritten) {
    const std::string dir = NewFolder(), out = dir + "/out";
    WriteText(dir + "/big.obj", CubesObj(1, 120));  // some 170k triangles: long enough to interrupt
    std::vector<std::string> args;
    for (int i = 0; i < 4; ++i) {
        const std::string name = dir + "/big" + std::to_string(i) + ".obj";
        ASSERT_EQ(link((dir + "/big.obj").c_str(), name.c_str()), 0);
        args.push_back(name);
    }
    args.insert(args.end(), {"--out-dir", out, "-j", "2", "--freeze", "add"});
    ASSERT_EQ(mkdir(out.c_str(), 0700), 0);
    WriteText(out + "/big0.glb", "an earlier file");
    const Ran run = Puffshell(args, 150);
    EXPECT_EQ(run.code, 130) << run.err;
    EXPECT_LT(run.seconds, 0.5);
    for (const std::string& name : Entries(out)) {
        EXPECT_EQ(name.find(".puffshell-"), std::string::npos) << name;
        if (name == "big0.glb" && ReadText(out + "/big0.glb") == "an earlier file") continue;
        EXPECT_EQ(ReadText(out + "/" + name).compare(0, 4, "glTF"), 0) << name << " is not a whole glb";
    }
}

TEST(BakerScene, ObjectsChoosesWhichObjectsGetShells) {
    ASSERT_TRUE(testhost::BindWorkbenchHost());
    const std::string dir = NewFolder();
    WriteText(dir + "/scene.obj", CubesObj(3));
    baker::Options options;
    options.objects = {"cube[02]"};
    const baker::BakeResult r = baker::BakeScene(options, dir + "/scene.obj", dir + "/out.obj");
    ASSERT_EQ(r.code, 0) << r.error;
    EXPECT_EQ(r.shells, 2);
    const std::string saved = ReadText(dir + "/out.obj");
    EXPECT_NE(saved.find("o cube0 shell"), std::string::npos);
    EXPECT_EQ(saved.find("o cube1 shell"), std::string::npos);
    EXPECT_NE(saved.find("o cube2 shell"), std::string::npos);
}

namespace {

// A glTF file written by hand: accessors over one external buffer file.
struct GltfWriter {
    std::string bin;
    std::vector<std::string> views, accessors;

    template <class T>
    int add(const std::vector<T>& values, const char* type, int componentType, size_t count,
            const std::string& bounds = "") {
        while (bin.size() % 4) bin.push_back('\0');
        views.push_back("{\"buffer\":0,\"byteOffset\":" + std::to_string(bin.size()) +
                        ",\"byteLength\":" + std::to_string(values.size() * sizeof(T)) + "}");
        bin.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
        accessors.push_back("{\"bufferView\":" + std::to_string(views.size() - 1) + ",\"componentType\":" +
                            std::to_string(componentType) + ",\"count\":" + std::to_string(count) +
                            ",\"type\":\"" + type + "\"" + bounds + "}");
        return static_cast<int>(accessors.size()) - 1;
    }
    static std::string Join(const std::vector<std::string>& items) {
        std::string out;
        for (const std::string& item : items) out += (out.empty() ? "" : ",") + item;
        return out;
    }
};

// A ring-and-column surface as glTF splits it: columns 0 and segments are the same place (the UV
// seam), and with poles every column has its own pole vertex. Ring i of rings is at height
// y(i); radius(i) its radius. Vertex v's skin weights are (1 - y/2, y/2) on joints (0, 1), its
// morph delta half its position's radial direction times its radius.
struct Surface {
    std::vector<float> positions, normals, uvs, weights, deltas;
    std::vector<uint8_t> joints;
    std::vector<uint16_t> indices;
};

Surface MakeSurface(int rings, int segments, bool sphere) {
    Surface s;
    const float pi = 3.14159265f;
    for (int i = 0; i < rings; ++i)
        for (int k = 0; k <= segments; ++k) {
            const float phi = pi * i / (rings - 1), theta = 2 * pi * (k % segments) / segments;
            const float r = sphere ? sinf(phi) : 1.0f, y = sphere ? -cosf(phi) : 2.0f * i / (rings - 1);
            const float p[3] = {r * cosf(theta), y, r * sinf(theta)};
            s.positions.insert(s.positions.end(), p, p + 3);
            if (sphere) s.normals.insert(s.normals.end(), p, p + 3);
            else s.normals.insert(s.normals.end(), {cosf(theta), 0.0f, sinf(theta)});
            s.uvs.insert(s.uvs.end(), {static_cast<float>(k) / segments, static_cast<float>(i) / (rings - 1)});
            s.joints.insert(s.joints.end(), {0, 1, 0, 0});
            const float t = (y + (sphere ? 1.0f : 0.0f)) / 2.0f;
            s.weights.insert(s.weights.end(), {1.0f - t, t, 0.0f, 0.0f});
            s.deltas.insert(s.deltas.end(), {0.5f * p[0], 0.0f, 0.5f * p[2]});
        }
    for (int i = 0; i + 1 < rings; ++i)
        for (int k = 0; k < segments; ++k) {
            const uint16_t a = i * (segments + 1) + k, b = a + 1, c = a + segments + 1, d = c + 1;
            if (!sphere || i > 0) s.indices.insert(s.indices.end(), {a, c, b});  // not at a pole
            if (!sphere || i + 2 < rings) s.indices.insert(s.indices.end(), {b, c, d});
        }
    return s;
}

// Writes dir/name.gltf and its buffer dir/bufferName: the surface as mesh "Body", skinned to two
// bones, with one morph target; node 0 "Body" shows it skinned, node 4 "Mirror" (under node 1
// "Group") mirrored in x; an animation turns Bone1 and drives Body's morph weight.
std::string WriteSkinnedGltf(const std::string& dir, const std::string& name, const Surface& s,
                             const std::string& bufferName) {
    GltfWriter w;
    const size_t n = s.positions.size() / 3;
    const int pos = w.add(s.positions, "VEC3", 5126, n, ",\"min\":[-1,-1,-1],\"max\":[1,2,1]");
    const int nrm = w.add(s.normals, "VEC3", 5126, n);
    const int uv = w.add(s.uvs, "VEC2", 5126, n);
    const int joints = w.add(s.joints, "VEC4", 5121, n);
    const int weights = w.add(s.weights, "VEC4", 5126, n);
    const int delta = w.add(s.deltas, "VEC3", 5126, n, ",\"min\":[-0.5,0,-0.5],\"max\":[0.5,0,0.5]");
    const int idx = w.add(s.indices, "SCALAR", 5123, s.indices.size());
    const std::vector<float> ibm = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1,
                                    1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1};
    const int inverse = w.add(ibm, "MAT4", 5126, 2);
    const int times = w.add(std::vector<float>{0, 1}, "SCALAR", 5126, 2, ",\"min\":[0],\"max\":[1]");
    const int turns = w.add(std::vector<float>{0, 0, 0, 1, 0, 0, 0.7071068f, 0.7071068f}, "VEC4", 5126, 2);
    const int morphs = w.add(std::vector<float>{0, 1}, "SCALAR", 5126, 2);
    auto at = [](int i) { return std::to_string(i); };
    const std::string json =
        "{\"asset\":{\"version\":\"2.0\",\"extras\":{\"by\":\"test\"}},\"scene\":0,\"scenes\":[{\"nodes\":[0,1,2]}],"
        "\"nodes\":[{\"name\":\"Body\",\"mesh\":0,\"skin\":0,\"weights\":[0.25]},{\"name\":\"Group\",\"children\":[4]},"
        "{\"name\":\"Bone0\",\"children\":[3]},{\"name\":\"Bone1\",\"translation\":[0,1,0]},"
        "{\"name\":\"Mirror\",\"mesh\":0,\"scale\":[-1,1,1]}],"
        "\"meshes\":[{\"name\":\"Body\",\"weights\":[0.5],\"extras\":{\"targetNames\":[\"wide\"]},\"primitives\":[{"
        "\"attributes\":{\"POSITION\":" + at(pos) + ",\"NORMAL\":" + at(nrm) + ",\"TEXCOORD_0\":" + at(uv) +
        ",\"JOINTS_0\":" + at(joints) + ",\"WEIGHTS_0\":" + at(weights) + "},\"indices\":" + at(idx) +
        ",\"targets\":[{\"POSITION\":" + at(delta) + "}]}]}],"
        "\"skins\":[{\"joints\":[2,3],\"inverseBindMatrices\":" + at(inverse) + "}],"
        "\"animations\":[{\"samplers\":[{\"input\":" + at(times) + ",\"output\":" + at(turns) + "},{\"input\":" +
        at(times) + ",\"output\":" + at(morphs) + "}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":3,\"path\":"
        "\"rotation\"}},{\"sampler\":1,\"target\":{\"node\":0,\"path\":\"weights\"}}]}],"
        "\"accessors\":[" + GltfWriter::Join(w.accessors) + "],\"bufferViews\":[" + GltfWriter::Join(w.views) +
        "],\"buffers\":[{\"uri\":\"" + bufferName + "\",\"byteLength\":" + at(static_cast<int>(w.bin.size())) + "}]}";
    WriteText(dir + "/" + bufferName, w.bin);
    WriteText(dir + "/" + name + ".gltf", json);
    return dir + "/" + name + ".gltf";
}

std::vector<double> Values(const tinygltf::Model& m, int accessor) {
    std::vector<double> values;
    int components = 0;
    wb::detail::ReadGltfAccessor(m, accessor, &values, &components);
    return values;
}

int MeshNamed(const tinygltf::Model& m, const std::string& name) {
    for (size_t i = 0; i < m.meshes.size(); ++i)
        if (m.meshes[i].name == name) return static_cast<int>(i);
    return -1;
}

// Edges of the mesh's triangles (by place, to a thousandth) used by other than two triangles.
int OpenEdges(const tinygltf::Model& m, const tinygltf::Mesh& mesh) {
    std::map<std::pair<std::string, std::string>, int> edges;
    for (const tinygltf::Primitive& p : mesh.primitives) {
        const std::vector<double> pos = Values(m, p.attributes.at("POSITION")), idx = Values(m, p.indices);
        auto place = [&](double i) {
            const size_t v = static_cast<size_t>(i) * 3;
            std::string text;
            for (int k = 0; k < 3; ++k) text += std::to_string(llround(pos[v + k] * 1000)) + " ";
            return text;
        };
        for (size_t t = 0; t + 2 < idx.size(); t += 3)
            for (int e = 0; e < 3; ++e) {
                std::string a = place(idx[t + e]), b = place(idx[t + (e + 1) % 3]);
                if (a > b) std::swap(a, b);
                ++edges[{a, b}];
            }
    }
    int open = 0;
    for (const auto& edge : edges) open += edge.second != 2;
    return open;
}

tinygltf::Model ReadBack(const std::string& path) {
    tinygltf::Model m;
    std::string warnings, error;
    EXPECT_TRUE(wb::detail::ReadGltfDocument(path, false, &m, &warnings, &error)) << error;
    return m;
}

}  // namespace

TEST(BakerGltf, ShellsOfASkinnedMorphedModelMoveWithItAndTheRestIsKept) {
    ASSERT_TRUE(testhost::BindWorkbenchHost());
    const std::string dir = NewFolder();
    const std::string input = WriteSkinnedGltf(dir, "body", MakeSurface(5, 8, false), "body.bin");
    const tinygltf::Model in = ReadBack(input);
    const baker::BakeResult r = baker::BakeScene(baker::Options(), input, dir + "/out.glb");
    ASSERT_EQ(r.code, 0) << r.error;
    const tinygltf::Model out = ReadBack(dir + "/out.glb");

    // Everything of the input is there as it was; one shell node beside each node of the mesh.
    ASSERT_EQ(out.nodes.size(), in.nodes.size() + 2);
    for (size_t i = 0; i < in.nodes.size(); ++i) EXPECT_EQ(out.nodes[i].name, in.nodes[i].name);
    EXPECT_EQ(out.skins.size(), 1u);
    EXPECT_EQ(out.skins[0].joints, in.skins[0].joints);
    EXPECT_EQ(out.asset.extras.Get("by").Get<std::string>(), "test");
    EXPECT_EQ(Values(out, out.meshes[0].primitives[0].attributes.at("NORMAL")),
              Values(in, in.meshes[0].primitives[0].attributes.at("NORMAL")));  // the model's own, as read
    const tinygltf::Node& body = out.nodes[5];
    const tinygltf::Node& mirror = out.nodes[6];
    EXPECT_EQ(body.name, "Body shell");
    EXPECT_EQ(body.skin, 0);
    EXPECT_EQ(body.weights, std::vector<double>{0.25});
    EXPECT_NE(std::find(out.scenes[0].nodes.begin(), out.scenes[0].nodes.end(), 5), out.scenes[0].nodes.end());
    // The mirrored node's shell sits under the same parent with the same transform.
    EXPECT_EQ(mirror.name, "Mirror shell");
    EXPECT_EQ(mirror.scale, (std::vector<double>{-1, 1, 1}));
    EXPECT_EQ(out.nodes[1].children, (std::vector<int>{4, 6}));
    // The morph weights' channel drives the shell too (and the bone's stays as it was).
    ASSERT_EQ(out.animations[0].channels.size(), 3u);
    EXPECT_EQ(out.animations[0].channels[2].target_node, 5);
    EXPECT_EQ(out.animations[0].channels[2].target_path, "weights");
    EXPECT_EQ(out.animations[0].channels[2].sampler, 1);

    // Each shell vertex has the skin weights and the morph delta of the vertex it was pushed from:
    // at its height, along its radial direction (a neighbour's is 0.15 away).
    const int shellMesh = MeshNamed(out, "Body shell");
    ASSERT_GE(shellMesh, 0);
    EXPECT_EQ(out.nodes[5].mesh, shellMesh);
    EXPECT_EQ(out.meshes[shellMesh].weights, std::vector<double>{0.5});
    ASSERT_EQ(out.meshes[shellMesh].primitives.size(), 1u);
    const tinygltf::Primitive& p = out.meshes[shellMesh].primitives[0];
    const std::vector<double> pos = Values(out, p.attributes.at("POSITION")), joints = Values(out, p.attributes.at("JOINTS_0")),
                              weights = Values(out, p.attributes.at("WEIGHTS_0"));
    ASSERT_EQ(p.targets.size(), 1u);
    const std::vector<double> delta = Values(out, p.targets[0].at("POSITION"));
    ASSERT_GT(pos.size(), 0u);
    for (size_t v = 0; v < pos.size() / 3; ++v) {
        const double x = pos[v * 3], y = pos[v * 3 + 1], z = pos[v * 3 + 2], r = std::hypot(x, z);
        EXPECT_NEAR(weights[v * 4 + 1], y / 2, 1e-4) << "vertex " << v;
        EXPECT_EQ(joints[v * 4 + 1], 1);
        EXPECT_NEAR(delta[v * 3], 0.5 * x / r, 0.02) << "vertex " << v;
        EXPECT_NEAR(delta[v * 3 + 2], 0.5 * z / r, 0.02) << "vertex " << v;
    }
    EXPECT_EQ(p.attributes.count("TEXCOORD_0"), 0u);  // the black shell shows no texture
    ASSERT_GE(p.material, 0);
    EXPECT_EQ(out.materials[p.material].name, "Puffshell black");
    EXPECT_FALSE(out.materials[p.material].doubleSided);
}

TEST(BakerGltf, ASplitSeamSphereGetsAClosedShellUnlessWeldingIsOff) {
    ASSERT_TRUE(testhost::BindWorkbenchHost());
    const std::string dir = NewFolder();
    const std::string input = WriteSkinnedGltf(dir, "ball", MakeSurface(7, 12, true), "ball.bin");
    ASSERT_EQ(OpenEdges(ReadBack(input), ReadBack(input).meshes[0]), 0);
    for (const int weld : {-1, 0}) {
        baker::Options options;
        options.weld = weld;
        const baker::BakeResult r = baker::BakeScene(options, input, dir + "/out.gltf");
        ASSERT_EQ(r.code, 0) << r.error;
        const tinygltf::Model out = ReadBack(dir + "/out.gltf");
        const int shell = MeshNamed(out, "Body shell");
        ASSERT_GE(shell, 0);
        if (weld) EXPECT_EQ(OpenEdges(out, out.meshes[shell]), 0);
        else EXPECT_GT(OpenEdges(out, out.meshes[shell]), 0);
    }
}

TEST(BakerGltf, TheAddAndReplaceFreezesPlaceTheShellInTheSourceMesh) {
    ASSERT_TRUE(testhost::BindWorkbenchHost());
    const std::string dir = NewFolder();
    const std::string input = WriteSkinnedGltf(dir, "body", MakeSurface(3, 6, false), "body.bin");
    for (const baker::FreezeMode mode : {baker::FreezeMode::Add, baker::FreezeMode::Replace}) {
        baker::Options options;
        options.freeze = mode;
        options.repeat = 2;
        const baker::BakeResult r = baker::BakeScene(options, input, dir + "/out.glb");
        ASSERT_EQ(r.code, 0) << r.error;
        const tinygltf::Model out = ReadBack(dir + "/out.glb");
        EXPECT_EQ(out.nodes.size(), 5u);
        EXPECT_EQ(out.meshes.size(), 1u);
        const std::vector<tinygltf::Primitive>& p = out.meshes[0].primitives;
        ASSERT_EQ(p.size(), mode == baker::FreezeMode::Add ? 2u : 1u);
        EXPECT_EQ(p.back().targets.size(), 1u);
        // Two layers of the 24 triangles.
        EXPECT_EQ(Values(out, p.back().indices).size(), 2u * 24 * 3);
    }
}

TEST(BakerFiles, AnOutputNamedAsAGltfBufferFileIsRefused) {
    const std::string dir = NewFolder();
    const std::string input = WriteSkinnedGltf(dir, "body", MakeSurface(3, 6, false), "data.glb");
    const std::string before = ReadText(dir + "/data.glb");
    const Ran run = Puffshell({input, "-o", dir + "/data.glb"});
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("is an input"), std::string::npos) << run.err;
    EXPECT_EQ(ReadText(dir + "/data.glb"), before);
}

TEST(BakerGltf, AViewPastItsBufferIsRefusedNotFilledWithTheShell) {
    const std::string dir = NewFolder();
    const std::string input = WriteSkinnedGltf(dir, "body", MakeSurface(3, 6, false), "body.bin");
    std::string json = ReadText(input);
    const size_t views = json.find("\"bufferViews\":[");
    ASSERT_NE(views, std::string::npos);
    json.insert(json.find(']', views), ",{\"buffer\":0,\"byteOffset\":0,\"byteLength\":99999999}");
    WriteText(input, json);
    const Ran run = Puffshell({input, "-o", dir + "/out.glb"});
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_NE(run.err.find("outside its buffer"), std::string::npos) << run.err;
    EXPECT_EQ(Entries(dir).size(), 2u);  // body.gltf and body.bin only
}

TEST(BakerGltf, ObjectsChoosesGltfNodesByTheirOwnName) {
    ASSERT_TRUE(testhost::BindWorkbenchHost());
    const std::string dir = NewFolder();
    const std::string input = WriteSkinnedGltf(dir, "body", MakeSurface(3, 6, false), "body.bin");
    baker::Options options;
    options.objects = {"Mir*"};  // the node, not its mesh "Body"
    const baker::BakeResult r = baker::BakeScene(options, input, dir + "/out.glb");
    ASSERT_EQ(r.code, 0) << r.error;
    const tinygltf::Model out = ReadBack(dir + "/out.glb");
    ASSERT_EQ(out.nodes.size(), 6u);
    EXPECT_EQ(out.nodes[5].name, "Mirror shell");
    EXPECT_EQ(out.animations[0].channels.size(), 2u);  // Body's channel has no twin
}
