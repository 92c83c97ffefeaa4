// One mesh's measurements: the real Puffshell.dll in the workbench host, driven through its panel,
// on one subdivided icosahedron. Run in a process of its own so that the peak memory figures
// belong to that mesh alone.
#pragma once

#include <stdint.h>

#include <string>

#include "workbench/bench/BenchSteps.h"

// Measures the icosahedron subdivided `level` times. leakRedraws redraws per case go into the
// check that nothing grows between redraws (0 skips it). False with *error when the plug-in or
// the host could not be set up.
bool RunLevel(int32_t level, int32_t leakRedraws, Figures* figures, std::string* error);

// "key value" lines, and back.
bool WriteFigures(const std::string& path, const Figures& figures);
bool ReadFigures(const std::string& path, Figures* figures);
// The value of key, or fallback when it is missing.
double FigureOf(const Figures& figures, const std::string& key, double fallback = -1.0);
