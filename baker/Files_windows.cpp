// The baking command's file system calls on Windows (see Files.h): UTF-8 paths through the
// system's wide-character calls, and the names as Windows takes them, with the workbench's own
// checks (workbench/app/OutputFolder.h).
#include "baker/Files.h"

#include <windows.h>

#include "workbench/app/OutputFolder.h"
#include "workbench/io/FileAccess.h"

namespace baker {

namespace {

std::wstring W(const std::string& path) { return wb::WideFromUtf8(path); }

// The system's message for the last error, in one line.
std::string LastErrorText() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = n && text ? wb::Utf8FromWide(std::wstring(text, n)) : std::string();
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                                message.back() == '.'))
        message.pop_back();
    return message.empty() ? "Windows error " + std::to_string(code) : message;
}

}  // namespace

size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

std::string FolderOf(const std::string& path) {
    const size_t slash = LastSeparator(path);
    if (slash == std::string::npos) return path.size() == 2 && path[1] == ':' ? path : ".";
    // "\\x", "C:\\x": the root keeps its separator.
    if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const size_t slash = LastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::string& path) { return wb::IsFolder(path); }

bool IsRegularFile(const std::string& path) { return wb::IsRegularFile(path); }

bool Exists(const std::string& path) {
    return !path.empty() && GetFileAttributesW(W(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(const std::string& folder, bool, std::string* why) {
    if (CreateDirectoryW(W(folder).c_str(), nullptr) || (GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(folder)))
        return true;
    *why = LastErrorText();
    return false;
}

FILE* OpenForReading(const std::string& path) { return wb::OpenFile(path, "rb"); }

FILE* OpenForWriting(const std::string& path) { return wb::OpenFile(path, "wb"); }

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(W(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = wb::Utf8FromWide(found.cFileName);
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool RenameReplacing(const std::string& from, const std::string& to, std::string* why) {
    if (MoveFileExW(W(from).c_str(), W(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    *why = LastErrorText();
    return false;
}

void RemoveFile(const std::string& path) { DeleteFileW(W(path).c_str()); }

void RemoveEmptyFolder(const std::string& folder) { RemoveDirectoryW(W(folder).c_str()); }

bool SameFile(const std::string& a, const std::string& b) { return workbench::SameFile(a, b); }

std::string NameKey(const std::string& path) {
    std::wstring full = W(workbench::FullPath(path));
    if (!full.empty()) CharUpperBuffW(&full[0], static_cast<DWORD>(full.size()));
    return wb::Utf8FromWide(full);
}

bool NamedAsSpelled(const std::string& path, std::string* error) {
    return workbench::CheckPathSpelling(path, workbench::FullPath(path), error);
}

unsigned long ProcessNumber() { return GetCurrentProcessId(); }

}  // namespace baker
