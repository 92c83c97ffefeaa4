// workbench.exe: runs Puffshell in the workbench host on a scene, works its panel the way a person
// does and writes pictures of the shells (see CommandLine.h for the options, DemoScript.h for what
// the run does).
#include <stdio.h>

#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "workbench/app/CommandLine.h"
#include "workbench/app/DemoScript.h"
#include "workbench/app/StopOnInterrupt.h"
#include "workbench/app/Terminal.h"
#include "workbench/io/FileAccess.h"

int main() {
    // Ctrl+C from the first moment on: before the run starts there is nothing to throw away.
    workbench::StopOnInterrupt();
    // The arguments as typed, in UTF-8: the byte-string ones would hold only what the system's
    // code page holds, and change the rest of a file name.
    int argc = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 0; wide && i < argc; ++i) args.push_back(wb::Utf8FromWide(wide[i]));
    if (wide) LocalFree(wide);
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    workbench::Options options;
    std::string error;
    switch (
        workbench::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &options, &error)) {
        case workbench::ParseResult::Help:
            workbench::Print(stdout, workbench::UsageText());
            return workbench::kExitOk;
        case workbench::ParseResult::Error:
            workbench::Print(stderr, "workbench: " + error + "\n" + workbench::UsageText());
            return workbench::kExitBadInput;
        case workbench::ParseResult::Run:
            break;
    }
    return workbench::RunWorkbench(options, nullptr);
}
