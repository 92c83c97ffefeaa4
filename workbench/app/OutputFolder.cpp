#include "workbench/app/OutputFolder.h"

#include <windows.h>

namespace workbench {

namespace {

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates path and every missing folder above it, noting the ones it made.
bool MakeFolders(const std::string& path, std::vector<std::string>* made) {
    std::string partial;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (!partial.empty() && partial.back() != ':' && partial != "." && partial != ".." &&
                partial != "\\" && partial != "\\\\" && !IsFolder(partial)) {
                if (!CreateDirectoryA(partial.c_str(), nullptr)) {
                    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
                } else {
                    made->push_back(partial);
                }
            }
        }
        if (i < path.size()) partial += path[i];
    }
    return IsFolder(path);
}

// Calls visit(name, isFolder) for every entry of folder but "." and "..".
template <class Visit>
void ForEachEntry(const std::string& folder, Visit visit) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") visit(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void RemoveTree(const std::string& folder) {
    ForEachEntry(folder, [&](const std::string& name, bool isFolder) {
        const std::string path = folder + "\\" + name;
        if (isFolder) RemoveTree(path);
        else DeleteFileA(path.c_str());
    });
    RemoveDirectoryA(folder.c_str());
}

// Moves every entry of from into to, merging folders that exist in both.
bool MoveInto(const std::string& from, const std::string& to, std::string* failed) {
    bool ok = true;
    ForEachEntry(from, [&](const std::string& name, bool isFolder) {
        const std::string source = from + "\\" + name, target = to + "\\" + name;
        if (isFolder && IsFolder(target)) {
            ok = MoveInto(source, target, failed) && ok;
        } else if (!MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
            if (ok) *failed = target;
            ok = false;
        }
    });
    return ok;
}

const char kRunFolderPrefix[] = ".workbench-run-";
const char kLockFile[] = "running";

// Removes the folders of runs that are gone: their lock file can be deleted.
void RemoveAbandonedRuns(const std::string& folder) {
    ForEachEntry(folder, [&](const std::string& name, bool isFolder) {
        if (!isFolder || name.compare(0, sizeof kRunFolderPrefix - 1, kRunFolderPrefix) != 0) return;
        const std::string run = folder + "\\" + name;
        const std::string lock = run + "\\" + kLockFile;
        if (DeleteFileA(lock.c_str()) || GetFileAttributesA(lock.c_str()) == INVALID_FILE_ATTRIBUTES)
            RemoveTree(run);
    });
}

// The separator the person used in --out ("/" under Wine's Unix shells, "\" on Windows).
char Separator(const OutputFolder& folder) {
    return folder.given.find('/') != std::string::npos && folder.given.find('\\') == std::string::npos ? '/' : '\\';
}

}  // namespace

std::string FullPath(const std::string& path) {
    std::string name = path;
    for (char& c : name)
        if (c == '/') c = '\\';
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(name.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(full, n) : name;
}

bool OpenOutputFolder(const std::string& given, OutputFolder* folder, std::string* error) {
    *folder = OutputFolder();
    folder->given = given;
    folder->final = FullPath(given);
    while (folder->final.size() > 3 && folder->final.back() == '\\') folder->final.pop_back();
    // Named after the process, so that two runs into one folder keep apart.
    folder->work = folder->final + "\\" + kRunFolderPrefix + std::to_string(GetCurrentProcessId());
    if (MakeFolders(folder->final, &folder->madeFolders)) RemoveAbandonedRuns(folder->final);
    HANDLE lock = INVALID_HANDLE_VALUE;
    if (MakeFolders(folder->work, &folder->madeFolders))
        lock = CreateFileA((folder->work + "\\" + kLockFile).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (lock == INVALID_HANDLE_VALUE) {
        DiscardOutputFolder(folder);
        *error = "--out " + given + ": the folder cannot be created";
        return false;
    }
    folder->lock = lock;
    return true;
}

std::string WorkFile(const OutputFolder& folder, const char* name) { return folder.work + "\\" + name; }

std::string ShownFile(const OutputFolder& folder, const char* name) {
    std::string shown = folder.given;
    const char separator = Separator(folder);
    if (!shown.empty() && shown.back() != '/' && shown.back() != '\\') shown += separator;
    return shown + name;
}

std::string ShownText(const OutputFolder& folder, const std::string& message) {
    if (folder.work.empty()) return message;
    std::string text = message;
    const std::string inWork = folder.work + "\\";
    for (size_t at = text.find(inWork); at != std::string::npos; at = text.find(inWork, at)) {
        // The file's own name (up to the end of the path) keeps its characters; the folders in
        // between take the person's separator.
        size_t end = at + inWork.size();
        while (end < text.size() && text[end] != ':' && text[end] != '"' && text[end] != ' ') ++end;
        std::string rest = text.substr(at + inWork.size(), end - at - inWork.size());
        for (char& c : rest)
            if (c == '\\') c = Separator(folder);
        const std::string shown = ShownFile(folder, rest.c_str());
        text.replace(at, end - at, shown);
        at += shown.size();
    }
    return text;
}

static void Unlock(OutputFolder* folder) {
    if (folder->lock) CloseHandle(static_cast<HANDLE>(folder->lock));  // deletes the lock file
    folder->lock = nullptr;
}

bool CommitOutputFolder(OutputFolder* folder, std::string* error) {
    Unlock(folder);
    std::string failed;
    const bool moved = MoveInto(folder->work, folder->final, &failed);
    RemoveTree(folder->work);
    folder->work.clear();
    folder->madeFolders.clear();  // they hold the run's files now
    if (!moved) *error = ShownFile(*folder, failed.substr(folder->final.size() + 1).c_str()) + ": cannot be written";
    return moved;
}

void DiscardOutputFolder(OutputFolder* folder) {
    Unlock(folder);
    if (!folder->work.empty() && IsFolder(folder->work)) RemoveTree(folder->work);
    folder->work.clear();
    for (auto made = folder->madeFolders.rbegin(); made != folder->madeFolders.rend(); ++made)
        RemoveDirectoryA(made->c_str());  // only an empty folder goes
    folder->madeFolders.clear();
}

}  // namespace workbench
