// What the stress run does when the process it tests is about to die or stalls: a crash in the
// plug-in, the host or the run itself (an access violation, an illegal instruction, a stack
// overflow, an abort, an exception nobody catches), or a step that does not end. Either way it
// prints the step, the sequence and the seed that led there, then the closing count line, and
// ends the process with a non-zero code, so that the failure can be replayed.
#pragma once

#include <stdint.h>

#include <windows.h>

namespace stress {

// The run's progress as the guard reports it. The run updates it; the guard only reads it.
struct RunProgress {
    uint64_t seed = 0;
    int64_t steps = 0;      // steps finished
    int64_t sequences = 0;  // sequences started
    int64_t failures = 0;   // invariant failures so far
    char action[160] = {};  // what the current step does
    volatile ULONGLONG stepStartedMs = 0;  // GetTickCount64 at the start of the current step
};

// Installs the vectored exception handler, the unhandled-exception filter, the abort handler
// and a watchdog thread that reports a step running longer than stepTimeoutSeconds. Exceptions
// count as crashes when their code is one that ends a process and a frame of the faulting stack
// lies in one of `modules` (the plug-in, the host, the program): first-chance exceptions that
// Wine raises and handles inside its own DLLs pass untouched.
void InstallCrashGuard(RunProgress* progress, int32_t stepTimeoutSeconds);
// Adds a module whose crashes count (the plug-in is loaded after the guard is installed).
void WatchModule(HMODULE module);

// Prints the closing line "N steps, M sequences, K failures" from progress.
void PrintSummary(const RunProgress& progress);

}  // namespace stress
