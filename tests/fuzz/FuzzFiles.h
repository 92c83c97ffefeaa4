// What the fuzz targets that go through files share: a private folder for the process, the
// input cut into the files of a scene, and the host's per-run state put back.
#pragma once

#include <ftw.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "workbench/host/Model.h"

namespace fuzz {

// A folder of this process's own under TMPDIR (or /tmp), removed with everything in it at exit.
// Ends with "/".
inline const std::string& Folder() {
    static std::string folder;
    if (folder.empty()) {
        const char* tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/puffshell-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0])) {
            perror("fuzz: mkdtemp");
            abort();
        }
        folder = pattern + "/";
        atexit([] {
            nftw(
                folder.c_str(),
                [](const char* path, const struct stat*, int, struct FTW*) { return remove(path); },
                16, FTW_DEPTH | FTW_PHYS);
        });
    }
    return folder;
}

// Writes bytes to name in Folder() and returns the file's path.
inline std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = Folder() + name;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) {
        perror(path.c_str());
        abort();
    }
    return path;
}

inline void RemoveFile(const std::string& name) { remove((Folder() + name).c_str()); }

// The marker lines that cut a scene input into its files: the OBJ file (scene.obj), then the
// material library it may name (scene.mtl), then a texture that library may name (tex.png).
constexpr char kMtlMarker[] = "\n@mtl\n";
constexpr char kTextureMarker[] = "\n@tex\n";

// Writes the three files of a scene input (a part the input lacks is no file) and returns the
// OBJ file's path.
inline std::string WriteScene(const uint8_t* data, size_t size) {
    std::string obj(reinterpret_cast<const char*>(data), size), mtl, texture;
    bool hasMtl = false, hasTexture = false;
    size_t at = obj.find(kTextureMarker);
    if (at != std::string::npos) {
        texture = obj.substr(at + strlen(kTextureMarker));
        obj.resize(at);
        hasTexture = true;
    }
    at = obj.find(kMtlMarker);
    if (at != std::string::npos) {
        mtl = obj.substr(at + strlen(kMtlMarker));
        obj.resize(at);
        hasMtl = true;
    }
    if (hasMtl)
        WriteFile("scene.mtl", mtl);
    else
        RemoveFile("scene.mtl");
    if (hasTexture)
        WriteFile("tex.png", texture);
    else
        RemoveFile("tex.png");
    return WriteFile("scene.obj", obj);
}

// Releases the documents that loads replaced. The host keeps them (empty) so that a plug-in's
// stale handle stays harmless; a fuzzer that loads millions of scenes and keeps no handle lets
// them go, or they would fill its memory.
inline void ReleaseRetiredDocuments() {
    wb::detail::HostState& s = wb::detail::State();
    for (wb::detail::Document* d : s.retired) delete d;
    s.retired.clear();
}

// Stops the run with a message when a property the code promises does not hold.
#define FUZZ_CHECK(condition, ...)                                  \
    do {                                                            \
        if (!(condition)) {                                         \
            fprintf(stderr, "fuzz check failed: %s: ", #condition); \
            fprintf(stderr, __VA_ARGS__);                           \
            fputc('\n', stderr);                                    \
            abort();                                                \
        }                                                           \
    } while (0)

// A document a load that succeeded leaves: every face, corner and material index usable, every
// position and UV a number, and some faces.
inline void CheckLoadedDocument(const wb::detail::Document* d) {
    const size_t materials = d->materials.size();
    size_t faces = 0;
    for (const wb::detail::Object* o : d->objects) {
        FUZZ_CHECK(o, "an empty object slot after a load");
        for (const wb::detail::Vertex& v : o->vertices)
            FUZZ_CHECK(isfinite(v.p.x) && isfinite(v.p.y) && isfinite(v.p.z), "in %s",
                       o->name.c_str());
        for (const wb::detail::Face& f : o->faces) {
            FUZZ_CHECK(f.count >= 1 && f.count <= 4 && f.first >= 0 &&
                           static_cast<size_t>(f.first) + f.count <= o->corners.size(),
                       "face of %d corners from %d in %s", f.count, f.first, o->name.c_str());
            FUZZ_CHECK(
                f.material >= -1 && (f.material < 0 || static_cast<size_t>(f.material) < materials),
                "material %d of %zu", f.material, materials);
            for (int32_t k = 0; k < f.count; ++k) {
                const wb::detail::Corner& c = o->corners[f.first + k];
                FUZZ_CHECK(wb::detail::ValidVertex(o, c.vertex), "vertex %d in %s", c.vertex, o->name.c_str());
                FUZZ_CHECK(isfinite(c.uv.u) && isfinite(c.uv.v), "in %s", o->name.c_str());
            }
        }
        faces += o->faces.size();
    }
    FUZZ_CHECK(faces > 0, "a load that succeeds has faces");
}

}  // namespace fuzz
