#include "workbench/app/DemoImages.h"

#include "workbench/io/FileAccess.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

namespace workbench {

namespace {

uint8_t ToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(v * 255.0f + 0.5f);
}

// A fully saturated hue, h in 0..1 around the colour wheel.
void Hue(float h, float rgb[3]) {
    const float k[3] = {0.0f, 2.0f / 3.0f, 1.0f / 3.0f};
    for (int c = 0; c < 3; ++c) {
        float t = h + k[c];
        t -= floorf(t);
        const float d = fabsf(t * 6.0f - 3.0f) - 1.0f;  // 1 at red's hue, down to -1 opposite
        rgb[c] = d < 0.0f ? 0.0f : (d > 1.0f ? 1.0f : d);
    }
}

void PutLittleEndian(uint8_t* p, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

RgbImage MakeBallTexture(int32_t width, int32_t height) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    const int32_t cellsU = 12, cellsV = 6;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const float u = (x + 0.5f) / width, v = (y + 0.5f) / height;
            float rgb[3];
            Hue(u * 2.0f, rgb);  // twice around, so that every side shows several hues
            const bool light = ((static_cast<int32_t>(u * cellsU) + static_cast<int32_t>(v * cellsV)) & 1) != 0;
            uint8_t* p = &image.rgb[(static_cast<size_t>(y) * width + x) * 3];
            for (int c = 0; c < 3; ++c) p[c] = ToByte(light ? 0.55f + 0.45f * rgb[c] : 0.15f + 0.8f * rgb[c]);
        }
    return image;
}

RgbImage MakeBumpMap(int32_t width, int32_t height) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<size_t>(width) * height * 3);
    // Bump centres (u, v) and the bump radius in pixels of the map's height; the map spans twice
    // as many pixels across u as across v, as a sphere's equator is twice its meridian.
    const int32_t bumps = 8;
    const float sigma = height * 0.07f;
    const float base = 0.06f;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            float h = base;
            for (int32_t b = 0; b < bumps; ++b) {
                const float cu = (b + 0.25f) / bumps * width;
                const float cv = (b % 2 ? 0.36f : 0.62f) * height;
                float dx = fabsf(x + 0.5f - cu);
                dx = fminf(dx, width - dx);  // the map repeats across u
                const float dy = y + 0.5f - cv;
                h += (1.0f - base) * expf(-(dx * dx + dy * dy) / (2.0f * sigma * sigma));
            }
            const uint8_t g = ToByte(h);
            uint8_t* p = &image.rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = p[1] = p[2] = g;
        }
    return image;
}

bool WriteBmp24(const std::string& path, const RgbImage& image, std::string* error) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgb.size() < static_cast<size_t>(image.width) * image.height * 3) {
        if (error) *error = path + ": no image to write";
        return false;
    }
    const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t pixelBytes = rowBytes * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> file(54 + pixelBytes, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLittleEndian(&file[2], static_cast<uint32_t>(file.size()), 4);
    PutLittleEndian(&file[10], 54, 4);
    PutLittleEndian(&file[14], 40, 4);
    PutLittleEndian(&file[18], static_cast<uint32_t>(image.width), 4);
    PutLittleEndian(&file[22], static_cast<uint32_t>(image.height), 4);
    PutLittleEndian(&file[26], 1, 2);
    PutLittleEndian(&file[28], 24, 2);
    PutLittleEndian(&file[34], pixelBytes, 4);
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* src = &image.rgb[static_cast<size_t>(image.height - 1 - y) * image.width * 3];
        uint8_t* dst = &file[54 + static_cast<size_t>(y) * rowBytes];
        for (int32_t x = 0; x < image.width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    FILE* out = wb::OpenFile(path, "wb");
    const bool ok = out && fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out && fclose(out) != 0) {
        if (error) *error = path + ": write error";
        return false;
    }
    if (!ok && error) *error = path + ": cannot be written";
    return ok;
}

}  // namespace workbench
