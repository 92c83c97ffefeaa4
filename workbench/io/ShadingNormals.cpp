#include "workbench/io/ShadingNormals.h"

#include <math.h>

#include "workbench/render/ShadeCorners.h"

namespace wb {
namespace detail {

bool ShadedFace(const Object* o, int32_t f) {
    if (!FaceAlive(o, f) || o->faces[f].count < 3) return false;
    const Face& face = o->faces[f];
    for (int32_t k = 0; k < face.count; ++k)
        if (!ValidVertex(o, o->corners[face.first + k].vertex)) return false;
    return true;
}

void ShadingNormals(const Object* o, std::vector<float>* normals) {
    normals->assign(o->corners.size() * 3, 0.0f);
    const int32_t vertexCount = static_cast<int32_t>(o->vertices.size());
    std::vector<float> positions(o->vertices.size() * 3);
    std::vector<uint8_t> finite(o->vertices.size());
    for (size_t v = 0; v < o->vertices.size(); ++v) {
        const HostPoint& p = o->vertices[v].p;
        Vec3Set(&positions[3 * v], p.x, p.y, p.z);
        finite[v] = isfinite(p.x) && isfinite(p.y) && isfinite(p.z);
    }
    // The faces the workbench draws, as the renderer reads them: every shaded face of no more
    // than kMaxShadedFacePoints points at finite positions.
    std::vector<int32_t> faceStart(1, 0), points, drawn, undrawn;
    for (size_t f = 0; f < o->faces.size(); ++f) {
        if (!ShadedFace(o, static_cast<int32_t>(f))) continue;
        const Face& face = o->faces[f];
        bool usable = face.count <= kMaxShadedFacePoints;
        for (int32_t k = 0; usable && k < face.count; ++k) usable = finite[o->corners[face.first + k].vertex] != 0;
        if (!usable) {
            undrawn.push_back(static_cast<int32_t>(f));
            continue;
        }
        for (int32_t k = 0; k < face.count; ++k) points.push_back(o->corners[face.first + k].vertex);
        faceStart.push_back(static_cast<int32_t>(points.size()));
        drawn.push_back(static_cast<int32_t>(f));
    }
    std::vector<float> cornerNormals;
    CornerShadingNormals(positions.data(), vertexCount, faceStart.data(), static_cast<int32_t>(drawn.size()),
                         points.data(), o->shading != 0, o->smoothAngle, &cornerNormals);
    for (size_t i = 0; i < drawn.size(); ++i) {
        const size_t first = static_cast<size_t>(o->faces[drawn[i]].first);
        for (int32_t corner = faceStart[i]; corner < faceStart[i + 1]; ++corner)
            for (int k = 0; k < 3; ++k)
                (*normals)[(first + corner - faceStart[i]) * 3 + k] = cornerNormals[3 * static_cast<size_t>(corner) + k];
    }
    // A face the workbench does not draw still gets a unit normal; so does a corner of a face
    // without area, whose shading normal is (0, 0, 0): readers of the files expect unit normals.
    float own[3];
    for (const int32_t f : undrawn) {
        const Face& face = o->faces[f];
        std::vector<int32_t> facePoints;
        for (int32_t k = 0; k < face.count; ++k) facePoints.push_back(o->corners[face.first + k].vertex);
        bool split = false;
        FaceShadingNormal(positions.data(), facePoints.data(), face.count, own, &split);
        for (int32_t k = 0; k < face.count; ++k)
            for (int i = 0; i < 3; ++i) (*normals)[(static_cast<size_t>(face.first) + k) * 3 + i] = own[i];
    }
    for (size_t f = 0; f < o->faces.size(); ++f) {
        if (!ShadedFace(o, static_cast<int32_t>(f))) continue;
        const Face& face = o->faces[f];
        for (int32_t k = 0; k < face.count; ++k) {
            float* n = &(*normals)[(static_cast<size_t>(face.first) + k) * 3];
            if (!(Vec3Dot(n, n) > 0.0f)) Vec3Set(n, 0.0f, 1.0f, 0.0f);
        }
    }
}

}  // namespace detail
}  // namespace wb
