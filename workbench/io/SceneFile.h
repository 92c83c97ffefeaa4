// Helpers shared by the scene file readers and writers of the workbench host.
#pragma once

#include <math.h>
#include <stdint.h>

#include <algorithm>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "workbench/host/Model.h"
#include "workbench/io/FileAccess.h"
#include "workbench/io/TextEncoding.h"

namespace wb {
namespace detail {

// MTL statements of this host's own, which other readers pass over: the material shows its
// faces' vertex colours ("vertex_colors 1"); the material's diffuse, ambient and emission factors
// ("light_factors 0.8 0.6 0"), which Kd, Ka and Ke hold only multiplied by its colour.
constexpr char kMtlVertexColors[] = "vertex_colors";
constexpr char kMtlLightFactors[] = "light_factors";

// The name written for faces without a material: tinyobjloader and other readers take a name no
// library defines as no material.
constexpr char kNoMaterial[] = "none";

// A name or file name as the saved files give it, in UTF-8: its kept original (see Model.h), else
// the host's text.
inline std::string OriginalText(const std::string& host, const std::string& original) {
    return original.empty() ? HostToUtf8(host) : original;
}

// A name as the saved files give it. An OBJ or MTL name is the rest of its line, without the
// blanks around it: line breaks and tabs become spaces, and the spaces at either end go.
inline std::string Sanitized(std::string name) {
    for (char& ch : name)
        if (ch == '\t' || ch == '\r' || ch == '\n') ch = ' ';
    const size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return name.substr(first, name.find_last_not_of(' ') + 1 - first);
}

// The name the saved files (OBJ and glTF alike) give object o, at index in the document: its own
// name (its kept original, in UTF-8) sanitized, or "objN" (N the index plus one) when it has none
// (or only blanks).
inline std::string SavedObjectName(const Object* o, size_t index) {
    const std::string name = Sanitized(OriginalText(o->name, o->nameOriginal));
    return name.empty() ? "obj" + std::to_string(index + 1) : name;
}

// True when the material shows its faces' vertex colours instead of its own colour.
inline bool ShowsVertexColors(const Material* m) {
    for (const auto& value : m->intValues)
        if (value.first == kMaterialShowsVertexColor) return value.second != 0;
    return false;
}

// v clamped to 0..1; a value that is no number is 0.
inline float Clamp01(float v) { return isfinite(v) ? std::min(1.0f, std::max(0.0f, v)) : 0.0f; }

// An opaque host colour of r, g, b (each clamped to 0..1; no number is 0).
inline uint32_t PackColor(float r, float g, float b) {
    auto byte = [](float v) { return static_cast<uint32_t>(Clamp01(v) * 255.0f + 0.5f); };
    return byte(r) | (byte(g) << 8) | (byte(b) << 16) | 0xFF000000u;
}

// A UTF-8 name of a scene file as the host holds it (*host), with the original (*original, else
// empty) kept where code page 932 cannot hold it.
inline void TakeUtf8Name(const std::string& text, std::string* host, std::string* original) {
    original->clear();
    *host = Utf8ToHost(text);
    if (HostToUtf8(*host) != text) *original = text;
}

// The materials of the faces to which the file gives vertex colours (not all white) show them, as
// the file's author meant, unless the file says otherwise (declared: by material, -1 where it
// says nothing, else whether it shows them). Such faces without a material get a new one that
// shows them.
void ShowVertexColors(Document* d, const std::vector<int8_t>& declared);

// What a scene reader has added to its document so far: faces, and the vertices welding joined,
// by object name (only objects where it joined any).
struct LoadedObjects {
    size_t faces = 0;
    std::vector<std::pair<std::string, int32_t>> sharedVertices;
};

// Adds o, just read, to d, welded (see WeldVertices; only counted unless weld) and counted in
// *loaded; an object without faces is destroyed instead.
void AddLoadedObject(Document* d, Object* o, bool weld, LoadedObjects* loaded);

// Makes d, just loaded from a file in folder, the active document (the one before it retired) and
// frames its scene: the view looks at the bounding box's centre from a distance that shows it
// whole.
void InstallLoadedScene(Document* d, const std::string& folder);

// Puts message into *error (when given) and returns false.
inline bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

// Runs work (a callable returning bool) and turns running out of memory in it into a failure that
// names file, so that a scene too large for this process ends the caller's work with a message
// instead of ending the process. Only a 32-bit workbench has a larger build to suggest.
template <class Work>
bool FailOnOutOfMemory(const std::string& file, std::string* error, Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return Fail(error, file + (sizeof(void*) == 4
                                       ? ": out of memory (a scene this large needs the 64-bit workbench)"
                                       : ": out of memory (the machine's memory does not hold a scene this large)"));
    }
}

// Position just past the last path separator of a UTF-8 path (whose other characters' bytes are
// never "/" or "\\").
inline size_t BaseNameStart(const std::string& s) {
    const size_t last = s.find_last_of("\\/");
    return last == std::string::npos ? 0 : last + 1;
}

}  // namespace detail
}  // namespace wb
