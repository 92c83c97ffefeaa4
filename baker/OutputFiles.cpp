#include "baker/OutputFiles.h"

#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <utility>

namespace baker {

namespace {

// The staging folders not yet settled, as fixed buffers that a signal handler can read.
constexpr int kMaxStaged = 8;
constexpr size_t kMaxPath = 4096;
char g_staged[kMaxStaged][kMaxPath];
std::atomic<bool> g_stagedUsed[kMaxStaged];

void Register(const std::string& folder) {
    for (int i = 0; i < kMaxStaged; ++i) {
        if (g_stagedUsed[i].load() || folder.size() >= kMaxPath) continue;
        memcpy(g_staged[i], folder.c_str(), folder.size() + 1);
        g_stagedUsed[i].store(true);
        return;
    }
}

void Unregister(const std::string& folder) {
    for (int i = 0; i < kMaxStaged; ++i)
        if (g_stagedUsed[i].load() && folder == g_staged[i]) g_stagedUsed[i].store(false);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWith(const std::string& text, const char* tail) {
    const size_t n = strlen(tail);
    return text.size() >= n && strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
        closedir(dir);
    }
    return names;
}

bool SameBytes(const std::string& a, const std::string& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    if (!x || !y) return false;
    std::ostringstream bx, by;
    bx << x.rdbuf();
    by << y.rdbuf();
    return bx.str() == by.str();
}

// Removes a folder and the files in it (a staging folder holds no folders); safe in a signal
// handler.
void RemoveFolderSignalSafe(const char* folder) {
    if (DIR* dir = opendir(folder)) {
        char path[kMaxPath * 2];
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.' && (!entry->d_name[1] || (entry->d_name[1] == '.' && !entry->d_name[2])))
                continue;
            const size_t n = strlen(folder), m = strlen(entry->d_name);
            if (n + m + 2 > sizeof path) continue;
            memcpy(path, folder, n);
            path[n] = '/';
            memcpy(path + n + 1, entry->d_name, m + 1);
            unlink(path);
        }
        closedir(dir);
    }
    rmdir(folder);
}

}  // namespace

std::vector<std::string> InputFiles(const std::vector<std::string>& scenes, const std::string& heightMap) {
    std::vector<std::string> files;
    for (const std::string& scene : scenes) {
        files.push_back(scene);
        if (!EndsWith(scene, ".obj")) continue;
        // The material libraries it names ("mtllib a.mtl b.mtl"), beside it.
        std::ifstream in(scene);
        std::string line;
        for (int lines = 0; lines < 1000000 && std::getline(in, line); ++lines) {
            const size_t first = line.find_first_not_of(" \t");
            if (first == std::string::npos || line.compare(first, 6, "mtllib") != 0) continue;
            std::istringstream words(line);
            std::string word;
            if (!(words >> word) || word != "mtllib") continue;
            while (words >> word) files.push_back(FolderOf(scene) + "/" + word);
        }
    }
    if (!heightMap.empty()) files.push_back(heightMap);
    return files;
}

std::vector<std::string> OutputFilesOf(const std::string& output) {
    std::vector<std::string> files = {output};
    if (EndsWith(output, ".obj")) files.push_back(output.substr(0, output.size() - 4) + ".mtl");
    return files;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat x, y;
    return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

bool StageOutput(const std::string& output, std::string* stagingFolder, std::string* stagedOutput,
                 std::string* error) {
    static int serial = 0;
    const std::string folder = FolderOf(output);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        *error = output + ": its folder " + folder + " does not exist";
        return false;
    }
    const std::string staging = folder + "/." + BaseName(output) + ".puffshell-" + std::to_string(getpid()) + "-" +
                                std::to_string(++serial);
    if (mkdir(staging.c_str(), 0700) != 0) {
        *error = output + ": cannot be written in " + folder + " (" + strerror(errno) + ")";
        return false;
    }
    Register(staging);
    *stagingFolder = staging;
    *stagedOutput = staging + "/" + BaseName(output);
    return true;
}

bool CommitStaged(const std::string& stagingFolder, const std::string& output, std::string* error) {
    const std::string folder = FolderOf(output);
    bool ok = true;
    // The scene last: while it is not in place, no reader takes the files beside it for a result.
    std::vector<std::string> names = FilesIn(stagingFolder);
    for (size_t i = 0; i + 1 < names.size(); ++i)
        if (names[i] == BaseName(output)) std::swap(names[i], names.back());
    for (const std::string& name : names) {
        const std::string from = stagingFolder + "/" + name, to = folder + "/" + name;
        struct stat st;
        const bool exists = stat(to.c_str(), &st) == 0;
        if (exists && !S_ISREG(st.st_mode)) {
            *error = to + ": is in the way (not a regular file)";
            ok = false;
            break;
        }
        if (exists && name != BaseName(output) && SameBytes(from, to)) continue;
        if (rename(from.c_str(), to.c_str()) != 0) {
            *error = to + ": cannot be written (" + strerror(errno) + ")";
            ok = false;
            break;
        }
    }
    DiscardStaged(stagingFolder);
    return ok;
}

void DiscardStaged(const std::string& stagingFolder) {
    RemoveFolderSignalSafe(stagingFolder.c_str());
    Unregister(stagingFolder);
}

void RemoveStagedOnSignal() {
    for (int i = 0; i < kMaxStaged; ++i)
        if (g_stagedUsed[i].load()) RemoveFolderSignalSafe(g_staged[i]);
}

}  // namespace baker
