// workbench.exe: runs Puffshell in the workbench host on a scene, works its panel the way a person
// does and writes pictures of the shells (see CommandLine.h for the options, DemoScript.h for what
// the run does).
#include <stdio.h>

#include <string>

#include "workbench/app/CommandLine.h"
#include "workbench/app/DemoScript.h"

int main(int argc, char** argv) {
    workbench::Options options;
    std::string error;
    switch (workbench::ParseCommandLine(argc, argv, &options, &error)) {
        case workbench::ParseResult::Help:
            fputs(workbench::UsageText(), stdout);
            return workbench::kExitOk;
        case workbench::ParseResult::Error:
            fprintf(stderr, "workbench: %s\n%s", error.c_str(), workbench::UsageText());
            return workbench::kExitBadInput;
        case workbench::ParseResult::Run:
            break;
    }
    return workbench::RunWorkbench(options, nullptr);
}
