// Helpers shared by the scene file readers and writers of the workbench host.
#pragma once

#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "workbench/host/Model.h"

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

// A name as the saved files give it: blanks, which end a name in OBJ and MTL files, become "_".
inline std::string Sanitized(std::string name) {
    for (char& ch : name)
        if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n') ch = '_';
    return name;
}

// The names the saved files (OBJ/MTL and glTF alike) give the document's materials, by index
// (empty for an empty slot): the material's own name sanitized, or "materialN" (N its index) when
// it has none or an earlier material took it; never kNoMaterial, each name once.
std::vector<std::string> SavedMaterialNames(const Document* d);

// The name the saved files (OBJ and glTF alike) give object o, at index in the document: its own
// name sanitized, or "objN" (N the index plus one) when it has none.
inline std::string SavedObjectName(const Object* o, size_t index) {
    return o->name.empty() ? "obj" + std::to_string(index + 1) : Sanitized(o->name);
}

// True when the material shows its faces' vertex colours instead of its own colour.
inline bool ShowsVertexColors(const Material* m) {
    for (const auto& value : m->intValues)
        if (value.first == kMaterialShowsVertexColor) return value.second != 0;
    return false;
}

// Puts message into *error (when given) and returns false.
inline bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

// Runs work (a callable returning bool) and turns running out of memory in it into a failure that
// names file, so that a scene too large for this process ends the caller's work with a message
// instead of ending the process.
template <class Work>
bool FailOnOutOfMemory(const std::string& file, std::string* error, Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return Fail(error, file + ": out of memory (a scene this large needs the 64-bit workbench)");
    }
}

inline bool IsRegularFile(const std::string& path) {
    DWORD attr = GetFileAttributesA(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

// Position just past the last path separator, skipping the trail bytes of CP932 characters.
inline size_t BaseNameStart(const std::string& s) {
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsDBCSLeadByte(c) && i + 1 < s.size()) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/') start = i + 1;
    }
    return start;
}

}  // namespace detail
}  // namespace wb
