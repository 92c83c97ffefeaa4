// HeightMapImage: a bitmap from the host's image loader, sampled by texture coordinates. Serves
// as an object's height map and as a texture image for colour extraction.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "plugin/HostAbi.h"

// A sampled colour: alpha bits 0-7, red 8-15, green 16-23, blue 24-31. 0 is what an empty
// image, an unsupported depth or an unreadable pixel yields.
typedef uint32_t PackedColor;

inline uint8_t PackedAlpha(PackedColor c) { return static_cast<uint8_t>(c & 255); }
inline uint8_t PackedRed(PackedColor c) { return static_cast<uint8_t>((c >> 8) & 255); }
inline uint8_t PackedGreen(PackedColor c) { return static_cast<uint8_t>((c >> 16) & 255); }
inline uint8_t PackedBlue(PackedColor c) { return static_cast<uint8_t>((c >> 24) & 255); }
inline PackedColor MakePackedColor(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a & 255) | ((r & 255) << 8) | ((g & 255) << 16) | ((b & 255) << 24);
}

// Samples one pixel from raw host blocks (header: BITMAPINFOHEADER; pixels: bottom-up rows of
// exactly width x bytes-per-pixel bytes). u = 0 is the left edge, v = 0 the top edge; both repeat
// with period 1. 8-bit pixels are intensities, 24-bit blue-green-red, 32-bit
// blue-green-red-alpha; any other depth, a missing block, a size of 0 or less, or a pixel beyond
// the block gives 0.
// The blocks' sizes are taken with LocalSize (both must come from LocalAlloc); the header block
// must hold at least the 40 bytes of a BITMAPINFOHEADER.
PackedColor SampleImageBlocks(const void* headerBlock, const void* pixelBlock, float u, float v);
// The same with the blocks' sizes in bytes given by the caller.
PackedColor SampleImageBlocksSized(const void* headerBlock, size_t headerSize,
                                   const void* pixelBlock, size_t pixelSize, float u, float v);

class HeightMapImage {
public:
    HeightMapImage() = default;
    ~HeightMapImage();
    HeightMapImage(const HeightMapImage&) = delete;
    HeightMapImage& operator=(const HeightMapImage&) = delete;

    // MQ_LoadImage(path, &header, &pixels, 0). On success the old blocks are released and the new
    // ones adopted; on failure the image stays as it was.
    bool load(const char* path);
    // Releases the current blocks and takes ownership of two LocalAlloc blocks (either may be
    // null, which leaves the image empty). load uses it; tests hand in blocks of their own.
    void adopt(void* headerBlock, void* pixelBlock);
    PackedColor sample(float u, float v) const;
    // LocalFree of the header block, then of the pixel block; both become null.
    void release();
    bool empty() const { return !header_ || !pixels_; }
    const void* header() const { return header_; }
    const void* pixels() const { return pixels_; }

private:
    void* header_ = nullptr;
    void* pixels_ = nullptr;
    size_t headerSize_ = 0;  // LocalSize of the blocks, taken once when they are adopted
    size_t pixelSize_ = 0;
};

// The object's own height map sampled at (u, v): its record by unique ID (created if missing);
// 0 when no height map is loaded.
PackedColor SampleHeightMap(HostObject object, float u, float v);
