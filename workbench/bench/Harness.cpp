#include "workbench/bench/Harness.h"

#include <algorithm>

#include <windows.h>
#include <psapi.h>

RunStats Summarize(std::vector<double> samples) {
    RunStats stats;
    if (samples.empty()) return stats;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    stats.minMs = samples.front();
    stats.medianMs = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    stats.runs = static_cast<int32_t>(n);
    return stats;
}

RunStats TimeRuns(int32_t warmUp, int32_t runs, const std::function<void()>& run,
                  const std::function<void()>& before) {
    for (int32_t i = 0; i < warmUp; ++i) {
        if (before) before();
        run();
    }
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(runs > 0 ? runs : 0));
    for (int32_t i = 0; i < runs; ++i) {
        if (before) before();
        const double start = NowMs();
        run();
        samples.push_back(NowMs() - start);
    }
    return Summarize(std::move(samples));
}

MemoryFigures ReadMemory() {
    MemoryFigures figures;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return figures;
    figures.privateBytes = static_cast<double>(counters.PrivateUsage ? counters.PrivateUsage
                                                                     : counters.PagefileUsage);
    figures.workingSetBytes = static_cast<double>(counters.WorkingSetSize);
    figures.peakWorkingSetBytes = static_cast<double>(counters.PeakWorkingSetSize);
    return figures;
}
