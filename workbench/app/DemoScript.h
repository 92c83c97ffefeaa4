// The workbench program's script: build or load the scene, open Puffshell's panel, work it the way
// a person would for each effect, and write a picture after each; then a picture of the panel, a
// freeze through the panel and frozen.obj; a summary on the terminal all along. Interactive runs
// open the 3D view on the scene instead and save what was frozen in it when its window closes.
// The files appear in the output folder only when the run succeeds.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "workbench/app/CommandLine.h"
#include "workbench/render/Render.h"

namespace workbench {

// Exit codes of the program.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;    // the plug-in or the workbench itself failed
constexpr int kExitBadInput = 2;  // a bad option value, or a file that cannot be used
constexpr int kExitInterrupted = 130;  // Ctrl+C (128 + SIGINT, as a shell reports it)

// One picture of the run and what it took.
struct PictureRecord {
    std::string file;              // file name inside the output folder
    int32_t shells = 0;            // objects whose shell was switched on
    int32_t layers = 0;            // draw objects of the last redraw
    int32_t layersAsked = 0;       // the layers the shown, switched-on shells ask for
    RenderStats stats;             // what the renderer drew
    std::vector<double> redrawMs;  // each redraw answered before the picture
};

struct RunReport {
    int32_t sceneObjects = 0;
    int32_t sceneFaces = 0;
    std::vector<PictureRecord> pictures;  // rendered pictures, in order
    bool panelPicture = false;            // panel.png written
    int32_t frozenShells = 0;             // freezes done (by the script, or in the view)
    int32_t frozenObjects = 0;            // objects and faces of the saved frozen.obj
    int32_t frozenFaces = 0;
    std::string error;                    // the message printed for a failed run
};

// Runs the script for options and returns the exit code. Messages go to stdout, errors (with
// "workbench: " before them) to stderr. report may be null. The plug-in is unloaded again
// before it returns.
int RunWorkbench(const Options& options, RunReport* report);

// Puffshell.dll beside the running program.
std::string DefaultPluginPath();

}  // namespace workbench
