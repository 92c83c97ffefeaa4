// The triangles of a RenderScene, made one at a time from its meshes in drawing order: each
// mesh's own faces in order, then its reflections, one combination of mirror planes after
// another (x, y, x and y, z, ...), each again in face order.
#pragma once

#include <stdint.h>

#include "workbench/render/ShadeCorners.h"
#include "workbench/render/RenderScene.h"

// Where a triangle comes from: triangle `triangle` (0 .. n - 3) of face `face` of a mesh,
// reflected in the planes of the axes in `mirror` (1: x, 2: y, 4: z; 0: the object itself).
struct SceneTriangleRef {
    int32_t face;
    int32_t triangle;
    uint32_t mirror;
};

using wb::FaceTriangleCorners;

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
