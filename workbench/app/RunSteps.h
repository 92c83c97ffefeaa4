// The script's run state and its steps, shared by the script (DemoScript.cpp) and the panel work
// of its effects (DemoEffects.cpp).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "workbench/app/CommandLine.h"
#include "workbench/app/DemoScript.h"
#include "workbench/app/OutputFolder.h"
#include "workbench/app/SceneBuilder.h"

namespace workbench {

// A run's state: the options, the scene, and the values the script types into the panel.
struct Run {
    Run(const Options& o, RunReport& r) : options(o), report(r) {}
    const Options& options;
    RunReport& report;
    OutputFolder out;             // where the run writes
    SceneInfo scene;
    std::string heightMap;        // image the height-map step loads (full path)
    bool typeDistance = false;    // type `distance` after each preset
    float distance = 1.0f;
    float heightMapScale = 4.0f;  // typed into the height-map scale edit
    std::vector<int32_t> heightMapRows;
    std::string saveWork;         // where --save's glb is written first (empty: no --save)
    std::vector<int32_t> rowLayers;  // by row: the layers the panel showed for it when last set
    std::string step;             // what the run is doing, for a message when memory runs out
    std::string frozenSummary;    // the saved document's objects, faces, lines and points
};

// Prints "workbench: message" to stderr, with the paths as the person gave them, keeps it in the
// report and returns code.
int Fail(Run& run, int code, const std::string& message);

// Full path of a file in the run's own folder.
std::string InOut(const Run& run, const char* file);

// Which rows get "黒枠" before another preset (see DemoEffects.cpp).
enum class CleanStart { EveryRow, None, HeightMapRows };

// For every row: click it, then the preset (after "黒枠" where start asks for it), then what the
// command line asks to type.
void ApplyPresetToEveryRow(Run& run, Preset preset, CleanStart start = CleanStart::EveryRow);
// Height map on for the chosen rows, on top of what each row holds. False with *error when the
// plug-in could not load it.
bool LoadHeightMapOnRows(Run& run, std::string* error);
// Picks the rows that get the height map into run.heightMapRows.
void ChooseHeightMapRows(Run& run);

void PrintSummaryHeader();
// Answers the refreshes the plug-in asked for, renders the view and writes it as file.
bool TakePicture(Run& run, const char* file, std::string* error);
// The panel with its first row selected, as panel.png.
bool TakePanelPicture(Run& run, std::string* error);
// Saves the document as frozen.obj (and --save's glb), after the host has answered what the
// plug-in asked for.
bool SaveDocument(Run& run, std::string* error);
// Freezes every switched-on shell through the panel, then saves the document. With
// blackFrameFirst, every row gets "黒枠" right before its freeze.
bool FreezeAndSave(Run& run, bool blackFrameFirst, std::string* error);
// Every effect in turn, one picture each; *code tells a failure's exit code.
bool RunEveryEffect(Run& run, std::string* error, int* code);
// One preset on every row (with the height map on top when --height-map names one).
bool RunOnePreset(Run& run, std::string* error, int* code);

}  // namespace workbench
