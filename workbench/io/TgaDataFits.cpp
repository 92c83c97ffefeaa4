#include "workbench/io/TgaDataFits.h"

#include <stdint.h>

namespace wb {
namespace detail {

bool TgaDataFits(const unsigned char* d, size_t size) {
    constexpr size_t kHeader = 18;
    if (size < kHeader) return false;
    const uint64_t idLength = d[0];
    const bool hasColorMap = d[1] == 1;
    const int type = d[2];
    const uint64_t mapEntries = d[5] | (d[6] << 8);
    const uint64_t mapEntryBytes = (d[7] + 7u) / 8u;
    const uint64_t width = d[12] | (d[13] << 8);
    const uint64_t height = d[14] | (d[15] << 8);
    const uint64_t pixelBytes = (d[16] + 7u) / 8u;
    const uint64_t pixels = width * height;
    // Each packet of a run-length encoded image is a count byte and at least one pixel, for at
    // most 128 pixels.
    const uint64_t pixelData =
        type >= 9 ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    const uint64_t needed =
        kHeader + idLength + (hasColorMap ? mapEntries * mapEntryBytes : 0) + pixelData;
    return needed <= size;
}

}  // namespace detail
}  // namespace wb
