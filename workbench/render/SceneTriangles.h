// The triangles of a RenderScene, made one at a time from its meshes in drawing order: each
// mesh's own faces in order, then its reflections, one combination of mirror planes after
// another (x, y, x and y, z, ...), each again in face order.
#pragma once

#include <stdint.h>

#include "workbench/render/RenderScene.h"

// Where a triangle comes from: triangle `triangle` (0 .. n - 3) of face `face` of a mesh,
// reflected in the planes of the axes in `mirror` (1: x, 2: y, 4: z; 0: the object itself).
struct SceneTriangleRef {
    int32_t face;
    int32_t triangle;
    uint32_t mirror;
};

// The corners (0 .. n - 1 within the face) of triangle t of a face of n points: a fan around
// corner 0, or for a quadrilateral split along 1-3 the triangles (1, 2, 3) and (1, 3, 0).
inline void FaceTriangleCorners(int32_t n, bool split, int32_t t, int32_t* corners) {
    if (n == 4 && split) {
        static const int32_t kSplit[2][3] = {{1, 2, 3}, {1, 3, 0}};
        for (int k = 0; k < 3; ++k) corners[k] = kSplit[t][k];
        return;
    }
    corners[0] = 0;
    corners[1] = t + 1;
    corners[2] = t + 2;
}

// *tri = the triangle ref names in mesh (positions, per-corner normals, UVs and colours, the
// face's material), reflected as ref.mirror says; a reflection turns the winding around so that
// its front stays outside.
void MakeSceneTriangle(const SceneMesh& mesh, const SceneTriangleRef& ref, SceneTriangle* tri);

// Calls visit(const SceneTriangle&, const SceneTriangleRef&) for every triangle of mesh in
// drawing order.
template <class Visit>
void ForEachMeshTriangle(const SceneMesh& mesh, Visit visit) {
    const int32_t faces = mesh.faceCount();
    for (uint32_t mirror = 0; mirror < 8; ++mirror) {
        if (mirror != 0 && (mirror & ~mesh.mirrorAxes) != 0) continue;
        for (int32_t face = 0; face < faces; ++face) {
            const int32_t n = mesh.faceStart[face + 1] - mesh.faceStart[face];
            for (int32_t t = 0; t + 2 < n; ++t) {
                const SceneTriangleRef ref = {face, t, mirror};
                SceneTriangle tri;
                MakeSceneTriangle(mesh, ref, &tri);
                visit(tri, ref);
            }
        }
    }
}
