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

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "baker/BakeScene.h"
#include "tests/support/TestHost.h"
#include "workbench/common/BesideThisProgram.h"

namespace {

std::string NewFolder() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/bakerXXXXXX";
    return mkdtemp(&pattern[0]) ? pattern : std::string();
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

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
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
