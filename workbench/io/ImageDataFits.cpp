#include "workbench/io/ImageDataFits.h"

#include <stdint.h>

namespace wb {
namespace detail {

namespace {

uint32_t U16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t U32(const unsigned char* p) { return U16(p) | (U16(p + 2) << 16); }

// Sides past this are refused here; stb_image refuses them anyway (STBI_MAX_DIMENSIONS).
constexpr uint64_t kMaxSide = 1u << 16;

bool BmpDataFits(const unsigned char* d, size_t size) {
    if (size < 26) return false;
    const uint64_t offBits = U32(d + 10);
    const bool core = U32(d + 14) == 12;  // the old header, of 16-bit sides
    if (!core && size < 34) return false;
    const uint64_t width = core ? U16(d + 18) : U32(d + 18);
    const int64_t signedHeight =
        core ? static_cast<int16_t>(U16(d + 20)) : static_cast<int32_t>(U32(d + 22));
    const uint64_t height = signedHeight < 0 ? 0 - static_cast<uint64_t>(signedHeight)
                                             : static_cast<uint64_t>(signedHeight);
    const uint64_t bits = core ? U16(d + 24) : U16(d + 28);
    const uint32_t compression = core ? 0 : U32(d + 30);
    if (compression != 0 && compression != 3) return true;  // stb_image reads no others
    if (width > kMaxSide || height > kMaxSide) return false;
    if (width == 0 || height == 0) return true;
    const uint64_t rowBytes = (width * bits + 7) / 8;
    const uint64_t stride = (width * bits + 31) / 32 * 4;
    return offBits + stride * (height - 1) + rowBytes <= size;
}

bool TgaDataFits(const unsigned char* d, size_t size) {
    constexpr size_t kHeader = 18;
    if (size < kHeader) return false;
    const uint64_t idLength = d[0];
    const bool hasColorMap = d[1] == 1;
    const int type = d[2];
    const uint64_t mapEntries = U16(d + 5);
    const uint64_t mapEntryBytes = (d[7] + 7u) / 8u;
    const uint64_t pixels = static_cast<uint64_t>(U16(d + 12)) * U16(d + 14);
    const uint64_t pixelBytes = (d[16] + 7u) / 8u;
    // Each packet of a run-length encoded image is a count byte and at least one pixel, for at
    // most 128 pixels.
    const uint64_t pixelData =
        type >= 9 ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    const uint64_t needed =
        kHeader + idLength + (hasColorMap ? mapEntries * mapEntryBytes : 0) + pixelData;
    return needed <= size;
}

}  // namespace

bool ImageDataFits(const unsigned char* d, size_t size) {
    if (size >= 4 && d[0] == 0x89 && d[1] == 'P' && d[2] == 'N' && d[3] == 'G') return true;
    if (size >= 2 && d[0] == 0xFF && d[1] == 0xD8) return true;
    if (size >= 2 && d[0] == 'B' && d[1] == 'M') return BmpDataFits(d, size);
    return TgaDataFits(d, size);
}

}  // namespace detail
}  // namespace wb
