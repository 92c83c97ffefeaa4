// A check of TGA and BMP files before stb_image reads them. stb_image reads past a file's end as
// zeros, so a header of a few bytes that declares thousands of pixels a side makes it decode an
// image of that size (seconds, and tens of megabytes) out of nothing.
#pragma once

#include <stddef.h>

namespace wb {
namespace detail {

// data, size: a whole image file. True when it is a PNG or a JPEG (stb_image stops at their end),
// or when it is long enough for the pixels its header declares:
//   - a BMP (it begins with "BM"): every row but the last with its padding, and the last;
//   - anything else, taken as a TGA: the header, the image ID and the colour map, then every
//     pixel (uncompressed) or one packet per 128 pixels at least (run-length encoded).
// False for a file that must not be handed to stb_image.
bool ImageDataFits(const unsigned char* data, size_t size);

}  // namespace detail
}  // namespace wb
