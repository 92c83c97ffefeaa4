// The host functions of the scene family: the view's size and its camera matrices.
#include "workbench/host/HostFunctionSupport.h"

#include <math.h>

using namespace wb::detail;

extern "C" {

// ---- scene ----------------------------------------------------------------------------------

void MQScene_InitSize(HostScene scene, int32_t width, int32_t height) {
    REC(scene, width, height);
    Scene* s = AsScene(scene);
    if (!s || width <= 0 || height <= 0) return;
    s->width = width;
    s->height = height;
}

namespace {
// Row-major 4x4 matrices, row vectors (p' = p * M), like the modeller's.
void ViewMatrix(const Scene& s, float* m) {
    const float ch = cosf(s.heading), sh = sinf(s.heading);
    const float cp = cosf(s.pitch), sp = sinf(s.pitch);
    const float eye[3] = {s.target[0] + s.distance * cp * sh, s.target[1] + s.distance * sp,
                          s.target[2] + s.distance * cp * ch};
    float f[3] = {s.target[0] - eye[0], s.target[1] - eye[1], s.target[2] - eye[2]};
    float fl = sqrtf(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (fl <= 0.0f) fl = 1.0f;
    for (float& c : f) c /= fl;
    // right = f x up(0,1,0)
    float r[3] = {-f[2], 0.0f, f[0]};
    float rl = sqrtf(r[0] * r[0] + r[2] * r[2]);
    if (rl <= 0.0f) {
        r[0] = 1.0f;
        rl = 1.0f;
    }
    for (float& c : r) c /= rl;
    const float u[3] = {r[1] * f[2] - r[2] * f[1], r[2] * f[0] - r[0] * f[2],
                        r[0] * f[1] - r[1] * f[0]};
    // Camera space: x right, y up, z towards the viewer.
    const float z[3] = {-f[0], -f[1], -f[2]};
    const float* axes[3] = {r, u, z};
    for (int c = 0; c < 3; ++c) {
        for (int row = 0; row < 3; ++row) m[row * 4 + c] = axes[c][row];
        m[12 + c] = -(axes[c][0] * eye[0] + axes[c][1] * eye[1] + axes[c][2] * eye[2]);
    }
    m[3] = m[7] = m[11] = 0.0f;
    m[15] = 1.0f;
}

void ProjMatrix(const Scene& s, float* m) {
    const float aspect = s.height > 0 ? static_cast<float>(s.width) / s.height : 1.0f;
    const float f = s.zoom / tanf(s.fovY * 0.5f);
    const float zNear = 0.05f, zFar = 1000.0f;
    for (int i = 0; i < 16; ++i) m[i] = 0.0f;
    m[0] = f / aspect;
    m[5] = f;
    m[10] = zFar / (zNear - zFar);
    m[11] = -1.0f;
    m[14] = zNear * zFar / (zNear - zFar);
}
}  // namespace

void MQScene_GetProjMatrix(HostScene scene, float* matrix) {
    REC(scene, matrix);
    Scene* s = AsScene(scene);
    if (!matrix) return;
    if (!s) {
        memset(matrix, 0, 16 * sizeof(float));
        return;
    }
    ProjMatrix(*s, matrix);
}

void MQScene_GetViewMatrix(HostScene scene, float* matrix) {
    REC(scene, matrix);
    Scene* s = AsScene(scene);
    if (!matrix) return;
    if (!s) {
        memset(matrix, 0, 16 * sizeof(float));
        return;
    }
    ViewMatrix(*s, matrix);
}

int32_t MQScene_FloatValue(HostScene scene, int32_t key, float* values) {
    REC(scene, key, values);
    return 0;
}

}  // extern "C"
