#include "workbench/app/CommandLine.h"

#include "workbench/common/NumberText.h"

#include <ctype.h>
#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

namespace workbench {

namespace {

struct Named {
    const char* name;
    int value;
};

const Named kPresets[] = {
    {"black-frame", static_cast<int>(Preset::BlackFrame)},
    {"colour-trace", static_cast<int>(Preset::ColourTrace)},
    {"blur", static_cast<int>(Preset::Blur)},
    {"both-sides", static_cast<int>(Preset::BothSides)},
    {"reset", static_cast<int>(Preset::Reset)},
};

const Named kFreezeModes[] = {
    {"new", static_cast<int>(FreezeMode::New)},
    {"add", static_cast<int>(FreezeMode::Add)},
    {"replace", static_cast<int>(FreezeMode::Replace)},
    {"quick", static_cast<int>(FreezeMode::Quick)},
};

template <size_t N>
bool LookUp(const Named (&table)[N], const std::string& text, int* value) {
    for (const Named& entry : table)
        if (text == entry.name) {
            *value = entry.value;
            return true;
        }
    return false;
}

template <size_t N>
std::string Choices(const Named (&table)[N]) {
    std::string list;
    for (const Named& entry : table) list += (list.empty() ? "" : "|") + std::string(entry.name);
    return list;
}

bool ParseInt(const std::string& text, long* value) { return common::ParseWholeNumber(text, value); }

bool ParseSize(const std::string& text, int32_t* width, int32_t* height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    long w = 0, h = 0;
    if (!ParseInt(text.substr(0, x), &w) || !ParseInt(text.substr(x + 1), &h)) return false;
    if (w < kMinSide || w > kMaxSide || h < kMinSide || h > kMaxSide) return false;
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);
    return true;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

ParseResult ParseCommandLine(int argc, const char* const* argv, Options* options,
                             std::string* error) {
    Options o;
    bool freezeGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i] ? argv[i] : "";
        if (name == "--help" || name == "-h") return ParseResult::Help;
        if (name == "--interactive") {
            o.interactive = true;
            continue;
        }
        if (name == "--weld") {
            o.weld = true;
            continue;
        }
        if (name == "--save") {  // the frozen document also as glTF binary
            const std::string file = i + 1 < argc && argv[i + 1] ? argv[i + 1] : "";
            if (file.size() < 5 || _stricmp(file.c_str() + file.size() - 4, ".glb") != 0) {
                *error = "--save needs a file name ending in .glb, got " + Quoted(file);
                return ParseResult::Error;
            }
            o.save = file;
            ++i;
            continue;
        }
        const bool takesValue = name == "--scene" || name == "--preset" || name == "--distance" ||
                                name == "--repeat" || name == "--height-map" ||
                                name == "--freeze" || name == "--out" || name == "--size" ||
                                name == "--plugin";
        if (!takesValue) {
            *error = "unknown option " + Quoted(name);
            return ParseResult::Error;
        }
        // "--scene --out DIR": the next word is an option, not the value the user forgot.
        if (i + 1 >= argc || !argv[i + 1] || strncmp(argv[i + 1], "--", 2) == 0) {
            *error = name + " needs a value";
            return ParseResult::Error;
        }
        const std::string value = argv[++i];
        if (name == "--scene" || name == "--height-map" || name == "--out" || name == "--plugin") {
            if (value.empty()) {
                *error = name + " needs a file or folder name, got an empty one";
                return ParseResult::Error;
            }
            (name == "--scene" ? o.scene
             : name == "--height-map" ? o.heightMap
             : name == "--out" ? o.out
                               : o.plugin) = value;
        } else if (name == "--preset") {
            int preset = 0;
            if (!LookUp(kPresets, value, &preset)) {
                *error = "--preset must be one of " + Choices(kPresets) + ", got " + Quoted(value);
                return ParseResult::Error;
            }
            o.preset = static_cast<Preset>(preset);
        } else if (name == "--freeze") {
            int mode = 0;
            if (!LookUp(kFreezeModes, value, &mode)) {
                *error = "--freeze must be one of " + Choices(kFreezeModes) + ", got " + Quoted(value);
                return ParseResult::Error;
            }
            o.freeze = static_cast<FreezeMode>(mode);
            freezeGiven = true;
        } else if (name == "--distance") {
            if (!common::ParsePushDistance(value, &o.distance, error)) return ParseResult::Error;
            o.hasDistance = true;
        } else if (name == "--repeat") {
            long n = 0;
            if (!ParseInt(value, &n) || n < 1 || n > kMaxRepeat) {
                *error = "--repeat must be a whole number from 1 to " + std::to_string(kMaxRepeat) +
                         ", got " + Quoted(value);
                return ParseResult::Error;
            }
            o.repeat = static_cast<int32_t>(n);
        } else if (name == "--size") {
            if (!ParseSize(value, &o.width, &o.height)) {
                *error = "--size must be WxH with each side from " + std::to_string(kMinSide) +
                         " to " + std::to_string(kMaxSide) + " pixels (e.g. 640x480), got " + Quoted(value);
                return ParseResult::Error;
            }
        }
    }
    // The view freezes only what the person freezes with the panel's buttons: a mode given with it
    // would be left unused without a word.
    if (o.interactive && freezeGiven) {
        *error = "--freeze is for scripted runs; with --interactive, freeze with the panel's freeze buttons";
        return ParseResult::Error;
    }
    *options = o;
    return ParseResult::Run;
}

