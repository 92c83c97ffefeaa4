// Height-map sampling on image blocks as a host could hand them over: a header block of any size
// (a BITMAPINFOHEADER or less) whose width, height and bit count say anything, and a pixel block
// longer or shorter than they promise, sampled at the input's coordinates and at the awkward ones.
#include <float.h>
#include <math.h>
#include <stdint.h>
#include <string.h>

#include <memory>

#include "settings/HeightMapImage.h"

namespace {

// A heap copy of exactly n bytes, so that a read past the block is a read past the allocation.
std::unique_ptr<uint8_t[]> Block(const uint8_t* p, size_t n) {
    std::unique_ptr<uint8_t[]> block(new uint8_t[n ? n : 1]);
    if (n) memcpy(block.get(), p, n);
    return block;
}

}  // namespace

// Input: header size (1 byte), pixel block size (2 bytes, little-endian), the header, the pixels,
// then (u, v) pairs of floats.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    size_t headerSize = data[0] % 64;
    size_t pixelSize = data[1] | (data[2] << 8);
    data += 3;
    size -= 3;
    headerSize = headerSize < size ? headerSize : size;
    const auto header = Block(data, headerSize);
    data += headerSize;
    size -= headerSize;
    pixelSize = pixelSize < size ? pixelSize : size;
    const auto pixels = Block(data, pixelSize);
    data += pixelSize;
    size -= pixelSize;

    static const float kAwkward[] = {0.0f,     -0.0f,     1.0f,        -1.0f,   0.99999994f,
                                     -1e-45f,  1e30f,     -1e30f,      FLT_MAX, NAN,
                                     INFINITY, -INFINITY, 16777217.0f, 0.5f};
    PackedColor sink = 0;
    for (float u : kAwkward)
        for (float v : kAwkward)
            sink ^= SampleImageBlocksSized(header.get(), headerSize, pixels.get(), pixelSize, u, v);
    for (int n = 0; size >= 8 && n < 256; ++n, data += 8, size -= 8) {
        float uv[2];
        memcpy(uv, data, sizeof uv);
        sink ^=
            SampleImageBlocksSized(header.get(), headerSize, pixels.get(), pixelSize, uv[0], uv[1]);
    }
    // No block at all samples as 0.
    if (SampleImageBlocksSized(nullptr, 0, pixels.get(), pixelSize, 0, 0) ||
        SampleImageBlocksSized(header.get(), headerSize, nullptr, 0, 0, 0))
        __builtin_trap();
    return static_cast<int>(sink & 0);
}
