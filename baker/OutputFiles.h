// Where a bake writes: never onto one of its inputs, and never half a file at an output's place.
// Each output is written into a staging folder of its own beside it, and its files (the scene and
// whatever its writer puts beside it: an OBJ's MTL, copies of its textures) are renamed into
// place only when the bake succeeded.
#pragma once

#include <string>
#include <vector>

namespace baker {

// The files a bake reads: each input scene, the material libraries an OBJ names, the buffer and
// image files a glTF file names, and the height map, as they exist now.
std::vector<std::string> InputFiles(const std::vector<std::string>& scenes, const std::string& heightMap);

// The files a bake to output writes: output itself and, for an OBJ, its MTL beside it.
std::vector<std::string> OutputFilesOf(const std::string& output);

// A staging folder beside output (".NAME.puffshell-PID-N", made here) and the path the bake
// writes to in it. False with *error when the output's folder cannot be written.
bool StageOutput(const std::string& output, std::string* stagingFolder, std::string* stagedOutput,
                 std::string* error);

// Moves every file of stagingFolder into output's folder, each by rename (a file there of the
// same bytes is left as it is: a texture copied beside its own original), then removes the
// folder. False with *error when a rename fails; what was moved stays.
bool CommitStaged(const std::string& stagingFolder, const std::string& output, std::string* error);

// Removes stagingFolder and every file in it; nothing when it is gone already.
void DiscardStaged(const std::string& stagingFolder);

}  // namespace baker
