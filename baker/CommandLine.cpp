#include "baker/CommandLine.h"

#include "workbench/common/NumberText.h"

#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

namespace baker {

namespace {

struct PresetName {
    const char* name;
    ShellPreset preset;
};

const PresetName kPresets[] = {
    {"black-frame", ShellPreset::BlackFrame},
    {"colour-trace", ShellPreset::ColorTrace},
    {"blur", ShellPreset::Blur},
    {"both-sides", ShellPreset::BothSides},
};

struct FreezeName {
    const char* name;
    FreezeMode mode;
};

const FreezeName kFreezeModes[] = {
    {"new", FreezeMode::New},
    {"add", FreezeMode::Add},
    {"replace", FreezeMode::Replace},
    {"quick", FreezeMode::Quick},
};

bool ParseInt(const std::string& text, long* value) { return common::ParseWholeNumber(text, value); }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool EndsWith(const std::string& text, const char* tail) {
    const size_t n = strlen(tail);
    return text.size() > n && strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

}  // namespace

ParseResult ParseCommandLine(int argc, const char* const* argv, Options* options, std::string* error) {
    Options o;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i] ? argv[i] : "";
        if (optionsEnd || name.empty() || name[0] != '-' || name == "-") {
            if (name.empty()) {
                *error = "an input file name is empty";
                return ParseResult::Error;
            }
            o.inputs.push_back(name);
            continue;
        }
        if (name == "--") {
            optionsEnd = true;
            continue;
        }
        if (name == "--help" || name == "-h") return ParseResult::Help;
        if (name == "--version") return ParseResult::Version;
        if (name == "--weld" || name == "--no-weld") {
            o.weld = name == "--weld" ? 1 : 0;
            continue;
        }
        const bool takesValue = name == "-o" || name == "--out-dir" || name == "--format" ||
                                name == "--preset" || name == "--distance" || name == "--repeat" ||
                                name == "--height-map" || name == "--freeze" || name == "--objects" ||
                                name == "-j" || name == "--report";
        if (!takesValue) {
            *error = "unknown option " + Quoted(name);
            return ParseResult::Error;
        }
        if (i + 1 >= argc || !argv[i + 1] || (argv[i + 1][0] == '-' && argv[i + 1][1] == '-')) {
            *error = name + " needs a value";
            return ParseResult::Error;
        }
        const std::string value = argv[++i];
        if (name == "-o" || name == "--out-dir" || name == "--height-map" || name == "--report") {
            if (value.empty()) {
                *error = name + " needs a file or folder name, got an empty one";
                return ParseResult::Error;
            }
            (name == "-o" ? o.output : name == "--out-dir" ? o.outDir
                                     : name == "--height-map" ? o.heightMap
                                                              : o.report) = value;
        } else if (name == "--format") {
            if (value != "obj" && value != "glb" && value != "gltf") {
                *error = "--format must be obj, glb or gltf, got " + Quoted(value);
                return ParseResult::Error;
            }
            o.outExtension = "." + value;
        } else if (name == "--preset") {
            bool found = false;
            for (const PresetName& entry : kPresets)
                if (value == entry.name) {
                    o.preset = entry.preset;
                    found = true;
                }
            if (!found) {
                *error = "--preset must be one of black-frame|colour-trace|blur|both-sides, got " + Quoted(value);
                return ParseResult::Error;
            }
        } else if (name == "--freeze") {
            bool found = false;
            for (const FreezeName& entry : kFreezeModes)
                if (value == entry.name) {
                    o.freeze = entry.mode;
                    found = true;
                }
            if (!found) {
                *error = "--freeze must be one of new|add|replace|quick, got " + Quoted(value);
                return ParseResult::Error;
            }
        } else if (name == "--distance") {
            if (!common::ParsePushDistance(value, &o.distance, error)) return ParseResult::Error;
            o.hasDistance = true;
        } else if (name == "--repeat" || name == "-j") {
            long n = 0;
            const long high = name == "-j" ? kMaxJobs : kMaxRepeat;
            if (!ParseInt(value, &n) || n < 1 || n > high) {
                *error = name + " must be a whole number from 1 to " + std::to_string(high) + ", got " +
                         Quoted(value);
                return ParseResult::Error;
            }
            (name == "-j" ? o.jobs : o.repeat) = static_cast<int32_t>(n);
        } else if (name == "--objects") {
            o.objects.push_back(value);
        }
    }
    if (o.inputs.empty()) {
        *error = "no input file given";
        return ParseResult::Error;
    }
    if (o.output.empty() == o.outDir.empty()) {
        *error = o.output.empty() ? "give -o OUTPUT (one input) or --out-dir DIR"
                                  : "give either -o or --out-dir, not both";
        return ParseResult::Error;
    }
    if (!o.output.empty() && o.inputs.size() > 1) {
        *error = "-o takes one input; for " + std::to_string(o.inputs.size()) + " inputs give --out-dir DIR";
        return ParseResult::Error;
    }
    if (!o.output.empty() && !EndsWith(o.output, ".obj") && !EndsWith(o.output, ".glb") &&
        !EndsWith(o.output, ".gltf")) {
        *error = "-o needs a file name ending in .obj, .glb or .gltf, got " + Quoted(o.output);
        return ParseResult::Error;
    }
    for (const std::string& input : o.inputs)
        if (!EndsWith(input, ".obj") && !EndsWith(input, ".gltf") && !EndsWith(input, ".glb")) {
            *error = input + ": not a scene this command reads (.obj, .gltf, .glb)";
            return ParseResult::Error;
        }
    const bool gltfOut = o.output.empty() ? o.outExtension == ".gltf" : EndsWith(o.output, ".gltf");
    for (const std::string& input : o.inputs)
        if (gltfOut && EndsWith(input, ".obj")) {
            *error = input + ": an OBJ scene goes out as .glb or .obj; .gltf is for glTF inputs";
            return ParseResult::Error;
        }
    *options = o;
    return ParseResult::Run;
}

