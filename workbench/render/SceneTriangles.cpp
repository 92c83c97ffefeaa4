#include "workbench/render/SceneTriangles.h"

#include <utility>

#include "workbench/render/Vec3.h"

void MakeSceneTriangle(const SceneMesh& mesh, const SceneTriangleRef& ref, SceneTriangle* tri) {
    const int32_t start = mesh.faceStart[ref.face];
    const int32_t n = mesh.faceStart[ref.face + 1] - start;
    int32_t corners[3];
    FaceTriangleCorners(n, mesh.faceSplit[ref.face] != 0, ref.triangle, corners);
    const float* faceNormal = &mesh.faceNormals[3 * static_cast<size_t>(ref.face)];
    const bool smooth = !mesh.vertexNormals.empty();
    for (int k = 0; k < 3; ++k) {
        const size_t corner = static_cast<size_t>(start + corners[k]);
        const size_t v = static_cast<size_t>(mesh.points[corner]);
        const float* p = &mesh.positions[3 * v];
        Vec3Set(tri->position[k], p[0], p[1], p[2]);
        const float* normal =
            wb::CornerShadingNormal(smooth ? &mesh.vertexNormals[3 * v] : nullptr, faceNormal, mesh.minCos);
        Vec3Set(tri->normal[k], normal[0], normal[1], normal[2]);
        tri->uv[k][0] = mesh.uvs.empty() ? 0.0f : mesh.uvs[2 * corner];
        tri->uv[k][1] = mesh.uvs.empty() ? 0.0f : mesh.uvs[2 * corner + 1];
        tri->color[k] = mesh.colors.empty() ? 0u : mesh.colors[corner];
    }
    tri->material = mesh.faceMaterial[ref.face];
    tri->shell = mesh.shell;
    if (ref.mirror == 0) return;
    int flips = 0;
    for (int k = 0; k < 3; ++k) {
        if (!((ref.mirror >> k) & 1)) continue;
        ++flips;
        for (int c = 0; c < 3; ++c) {
            tri->position[c][k] *= -1.0f;
            tri->normal[c][k] *= -1.0f;
        }
    }
    if (flips % 2) {
        std::swap(tri->position[1], tri->position[2]);
        std::swap(tri->normal[1], tri->normal[2]);
        std::swap(tri->uv[1], tri->uv[2]);
        std::swap(tri->color[1], tri->color[2]);
    }
}
