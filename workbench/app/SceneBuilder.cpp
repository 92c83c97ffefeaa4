// The default scene: a torus and a UV sphere with per-corner UVs and two materials, made with the
// same host functions a plug-in or a test would use.
#include "workbench/app/SceneBuilder.h"

#include <math.h>

#include <vector>

#include "workbench/host/Workbench.h"

namespace workbench {

namespace {

constexpr float kPi = 3.14159265358979f;

int32_t AddMaterial(HostDocument doc, const char* name, HostRGB color) {
    HostMaterial m = MQ_CreateMaterial();
    MQMat_SetName(m, name);
    MQMat_SetColor(m, &color);
    return MQDoc_AddMaterial(doc, m);
}

// A grid of (segU + 1) x (segV + 1) vertices positioned by `at`, closed in u (and optionally in
// v), with quads whose corner UVs run 0..1 across the grid.
template <class F>
HostObject MakeGridObject(const char* name, int32_t segU, int32_t segV, bool closeV, int32_t material,
                          F at) {
    HostObject obj = MQ_CreateObject();
    MQObj_SetName(obj, name);
    const int32_t rows = closeV ? segV : segV + 1;
    for (int32_t j = 0; j < rows; ++j)
        for (int32_t i = 0; i < segU; ++i) {
            HostPoint p = at(static_cast<float>(i) / segU, static_cast<float>(j) / segV);
            MQObj_AddVertex(obj, &p);
        }
    for (int32_t j = 0; j < segV; ++j)
        for (int32_t i = 0; i < segU; ++i) {
            const int32_t i1 = (i + 1) % segU, j1 = closeV ? (j + 1) % segV : j + 1;
            const int32_t quad[4] = {j * segU + i, j1 * segU + i, j1 * segU + i1, j * segU + i1};
            const int32_t f = MQObj_AddFace(obj, 4, quad);
            const float u0 = static_cast<float>(i) / segU, u1 = static_cast<float>(i + 1) / segU;
            const float v0 = static_cast<float>(j) / segV, v1 = static_cast<float>(j + 1) / segV;
            const HostUV uv[4] = {{u0, v0}, {u0, v1}, {u1, v1}, {u1, v0}};
            MQObj_SetFaceCoordinateArray(obj, f, uv);
            MQObj_SetFaceMaterial(obj, f, material);
        }
    return obj;
}

}  // namespace

int32_t BuildDefaultScene() {
    HostDocument doc = wb::NewDocument();
    const int32_t torusMat = AddMaterial(doc, "torus", HostRGB{0.85f, 0.45f, 0.30f});
    const int32_t sphereMat = AddMaterial(doc, "sphere", HostRGB{0.35f, 0.55f, 0.85f});

    // Torus around the y axis, major radius 1, minor 0.35, left of the origin.
    HostObject torus = MakeGridObject("torus", 32, 16, true, torusMat, [](float u, float v) {
        const float a = u * 2 * kPi, b = v * 2 * kPi;
        const float r = 1.0f + 0.35f * cosf(b);
        return HostPoint{-1.2f + r * cosf(a), 0.35f * sinf(b), r * sinf(a)};
    });
    MQDoc_AddObject(doc, torus);

    // Sphere of radius 0.8, right of the origin; the poles are rings of coincident vertices.
    HostObject sphere = MakeGridObject("sphere", 24, 12, false, sphereMat, [](float u, float v) {
        const float a = u * 2 * kPi, b = v * kPi;
        return HostPoint{1.4f + 0.8f * sinf(b) * cosf(a), 0.8f * cosf(b), 0.8f * sinf(b) * sinf(a)};
    });
    MQDoc_AddObject(doc, sphere);
    return MQDoc_GetObjectCount(doc);
}

}  // namespace workbench
