#include "workbench/render/ShadeCorners.h"

#include <math.h>

namespace wb {

void FaceShadingNormal(const float* positions, const int32_t* points, int32_t n, float* normal, bool* split) {
    auto at = [&](int32_t corner) { return &positions[3 * static_cast<size_t>(points[corner])]; };
    *split = false;
    if (n == 4) {
        float na[3], nb[3], nc[3], nd[3];
        TriangleFrontNormal(at(0), at(1), at(2), na);
        TriangleFrontNormal(at(0), at(2), at(3), nb);
        TriangleFrontNormal(at(1), at(2), at(3), nc);
        TriangleFrontNormal(at(1), at(3), at(0), nd);
        *split = Vec3Dot(nc, nd) > Vec3Dot(na, nb);
    }
    Vec3Set(normal, 0.0f, 0.0f, 0.0f);
    for (int32_t t = 0; t + 2 < n; ++t) {
        int32_t corners[3];
        FaceTriangleCorners(n, *split, t, corners);
        float n3[3];
        TriangleFrontNormal(at(corners[0]), at(corners[1]), at(corners[2]), n3);
        for (int k = 0; k < 3; ++k) normal[k] += n3[k];
    }
    Vec3Normalize(normal);
}

float ShadingMinCos(float angle) {
    if (!isfinite(angle) || angle < 0.0f) angle = 0.0f;
    if (angle > 180.0f) angle = 180.0f;
    return cosf(angle * 3.14159265f / 180.0f);
}

void VertexShadingNormals(int32_t vertexCount, const int32_t* faceStart, int32_t faceCount,
                          const int32_t* points, const float* faceNormals, std::vector<float>* vertexNormals) {
    vertexNormals->assign(static_cast<size_t>(vertexCount > 0 ? vertexCount : 0) * 3, 0.0f);
    for (int32_t f = 0; f < faceCount; ++f) {
        const float* normal = &faceNormals[3 * static_cast<size_t>(f)];
        for (int32_t corner = faceStart[f]; corner < faceStart[f + 1]; ++corner) {
            float* sum = &(*vertexNormals)[3 * static_cast<size_t>(points[corner])];
            for (int k = 0; k < 3; ++k) sum[k] += normal[k];
        }
    }
    for (int32_t v = 0; v < vertexCount; ++v) Vec3Normalize(&(*vertexNormals)[3 * static_cast<size_t>(v)]);
}

void CornerShadingNormals(const float* positions, int32_t vertexCount, const int32_t* faceStart,
                          int32_t faceCount, const int32_t* points, bool smooth, float angle,
                          std::vector<float>* cornerNormals) {
    const size_t corners = faceCount > 0 ? static_cast<size_t>(faceStart[faceCount]) : 0;
    cornerNormals->assign(corners * 3, 0.0f);
    std::vector<float> faceNormals(static_cast<size_t>(faceCount > 0 ? faceCount : 0) * 3);
    for (int32_t f = 0; f < faceCount; ++f) {
        bool split = false;
        FaceShadingNormal(positions, points + faceStart[f], faceStart[f + 1] - faceStart[f],
                          &faceNormals[3 * static_cast<size_t>(f)], &split);
    }
    std::vector<float> vertexNormals;
    if (smooth) VertexShadingNormals(vertexCount, faceStart, faceCount, points, faceNormals.data(), &vertexNormals);
    const float minCos = ShadingMinCos(angle);
    for (int32_t f = 0; f < faceCount; ++f) {
        const float* faceNormal = &faceNormals[3 * static_cast<size_t>(f)];
        for (int32_t corner = faceStart[f]; corner < faceStart[f + 1]; ++corner) {
            const float* vertexNormal = smooth ? &vertexNormals[3 * static_cast<size_t>(points[corner])] : nullptr;
            const float* n = CornerShadingNormal(vertexNormal, faceNormal, minCos);
            Vec3Set(&(*cornerNormals)[3 * static_cast<size_t>(corner)], n[0], n[1], n[2]);
        }
    }
}

}  // namespace wb