const char* UsageText() {
    return "usage: workbench [--scene FILE.obj] [--preset "
           "black-frame|colour-trace|blur|both-sides|reset]\n"
           "                 [--distance D] [--repeat N] [--height-map FILE.bmp]\n"
           "                 [--freeze new|add|replace|quick] [--out DIR] [--size WxH] "
           "[--interactive]\n"
           "                 [--weld] [--save FILE.glb]\n"
           "\n"
           "Runs Puffshell in the workbench host, works its panel the way a person does and "
           "writes\n"
           "pictures of the shells.\n"
           "  --scene FILE.obj  the scene (default: an embedded torus and a textured ball)\n"
           "  --weld            join the scene's vertices that lie at one place within an object, "
           "so\n"
           "                    that shells do not tear at split seams (UVs and colours stay "
           "apart)\n"
           "  --preset NAME     only this preset, on every object (default: every effect in turn)\n"
           "  --distance D      push distance typed into the panel after each preset\n"
           "  --repeat N        layer count typed into the panel after each preset (1..1000)\n"
           "  --height-map FILE image for the height-map push (default: a generated bumps.bmp)\n"
           "  --freeze MODE     how the shells are frozen before frozen.obj is saved: the freeze\n"
           "                    dialog's new object, add to the object, replace it, or quick "
           "freeze\n"
           "  --out DIR         folder for the pictures and frozen.obj (default: out\\demo)\n"
           "  --size WxH        size of the rendered pictures (default: 640x480)\n"
           "  --interactive     instead of the pictures, open the 3D view beside the panel on the\n"
           "                    scene as loaded (with --preset); freezes made in it are saved as\n"
           "                    frozen.obj when its window closes; Ctrl+C saves nothing (code "
           "130);\n"
           "                    not with --freeze (freeze with the panel's buttons)\n"
           "  --plugin PATH     the plug-in DLL (default: Puffshell.dll beside workbench.exe)\n"
           "  --save FILE.glb   also write the frozen document as glTF 2.0 binary (its folder is "
           "made;\n"
           "                    a path that cannot be written stops the run before the work)\n"
           "Exit codes: 0 done, 1 the plug-in or the workbench failed (or ran out of memory), 2 "
           "bad\n"
           "options or input files or no display, 130 interrupted (Ctrl+C). A run that does not "
           "finish\n"
           "writes nothing into --out.\n";
}

const char* PresetOptionName(Preset preset) {
    for (const Named& entry : kPresets)
        if (entry.value == static_cast<int>(preset)) return entry.name;
    return "all";
}

const char* PresetPictureName(Preset preset) {
    switch (preset) {
        case Preset::BlackFrame: return "black_frame.png";
        case Preset::ColourTrace: return "colour_trace.png";
        case Preset::Blur: return "blur.png";
        case Preset::BothSides: return "both_sides.png";
        case Preset::Reset: return "reset.png";
        case Preset::None: break;
    }
    return "before.png";
}

std::vector<std::string> RunFiles() {
    std::vector<std::string> names = {"height_map.png", "panel.png", "frozen.obj", "frozen.mtl", "bumps.bmp",
                                      "texture.bmp"};
    for (Preset preset : {Preset::None, Preset::BlackFrame, Preset::ColourTrace, Preset::Blur, Preset::BothSides,
                          Preset::Reset})
        names.push_back(PresetPictureName(preset));  // before.png for None
    return names;
}

const char* FreezeModeName(FreezeMode mode) {
    for (const Named& entry : kFreezeModes)
        if (entry.value == static_cast<int>(mode)) return entry.name;
    return "";
}

}  // namespace workbench
