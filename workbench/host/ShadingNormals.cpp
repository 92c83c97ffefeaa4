#include "workbench/host/ShadingNormals.h"

#include <math.h>

#include <algorithm>

namespace wb {
namespace detail {

namespace {

void Normalize(float* n) {
    const float len = sqrtf(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (len > 0.0f && isfinite(len)) {
        for (int k = 0; k < 3; ++k) n[k] /= len;
    } else {
        n[0] = 0.0f;
        n[1] = 1.0f;
        n[2] = 0.0f;
    }
}

void FaceNormal(const Object* o, const Face& face, float* n) {
    n[0] = n[1] = n[2] = 0.0f;
    const Corner* c = o->corners.data() + face.first;
    for (int32_t k = 0; k < face.count; ++k) {
        const HostPoint& a = o->vertices[c[face.count - 1 - k].vertex].p;
        const HostPoint& b = o->vertices[c[(2 * face.count - 2 - k) % face.count].vertex].p;
        n[0] += (a.y - b.y) * (a.z + b.z);
        n[1] += (a.z - b.z) * (a.x + b.x);
        n[2] += (a.x - b.x) * (a.y + b.y);
    }
    Normalize(n);
}

}  // namespace

bool ShadedFace(const Object* o, int32_t f) {
    if (!FaceAlive(o, f) || o->faces[f].count < 3) return false;
    const Face& face = o->faces[f];
    for (int32_t k = 0; k < face.count; ++k)
        if (!ValidVertex(o, o->corners[face.first + k].vertex)) return false;
    return true;
}

void ShadingNormals(const Object* o, std::vector<float>* normals) {
    normals->assign(o->corners.size() * 3, 0.0f);
    // Face normals, and the faces around each vertex for the smoothed normals.
    const size_t faceCount = o->faces.size();
    std::vector<float> faceNormals(faceCount * 3, 0.0f);
    std::vector<uint8_t> shaded(faceCount, 0);
    std::vector<uint32_t> start(o->vertices.size() + 1, 0), around;
    for (size_t f = 0; f < faceCount; ++f) {
        if (!ShadedFace(o, static_cast<int32_t>(f))) continue;
        const Face& face = o->faces[f];
        shaded[f] = 1;
        FaceNormal(o, face, &faceNormals[f * 3]);
        for (int32_t k = 0; k < face.count; ++k) ++start[o->corners[face.first + k].vertex + 1];
    }
    for (size_t v = 0; v < o->vertices.size(); ++v) start[v + 1] += start[v];
    around.resize(start.back());
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (size_t f = 0; f < faceCount; ++f) {
        if (!shaded[f]) continue;
        const Face& face = o->faces[f];
        for (int32_t k = 0; k < face.count; ++k)
            around[fill[o->corners[face.first + k].vertex]++] = static_cast<uint32_t>(f);
    }
    const bool smooth = o->shading != 0;
    const float angle = isfinite(o->smoothAngle) ? o->smoothAngle : 0.0f;
    const float cosLimit = cosf(std::min(180.0f, std::max(0.0f, angle)) * 3.14159265f / 180.0f);

    for (size_t f = 0; f < faceCount; ++f) {
        if (!shaded[f]) continue;
        const Face& face = o->faces[f];
        const float* fn = &faceNormals[f * 3];
        for (int32_t k = 0; k < face.count; ++k) {
            float* n = &(*normals)[(static_cast<size_t>(face.first) + k) * 3];
            if (!smooth) {
                for (int i = 0; i < 3; ++i) n[i] = fn[i];
                continue;
            }
            const int32_t v = o->corners[face.first + k].vertex;
            for (uint32_t a = start[v]; a < start[v + 1]; ++a) {
                const float* g = &faceNormals[around[a] * 3];
                if (g[0] * fn[0] + g[1] * fn[1] + g[2] * fn[2] < cosLimit - 1e-6f) continue;
                for (int i = 0; i < 3; ++i) n[i] += g[i];
            }
            Normalize(n);
        }
    }
}

}  // namespace detail
}  // namespace wb
