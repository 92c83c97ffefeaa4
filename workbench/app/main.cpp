// workbench.exe: runs Puffshell in the workbench host on a scene, works its panel the way a person
// does and writes pictures of the shells (see CommandLine.h for the options, DemoScript.h for what
// the run does).
#include <stdio.h>

#include <string>

#include "workbench/app/CommandLine.h"
#include "workbench/app/DemoScript.h"
#include "workbench/app/Terminal.h"

int main(int argc, char** argv) {
    workbench::Options options;
    std::string error;
    switch (workbench::ParseCommandLine(argc, argv, &options, &error)) {
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
