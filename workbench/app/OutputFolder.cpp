#include "workbench/app/OutputFolder.h"

#include <stdio.h>

#include <algorithm>

#include <windows.h>

#include "workbench/common/RemoveFolder.h"
#include "workbench/io/FileAccess.h"

namespace workbench {

namespace {

using wb::IsFolder;

// Paths are UTF-8; the system takes them in UTF-16.
std::wstring W(const std::string& path) { return wb::WideFromUtf8(path); }

// Creates path and every missing folder above it, noting the ones it made.
bool MakeFolders(const std::string& path, std::vector<std::string>* made) {
    std::string partial;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (!partial.empty() && partial.back() != ':' && partial != "." && partial != ".." &&
                partial != "\\" && partial != "\\\\" && !IsFolder(partial)) {
                if (!CreateDirectoryW(W(partial).c_str(), nullptr)) {
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
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(W(folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = wb::Utf8FromWide(found.cFileName);
        if (name != "." && name != "..") visit(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(search, &found));
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
        } else if (!MoveFileExW(W(source).c_str(), W(target).c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
            if (ok) *failed = target;
            ok = false;
        } else {
            moved->push_back(prefix + name);
        }
    });
    return ok;
}

bool IsFile(const std::string& path) { return wb::IsRegularFile(path); }

// Whether a file can be moved to target, replacing what is there: no folder in the way, and an
// existing file that may be written.
bool CanReplace(const std::string& target) {
    const DWORD attributes = GetFileAttributesW(W(target).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
    HANDLE existing = CreateFileW(W(target).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (existing == INVALID_HANDLE_VALUE) return false;
    CloseHandle(existing);
    return true;
}

// Whether MoveInto(from, to) can move every entry: checked before the first move, so that a
// commit that cannot finish changes nothing. *failed: the first target in the way.
bool CanMoveInto(const std::string& from, const std::string& to, std::string* failed) {
    bool ok = true;
    ForEachEntry(from, [&](const std::string& name, bool isFolder) {
        const std::string target = to + "\\" + name;
        const bool fits = !isFolder ? CanReplace(target)
                          : IsFolder(target) ? CanMoveInto(from + "\\" + name, target, failed)
                                             : GetFileAttributesW(W(target).c_str()) == INVALID_FILE_ATTRIBUTES;
        if (!fits && ok && failed->empty()) *failed = target;
        ok = ok && fits;
    });
    return ok;
}

// Whether a new file can be made in folder: one is made and deleted again.
bool CanWriteIn(const std::string& folder) {
    const std::string probe = folder + "\\.workbench-probe-" + std::to_string(GetCurrentProcessId());
    HANDLE file = CreateFileW(W(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

const char kRunFolderPrefix[] = ".workbench-run-";
const char kLockFile[] = "running";
// In the output folder while a run holds it: open without sharing, deleted when closed (by the
// system too, when the process dies).
const char kFolderLockFile[] = ".workbench-busy";
// The run folder's name: the prefix, the process ID and 8 hexadecimal digits of the moment, as
// Wine gives the same process IDs again in every prefix.
const size_t kRunStampDigits = 8;

std::string RunFolderName() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const unsigned stamp = static_cast<unsigned>(now.QuadPart ^ (now.QuadPart >> 32)) ^ GetTickCount();
    char digits[16];
    snprintf(digits, sizeof digits, "%08x", stamp);
    return kRunFolderPrefix + std::to_string(GetCurrentProcessId()) + "-" + digits;
}

// Whether name has exactly the form RunFolderName gives.
bool IsRunFolderName(const std::string& name) {
    const size_t prefix = sizeof kRunFolderPrefix - 1;
    if (name.compare(0, prefix, kRunFolderPrefix) != 0) return false;
    const size_t dash = name.find('-', prefix);
    if (dash == std::string::npos || dash == prefix || dash > prefix + 10 ||
        name.size() != dash + 1 + kRunStampDigits)
        return false;
    for (size_t i = prefix; i < name.size(); ++i) {
        const char c = name[i];
        const bool digit = c >= '0' && c <= '9', hex = digit || (c >= 'a' && c <= 'f');
        if (i < dash ? !digit : i > dash && !hex) return false;
    }
    return true;
}

// The longest full path of --out whose run files fit the MAX_PATH the host's image loader and
// the plug-in's file dialogs take: the run folder and a file name of up to 40 characters below it.
const size_t kMaxOutPath = MAX_PATH - 1 - (1 + sizeof kRunFolderPrefix + 10 + kRunStampDigits) - (1 + 40);

// Removes the folders of runs that are gone: their lock file can be deleted.
void RemoveAbandonedRuns(const std::string& folder) {
    ForEachEntry(folder, [&](const std::string& name, bool isFolder) {
        if (!isFolder || !IsRunFolderName(name)) return;
        const std::string run = folder + "\\" + name;
        const std::string lock = run + "\\" + kLockFile;
        if (DeleteFileW(W(lock).c_str()) ||
            GetFileAttributesW(W(lock).c_str()) == INVALID_FILE_ATTRIBUTES)
            common::RemoveFolder(run);
    });
}

// Splits path at its separators into its names (empty ones dropped).
std::vector<std::string> Names(const std::string& path) {
    std::vector<std::string> names;
    std::string name;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (!name.empty()) names.push_back(name);
            name.clear();
        } else {
            name += path[i];
        }
    }
    return names;
}

// Whether Windows takes name for a device ("nul", "CON.txt", "com1 "), whatever folder it is in.
bool IsDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
        stem == "CONOUT$")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

// The separator the person used in --out ("/" under Wine's Unix shells, "\" on Windows).
char Separator(const OutputFolder& folder) {
    return folder.given.find('/') != std::string::npos && folder.given.find('\\') == std::string::npos ? '/' : '\\';
}

}  // namespace

bool CheckPathSpelling(const std::string& given, const std::string& full, std::string* error) {
    for (const std::string& name : Names(given)) {
        if (name == "." || name == ".." || name.back() == ':') continue;
        if (IsDeviceName(name)) {
            *error = given + ": \"" + name + "\" is the name of a device under Windows, not of a file or folder";
            return false;
        }
        if (name.back() == '.' || name.back() == ' ') {
            std::string kept = name;
            while (!kept.empty() && (kept.back() == '.' || kept.back() == ' ')) kept.pop_back();
            *error = given + ": Windows drops the trailing dots and spaces of \"" + name + "\", which would make it \"" +
                     kept + "\"; choose another name";
            return false;
        }
    }
    // Each name of the full path that exists, as the system holds it.
    const std::vector<std::string> names = Names(full);
    const bool shared = full.compare(0, 2, "\\\\") == 0;  // \\server\share\...
    if (shared && names.size() < 2) return true;
    size_t first = shared ? 2 : !names.empty() && names[0].size() == 2 && names[0][1] == ':' ? 1 : 0;
    std::string path = shared ? "\\\\" + names[0] + "\\" + (names.size() > 1 ? names[1] : "")
                              : first ? names[0] : "";
    for (size_t i = first; i < names.size(); ++i) {
        const std::string& name = names[i];
        path += "\\" + name;
        if (name.find_first_of("*?") != std::string::npos) break;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(W(path).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) break;  // nothing of that name: neither below it
        FindClose(search);
        const std::string held = wb::Utf8FromWide(found.cFileName);
        if (held != name) {
            *error = given + ": \"" + name + "\" is the existing \"" + held +
                     "\" under another spelling (names differing only in case are one name here); give \"" +
                     held + "\" or choose another name";
            return false;
        }
    }
    return true;
}

std::string FullPath(const std::string& path) {
    const std::string full = wb::AbsolutePath(path);
    if (!full.empty()) return full;
    std::string name = path;
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

namespace {

// The volume and index of an existing file; false when it cannot be opened.
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file = CreateFileW(W(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool got = GetFileInformationByHandle(file, info) != 0;
    CloseHandle(file);
    return got;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    const std::wstring fullA = W(FullPath(a)), fullB = W(FullPath(b));
    if (CompareStringOrdinal(fullA.c_str(), -1, fullB.c_str(), -1, TRUE) == CSTR_EQUAL) return true;
    BY_HANDLE_FILE_INFORMATION infoA, infoB;
    return FileIdentity(a, &infoA) && FileIdentity(b, &infoB) &&
           infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

bool OpenOutputFolder(const std::string& given, OutputFolder* folder, std::string* error) {
    *folder = OutputFolder();
    folder->given = given;
    folder->final = FullPath(given);
    while (folder->final.size() > 3 && folder->final.back() == '\\') folder->final.pop_back();
    if (!CheckPathSpelling(given, folder->final, error)) {
        *error = "--out " + *error;
        return false;
    }
    const size_t length = W(folder->final).size();
    if (length > kMaxOutPath) {
        *error = "--out " + given + ": its full path is " + std::to_string(length) +
                 " characters long, more than the " + std::to_string(kMaxOutPath) +
                 " a run's files leave room for (the plug-in's file dialogs and the host's image "
                 "loader take paths of at most " + std::to_string(MAX_PATH) + "); choose a shorter folder";
        return false;
    }
    folder->work = folder->final + "\\" + RunFolderName();
    HANDLE lock = INVALID_HANDLE_VALUE;
    if (MakeFolders(folder->final, &folder->madeFolders)) {
        HANDLE held =
            CreateFileW(W(folder->final + "\\" + kFolderLockFile).c_str(), GENERIC_WRITE, 0, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (held == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
            DiscardOutputFolder(folder);
            *error = "--out " + given +
                     ": another workbench run is writing into this folder; wait for its end or "
                     "choose another folder (a run that is stuck ends with Ctrl+C in its terminal, "
                     "or with kill on its process)";
            return false;
        }
        // Without the folder's lock no run is kept out: the run does not start either.
        if (held != INVALID_HANDLE_VALUE) {
            folder->folderLock = held;
            RemoveAbandonedRuns(folder->final);
            if (MakeFolders(folder->work, &folder->madeFolders))
                lock = CreateFileW(W(folder->work + "\\" + kLockFile).c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        }
    }
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
    if (!CheckPathSpelling(given, file.final, error)) return false;
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
        HANDLE existing =
            CreateFileW(W(file.final).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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

// Lets other runs into the output folder (deletes its lock file).
static void ReleaseFolder(OutputFolder* folder) {
    if (folder->folderLock) CloseHandle(static_cast<HANDLE>(folder->folderLock));
    folder->folderLock = nullptr;
}

bool CommitOutputFolder(OutputFolder* folder, std::string* error) {
    Unlock(folder);
    folder->placed.clear();
    folder->placedElsewhere.clear();
    // Every target is checked first: a commit that cannot finish changes nothing.
    std::string blocked;
    for (const OutputFolder::Elsewhere& file : folder->elsewhere)
        if (blocked.empty() && IsFile(file.work) && !CanReplace(file.final)) blocked = file.given;
    std::string inOut;
    if (blocked.empty() && !CanMoveInto(folder->work, folder->final, &inOut))
        blocked = ShownFile(*folder, inOut.substr(folder->final.size() + 1).c_str());
    if (!blocked.empty()) {
        DiscardOutputFolder(folder);
        *error = blocked + ": cannot be written (a folder of that name, or a file that cannot be replaced, is in the way)";
        return false;
    }
    // The files placed elsewhere first: when one cannot be, the output folder stays as it was.
    std::vector<std::string> elsewhere;
    std::string failedElsewhere;
    for (const OutputFolder::Elsewhere& file : folder->elsewhere) {
        if (!IsFile(file.work)) continue;  // not written after all
        if (MoveFileExW(W(file.work).c_str(), W(file.final).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
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
    ReleaseFolder(folder);
    if (!movedAll) *error = ShownFile(*folder, failed.substr(folder->final.size() + 1).c_str()) + ": cannot be written";
    return movedAll;
}

void DiscardOutputFolder(OutputFolder* folder) {
    Unlock(folder);
    if (!folder->work.empty() && IsFolder(folder->work)) common::RemoveFolder(folder->work);
    folder->work.clear();
    ReleaseFolder(folder);
    for (auto made = folder->madeFolders.rbegin(); made != folder->madeFolders.rend(); ++made)
        RemoveDirectoryW(W(*made).c_str());  // only an empty folder goes
    folder->madeFolders.clear();
}

}  // namespace workbench
