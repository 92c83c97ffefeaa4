// Bakes one scene file: loads it into the host model, gives the chosen objects their shells
// through the plug-in's own preset rules, settings and freeze, and saves the document.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "baker/CommandLine.h"

namespace baker {

// What one bake did, for the report and the progress line.
struct BakeResult {
    std::string input;
    std::string output;
    int code = 0;                 // 0 done, 1 failed, 2 bad input, 130 interrupted
    std::string error;            // why, when code is not 0
    std::vector<std::string> warnings;
    int32_t objects = 0;          // the input's objects
    int32_t shells = 0;           // shells frozen
    int64_t trianglesIn = 0;      // triangles of the input (a quadrilateral counts two)
    int64_t trianglesOut = 0;     // and of the saved document
    double seconds = 0.0;
};

// True when name matches the shell-style pattern: "*" any run of characters, "?" any one,
// "[abc]", "[a-z]" and "[!abc]" one of a set (or none of it), "\\" takes the next character as
// it is. Characters are compared as bytes (UTF-8 names match by their bytes).
bool MatchesPattern(const char* pattern, const char* name);

// True when path names a glTF file by its extension (.gltf or .glb, in any case).
bool IsGltfFile(const std::string& path);

// Loads input, bakes it as options say and saves the document to output (whose extension, .obj,
// .glb or .gltf, chooses the writer), writing straight to output: the caller gives a staging path.
// A glTF input goes out as the same glTF document with the shells added (to .glb or .gltf), or
// as the workbench's OBJ; an OBJ input as the workbench's OBJ or glb.
// Runs in this process's one host model and plug-in state, which it resets first.
BakeResult BakeScene(const Options& options, const std::string& input, const std::string& output);

}  // namespace baker
