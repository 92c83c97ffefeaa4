#include "workbench/render/Render.h"

#include <math.h>

#include "workbench/render/BoundingSphere.h"
#include "workbench/render/FitCamera.h"
#include "workbench/render/GatherScene.h"
#include "workbench/render/RasterizeScene.h"

namespace {

const int32_t kMaxSide = 8192;
// Background: a light neutral grey, a little lighter at the top.
const float kBackgroundTop[3] = {0.80f, 0.81f, 0.83f};
const float kBackgroundBottom[3] = {0.64f, 0.65f, 0.67f};

void FillBackground(SampleBuffer* buffer) {
    for (int32_t y = 0; y < buffer->height; ++y) {
        const float t = buffer->height > 1 ? static_cast<float>(y) / (buffer->height - 1) : 0.0f;
        float c[3];
        for (int k = 0; k < 3; ++k) c[k] = kBackgroundTop[k] + (kBackgroundBottom[k] - kBackgroundTop[k]) * t;
        float* row = &buffer->color[static_cast<size_t>(y) * buffer->width * 3];
        for (int32_t x = 0; x < buffer->width; ++x)
            for (int k = 0; k < 3; ++k) row[3 * x + k] = c[k];
    }
}

uint8_t ToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(v * 255.0f + 0.5f);
}

}  // namespace

bool RenderView(HostDocument doc, const RenderOptions& options, std::vector<uint8_t>* rgba,
                RenderStats* stats) {
    if (!rgba) return false;
    rgba->clear();
    if (options.width < 1 || options.height < 1 || options.width > kMaxSide ||
        options.height > kMaxSide)
        return false;
    int32_t ss = options.supersample;
    if (ss < 1) ss = 1;
    if (ss > 4) ss = 4;
    if (stats) *stats = RenderStats();

    RenderScene scene;
    GatherScene(doc, options.drawDocument, options.drawShells, &scene, stats);
    float center[3], radius;
    BoundingSphere(scene, center, &radius);
    const RenderCamera camera = FitCamera(center, radius, options.width, options.height,
                                          options.yaw, options.pitch, options.zoom);

    SampleBuffer buffer;
    buffer.width = options.width * ss;
    buffer.height = options.height * ss;
    buffer.color.assign(static_cast<size_t>(buffer.width) * buffer.height * 3, 0.0f);
    buffer.depth.assign(static_cast<size_t>(buffer.width) * buffer.height, 0.0);
    FillBackground(&buffer);
    RasterizeScene(scene, camera, options.cullBackFaces, &buffer, stats);

    // Each pixel is the mean of its ss x ss samples.
    rgba->assign(static_cast<size_t>(options.width) * options.height * 4, 255);
    const float weight = 1.0f / static_cast<float>(ss * ss);
    for (int32_t y = 0; y < options.height; ++y)
        for (int32_t x = 0; x < options.width; ++x) {
            float sum[3] = {0.0f, 0.0f, 0.0f};
            for (int32_t sy = 0; sy < ss; ++sy)
                for (int32_t sx = 0; sx < ss; ++sx) {
                    const size_t i = (static_cast<size_t>(y * ss + sy) * buffer.width + x * ss + sx) * 3;
                    for (int k = 0; k < 3; ++k) sum[k] += buffer.color[i + k];
                }
            uint8_t* out = &(*rgba)[(static_cast<size_t>(y) * options.width + x) * 4];
            for (int k = 0; k < 3; ++k) out[k] = ToByte(sum[k] * weight);
        }
    return true;
}
