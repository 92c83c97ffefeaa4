// Helpers for the workbench host's own tests.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "plugin/HostAbi.h"
#include "workbench/common/BesideThisProgram.h"
#include "workbench/host/Workbench.h"

namespace wbtest {

using common::BesideThisProgram;

// A folder of this program's own under the system temp folder, created on first use.
inline std::string TempDir() {
    static std::string dir;
    if (dir.empty()) {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        dir = std::string(base) + "wbtest_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(dir.c_str(), nullptr);
    }
    return dir;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = bytes.empty() ||
                    (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size());
    CloseHandle(h);
    return ok;
}

inline bool WriteText(const std::string& path, const std::string& text) {
    return WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// The face's vertex indices, UVs and colours as the host functions give them.
struct FaceData {
    std::vector<int32_t> points;
    std::vector<HostUV> uvs;
    std::vector<uint32_t> colors;
    int32_t material = -1;
};

inline FaceData ReadFace(HostObject obj, int32_t face) {
    FaceData d;
    const int32_t n = MQObj_GetFacePointCount(obj, face);
    d.points.resize(static_cast<size_t>(n));
    d.uvs.resize(static_cast<size_t>(n));
    if (n > 0) {
        MQObj_GetFacePointArray(obj, face, d.points.data());
        MQObj_GetFaceCoordinateArray(obj, face, d.uvs.data());
    }
    for (int32_t k = 0; k < n; ++k) d.colors.push_back(MQObj_GetFaceVertexColor(obj, face, k));
    d.material = MQObj_GetFaceMaterial(obj, face);
    return d;
}

inline HostPoint VertexOf(HostObject obj, int32_t i) {
    HostPoint p{-1, -1, -1};
    MQObj_GetVertex(obj, i, &p);
    return p;
}

// The active document's objects, and their vertices and faces.
struct Totals {
    int32_t objects = 0;
    int32_t vertices = 0;
    int32_t faces = 0;
};

inline Totals CountDocument() {
    Totals t;
    HostDocument doc = wb::ActiveDocument();
    for (int32_t i = 0; i < MQDoc_GetObjectCount(doc); ++i) {
        HostObject o = MQDoc_GetObject(doc, i);
        if (!o) continue;
        ++t.objects;
        t.vertices += MQObj_GetVertexCount(o);
        t.faces += MQObj_GetFaceCount(o);
    }
    return t;
}

inline std::string ObjectName(HostObject o) {
    char b[256] = "";
    MQObj_GetName(o, b, sizeof b);
    return b;
}

inline std::string MaterialName(HostMaterial m) {
    char b[256] = "";
    MQMat_GetName(m, b, sizeof b);
    return b;
}

}  // namespace wbtest
