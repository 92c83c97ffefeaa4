#pragma once

#include <string>

namespace common {

// Full path of fileName in the folder of the running program (its .exe, not the current folder).
std::string BesideThisProgram(const char* fileName);

}  // namespace common
