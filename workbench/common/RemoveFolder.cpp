#include "workbench/common/RemoveFolder.h"

#include <windows.h>

#include "workbench/io/FileAccess.h"

namespace common {

namespace {

// Paths are UTF-8, as every path of the workbench; the system takes them in UTF-16.
std::wstring W(const std::string& path) { return wb::WideFromUtf8(path); }

// Removes the link at path itself, not what it points to.
void RemoveLink(const std::string& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryW(W(path).c_str());
    else
        DeleteFileW(W(path).c_str());
}

}  // namespace

void RemoveFolder(const std::string& folder) {
    std::string path = folder;
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    if (path.empty() || path.back() == ':') return;  // never a whole drive
    const DWORD attributes = GetFileAttributesW(W(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveLink(path, attributes);
        return;
    }
    const std::string prefix = path + "\\";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(W(prefix + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = wb::Utf8FromWide(found.cFileName);
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                RemoveLink(prefix + name, found.dwFileAttributes);
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(prefix + name);
            else
                DeleteFileW(W(prefix + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(W(path).c_str());
}

}  // namespace common
