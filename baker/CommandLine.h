// The baking command's command line:
//
//   puffshell [OPTIONS] INPUT... (-o OUTPUT | --out-dir DIR)
//
// Parsing checks the form of the values only; whether a file can be read is found out when it is
// used.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "ui/PresetRules.h"

namespace baker {

// How each shell is committed: the freeze dialog's three placements, or quick freeze.
enum class FreezeMode { New, Add, Replace, Quick };

struct Options {
    std::vector<std::string> inputs;   // scene files, in the order given
    std::string output;                // -o: the one input's output file
    std::string outDir;                // --out-dir: every input's output, under the input's name
    std::string outExtension = ".glb"; // --out-dir: the outputs' kind (--format obj|glb|gltf)
    ShellPreset preset = ShellPreset::BlackFrame;
    bool hasDistance = false;          // --distance given; else a fortieth of the scene's radius
    float distance = 0.0f;
    int32_t repeat = 0;                // --repeat given (1..kMaxRepeat); 0: the preset's own
    std::string heightMap;             // --height-map: image for the height-map push
    FreezeMode freeze = FreezeMode::New;
    std::vector<std::string> objects;  // --objects: shell-style name patterns; empty: every object
    int weld = -1;                     // --weld 1, --no-weld 0, -1: the input kind's default
    int32_t jobs = 0;                  // -j: files baked at once; 0: one per core
    std::string report;                // --report: a JSON report of the run
};

constexpr int32_t kMaxRepeat = 1000;  // the panel's own bound of its repeat edit
constexpr int32_t kMaxJobs = 256;

enum class ParseResult { Run, Help, Version, Error };

// Reads argv[1..argc-1] into *options. Error: *error names the option and what is wrong.
ParseResult ParseCommandLine(int argc, const char* const* argv, Options* options, std::string* error);

// The text printed for --help.
const char* UsageText();

const char* FreezeModeName(FreezeMode mode);

}  // namespace baker
