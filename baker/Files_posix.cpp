// The baking command's file system calls on Linux (see Files.h).
#include "baker/Files.h"

#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace baker {

size_t LastSeparator(const std::string& path) { return path.find_last_of('/'); }

std::string FolderOf(const std::string& path) {
    const size_t slash = LastSeparator(path);
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const size_t slash = LastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool MakeFolder(const std::string& folder, bool owner, std::string* why) {
    if (mkdir(folder.c_str(), owner ? 0700 : 0777) == 0 || (errno == EEXIST && IsFolder(folder))) return true;
    *why = strerror(errno);
    return false;
}

FILE* OpenForReading(const std::string& path) { return fopen(path.c_str(), "rb"); }

FILE* OpenForWriting(const std::string& path) { return fopen(path.c_str(), "wb"); }

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

bool RenameReplacing(const std::string& from, const std::string& to, std::string* why) {
    if (rename(from.c_str(), to.c_str()) == 0) return true;
    *why = strerror(errno);
    return false;
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }

void RemoveEmptyFolder(const std::string& folder) { rmdir(folder.c_str()); }

bool SameFile(const std::string& a, const std::string& b) {
    struct stat x, y;
    return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

std::string NameKey(const std::string& path) { return path; }

bool NamedAsSpelled(const std::string&, std::string*) { return true; }

unsigned long ProcessNumber() { return static_cast<unsigned long>(getpid()); }

}  // namespace baker
