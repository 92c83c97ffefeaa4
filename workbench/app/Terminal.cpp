#include "workbench/app/Terminal.h"

#include <stdarg.h>

#include <vector>

#include <windows.h>

namespace workbench {

namespace {

std::wstring Widen(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string Narrow(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) return std::string();
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr,
                            nullptr);
    return text;
}

}  // namespace

bool RunningUnderWine() {
    static const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

void Print(FILE* stream, const std::string& text) {
    fflush(stream);
    HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Widen(text, CP_UTF8);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const std::string bytes = RunningUnderWine() ? text : Narrow(Widen(text, CP_UTF8), CP_ACP);
    fwrite(bytes.data(), 1, bytes.size(), stream);
    fflush(stream);
}

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::vector<char> text(static_cast<size_t>(n > 0 ? n : 0) + 1);
    vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    Print(stdout, std::string(text.data()));
}

std::string PathForPeople(const std::string& windowsPath) {
    typedef char*(CDECL * UnixName)(const wchar_t*);
    static const UnixName toUnix = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix || windowsPath.empty()) return windowsPath;
    char* unixName = toUnix(Widen(windowsPath, CP_UTF8).c_str());
    if (!unixName) return windowsPath;
    const std::string shown = unixName;  // UTF-8, as the program's own strings
    HeapFree(GetProcessHeap(), 0, unixName);
    return shown.empty() ? windowsPath : shown;
}

}  // namespace workbench
