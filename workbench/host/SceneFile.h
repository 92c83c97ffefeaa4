// Helpers shared by the scene file readers and writers of the workbench host.
#pragma once

#include <windows.h>

#include <string>

namespace wb {
namespace detail {

// Puts message into *error (when given) and returns false.
inline bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

inline bool IsRegularFile(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

// Position just past the last path separator, skipping the trail bytes of CP932 characters.
inline size_t BaseNameStart(const std::string& s) {
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsDBCSLeadByte(c) && i + 1 < s.size()) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/') start = i + 1;
    }
    return start;
}

}  // namespace detail
}  // namespace wb
