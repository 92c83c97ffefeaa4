// workbench_bench: how fast the real Puffshell.dll redraws its shells in the workbench host, and
// what the host's own share of that is.
//
//   workbench_bench.exe [--out DIR] [--levels FIRST-LAST] [--leak N] [--no-documents]
//       measures the icosahedron subdivided FIRST..LAST times (default 5-8: about 20k, 80k, 330k
//       and 1.3M triangles), the documents of many objects (2,000 x 600 and 200 x 6,000
//       triangles) and the object list of 5,000 rows, each in a process of its own; writes the
//       figures of each run to DIR/<run>.txt and DIR/summary.json (default out/bench) and prints
//       a table with the targets, for the build this program belongs to
//   workbench_bench.exe --report DIR [--not-run BUILD REASON]
//       the table and DIR/summary.json of both builds side by side, from the runs in DIR/win64
//       and DIR/win32; a build named with --not-run gets one line saying why it was not run
//   workbench_bench.exe --run NAME [--out DIR] [--leak N]
//       measures one run (ico<K>, many2000, many200, list5000) and writes DIR/NAME.txt (what
//       the first form runs)
//
// --leak N: redraws per case in the check that private memory does not grow (default 200).
// With BENCH_WINDOWS set in the environment, every timed rebuild and replay of its host calls
// prints its clock window to standard error, for profile-windows.py to split a perf profile by.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <windows.h>

#include "workbench/bench/DocumentRun.h"
#include "workbench/bench/LevelRun.h"
#include "workbench/bench/Report.h"

namespace {

const int32_t kObjectListRows = 5000;

struct Options {
    std::string outDir = "out/bench";
    std::string run;  // a child measuring one run
    std::string reportDir;
    std::string notRunBuild, notRunReason;
    int32_t firstLevel = 5;
    int32_t lastLevel = 8;
    int32_t leakRedraws = 200;
    bool documents = true;
};

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (strcmp(arg, "--out") == 0 && value) {
            options->outDir = value;
            ++i;
        } else if (strcmp(arg, "--run") == 0 && value) {
            options->run = value;
            ++i;
        } else if (strcmp(arg, "--report") == 0 && value) {
            options->reportDir = value;
            ++i;
        } else if (strcmp(arg, "--not-run") == 0 && value && i + 2 < argc) {
            options->notRunBuild = value;
            options->notRunReason = argv[i + 2];
            i += 2;
        } else if (strcmp(arg, "--levels") == 0 && value) {
            if (sscanf(value, "%d-%d", &options->firstLevel, &options->lastLevel) != 2)
                options->firstLevel = options->lastLevel = atoi(value);
            ++i;
        } else if (strcmp(arg, "--leak") == 0 && value) {
            options->leakRedraws = atoi(value);
            ++i;
        } else if (strcmp(arg, "--no-documents") == 0) {
            options->documents = false;
        } else {
            fprintf(stderr, "workbench_bench: unknown argument %s\n", arg);
            return false;
        }
    }
    if (options->firstLevel < 0 || options->lastLevel > 9 || options->firstLevel > options->lastLevel) {
        fprintf(stderr, "workbench_bench: levels must lie in 0..9\n");
        return false;
    }
    return true;
}

// The build this program belongs to.
const char* ThisBuild() { return sizeof(void*) == 8 ? "win64" : "win32"; }

void MakeFolders(const std::string& path) {
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/' || path[i] == '\\')
            if (i > 0) CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

std::string RunFile(const std::string& dir, const std::string& run) {
    return dir + "/" + run + ".txt";
}

// The runs of the first form, in order.
std::vector<std::string> RunNames(const Options& options) {
    std::vector<std::string> names;
    for (int32_t level = options.firstLevel; level <= options.lastLevel; ++level)
        names.push_back("ico" + std::to_string(level));
    if (options.documents) {
        for (const ManyObjectDocument& document : kManyObjectDocuments) names.push_back(document.name);
        names.push_back("list" + std::to_string(kObjectListRows));
    }
    return names;
}

// Measures one run in this process.
bool MeasureRun(const Options& options) {
    Figures figures;
    std::string error;
    bool ok = false;
    const std::string& run = options.run;
    if (run.rfind("ico", 0) == 0) {
        ok = RunLevel(atoi(run.c_str() + 3), options.leakRedraws, &figures, &error);
    } else if (run.rfind("list", 0) == 0) {
        ok = RunObjectList(atoi(run.c_str() + 4), &figures, &error);
    } else {
        error = "no such run";
        for (const ManyObjectDocument& document : kManyObjectDocuments)
            if (run == document.name) ok = RunDocument(document, &figures, &error);
    }
    if (!ok) {
        fprintf(stderr, "workbench_bench: %s: %s\n", run.c_str(), error.c_str());
        return false;
    }
    return WriteFigures(RunFile(options.outDir, run), figures);
}

// Runs this program with --run in a process of its own and waits for it.
bool RunChild(const Options& options, const std::string& run) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --run " + run + " --out \"" +
                          options.outDir + "\" --leak " + std::to_string(options.leakRedraws);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode == 0;
}

// Every run's figures found in dir.
BuildFigures ReadBuild(const std::string& build, const std::string& dir, const Options& options) {
    BuildFigures figures;
    figures.build = build;
    for (const std::string& run : RunNames(options)) {
        Figures f;
        if (ReadFigures(RunFile(dir, run), &f)) figures.runs[run] = f;
    }
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) return 2;

    if (!options.reportDir.empty()) {
        std::vector<BuildFigures> builds;
        for (const char* build : {"win64", "win32"}) {
            if (options.notRunBuild == build) {
                BuildFigures notRun;
                notRun.build = build;
                notRun.notRun = options.notRunReason;
                builds.push_back(notRun);
            } else {
                builds.push_back(ReadBuild(build, options.reportDir + "/" + build, options));
                if (builds.back().runs.empty()) {
                    fprintf(stderr, "workbench_bench: no figures of the %s build in %s/%s\n", build,
                            options.reportDir.c_str(), build);
                    return 1;
                }
            }
        }
        return Report(builds, options.reportDir + "/summary.json") ? 0 : 1;
    }

    MakeFolders(options.outDir);
    if (!options.run.empty()) return MeasureRun(options) ? 0 : 1;

    for (const std::string& run : RunNames(options)) {
        printf("%s (%s build)\n", run.c_str(), ThisBuild());
        fflush(stdout);
        DeleteFileA(RunFile(options.outDir, run).c_str());
        if (!RunChild(options, run)) {
            fprintf(stderr, "workbench_bench: the measurement of %s failed\n", run.c_str());
            return 1;
        }
    }
    const BuildFigures figures = ReadBuild(ThisBuild(), options.outDir, options);
    return Report({figures}, options.outDir + "/summary.json") ? 0 : 1;
}
