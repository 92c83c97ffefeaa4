#include "baker/OutputFiles.h"

#include <dirent.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <utility>

#include "workbench/io/GltfShellScene.h"

namespace baker {

namespace {

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

}  // namespace

std::vector<std::string> InputFiles(const std::vector<std::string>& scenes, const std::string& heightMap) {
    std::vector<std::string> files;
    for (const std::string& scene : scenes) {
        files.push_back(scene);
        if (EndsWith(scene, ".gltf") || EndsWith(scene, ".glb")) {
            // Its buffer and image files beside it.
            for (const std::string& file : wb::GltfReferencedFiles(scene.c_str())) files.push_back(file);
            continue;
        }
        if (!EndsWith(scene, ".obj")) continue;
        // The material libraries it names ("mtllib a.mtl b.mtl"), beside it; read in pieces of a
        // bounded size, so that a line without end costs no more than a short one.
        struct stat st;
        if (stat(scene.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        FILE* in = fopen(scene.c_str(), "rb");
        if (!in) continue;
        char piece[4096];
        bool lineStart = true;
        while (fgets(piece, sizeof piece, in)) {
            const size_t n = strlen(piece);
            const bool starts = lineStart;
            lineStart = n > 0 && piece[n - 1] == '\n';
            if (!starts) continue;
            const char* text = piece + strspn(piece, " \t");
            if (strncmp(text, "mtllib", 6) != 0 || (text[6] != ' ' && text[6] != '\t')) continue;
            std::istringstream words(text + 6);
            std::string word;
            while (words >> word) files.push_back(FolderOf(scene) + "/" + word);
        }
        fclose(in);
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
    // A staging folder holds files only.
    for (const std::string& name : FilesIn(stagingFolder)) unlink((stagingFolder + "/" + name).c_str());
    rmdir(stagingFolder.c_str());
}

}  // namespace baker
