#include "workbench/common/RemoveFolder.h"

#include <windows.h>

namespace common {

namespace {

// Removes the link at path itself, not what it points to.
void RemoveLink(const std::string& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryA(path.c_str());
    else
        DeleteFileA(path.c_str());
}

}  // namespace

void RemoveFolder(const std::string& folder) {
    std::string path = folder;
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    if (path.empty() || path.back() == ':') return;  // never a whole drive
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveLink(path, attributes);
        return;
    }
    const std::string prefix = path + "\\";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((prefix + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                RemoveLink(prefix + name, found.dwFileAttributes);
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(prefix + name);
            else
                DeleteFileA((prefix + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

}  // namespace common
