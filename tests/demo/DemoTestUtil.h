// Helpers of the workbench program's tests: scratch folders, small OBJ scenes written on the fly,
// the program's pictures read back, and workbench.exe run as a child process.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "tests/render/RenderScenes.h"
#include "workbench/app/CommandLine.h"

namespace demotest {

// An empty folder of its own under the system temp folder (emptied if it exists).
std::string FreshFolder(const char* name);

// A UV sphere of radius 10 around the origin as an OBJ file at path (UTF-8, as textureFile): 16
// segments, 10 rings, UVs, polygons counter-clockwise seen from outside. With textureFile it also
// writes an MTL whose one material shows that texture (a file name beside the OBJ), else a plain
// grey material.
void WriteSphereObj(const std::string& path, const char* textureFile);
constexpr int32_t kSphereFaces = 16 * 10;

// A PNG file read back as a picture; empty (0 x 0) when it cannot be read.
rendertest::Picture ReadPng(const std::string& path);
// Pixels that are not the renderer's background.
int32_t CountForeground(const rendertest::Picture& picture);

// The options of a quick run: pictures of 160 x 120 into out.
workbench::Options SmallRun(const std::string& out);

// workbench.exe (beside the test program) run with arguments (UTF-8); waits at most a minute.
struct ProgramRun {
    uint32_t exitCode = 99;
    std::string output;  // stdout and stderr together
};
ProgramRun RunWorkbenchExe(const std::string& arguments);

}  // namespace demotest
