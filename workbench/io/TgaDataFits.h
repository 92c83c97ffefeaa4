// A check of TGA files before stb_image reads them. stb_image reads past a TGA file's end as
// zeros, so a header of a few bytes that declares thousands of pixels a side makes it decode an
// image of that size (seconds, and blocks of tens of megabytes) out of nothing.
#pragma once

#include <stddef.h>

namespace wb {
namespace detail {

// data, size: a whole image file that stb_image takes as a TGA (no BMP, PNG or JPEG). True when
// the file is long enough for the pixels its header declares: the header, the image ID and the
// colour map, then every pixel (uncompressed) or one packet per 128 pixels at least (run-length
// encoded); false for a file that must not be handed to stb_image.
bool TgaDataFits(const unsigned char* data, size_t size);

}  // namespace detail
}  // namespace wb
