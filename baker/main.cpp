// puffshell: bakes Puffshell's shells into scene files from the command line (see CommandLine.h).
#include <stdio.h>

#include <chrono>
#include <fstream>

#include "baker/Batch.h"
#include "baker/CommandLine.h"
#include "baker/HugePages.h"
#include "baker/Report.h"
#include "plugin/HostApi.h"
#include "plugin/Version.h"
#include "workbench/common/BesideThisProgram.h"

int main(int argc, char** argv) {
    baker::UseHugePages(argv);
    const auto start = std::chrono::steady_clock::now();
    baker::Options options;
    std::string error;
    switch (baker::ParseCommandLine(argc, argv, &options, &error)) {
        case baker::ParseResult::Help:
            fputs(baker::UsageText(), stdout);
            return baker::kExitOk;
        case baker::ParseResult::Version:
            printf("puffshell %s\n", PUFFSHELL_VERSION_STRING);
            return baker::kExitOk;
        case baker::ParseResult::Error:
            fprintf(stderr, "puffshell: %s\n(puffshell --help shows the options)\n", error.c_str());
            return baker::kExitBadInput;
        case baker::ParseResult::Run:
            break;
    }
    std::vector<std::string> outputs;
    if (!baker::PlanOutputs(options, &outputs, &error)) {
        fprintf(stderr, "puffshell: %s\n", error.c_str());
        return baker::kExitBadInput;
    }
    if (!BindHostApi(common::BesideThisProgram("WorkbenchHost.so").c_str())) {
        fprintf(stderr, "puffshell: WorkbenchHost.so beside the program is missing or incomplete\n");
        return baker::kExitFailed;
    }
    std::vector<baker::BakeResult> results;
    int code = baker::RunBakes(options, outputs, &results);
    if (!options.report.empty() && code != baker::kExitInterrupted) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::ofstream report(options.report, std::ios::binary | std::ios::trunc);
        report << baker::ReportJson(results, seconds, code);
        if (!report.flush()) {
            fprintf(stderr, "puffshell: --report %s: cannot be written\n", options.report.c_str());
            if (code == baker::kExitOk) code = baker::kExitFailed;
        }
    }
    return code;
}
