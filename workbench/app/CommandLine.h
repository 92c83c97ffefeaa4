// The workbench program's command line:
//
//   workbench [--scene FILE.obj] [--preset black-frame|colour-trace|blur|both-sides|reset]
//             [--distance D] [--repeat N] [--height-map FILE.bmp]
//             [--freeze new|add|replace|quick] [--out DIR] [--size WxH] [--interactive]
//             [--weld] [--save FILE.glb]
//
// Parsing only checks the form of the values; whether a file can be read is found out when it is
// used.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "ui/PanelEdits.h"

namespace workbench {

// One of the panel's five preset buttons; None runs every effect of the demo in turn.
enum class Preset { None, BlackFrame, ColourTrace, Blur, BothSides, Reset };

// How the freeze step commits the shells: the freeze dialog's three placements, or the
// quick-freeze button.
enum class FreezeMode { New, Add, Replace, Quick };

struct Options {
    std::string scene;            // OBJ file; empty: the embedded default scene
    Preset preset = Preset::None;
    bool hasDistance = false;     // --distance given: typed into the push-distance edit
    float distance = 0.0f;
    int32_t repeat = 0;           // --repeat given (1..kMaxRepeat): typed into the repeat edit
    std::string heightMap;        // image for the height-map push; empty: the generated one
    FreezeMode freeze = FreezeMode::New;
    std::string out = "out\\demo";
    int32_t width = 640;          // size of the rendered pictures
    int32_t height = 480;
    bool interactive = false;     // the 3D view beside the panel instead of the pictures
    std::string plugin;           // the plug-in DLL; empty: Puffshell.dll beside the program
    std::string save;             // --save: the frozen document as glTF binary (.glb); empty: none
    bool weld = false;            // --weld: the scene's vertices at one place joined per object
};

// The panel's own bound of the repeat edit: the command line types into it, so takes the same.
constexpr int32_t kMaxRepeat = kMaxRepeatCount;
constexpr int32_t kMinSide = 16;
constexpr int32_t kMaxSide = 4096;

enum class ParseResult { Run, Help, Error };

// Reads argv[1..argc-1] into *options. Error: *error names the option and what is wrong with
// its value. Help: --help or -h was given.
ParseResult ParseCommandLine(int argc, const char* const* argv, Options* options,
                             std::string* error);

// The usage text printed for --help and after a command-line error.
const char* UsageText();

// The names used on the command line and for the pictures ("black-frame", "black_frame.png").
const char* PresetOptionName(Preset preset);
const char* PresetPictureName(Preset preset);
const char* FreezeModeName(FreezeMode mode);

// The files a run may write into --out (besides copies of the scene's textures, which are made
// from the scene's own files and never take these names).
std::vector<std::string> RunFiles();

}  // namespace workbench
