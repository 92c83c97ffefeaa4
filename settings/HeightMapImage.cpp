#include "settings/HeightMapImage.h"

#include <math.h>
#include <string.h>

#include "plugin/HostApi.h"
#include "settings/SettingsStore.h"

namespace {

const size_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER

// Size of a LocalAlloc block; 0 for a null pointer.
size_t BlockSize(const void* block) {
    return block ? LocalSize(const_cast<HLOCAL>(block)) : 0;
}

// trunc(size x t) wrapped into 0..size-1. The product is formed in double precision, so every
// float coordinate gives its exact truncated product; a coordinate that is not finite gives 0.
int64_t WrapCoordinate(int32_t size, float t) {
    double scaled = trunc(static_cast<double>(size) * static_cast<double>(t));
    if (!isfinite(scaled)) return 0;
    double wrapped = fmod(scaled, static_cast<double>(size));  // exact, sign of scaled
    if (wrapped < 0) wrapped += size;
    int64_t index = static_cast<int64_t>(wrapped);
    return index < size ? index : 0;
}

}  // namespace

PackedColor SampleImageBlocksSized(const void* headerBlock, size_t headerSize,
                                   const void* pixelBlock, size_t pixelSize, float u, float v) {
    if (!headerBlock || !pixelBlock || headerSize < kInfoHeaderSize) return 0;
    const uint8_t* header = static_cast<const uint8_t*>(headerBlock);
    int32_t width, height;
    uint16_t bitCount;
    memcpy(&width, header + 4, sizeof width);
    memcpy(&height, header + 8, sizeof height);
    memcpy(&bitCount, header + 14, sizeof bitCount);
    if (width <= 0 || height <= 0) return 0;

    size_t bytesPerPixel;
    switch (bitCount) {
        case 8: bytesPerPixel = 1; break;
        case 24: bytesPerPixel = 3; break;
        case 32: bytesPerPixel = 4; break;
        default: return 0;
    }

    int64_t column = WrapCoordinate(width, u);
    int64_t rowFromTop = WrapCoordinate(height, v);
    uint64_t memoryRow = static_cast<uint64_t>(height - 1 - rowFromTop);
    uint64_t pixelIndex = memoryRow * static_cast<uint64_t>(width) + static_cast<uint64_t>(column);
    // A block shorter than the header claims is read only as far as it goes.
    if (pixelIndex >= pixelSize / bytesPerPixel) return 0;

    const uint8_t* p = static_cast<const uint8_t*>(pixelBlock) + pixelIndex * bytesPerPixel;
    switch (bytesPerPixel) {
        case 1: return MakePackedColor(255, p[0], p[0], p[0]);
        case 3: return MakePackedColor(255, p[2], p[1], p[0]);
        default: return MakePackedColor(p[3], p[2], p[1], p[0]);
    }
}

PackedColor SampleImageBlocks(const void* headerBlock, const void* pixelBlock, float u, float v) {
    return SampleImageBlocksSized(headerBlock, BlockSize(headerBlock), pixelBlock,
                                  BlockSize(pixelBlock), u, v);
}

HeightMapImage::~HeightMapImage() { release(); }

bool HeightMapImage::load(const char* path) {
    if (!path || !Host().MQ_LoadImage) return false;
    void* header = nullptr;
    void* pixels = nullptr;
    if (!Host().MQ_LoadImage(path, &header, &pixels, 0)) return false;
    adopt(header, pixels);
    return true;
}

void HeightMapImage::adopt(void* headerBlock, void* pixelBlock) {
    release();
    header_ = headerBlock;
    pixels_ = pixelBlock;
    headerSize_ = BlockSize(header_);
    pixelSize_ = BlockSize(pixels_);
}

PackedColor HeightMapImage::sample(float u, float v) const {
    return SampleImageBlocksSized(header_, headerSize_, pixels_, pixelSize_, u, v);
}

void HeightMapImage::release() {
    if (header_) LocalFree(header_);
    header_ = nullptr;
    if (pixels_) LocalFree(pixels_);
    pixels_ = nullptr;
    headerSize_ = 0;
    pixelSize_ = 0;
}

PackedColor SampleHeightMap(HostObject object, float u, float v) {
    if (!object) return 0;
    return SettingsOf(object).heightMap.sample(u, v);
}
