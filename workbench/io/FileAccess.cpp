#include "workbench/io/FileAccess.h"

#include <string.h>
#include <windows.h>

#include <algorithm>
#include <vector>

namespace wb {

namespace {

constexpr UINT kHostCodePage = 932;

DWORD Attributes(const std::string& path) {
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(WideFromUtf8(path).c_str());
}

// The wide text in code page 932, or false when that code page lacks one of its characters.
bool WideToHost(const std::wstring& wide, std::string* out) {
    out->clear();
    if (wide.empty()) return true;
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(kHostCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                      static_cast<int>(wide.size()), nullptr, 0, nullptr, &lost);
    if (n <= 0 || lost) return false;
    out->resize(static_cast<size_t>(n));
    WideCharToMultiByte(kHostCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                        static_cast<int>(wide.size()), &(*out)[0], n, nullptr, &lost);
    return !lost;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& utf8) {
    if (utf8.empty() || utf8.size() > 0x7FFFFFFF) return std::wstring();
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n);
    return wide;
}

std::string Utf8FromWide(const std::wstring& wide) {
    if (wide.empty() || wide.size() > 0x1FFFFFFF) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n,
                            nullptr, nullptr);
    return text;
}

FILE* OpenFile(const std::string& path, const char* mode) {
    if (path.empty() || !mode) return nullptr;
    const std::wstring wideMode(mode, mode + strlen(mode));
    return _wfopen(WideFromUtf8(path).c_str(), wideMode.c_str());
}

bool IsRegularFile(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileSize(const std::string& path, uint64_t* size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() ||
        !GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool ReadWholeFile(const std::string& path, uint64_t maxBytes, std::string* bytes) {
    bytes->clear();
    if (!IsRegularFile(path)) return false;
    HANDLE h =
        CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = false;
    LARGE_INTEGER size;
    // A disk file only: a device or pipe under a file's name has no size to read up to.
    if (GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size) && size.QuadPart >= 0 &&
        static_cast<uint64_t>(size.QuadPart) <= maxBytes &&
        static_cast<uint64_t>(size.QuadPart) <= SIZE_MAX) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        size_t done = 0;
        while (done < bytes->size()) {
            const DWORD chunk =
                static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1u << 24));
            DWORD got = 0;
            if (!ReadFile(h, &(*bytes)[done], chunk, &got, nullptr) || got == 0) break;
            done += got;
        }
        ok = done == bytes->size();
    }
    CloseHandle(h);
    if (!ok) bytes->clear();
    return ok;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(), FALSE) != 0;
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty()) return std::string();
    std::wstring wide = WideFromUtf8(path);
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return std::string();
    std::vector<wchar_t> full(n + 1);
    const DWORD got = GetFullPathNameW(wide.c_str(), n + 1, full.data(), nullptr);
    if (got == 0 || got > n) return std::string();
    return Utf8FromWide(std::wstring(full.data(), got));
}

std::string HostReadablePath(const std::string& path) {
    const std::wstring wide = WideFromUtf8(path);
    std::string host;
    if (wide.empty()) return host;
    if (WideToHost(wide, &host)) return host;
    const DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (n == 0) return std::string();
    std::vector<wchar_t> shortPath(n + 1);
    const DWORD got = GetShortPathNameW(wide.c_str(), shortPath.data(), n + 1);
    if (got == 0 || got > n || !WideToHost(std::wstring(shortPath.data(), got), &host))
        return std::string();
    return host;
}

std::string PathFromHost(const std::string& hostPath) {
    std::wstring wide;
    if (!hostPath.empty()) {
        const int n = MultiByteToWideChar(kHostCodePage, 0, hostPath.data(),
                                          static_cast<int>(hostPath.size()), nullptr, 0);
        wide.resize(static_cast<size_t>(n > 0 ? n : 0));
        if (n > 0)
            MultiByteToWideChar(kHostCodePage, 0, hostPath.data(),
                                static_cast<int>(hostPath.size()), &wide[0], n);
    }
    const DWORD n = wide.empty() ? 0 : GetLongPathNameW(wide.c_str(), nullptr, 0);
    if (n > 0) {
        std::vector<wchar_t> longPath(n + 1);
        const DWORD got = GetLongPathNameW(wide.c_str(), longPath.data(), n + 1);
        if (got > 0 && got <= n) return Utf8FromWide(std::wstring(longPath.data(), got));
    }
    return Utf8FromWide(wide);
}

}  // namespace wb