const char* UsageText() {
    return "usage: puffshell [OPTIONS] INPUT... (-o OUTPUT | --out-dir DIR)\n"
           "\n"
           "Bakes Puffshell's shells into scene files: the plug-in's own presets, push and freeze,\n"
           "without the modeller, Wine or a display. Reads Wavefront OBJ (with its MTL and textures)\n"
           "and glTF 2.0 (.gltf, .glb); writes OBJ (with MTL), glTF binary (.glb) or, for a glTF\n"
           "input, glTF text (.gltf), by the output's extension.\n"
           "A glTF input comes back whole (nodes, skins, animations, morph targets, materials,\n"
           "images, extensions) with each shell added, skinned and morphed as its source mesh:\n"
           "  new: a node \"NODE shell\" beside each node of the mesh (same parent, transform, skin,\n"
           "  animation channels); add: further primitives of the mesh; replace/quick: in place of\n"
           "  its triangles. The plug-in's materials go out one per look (\"Puffshell black\").\n"
           "  -o OUTPUT         the one input's output (.obj, .glb, .gltf)\n"
           "  --out-dir DIR     every input's output in DIR under the input's name (made if missing)\n"
           "  --format obj|glb|gltf  the kind of --out-dir's outputs (default: glb)\n"
           "  --preset NAME     black-frame (default), colour-trace, blur or both-sides\n"
           "  --distance D      push distance (default: a fortieth of the scene's radius, kept with\n"
           "                    two decimals as the panel keeps it)\n"
           "  --repeat N        layer count (1..1000; default: the preset's)\n"
           "  --height-map FILE image for the height-map push, on every shelled object\n"
           "  --freeze MODE     new (default: the shell as an object of its own, named \"NAME shell\"),\n"
           "                    add (to its object), replace (its object), quick (replace, vertex\n"
           "                    colours reset to opaque black)\n"
           "  --objects PATTERN shells only on objects (glTF meshes or nodes) whose name matches\n"
           "                    (*, ?, [...]; repeatable)\n"
           "  --weld, --no-weld join an object's vertices at one place for the push, so that shells\n"
           "                    do not tear at split seams; only the shells change (default: on for\n"
           "                    glTF, off for OBJ)\n"
           "  -j N              files baked at once (default: one per core)\n"
           "  --report FILE     a JSON report: per input its objects, shells, triangles, warnings, time\n"
           "  --help, --version\n"
           "An output is never one of the inputs (or their material libraries, glTF buffers and\n"
           "images, or the height map); each is written beside its place first and renamed into it\n"
           "when complete.\n"
           "Exit codes: 0 done, 1 a file failed (each named), 2 bad options or input, 130 interrupted.\n";
}

const char* FreezeModeName(FreezeMode mode) {
    for (const FreezeName& entry : kFreezeModes)
        if (entry.mode == mode) return entry.name;
    return "";
}

}  // namespace baker
