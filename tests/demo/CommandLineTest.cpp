// The workbench program's command line: option values checked before anything runs, and every
// bad input (option, scene file, image) answered with a message naming it and exit
// code 2 by workbench.exe itself, run as a child process; a failed run leaves no files, and what
// the program prints names files as they were given, in the terminal's encoding.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include <windows.h>

#include "tests/demo/DemoTestUtil.h"
#include "tests/support/TestHost.h"
#include "workbench/app/CommandLine.h"
#include "workbench/app/DemoScript.h"
#include "workbench/app/OutputFolder.h"
#include "workbench/io/FileAccess.h"
#include "workbench/render/Render.h"
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
    ASSERT_EQ(Parse({"--scene", "a.obj", "--preset", "colour-trace", "--distance", "-0.5",
                     "--repeat", "1000", "--height-map", "h.bmp", "--freeze", "quick", "--out",
                     "pics", "--size", "320x200", "--weld"},
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
    EXPECT_TRUE(o.weld);
    ASSERT_EQ(Parse({"--interactive"}, &o, &error), ParseResult::Run);
    EXPECT_TRUE(o.interactive);

    Options defaults;
    ASSERT_EQ(Parse({}, &defaults, &error), ParseResult::Run);
    EXPECT_TRUE(defaults.scene.empty());
    EXPECT_EQ(defaults.preset, Preset::None);
    EXPECT_FALSE(defaults.hasDistance);
    EXPECT_EQ(defaults.freeze, FreezeMode::New);
    EXPECT_EQ(defaults.width, 640);
    EXPECT_FALSE(defaults.weld);
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
        {"--freeze", "new", "--interactive"},  // the view freezes only with the panel's buttons
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

// Paths here are UTF-8, as the workbench's own.
bool Exists(const std::string& path) { return wb::IsRegularFile(path) || wb::IsFolder(path); }

std::string ReadText(const std::string& path) {
    std::string text;
    wb::ReadWholeFile(path, 1u << 30, &text);
    return text;
}

bool WriteText(const std::string& path, const std::string& text) {
    FILE* file = wb::OpenFile(path, "wb");
    if (!file) return false;
    const bool written = fwrite(text.data(), 1, text.size(), file) == text.size();
    return fclose(file) == 0 && written;
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
    ASSERT_TRUE(WriteText(folder + "\\scene.glb", std::string("glTF\x02\0\0\0", 8)));

    const struct {
        std::string arguments;
        std::string named;
    } cases[] = {
        {"--size 0x480", "--size"},
        {"--preset sideways", "--preset"},
        {"--scene \"" + folder + "\\missing.obj\"", "missing.obj"},
        {"--scene \"" + folder + "\\scene.glb\"", "scene.glb: not an OBJ file (a glTF scene)"},
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

// A scene whose folder, file, library, texture, object and material are all named in characters
// code page 932 lacks, written to an output folder and a glb of such names: the command line and
// every file are used as given, the texture reaches the plug-in's colour trace, the summary names
// the scene in UTF-8 (the terminal's encoding under Wine, and no Windows form of a Unix path), and
// frozen.obj, frozen.mtl and the glb keep every name, the shell's too.
TEST(CommandLineOutput, NamesAndPathsInAnyScriptAreUsedAsGiven) {
    // (Kept out of the test macros, which would quote them in code page 932.)
    const std::string folder = FreshFolder("shown_names") + u8"\\scènes ñ";
    const std::string library = folder + u8"\\matériau.mtl",
                      scene = folder + u8"\\latin1 scène.obj";
    const std::string texture = u8"café tex.png", object = u8"Café Ñandú",
                      material = u8"Vert_Coloré";
    const std::string out = folder + u8"\\out\\résumé😀", glbPath = folder + u8"\\naïve.glb";
    ASSERT_TRUE(CreateDirectoryW(wb::WideFromUtf8(folder).c_str(), nullptr));
    WriteSphereObj(folder + u8"\\matériau.obj", texture.c_str());
    std::string sphere = ReadText(folder + u8"\\matériau.obj"), mtl = ReadText(library);
    for (auto edit :
         {std::make_pair(&sphere, "o sphere\n"), std::make_pair(&sphere, "usemtl skin\n"),
          std::make_pair(&mtl, "newmtl skin\n")}) {
        const size_t at = edit.first->find(edit.second);
        ASSERT_NE(at, std::string::npos) << edit.second;
        const std::string keyword =
            std::string(edit.second).substr(0, strcspn(edit.second, " ") + 1);
        edit.first->replace(at, strlen(edit.second),
                            keyword + (keyword == "o " ? object : material) + "\n");
    }
    ASSERT_TRUE(WriteText(scene, sphere));
    ASSERT_TRUE(WriteText(library, mtl));
    std::vector<uint8_t> red(16 * 16 * 4, 0);
    for (size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
    ASSERT_TRUE(WritePng((folder + "\\" + texture).c_str(), 16, 16, red));

    const ProgramRun run =
        RunWorkbenchExe("--scene \"" + scene + "\" --preset colour-trace --size 64x48 --out \"" +
                        out + "\" --save \"" + glbPath + "\"");
    const std::string summary = scene.substr(folder.size() + 1) + ": 1 objects";
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find(summary), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Z:\\"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("not found"), std::string::npos) << run.output;  // library, texture
    EXPECT_GT(CountForeground(ReadPng(out + "\\colour_trace.png")), 0);
    EXPECT_TRUE(Exists(out + "\\" + texture));
    const std::string frozen = ReadText(out + "\\frozen.obj"),
                      frozenMtl = ReadText(out + "\\frozen.mtl");
    const std::string saved = object;  // names are the rest of their line, spaces and all
    for (const std::string& line :
         {"o " + saved + "\n", "o " + saved + " shell\n", "usemtl " + material + "\n"})
        EXPECT_NE(frozen.find(line), std::string::npos) << line;
    for (const std::string& line : {"newmtl " + material + "\n", "map_Kd " + texture + "\n"})
        EXPECT_NE(frozenMtl.find(line), std::string::npos) << line << frozenMtl;
    // The traced colours are the red texture's, at half brightness: "v x y z r g b".
    int32_t traced = 0;
    for (size_t at = frozen.find("\nv "); at != std::string::npos;
         at = frozen.find("\nv ", at + 1)) {
        float p[3], c[3] = {0, 0, 0};
        if (sscanf(frozen.c_str() + at, " v %f %f %f %f %f %f", &p[0], &p[1], &p[2], &c[0], &c[1],
                   &c[2]) == 6)
            traced += fabsf(c[0] - 0.5f) < 0.01f && c[1] == 0.0f && c[2] == 0.0f;
    }
    EXPECT_GT(traced, 0) << "the plug-in read no colour from the texture";
    const std::string glb = ReadText(glbPath);
    for (const std::string& name : {saved + " shell", material, texture})  // as in frozen.obj
        EXPECT_NE(glb.find("\"" + name + "\""), std::string::npos) << name;
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

// The panel keeps two decimals of a distance: a distance it changes is said so, and so is a
// loaded scene so small that a fortieth of it becomes a push far larger than the scene.
TEST(CommandLineOutput, DistancesThePanelRoundsAreSaidSo) {
    const std::string folder = FreshFolder("rounded");
    workbench::Options options = SmallRun(folder + "\\out");
    options.preset = workbench::Preset::BlackFrame;
    options.hasDistance = true;
    options.distance = 0.001f;
    workbench::RunReport report;
    EXPECT_EQ(workbench::RunWorkbench(options, &report), workbench::kExitOk) << report.error;
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_EQ(report.warnings[0],
              "--distance 0.001 is kept as 0.00 by the panel, which keeps two decimals");
    options.distance = 0.25f;  // kept as given
    EXPECT_EQ(workbench::RunWorkbench(options, &report), workbench::kExitOk) << report.error;
    EXPECT_TRUE(report.warnings.empty()) << report.warnings[0];

    const std::string tiny = folder + "\\tiny.obj";  // 1e-5 across
    FILE* file = fopen(tiny.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fputs("v 0 0 0\nv 0.00001 0 0\nv 0 0.00001 0\nf 1 2 3\n", file);
    fclose(file);
    options.hasDistance = false;
    options.scene = tiny;
    EXPECT_EQ(workbench::RunWorkbench(options, &report), workbench::kExitOk) << report.error;
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_NE(report.warnings[0].find("is kept as 0.01"), std::string::npos) << report.warnings[0];
    EXPECT_NE(report.warnings[0].find("scale the scene up"), std::string::npos)
        << report.warnings[0];
}

// A second workbench.exe into a folder that a run holds (here this process, into a folder named
// outside code page 932) stops at once with exit code 2, naming the folder; once the first is
// over, the folder is free again and as it was.
TEST(OutputFolders, ASecondRunIntoABusyFolderStopsAtOnce) {
    const std::string out = FreshFolder("busy") + u8"\\über\\並行";
    OutputFolder first;
    std::string error;
    ASSERT_TRUE(OpenOutputFolder(out, &first, &error)) << error;
    EXPECT_TRUE(Exists(out + "\\.workbench-busy")) << "the lock is in the folder itself";
    const ProgramRun second = RunWorkbenchExe("--preset reset --size 16x16 --out \"" + out + "\"");
    EXPECT_EQ(second.exitCode, 2u) << second.output;
    EXPECT_NE(second.output.find(u8"並行: another workbench run"), std::string::npos) << second.output;
    DiscardOutputFolder(&first);
    EXPECT_FALSE(Exists(out));
    OutputFolder next;
    EXPECT_TRUE(OpenOutputFolder(out, &next, &error)) << error;
    DiscardOutputFolder(&next);
}

// A run removes the folders that runs which did not end left in --out, and only those: of the
// run folder's own form, their lock free.
TEST(OutputFolders, OnlyAbandonedRunFoldersAreRemoved) {
    const std::string out = FreshFolder("abandoned");
    const std::string abandoned = out + "\\.workbench-run-32-00c0ffee", alike = out + "\\.workbench-run-notes";
    ASSERT_TRUE(CreateDirectoryA(abandoned.c_str(), nullptr) && CreateDirectoryA(alike.c_str(), nullptr));
    OutputFolder folder;
    std::string error;
    ASSERT_TRUE(OpenOutputFolder(out, &folder, &error)) << error;
    EXPECT_FALSE(Exists(abandoned));
    EXPECT_TRUE(Exists(alike));
    DiscardOutputFolder(&folder);
}

// What a run must not write, refused with exit code 2 before any work and both names said: a name
// that the system takes for another (case, trailing dots, devices), a --out too long for the
// plug-in's dialogs, an output that is the run's input. The files stay as they were.
TEST(OutputFolders, OutputsThatWouldReplaceOtherFilesAreRefused) {
    const std::string folder = FreshFolder("spelling");
    ASSERT_TRUE(CreateDirectoryA((folder + "\\same").c_str(), nullptr));
    ASSERT_TRUE(WriteText(folder + "\\hero.glb", "theirs"));
    WriteSphereObj(folder + "\\frozen.obj", nullptr);
    const std::string scene = ReadText(folder + "\\frozen.obj");
    const struct {
        std::string out, save, scene;
        std::string said;
    } cases[] = {
        {folder + "\\SAME", "", "", "\"SAME\" is the existing \"same\""},
        {folder + "\\out", folder + "\\Hero.glb", "", "\"Hero.glb\" is the existing \"hero.glb\""},
        {folder + "\\nul", "", "", "\"nul\" is the name of a device"},
        {folder + "\\new. ", "", "", "would make it \"new\""},
        {folder + "\\" + std::string(200, 'a'), "", "", "characters long"},
        {folder, "", folder + "\\frozen.obj", "--scene " + folder + "\\frozen.obj is also the run's output"},
        {folder + "\\out", folder + "\\FROZEN.obj.glb", folder + "\\frozen.obj.glb", "is also the run's output"},
    };
    for (const auto& c : cases) {
        Options options = SmallRun(c.out);
        options.save = c.save;
        options.scene = c.scene;
        RunReport report;
        EXPECT_EQ(RunWorkbench(options, &report), kExitBadInput) << c.out;
        EXPECT_NE(report.error.find(c.said), std::string::npos) << report.error;
    }
    EXPECT_EQ(ReadText(folder + "\\hero.glb"), "theirs");
    EXPECT_EQ(ReadText(folder + "\\frozen.obj"), scene);
    EXPECT_FALSE(Exists(folder + "\\out"));
    EXPECT_FALSE(Exists(folder + "\\new"));
}

// A commit that cannot put every file in place (a folder where panel.png goes) changes none.
TEST(OutputFolders, ACommitThatCannotFinishReplacesNothing) {
    const std::string out = FreshFolder("blocked");
    ASSERT_TRUE(WriteText(out + "\\before.png", "earlier"));
    ASSERT_TRUE(CreateDirectoryA((out + "\\panel.png").c_str(), nullptr));
    Options options = SmallRun(out);
    options.preset = Preset::Reset;
    RunReport report;
    EXPECT_EQ(RunWorkbench(options, &report), kExitFailed);
    EXPECT_NE(report.error.find("panel.png: cannot be written"), std::string::npos) << report.error;
    EXPECT_EQ(ReadText(out + "\\before.png"), "earlier");
    EXPECT_FALSE(Exists(out + "\\frozen.obj"));
}

TEST(CommandLineErrors, HelpPrintsTheUsage) {
    const ProgramRun run = RunWorkbenchExe("--help");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.output.find("--height-map"), std::string::npos) << run.output;
}

}  // namespace
