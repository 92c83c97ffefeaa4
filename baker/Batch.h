// Runs the bakes of a command line: the outputs checked against the inputs before any work, each
// file baked in a process of its own (up to -j at once) so that one file's failure, or its
// memory, never reaches another, and Ctrl+C ending every one of them with nothing half written.
#pragma once

#include <string>
#include <vector>

#include "baker/BakeScene.h"
#include "baker/CommandLine.h"

namespace baker {

// Exit codes, as the workbench's.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;
constexpr int kExitInterrupted = 130;

// The output of each input: -o's, or under --out-dir with the input's name and the outputs'
// extension. False with *error when an output's folder does not exist, an output is a folder or
// a device, an output would replace an input (a scene, a material library, the height map) or
// another input's output, or --out-dir cannot be made.
bool PlanOutputs(const Options& options, std::vector<std::string>* outputs, std::string* error);

// Bakes every input to its output; prints a progress line on a terminal (stderr), one line per
// file on a pipe (stdout), and each failure at the end. The results in *results. Returns the exit
// code: 0, 1 when any file failed (2 when the only input was bad), 130 when interrupted.
int RunBakes(const Options& options, const std::vector<std::string>& outputs, std::vector<BakeResult>* results);

// The work of one file's bake in its own process: bakes options.inputs[index] into staged and, when
// that succeeds, moves staging's files into place beside output, with Ctrl+C held off meanwhile.
BakeResult BakeAndCommit(const Options& options, size_t index, const std::string& output, const std::string& staging,
                         const std::string& staged);

}  // namespace baker
