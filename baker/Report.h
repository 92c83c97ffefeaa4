// What a run tells: the progress while it works, one line per file on a pipe, the failures at its
// end, and the JSON report of --report.
#pragma once

#include <stdio.h>

#include <string>
#include <vector>

#include "baker/BakeScene.h"

namespace baker {

// A result as one line of text and back, for a bake run in a process of its own.
std::string EncodeResult(const BakeResult& result);
bool DecodeResult(const std::string& line, BakeResult* result);

// A failure as "INPUT: WHY" (WHY alone when it names the input first already).
std::string FailureText(const BakeResult& result);

// The line printed for a finished file on a pipe: "INPUT -> OUTPUT: 3 shells, 1200 -> 4800
// triangles, 0.12 s", or "failed: INPUT: WHY".
std::string FileLine(const BakeResult& result);

// The terminal's progress line: files done of total, triangles a second and time left.
std::string ProgressLine(size_t done, size_t total, int64_t triangles, double seconds);

// The results as JSON: per input its output, code, error, objects, shells, triangles in and out,
// warnings and seconds; the run's total seconds and exit code.
std::string ReportJson(const std::vector<BakeResult>& results, double seconds, int code);

}  // namespace baker
