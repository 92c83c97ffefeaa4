#include "baker/OutputFiles.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <sstream>
#include <utility>

#include "baker/BakeScene.h"
#include "baker/Files.h"
#include "workbench/io/GltfShellScene.h"

namespace baker {

namespace {

bool EndsWith(const std::string& text, const char* tail) {
    const size_t n = strlen(tail);
    return text.size() >= n && strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

bool SameBytes(const std::string& a, const std::string& b) {
    FILE* x = OpenForReading(a);
    FILE* y = OpenForReading(b);
    bool same = x && y;
    while (same) {
        char bx[65536], by[65536];
        const size_t nx = fread(bx, 1, sizeof bx, x), ny = fread(by, 1, sizeof by, y);
        same = nx == ny && memcmp(bx, by, nx) == 0;
        if (nx < sizeof bx) break;
    }
    if (x) fclose(x);
    if (y) fclose(y);
    return same;
}

}  // namespace

std::vector<std::string> InputFiles(const std::vector<std::string>& scenes, const std::string& heightMap) {
    std::vector<std::string> files;
    for (const std::string& scene : scenes) {
        files.push_back(scene);
        if (IsGltfFile(scene)) {
            // Its buffer and image files beside it.
            for (const std::string& file : wb::GltfReferencedFiles(scene.c_str())) files.push_back(file);
            continue;
        }
        if (!EndsWith(scene, ".obj")) continue;
        // The material libraries it names ("mtllib a.mtl b.mtl"), beside it; read in pieces of a
        // bounded size, so that a line without end costs no more than a short one.
        if (!IsRegularFile(scene)) continue;
        FILE* in = OpenForReading(scene);
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

bool StageOutput(const std::string& output, std::string* stagingFolder, std::string* stagedOutput,
                 std::string* error) {
    static int serial = 0;
    const std::string folder = FolderOf(output);
    if (!IsFolder(folder)) {
        *error = output + ": its folder " + folder + " does not exist";
        return false;
    }
    const std::string staging = folder + "/." + BaseName(output) + ".puffshell-" + std::to_string(ProcessNumber()) +
                                "-" + std::to_string(++serial);
    std::string why;
    if (Exists(staging) || !MakeFolder(staging, true, &why)) {
        *error = output + ": cannot be written in " + folder + " (" + (why.empty() ? "a file is in the way" : why) + ")";
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
    std::vector<std::string> names = NamesIn(stagingFolder);
    for (size_t i = 0; i + 1 < names.size(); ++i)
        if (names[i] == BaseName(output)) std::swap(names[i], names.back());
    for (const std::string& name : names) {
        const std::string from = stagingFolder + "/" + name, to = folder + "/" + name;
        const bool exists = Exists(to);
        if (exists && !IsRegularFile(to)) {
            *error = to + ": is in the way (not a regular file)";
            ok = false;
            break;
        }
        if (exists && name != BaseName(output) && SameBytes(from, to)) continue;
        std::string why;
        if (!RenameReplacing(from, to, &why)) {
            *error = to + ": cannot be written (" + why + ")";
            ok = false;
            break;
        }
    }
    DiscardStaged(stagingFolder);
    return ok;
}

void DiscardStaged(const std::string& stagingFolder) {
    // A staging folder holds files only.
    for (const std::string& name : NamesIn(stagingFolder)) RemoveFile(stagingFolder + "/" + name);
    RemoveEmptyFolder(stagingFolder);
}

}  // namespace baker
