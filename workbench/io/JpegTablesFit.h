// A check of JPEG files before stb_image reads them. stb_image (2.27, Debian's) takes a Huffman
// table's symbol counts as they come and writes that many entries into arrays of 256: a file
// whose counts add up to more makes it write past them, already while it reads the header. And a
// scan that names a table no DHT segment defined makes it decode with uninitialised memory.
#pragma once

#include <stddef.h>

namespace wb {
namespace detail {

// data, size: a whole image file. True when it is no JPEG (it does not begin with the SOI marker)
// or when every Huffman table of every DHT segment in it, before and between its scans, holds at
// most 256 symbols and every table a scan decodes with was defined before it; false for a JPEG
// that must not be handed to stb_image.
bool JpegTablesFit(const unsigned char* data, size_t size);

}  // namespace detail
}  // namespace wb
