// The workbench program's command line: option values checked before anything runs, and every
// bad input (option, scene file, image) answered with a message naming it and exit code 2 by
// workbench.exe itself, run as a child process.
#include <gtest/gtest.h>

#include <stdio.h>

#include "tests/demo/DemoTestUtil.h"
#include "workbench/app/CommandLine.h"

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
                     "7", "--height-map", "h.bmp", "--freeze", "quick", "--out", "pics", "--size",
                     "320x200", "--interactive"},
                    &o, &error),
              ParseResult::Run)
        << error;
    EXPECT_EQ(o.scene, "a.obj");
    EXPECT_EQ(o.preset, Preset::ColourTrace);
    EXPECT_TRUE(o.hasDistance);
    EXPECT_FLOAT_EQ(o.distance, -0.5f);
    EXPECT_EQ(o.repeat, 7);
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
        {"--distance", "2cm"},     {"--repeat", "0"},      {"--repeat", "101"},
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
}

// workbench.exe itself: exit code 2 and a message naming what was wrong.
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
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunWorkbenchExe(c.arguments + out);
        EXPECT_EQ(run.exitCode, 2u) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.named), std::string::npos) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find("workbench: "), std::string::npos) << run.output;
    }
}

TEST(CommandLineErrors, HelpPrintsTheUsage) {
    const ProgramRun run = RunWorkbenchExe("--help");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_NE(run.output.find("--height-map"), std::string::npos) << run.output;
}

}  // namespace
