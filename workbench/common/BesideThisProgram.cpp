#include "workbench/common/BesideThisProgram.h"

#include <windows.h>

namespace common {

std::string BesideThisProgram(const char* fileName) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + fileName;
}

}  // namespace common
