// The benchmark's report: the figures of every run of one or both builds turned into rows, the
// targets checked, a table printed and summary.json written.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "workbench/bench/BenchSteps.h"

// One build's runs, by run name: "ico5".."ico8", "many2000", "many200", "list5000".
struct BuildFigures {
    std::string build;               // "win64" or "win32"
    std::string notRun;              // why the build was not measured; empty when it was
    std::map<std::string, Figures> runs;
};

// Prints the tables and the targets of every build side by side and writes summaryPath. False
// when the file cannot be written.
bool Report(const std::vector<BuildFigures>& builds, const std::string& summaryPath);
