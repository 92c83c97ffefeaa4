#include "workbench/common/RemoveFolder.h"

#include <windows.h>

namespace common {

void RemoveFolder(const std::string& folder) {
    std::string prefix = folder;
    if (prefix.empty()) return;
    if (prefix.back() != '\\' && prefix.back() != '/') prefix += '\\';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((prefix + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(prefix + name);
            else
                DeleteFileA((prefix + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(prefix.c_str());
}

}  // namespace common
