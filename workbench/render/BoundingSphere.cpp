#include "workbench/render/BoundingSphere.h"

#include <math.h>

#include "workbench/render/Vec3.h"
#include "workbench/render/SceneTriangles.h"

void BoundingSphere(const RenderScene& scene, float* center, float* radius) {
    Vec3Set(center, 0.0f, 0.0f, 0.0f);
    *radius = 0.0f;
    if (!(scene.boundsMin[0] <= scene.boundsMax[0])) return;  // no triangles
    for (int k = 0; k < 3; ++k) center[k] = 0.5f * scene.boundsMin[k] + 0.5f * scene.boundsMax[k];
    float largest = 0.0f;
    for (const SceneMesh& mesh : scene.meshes)
        ForEachMeshTriangle(mesh, [&](const SceneTriangle& tri, const SceneTriangleRef&) {
            for (int c = 0; c < 3; ++c) {
                float d[3];
                Vec3Sub(tri.position[c], center, d);
                const float squared = Vec3Dot(d, d);
                if (squared > largest) largest = squared;
            }
        });
    *radius = sqrtf(largest);
}
