// The workbench program's command line: option values checked before anything runs, and every
// bad input (option, scene file, image) answered with a message naming it and exit
// code 2 by workbench.exe itself, run as a child process; a failed run leaves no files, and what
// the program prints names files as they were given, in the terminal's encoding.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <new>

#include <windows.h>

#include "tests/demo/DemoTestUtil.h"
#include "tests/support/TestHost.h"
#include "workbench/app/CommandLine.h"
#include "workbench/app/DemoScript.h"
#include "workbench/common/RemoveFolder.h"

// (GCC takes the replaced operators' malloc and free for a mismatch with new and delete.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Memory that runs out: while set, an allocation of more bytes than this in the test program
// (the workbench's own code, run in-process) fails as it does in a full 32-bit process.
static size_t g_failAllocationsAbove = 0;

void* operator new(size_t size) {
    if (g_failAllocationsAbove && size > g_failAllocationsAbove) throw std::bad_alloc();
    if (void* block = malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }

using namespace demotest;
using namespace workbench;

namespace {

ParseResult Parse(std::vector<const char*> args, Options* options, std::string* error) {
    args.insert(args.begin(), "workbench");
    return ParseCommandLine(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(CommandLine, EveryOptionIsRead) {
    Options o;
    std::string error;
    ASSERT_EQ(Parse({"--scene", "a.obj", "--preset", "colour-trace", "--distance", "-0.5", "--repeat",
                     "1000", "--height-map", "h.bmp", "--freeze", "quick", "--out", "pics", "--size",
                     "320x200", "--interactive"},
                    &o, &error),
              ParseResult::Run)
        << error;
    EXPECT_EQ(o.scene, "a.obj");
    EXPECT_EQ(o.preset, Preset::ColourTrace);
    EXPECT_TRUE(o.hasDistance);
    EXPECT_FLOAT_EQ(o.distance, -0.5f);
    EXPECT_EQ(o.repeat, 1000);  // the panel's own limit
    EXPECT_EQ(o.heightMap, "h.bmp");
    EXPECT_EQ(o.freeze, FreezeMode::Quick);
    EXPECT_EQ(o.out, "pics");
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 200);
    EXPECT_TRUE(o.interactive);

    Options defaults;
    ASSERT_EQ(Parse({}, &defaults, &error), ParseResult::Run);
    EXPECT_TRUE(defaults.scene.empty());
    EXPECT_EQ(defaults.preset, Preset::None);
    EXPECT_FALSE(defaults.hasDistance);
    EXPECT_EQ(defaults.freeze, FreezeMode::New);
    EXPECT_EQ(defaults.width, 640);
    EXPECT_EQ(Parse({"--size", "64x48", "--help"}, &defaults, &error), ParseResult::Help);
}

TEST(CommandLine, BadValuesNameTheOption) {
    const std::vector<std::vector<const char*>> bad = {
        {"--preset", "outline"},   {"--preset"},           {"--freeze", "later"},
        {"--distance", "far"},     {"--distance", "1e9"},  {"--distance", "nan"},
        {"--distance", "2cm"},     {"--distance", "0x10"}, {"--distance", "inf"},
        {"--repeat", "0"},         {"--repeat", "1001"},   {"--repeat", "0x10"},
        {"--repeat", "2.5"},       {"--size", "640"},      {"--size", "8x8"},
        {"--size", "640x480x3"},   {"--size", "x480"},     {"--scene", ""},
        {"--colour", "red"},       {"extra"},
    };
    for (const auto& args : bad) {
        Options o;
        std::string error;
        EXPECT_EQ(Parse(args, &o, &error), ParseResult::Error) << args[0];
        const std::string named = args[0];
        EXPECT_NE(error.find(named), std::string::npos) << "\"" << error << "\" does not name " << named;
    }
    // A forgotten value is not taken from the next option.
    Options o;
    std::string error;
    EXPECT_EQ(Parse({"--scene", "--out", "DIR"}, &o, &error), ParseResult::Error);
    EXPECT_EQ(error, "--scene needs a value");
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadText(const std::string& path) {
    std::string text;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
    fclose(file);
    return text;
}

// workbench.exe itself: exit code 2 and a message naming what was wrong; the output folder it
// would have made is not there.
TEST(CommandLineErrors, BadInputEndsWithExitCode2AndNamesIt) {
    const std::string folder = FreshFolder("errors");
    const std::string out = " --out \"" + folder + "\\out\"";
    const std::string notImage = folder + "\\not_an_image.bmp";
    FILE* text = fopen(notImage.c_str(), "wb");
    ASSERT_NE(text, nullptr);
    fputs("this is text, not a bitmap\n", text);
    fclose(text);

    const struct {
        std::string arguments;
        std::string named;
    } cases[] = {
        {"--size 0x480", "--size"},
        {"--preset sideways", "--preset"},
        {"--scene \"" + folder + "\\missing.obj\"", "missing.obj"},
        {"--scene /usr/share/assimp/models/invalid/malformed.obj", "malformed.obj"},
        {"--scene /usr/share/assimp/models/invalid/empty.obj", "empty.obj"},
        {"--height-map \"" + notImage + "\"", "not_an_image.bmp"},
        {"--scene /dev/zero", "/dev/zero: is not a regular file"},
        // Found before the work, not after it: the glb's folder would have to be a file.
        {"--save \"" + notImage + "\\x.glb\"", "x.glb: its folder cannot be created"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunWorkbenchExe(c.arguments + out);
        EXPECT_EQ(run.exitCode, 2u) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.named), std::string::npos) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find("workbench: "), std::string::npos) << run.output;
        EXPECT_FALSE(Exists(folder + "\\out")) << c.arguments << ": a failed run leaves no files";
    }
    // A failure after the default scene's images were made (the plug-in does not load).
    const ProgramRun run = RunWorkbenchExe("--plugin \"" + notImage + "\"" + out);
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_FALSE(Exists(folder + "\\out")) << run.output;
}

// A scene with Japanese names, file and object, in UTF-8: the summary names both as given, in
// UTF-8 (the terminal's encoding under Wine), and no path shows up as Wine's Windows form of a
// Unix path; the frozen shell keeps the object's name in frozen.obj (UTF-8, as the scene) and in
// the glb.
TEST(CommandLineOutput, NamesAreShownInTheTerminalsEncodingAndKeptInTheFiles) {
    const std::string folder = FreshFolder("shown_names");
    const std::string utf8Name = "\xE7\x90\x83\xE4\xBD\x93.obj";  // 球体.obj
    wchar_t wide[64] = L"";
    char ansi[64] = "";
    MultiByteToWideChar(CP_UTF8, 0, utf8Name.c_str(), -1, wide, 64);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, nullptr);
    const std::string scene = folder + "\\" + ansi;
    WriteSphereObj(scene, nullptr);
    // The whole file in UTF-8: its material library's name (球体.mtl) and the object's.
    std::string sphere = ReadText(scene);
    const size_t name = sphere.find("o sphere\n");
    ASSERT_NE(name, std::string::npos);
    sphere.replace(0, name + 9, "mtllib " + utf8Name.substr(0, utf8Name.size() - 3) + u8"mtl\no 立方体\n");
    FILE* file = fopen(scene.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs(sphere.c_str(), file);
    fclose(file);
    const ProgramRun run = RunWorkbenchExe("--scene \"" + scene + "\" --preset black-frame --size 64x48 --out \"" +
                                           folder + "\\out\" --save \"" + folder + "\\names.glb\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find(utf8Name + ": 1 objects"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(u8"\"立方体\" selected"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Z:\\"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("warning"), std::string::npos) << run.output;  // the library is found
    EXPECT_TRUE(Exists(folder + "\\out\\black_frame.png"));
    EXPECT_NE(ReadText(folder + "\\out\\frozen.obj").find(u8"o 立方体_shell\n"), std::string::npos);
    EXPECT_NE(ReadText(folder + "\\names.glb").find(u8"\"立方体 shell\""), std::string::npos);
}

// Memory running out in the middle of a run (here the picture's samples, 800 MB at 4096 x 4096)
// ends it with a message naming the step, exit code 1 and no files: never std::terminate.
TEST(CommandLineErrors, OutOfMemoryEndsTheRunWithAMessageAndNoFiles) {
    const std::string folder = FreshFolder("out_of_memory");
    workbench::Options options = SmallRun(folder + "\\out");
    options.preset = workbench::Preset::BlackFrame;
    options.width = options.height = 4096;
    workbench::RunReport report;
    g_failAllocationsAbove = 256u << 20;
    const int code = workbench::RunWorkbench(options, &report);
    g_failAllocationsAbove = 0;
    EXPECT_EQ(code, workbench::kExitFailed);
    EXPECT_NE(report.error.find("out of memory while drawing before.png"), std::string::npos) << report.error;
    EXPECT_FALSE(Exists(folder + "\\out")) << "a failed run leaves no files";
}

// A process with 8 MB left above the plug-in's safety margin of 256 MB.
BOOL WINAPI LittleMemoryLeft(MEMORYSTATUSEX* status) {
    if (!GlobalMemoryStatusEx(status)) return FALSE;
    status->ullAvailVirtual = status->ullAvailPhys = 264ull << 20;
    return TRUE;
}

// The plug-in builds the layers that fit and refuses a freeze that does not: the run says both,
// and the refusal ends it with exit code 1, the object and the step named, and no files.
TEST(CommandLineErrors, AFreezeThatDoesNotFitEndsTheRunAndNamesTheObject) {
    const std::string folder = FreshFolder("freeze_does_not_fit");
    // The run loads this very module again, with its memory figure replaced.
    HMODULE plugin = LoadLibraryA(workbench::DefaultPluginPath().c_str());
    ASSERT_NE(plugin, nullptr);
    ASSERT_NE(testhost::ReplaceImport(plugin, "GlobalMemoryStatusEx",
                                      reinterpret_cast<void*>(&LittleMemoryLeft)),
              nullptr);
    workbench::Options options = SmallRun(folder + "\\out");
    options.preset = workbench::Preset::Blur;
    options.repeat = 20;
    workbench::RunReport report;
    const int code = workbench::RunWorkbench(options, &report);
    FreeLibrary(plugin);
    EXPECT_EQ(code, workbench::kExitFailed);
    ASSERT_EQ(report.pictures.size(), 2u);
    EXPECT_EQ(report.pictures[1].layersAsked, 40);
    EXPECT_LT(report.pictures[1].layers, 40);
    EXPECT_NE(report.error.find("freezing the shell of torus: the plug-in froze nothing"),
              std::string::npos)
        << report.error;
    EXPECT_FALSE(Exists(folder + "\\out")) << "a failed run leaves no files";
}

// Starts a Unix program under Wine on paths of this program's (converted to Unix paths). Wine
// does not say when it ends: the caller waits for its effect. False where that cannot be done
// (not under Wine).
bool RunUnixProgram(std::string command, const std::vector<std::string>& paths) {
    typedef char*(CDECL * UnixName)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return false;
    for (const std::string& path : paths) {
        wchar_t wide[MAX_PATH] = L"";
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        char* name = unixName(wide);
        if (!name) return false;
        command += " \"" + std::string(name) + "\"";
        HeapFree(GetProcessHeap(), 0, name);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool IsLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Waits up to five seconds for path to become a link.
bool WaitForLink(const std::string& path) {
    for (int tries = 0; tries < 50; ++tries, Sleep(100))
        if (IsLink(path)) return true;
    return false;
}

// Removing a run's folder never empties a folder that a link in it (or the folder itself, when
// it is a link) points to. The links are Windows' own, or under Wine (which makes none and
// cannot remove one) Unix links made and removed by ln and rm.
TEST(OutputFolders, RemovingAFolderLeavesWhatItsLinksPointTo) {
    const std::string folder = FreshFolder("links");
    const std::string kept = folder + "\\kept", doomed = folder + "\\doomed";
    const std::string inner = doomed + "\\link", top = folder + "\\top";
    ASSERT_TRUE(CreateDirectoryA(kept.c_str(), nullptr) &&
                CreateDirectoryA(doomed.c_str(), nullptr));
    FILE* file = fopen((kept + "\\precious.txt").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fclose(file);
    for (const std::string& link : {inner, top}) {
        const bool made =
            (CreateSymbolicLinkA(link.c_str(), kept.c_str(),
                                 SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* unprivileged */) &&
             IsLink(link)) ||
            (RunUnixProgram("/bin/ln -s", {kept, link}) && WaitForLink(link));
        if (!made) GTEST_SKIP() << "no symbolic link can be made here";
    }
    common::RemoveFolder(top);
    common::RemoveFolder(doomed);
    EXPECT_TRUE(Exists(kept + "\\precious.txt"));
    RunUnixProgram("/bin/rm -f", {inner, top});  // Wine's links; Windows removed its own
    for (int tries = 0; tries < 50 && Exists(folder); ++tries, Sleep(100))
        common::RemoveFolder(folder);
}

TEST(CommandLineErrors, HelpPrintsTheUsage) {
    const ProgramRun run = RunWorkbenchExe("--help");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.output.find("--height-map"), std::string::npos) << run.output;
}

}  // namespace
