#include "workbench/app/OutputFolder.h"

#include <algorithm>

#include <windows.h>

#include "workbench/common/RemoveFolder.h"

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

// Moves every entry of from into to, merging folders that exist in both; *moved gets the names
// moved (relative to the first call's to, with "\\" between folders).
bool MoveInto(const std::string& from, const std::string& to, const std::string& prefix, std::string* failed,
              std::vector<std::string>* moved) {
    bool ok = true;
    ForEachEntry(from, [&](const std::string& name, bool isFolder) {
        const std::string source = from + "\\" + name, target = to + "\\" + name;
        if (isFolder && IsFolder(target)) {
            ok = MoveInto(source, target, prefix + name + "\\", failed, moved) && ok;
        } else if (!MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
            if (ok) *failed = target;
            ok = false;
        } else {
            moved->push_back(prefix + name);
        }
    });
    return ok;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether a new file can be made in folder: one is made and deleted again.
bool CanWriteIn(const std::string& folder) {
    const std::string probe = folder + "\\.workbench-probe-" + std::to_string(GetCurrentProcessId());
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
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
            common::RemoveFolder(run);
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
        *error = "--out " + given + (IsFile(folder->final)      ? ": is a file, not a folder"
                                     : IsFolder(folder->final) ? ": the folder cannot be written"
                                                               : ": the folder cannot be created");
        return false;
    }
    folder->lock = lock;
    return true;
}

bool AddFileElsewhere(OutputFolder* folder, const std::string& given, std::string* workPath, std::string* error) {
    OutputFolder::Elsewhere file;
    file.given = given;
    file.final = FullPath(given);
    const size_t slash = file.final.find_last_of('\\');
    const std::string parent = slash == std::string::npos ? std::string(".") : file.final.substr(0, slash);
    if (IsFolder(file.final)) {
        *error = given + ": is a folder";
        return false;
    }
    if (!MakeFolders(parent, &folder->madeFolders)) {
        *error = given + ": its folder cannot be created";
        return false;
    }
    // An existing file is opened without being changed; else a file is tried beside it.
    bool writable = false;
    if (IsFile(file.final)) {
        HANDLE existing = CreateFileA(file.final.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        writable = existing != INVALID_HANDLE_VALUE;
        if (writable) CloseHandle(existing);
    } else {
        writable = CanWriteIn(parent);
    }
    if (!writable) {
        *error = given + ": cannot be written";
        return false;
    }
    file.work = folder->work + "\\.elsewhere-" + std::to_string(folder->elsewhere.size()) +
                file.final.substr(slash == std::string::npos ? 0 : slash + 1);
    *workPath = file.work;
    folder->elsewhere.push_back(file);
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
    folder->placed.clear();
    folder->placedElsewhere.clear();
    // The files placed elsewhere first: when one cannot be, the output folder stays as it was.
    std::vector<std::string> elsewhere;
    std::string failedElsewhere;
    for (const OutputFolder::Elsewhere& file : folder->elsewhere) {
        if (!IsFile(file.work)) continue;  // not written after all
        if (MoveFileExA(file.work.c_str(), file.final.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
            elsewhere.push_back(file.given);
        else if (failedElsewhere.empty())
            failedElsewhere = file.given;
    }
    if (!failedElsewhere.empty()) {
        DiscardOutputFolder(folder);
        *error = failedElsewhere + ": cannot be written";
        return false;
    }
    std::string failed;
    std::vector<std::string> moved;
    const bool movedAll = MoveInto(folder->work, folder->final, "", &failed, &moved);
    std::sort(moved.begin(), moved.end());
    for (std::string& name : moved) {
        for (char& c : name)
            if (c == '\\') c = Separator(*folder);
        folder->placed.push_back(name);
    }
    folder->placedElsewhere = elsewhere;
    common::RemoveFolder(folder->work);
    folder->work.clear();
    folder->madeFolders.clear();  // they hold the run's files now
    if (!movedAll) *error = ShownFile(*folder, failed.substr(folder->final.size() + 1).c_str()) + ": cannot be written";
    return movedAll;
}

void DiscardOutputFolder(OutputFolder* folder) {
    Unlock(folder);
    if (!folder->work.empty() && IsFolder(folder->work)) common::RemoveFolder(folder->work);
    folder->work.clear();
    for (auto made = folder->madeFolders.rbegin(); made != folder->madeFolders.rend(); ++made)
        RemoveDirectoryA(made->c_str());  // only an empty folder goes
    folder->madeFolders.clear();
}

}  // namespace workbench
