#include "workbench/common/BesideThisProgram.h"

#include <windows.h>

namespace common {

std::string BesideThisProgram(const char* fileName) {
    wchar_t path[MAX_PATH] = {};
    const int length = static_cast<int>(GetModuleFileNameW(nullptr, path, MAX_PATH));
    // UTF-8, as every path of the workbench.
    const int n = WideCharToMultiByte(CP_UTF8, 0, path, length, nullptr, 0, nullptr, nullptr);
    std::string folder(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, path, length, &folder[0], n, nullptr, nullptr);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + fileName;
}

}  // namespace common
