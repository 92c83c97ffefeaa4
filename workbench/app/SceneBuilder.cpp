// The default scene: a torus and a textured ball with per-corner UVs, made with the same host
// functions a plug-in or a test would use. Sizes are chosen so that the plug-in's default push of
// 1.0 draws an outline of a sensible width.
#include "workbench/app/SceneBuilder.h"

#include <math.h>

#include <algorithm>
#include <set>
#include <string>

#include "workbench/app/DemoImages.h"
#include "workbench/app/Terminal.h"
#include "workbench/host/Workbench.h"
#include "workbench/io/FileAccess.h"

namespace workbench {

namespace {

constexpr float kPi = 3.14159265358979f;
const char kTextureFile[] = "texture.bmp";
const char kHeightMapFile[] = "bumps.bmp";

HostPoint Sub(const HostPoint& a, const HostPoint& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
HostPoint Cross(const HostPoint& a, const HostPoint& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(const HostPoint& a, const HostPoint& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

int32_t AddMaterial(HostDocument doc, const char* name, HostRGB color, const char* texture) {
    HostMaterial m = MQ_CreateMaterial();
    MQMat_SetName(m, name);
    MQMat_SetColor(m, &color);
    if (texture) MQMat_SetTextureName(m, texture);
    return MQDoc_AddMaterial(doc, m);
}

// A surface sampled on a (segU x segV) grid of (u, v) in 0..1, closed across u, and across v when
// closeV; otherwise rows v = 0 and v = 1 are single pole vertices joined by triangle fans. at(u, v)
// gives the position and inside(u, v) a point the surface there faces away from, so that each
// face is wound with its normal ((a - b) x (c - b)) pointing outward. Corner UVs run 0..1 across
// the grid.
template <class At, class Inside>
HostObject MakeSurface(const char* name, int32_t segU, int32_t segV, bool closeV, int32_t material,
                       At at, Inside inside) {
    HostObject obj = MQ_CreateObject();
    MQObj_SetName(obj, name);
    // Vertex of grid point (i, j).
    std::vector<int32_t> index(static_cast<size_t>(segU) * (segV + 1));
    for (int32_t j = 0; j <= segV; ++j) {
        const bool pole = !closeV && (j == 0 || j == segV);
        for (int32_t i = 0; i < segU; ++i) {
            int32_t& slot = index[static_cast<size_t>(j) * segU + i];
            if (closeV && j == segV) {
                slot = index[i];  // the last row is the first
            } else if (pole && i > 0) {
                slot = index[static_cast<size_t>(j) * segU];
            } else {
                const HostPoint p = at(static_cast<float>(i) / segU, static_cast<float>(j) / segV);
                slot = MQObj_AddVertex(obj, &p);
            }
        }
    }
    auto vertexAt = [&](int32_t i, int32_t j) { return index[static_cast<size_t>(j) * segU + (i % segU)]; };
    for (int32_t j = 0; j < segV; ++j)
        for (int32_t i = 0; i < segU; ++i) {
            const float u0 = static_cast<float>(i) / segU, u1 = static_cast<float>(i + 1) / segU;
            const float v0 = static_cast<float>(j) / segV, v1 = static_cast<float>(j + 1) / segV;
            std::vector<int32_t> points = {vertexAt(i, j), vertexAt(i, j + 1), vertexAt(i + 1, j + 1),
                                           vertexAt(i + 1, j)};
            std::vector<HostUV> uvs = {{u0, v0}, {u0, v1}, {u1, v1}, {u1, v0}};
            if (!closeV && j == 0) {  // fan around the first pole
                points.erase(points.begin() + 3);
                uvs[0].u = (u0 + u1) * 0.5f;
                uvs.erase(uvs.begin() + 3);
            } else if (!closeV && j == segV - 1) {  // fan around the last pole
                points.erase(points.begin() + 2);
                uvs[1].u = (u0 + u1) * 0.5f;
                uvs.erase(uvs.begin() + 2);
            }
            HostPoint a, b, c;
            MQObj_GetVertex(obj, points[0], &a);
            MQObj_GetVertex(obj, points[1], &b);
            MQObj_GetVertex(obj, points[2], &c);
            const HostPoint middle = at((u0 + u1) * 0.5f, (v0 + v1) * 0.5f);
            if (Dot(Cross(Sub(a, b), Sub(c, b)), Sub(middle, inside((u0 + u1) * 0.5f, (v0 + v1) * 0.5f))) < 0) {
                std::reverse(points.begin(), points.end());
                std::reverse(uvs.begin(), uvs.end());
            }
            const int32_t f = MQObj_AddFace(obj, static_cast<int32_t>(points.size()), points.data());
            MQObj_SetFaceCoordinateArray(obj, f, uvs.data());
            MQObj_SetFaceMaterial(obj, f, material);
        }
    return obj;
}

// A scene file must be a file that can be read: not missing, a folder or a device (/dev/zero
// under Wine), which the OBJ reader would take for an empty or an endless file.
bool CheckSceneFile(const std::string& path, std::string* error) {
    const std::wstring wide = wb::WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        const bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME;
        *error = path + (missing ? ": no such file" : ": is not a regular file, or cannot be read");
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        *error = path + ": is a folder, not an OBJ file";
        return false;
    }
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *error = path + ": cannot be read";
        return false;
    }
    const bool regular = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    if (!regular) *error = path + ": is not a regular file";
    return regular;
}

// Adds a line to *warnings for each texture of the active document's materials that is there but
// does not decode (a missing or empty one the loader has named already).
void CheckTexturesDecode(std::string* warnings) {
    HostDocument doc = wb::ActiveDocument();
    std::set<std::string> seen;
    for (int32_t i = 0; i < MQDoc_GetMaterialCount(doc); ++i) {
        HostMaterial material = MQDoc_GetMaterial(doc, i);
        char texture[MAX_PATH] = "", path[MAX_PATH + 1] = "";
        if (!material) continue;
        MQMat_GetTextureName(material, texture, sizeof texture);
        if (!texture[0] || !MQDoc_FindMappingFile(doc, path, texture, 1) || !path[0] || !seen.insert(path).second)
            continue;
        // The host hands out paths in code page 932, in their short form where that code page
        // lacks a character of the file's own.
        const std::string file = wb::PathFromHost(path);
        uint64_t size = 0;
        if (!wb::FileSize(file, &size) || size == 0) continue;
        void* header = nullptr;
        void* pixels = nullptr;
        const bool decoded = MQ_LoadImage(path, &header, &pixels, 0) != 0;
        if (header) LocalFree(header);
        if (pixels) LocalFree(pixels);
        if (decoded) continue;
        *warnings += (warnings->empty() ? "" : "\n") + PathForPeople(file) +
                     ": texture of material \"" + wb::MaterialOriginalName(material) +
                     "\" cannot be decoded as an image (BMP, PNG, JPEG or TGA)";
    }
}

}  // namespace

bool WriteDefaultHeightMap(const std::string& folder, std::string* path, std::string* error) {
    *path = folder + "\\" + kHeightMapFile;
    return WriteBmp24(*path, MakeBumpMap(256, 128), error);
}

void RemoveDefaultTexture(const std::string& folder) {
    DeleteFileW(wb::WideFromUtf8(folder + "\\" + kTextureFile).c_str());
}

bool BuildDefaultScene(const std::string& folder, bool withHeightMap, SceneInfo* info, std::string* error) {
    if (!WriteBmp24(folder + "\\" + kTextureFile, MakeBallTexture(256, 128), error)) return false;
    std::string heightMap;
    if (withHeightMap && !WriteDefaultHeightMap(folder, &heightMap, error)) return false;

    HostDocument doc = wb::NewDocument();
    wb::SetTextureFolder(folder.c_str());
    const int32_t clay = AddMaterial(doc, "clay", HostRGB{0.86f, 0.52f, 0.34f}, nullptr);
    const int32_t painted = AddMaterial(doc, "painted", HostRGB{1.0f, 1.0f, 1.0f}, kTextureFile);

    // A torus lying around the y axis: ring radius 22, tube radius 8.
    const HostPoint torusCenter = {-14.0f, 0.0f, 0.0f};
    const float ring = 22.0f, tube = 8.0f;
    auto tubeCenter = [=](float u, float) {
        const float a = u * 2 * kPi;
        return HostPoint{torusCenter.x + ring * cosf(a), torusCenter.y, torusCenter.z + ring * sinf(a)};
    };
    HostObject torus = MakeSurface(
        "torus", 96, 40, true, clay,
        [=](float u, float v) {
            const float a = u * 2 * kPi, b = v * 2 * kPi;
            const float r = ring + tube * cosf(b);
            return HostPoint{torusCenter.x + r * cosf(a), torusCenter.y + tube * sinf(b),
                             torusCenter.z + r * sinf(a)};
        },
        tubeCenter);
    MQDoc_AddObject(doc, torus);

    // A ball of radius 13 beside the torus, poles on the y axis.
    const HostPoint ballCenter = {22.0f, 5.0f, 6.0f};
    const float radius = 13.0f;
    HostObject ball = MakeSurface(
        "ball", 48, 24, false, painted,
        [=](float u, float v) {
            const float a = u * 2 * kPi, b = v * kPi;
            return HostPoint{ballCenter.x + radius * sinf(b) * cosf(a), ballCenter.y + radius * cosf(b),
                             ballCenter.z - radius * sinf(b) * sinf(a)};
        },
        [=](float, float) { return ballCenter; });
    MQDoc_AddObject(doc, ball);

    DescribeActiveDocument(info);
    info->name = "default scene";
    info->heightMapPath = heightMap;
    return true;
}

bool LoadSceneFile(const std::string& path, bool weld, SceneInfo* info, std::string* error,
                   std::string* warning) {
    if (!CheckSceneFile(path, error)) return false;
    std::string message;
    if (!wb::LoadObjScene(path.c_str(), &message, weld)) {
        *error = message.empty() ? path + ": cannot be loaded" : message;
        return false;
    }
    CheckTexturesDecode(&message);
    if (warning) *warning = message;
    DescribeActiveDocument(info);
    info->name = path;
    if (info->faces + info->lines + info->points == 0) {
        *error = path + ": no usable faces";
        return false;
    }
    return true;
}

float ScaledToScene(float radius, float fraction, int decimals) {
    const float largest = 1.0e6f;  // the bound of the command lines' --distance
    const float unit = decimals == 2 ? 0.01f : 0.1f;
    const float value = isfinite(radius) ? radius * fraction : largest;
    return std::min(largest, std::max(unit, roundf(value / unit) * unit));
}

void DescribeActiveDocument(SceneInfo* info) {
    HostDocument doc = wb::ActiveDocument();
    info->objects = 0;
    info->faces = info->lines = info->points = 0;
    info->texturedObjects.clear();
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    const int32_t count = MQDoc_GetObjectCount(doc);
    for (int32_t i = 0; i < count; ++i) {
        HostObject obj = MQDoc_GetObject(doc, i);
        if (!obj) continue;
        ++info->objects;
        const int32_t faces = MQObj_GetFaceCount(obj);
        for (int32_t f = 0; f < faces; ++f) {
            const int32_t n = MQObj_GetFacePointCount(obj, f);
            (n >= 3 ? info->faces : n == 2 ? info->lines : info->points) += 1;
        }
        bool textured = false;
        for (int32_t f = 0; f < faces && !textured; ++f) {
            HostMaterial m = MQDoc_GetMaterial(doc, MQObj_GetFaceMaterial(obj, f));
            char texture[MAX_PATH] = "";
            if (m) MQMat_GetTextureName(m, texture, sizeof texture);
            textured = texture[0] != '\0';
        }
        if (textured) info->texturedObjects.push_back(i);
        const int32_t vertices = MQObj_GetVertexCount(obj);
        for (int32_t v = 0; v < vertices; ++v) {
            HostPoint p;
            MQObj_GetVertex(obj, v, &p);
            const float c[3] = {p.x, p.y, p.z};
            for (int k = 0; k < 3; ++k)
                if (isfinite(c[k])) {
                    lo[k] = std::min(lo[k], c[k]);
                    hi[k] = std::max(hi[k], c[k]);
                }
        }
    }
    info->radius = 0.0f;
    for (int k = 0; k < 3; ++k)
        if (hi[k] >= lo[k]) info->radius = std::max(info->radius, (hi[k] - lo[k]) * 0.5f);
}

std::string ElementCounts(const SceneInfo& info) {
    std::string text = std::to_string(info.faces) + " faces";
    if (info.lines) text += ", " + std::to_string(info.lines) + " lines";
    if (info.points) text += ", " + std::to_string(info.points) + " points";
    return text;
}

}  // namespace workbench
