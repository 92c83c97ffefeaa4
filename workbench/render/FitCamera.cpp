#include "workbench/render/FitCamera.h"

#include <math.h>

#include "workbench/render/Vec3.h"

namespace {
const float kFovY = 0.8f;  // radians, about 46 degrees: a normal lens
}

RenderCamera FitCamera(const float* center, float radius, int32_t width, int32_t height,
                       float yaw, float pitch, float zoom) {
    float c[3] = {0.0f, 0.0f, 0.0f};
    if (isfinite(center[0]) && isfinite(center[1]) && isfinite(center[2]))
        Vec3Set(c, center[0], center[1], center[2]);
    if (!(radius > 0.0f)) radius = 1.0f;
    if (!isfinite(radius)) radius = 1e18f;

    if (!isfinite(yaw)) yaw = 0.0f;
    if (!isfinite(pitch)) pitch = 0.0f;
    if (pitch > 1.55f) pitch = 1.55f;
    if (pitch < -1.55f) pitch = -1.55f;
    if (!isfinite(zoom)) zoom = 1.0f;
    if (zoom < 0.01f) zoom = 0.01f;
    if (zoom > 100.0f) zoom = 100.0f;

    const float aspect = (width > 0 && height > 0) ? static_cast<float>(width) / height : 1.0f;
    const float halfY = 0.5f * kFovY;
    const float halfX = atanf(tanf(halfY) * aspect);
    const float halfNarrow = halfX < halfY ? halfX : halfY;
    // A margin of 8% so that outlines do not touch the image border.
    const float distance = radius * 1.08f / sinf(halfNarrow) / zoom;

    RenderCamera cam;
    float toEye[3] = {cosf(pitch) * sinf(yaw), sinf(pitch), cosf(pitch) * cosf(yaw)};
    for (int k = 0; k < 3; ++k) {
        cam.eye[k] = c[k] + toEye[k] * distance;
        cam.forward[k] = -toEye[k];
    }
    const float worldUp[3] = {0.0f, 1.0f, 0.0f};
    Vec3Cross(cam.forward, worldUp, cam.right);
    Vec3Normalize(cam.right);
    Vec3Cross(cam.right, cam.forward, cam.up);
    Vec3Normalize(cam.up);
    cam.fovY = kFovY;
    cam.nearDepth = distance * 0.002f;
    return cam;
}
