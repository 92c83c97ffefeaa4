// The benchmark's measuring tools: a high-resolution clock, minimum and median of repeated runs,
// and the process's memory figures.
#pragma once

#include <stdint.h>

#include <functional>
#include <vector>

#include "workbench/common/NowMs.h"

using common::NowMs;

struct RunStats {
    double minMs = 0.0;
    double medianMs = 0.0;
    int32_t runs = 0;
};

// Minimum and median of samples (milliseconds); zeros for no samples.
RunStats Summarize(std::vector<double> samples);

// Calls run `warmUp` times untimed, then `runs` times, each timed on its own.
//   run     one repetition of the work measured
//   before  optional untimed preparation before each timed repetition (may be empty)
RunStats TimeRuns(int32_t warmUp, int32_t runs, const std::function<void()>& run,
                  const std::function<void()>& before = nullptr);

// GetProcessMemoryInfo in bytes.
// Wine fills PagefileUsage (resident anonymous memory) but leaves PrivateUsage 0, and its
// PeakPagefileUsage is only the current PagefileUsage; PeakWorkingSetSize is a true peak.
struct MemoryFigures {
    double privateBytes = 0.0;         // PrivateUsage, or PagefileUsage where that is 0
    double workingSetBytes = 0.0;      // WorkingSetSize
    double peakWorkingSetBytes = 0.0;  // PeakWorkingSetSize
};
MemoryFigures ReadMemory();
