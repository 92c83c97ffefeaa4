// puffshell: bakes Puffshell's shells into scene files from the command line (see CommandLine.h).
#include <stdio.h>

#include <chrono>

#include "baker/Batch.h"
#include "baker/CommandLine.h"
#include "baker/Files.h"
#include "baker/HugePages.h"
#include "baker/Processes.h"
#include "baker/Report.h"
#include "plugin/HostApi.h"
#include "plugin/Version.h"

namespace {

bool WriteReport(const std::string& path, const std::string& text) {
    FILE* out = baker::OpenForWriting(path);
    if (!out) return false;
    const bool written = fwrite(text.data(), 1, text.size(), out) == text.size();
    return fclose(out) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    baker::UseHugePages(argv);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> arguments = baker::ProgramArguments(argc, argv);
    int childCode = 0;
    if (baker::RunChildBake(arguments, &childCode)) return childCode;
    std::vector<const char*> args;
    for (const std::string& argument : arguments) args.push_back(argument.c_str());
    baker::Options options;
    std::string error;
    switch (baker::ParseCommandLine(static_cast<int>(args.size()), args.data(), &options, &error)) {
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
    if (!BindHostApi(baker::HostModule().c_str())) {
        fprintf(stderr, "puffshell: %s beside the program is missing or incomplete\n",
                baker::BaseName(baker::HostModule()).c_str());
        return baker::kExitFailed;
    }
    std::vector<baker::BakeResult> results;
    int code = baker::RunBakes(options, outputs, &results);
    if (!options.report.empty() && code != baker::kExitInterrupted) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!WriteReport(options.report, baker::ReportJson(results, seconds, code))) {
            fprintf(stderr, "puffshell: --report %s: cannot be written\n", options.report.c_str());
            if (code == baker::kExitOk) code = baker::kExitFailed;
        }
    }
    return code;
}
