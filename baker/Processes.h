// What the baking command asks of the system's processes and console, one implementation per
// system (Processes_posix.cpp, Processes_windows.cpp): its arguments, Ctrl+C, the terminal, and
// each file's bake in a child process of its own, since the plug-in's and the host's state is one
// per process.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "baker/CommandLine.h"

namespace baker {

// The program's arguments in UTF-8, argv[0] first (on Windows from the wide command line, so
// that any file name arrives as it was typed). Also readies the console for UTF-8 text.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The host module the plug-in binds (the workbench's host model, beside the program).
std::string HostModule();

// When arguments ask for a child's bake (the internal form StartChildBake gives on Windows): runs
// it and sets *code to its exit code. False for any other command line.
bool RunChildBake(const std::vector<std::string>& arguments, int* code);

// From now on, Ctrl+C (and a request to end) only sets Interrupted(); the running child bakes end
// too, and no one of them leaves a file half moved into place.
void CatchInterrupt();
bool Interrupted();

// Holds Ctrl+C off while a child bake moves its files into place (true), and lets it end the
// process again (false).
void HoldInterrupt(bool hold);

// Whether the progress goes to a terminal (stderr) that takes the line-clearing sequence.
bool ProgressOnTerminal();

// The cores for -j's default.
int32_t CoreCount();

// One file's bake in a child process: it bakes inputs[index] into staged, moves staging's files
// into place beside output when it succeeded, and reports its BakeResult (EncodeResult) back.
struct ChildBake {
    size_t index = 0;
    std::string staging;
    std::string text;         // what it reported so far
    intptr_t process = 0;     // the system's handle or process ID
    intptr_t channel = -1;    // the read end of its report
};

// Starts the bake; false with *error when no process could be started.
bool StartChildBake(const Options& options, size_t index, const std::string& output, const std::string& staging,
                    const std::string& staged, ChildBake* child, std::string* error);

// Waits up to a tenth of a second for reports and ends; each child that ended is taken out of
// *running into *ended, its text complete, with how set to why it ended without a report
// ("ended by signal ..."), or empty, and interrupted when Ctrl+C ended it.
struct EndedBake {
    ChildBake child;
    std::string how;
    bool interrupted = false;
};
void WaitForChildBakes(std::vector<ChildBake>* running, std::vector<EndedBake>* ended);

// Ends every running bake (after Ctrl+C) and waits for each; a bake moving its files into place
// finishes that first.
void StopChildBakes(std::vector<ChildBake>* running);

}  // namespace baker
