#include "workbench/render/ImageBlocksToRgba.h"

#include <string.h>

namespace {

const int32_t kMaxSide = 16384;

int32_t ReadInt32(const uint8_t* bytes) {
    int32_t v;
    memcpy(&v, bytes, 4);
    return v;
}

uint16_t ReadUint16(const uint8_t* bytes) {
    uint16_t v;
    memcpy(&v, bytes, 2);
    return v;
}

}  // namespace

bool ImageBlocksToRgba(const void* header, const void* pixels, SceneTexture* out) {
    if (!out) return false;
    *out = SceneTexture();
    if (!header || !pixels) return false;
    const uint8_t* h = static_cast<const uint8_t*>(header);
    const int32_t width = ReadInt32(h + 4);
    const int32_t height = ReadInt32(h + 8);
    const int32_t bits = ReadUint16(h + 14);
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;

    const size_t rowBytes = (static_cast<size_t>(width) * bits + 7) / 8;
    const uint8_t* src = static_cast<const uint8_t*>(pixels);
    out->width = width;
    out->height = height;
    out->rgba.assign(static_cast<size_t>(width) * height * 4, 255);
    bool hasAlpha = false;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = src + static_cast<size_t>(height - 1 - y) * rowBytes;  // bottom-up
        uint8_t* dst = &out->rgba[static_cast<size_t>(y) * width * 4];
        for (int32_t x = 0; x < width; ++x, dst += 4) {
            uint8_t r = 0, g = 0, b = 0, a = 255;
            switch (bits) {
            case 1:
                r = g = b = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
                break;
            case 4:
                r = g = b = static_cast<uint8_t>(((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15) * 17);
                break;
            case 8:
                r = g = b = row[x];
                break;
            case 16: {
                const uint16_t v = ReadUint16(row + 2 * x);
                b = static_cast<uint8_t>((v & 31) * 255 / 31);
                g = static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31);
                r = static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31);
                break;
            }
            case 24:
                b = row[3 * x];
                g = row[3 * x + 1];
                r = row[3 * x + 2];
                break;
            default:
                b = row[4 * x];
                g = row[4 * x + 1];
                r = row[4 * x + 2];
                a = row[4 * x + 3];
                break;
            }
            dst[0] = r;
            dst[1] = g;
            dst[2] = b;
            dst[3] = a;
            if (a != 255) hasAlpha = true;
        }
    }
    // A 32-bit image whose fourth byte is 0 everywhere (blue, green, red, unused) is opaque.
    if (bits == 32) {
        bool allZero = true;
        for (size_t i = 3; i < out->rgba.size() && allZero; i += 4) allZero = out->rgba[i] == 0;
        if (allZero) {
            for (size_t i = 3; i < out->rgba.size(); i += 4) out->rgba[i] = 255;
            hasAlpha = false;
        }
    }
    out->hasAlpha = hasAlpha;
    return true;
}
