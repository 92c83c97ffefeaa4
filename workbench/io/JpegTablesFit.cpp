#include "workbench/io/JpegTablesFit.h"

namespace wb {
namespace detail {

bool JpegTablesFit(const unsigned char* data, size_t size) {
    if (!data || size < 2 || data[0] != 0xFF || data[1] != 0xD8) return true;
    // Markers as stb_image finds them: a 0xFF byte, fill bytes, the marker's code. Entropy-coded
    // data between them is passed over a byte at a time (0xFF 0x00 is a data byte there).
    size_t p = 2;
    while (p + 1 < size) {
        if (data[p] != 0xFF || data[p + 1] == 0xFF) {
            ++p;
            continue;
        }
        const unsigned char marker = data[p + 1];
        // Markers without a length: stuffing, TEM, RST0-7, SOI, EOI.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {
            p += 2;
            continue;
        }
        if (p + 3 >= size) break;
        const size_t end = p + 2 + ((static_cast<size_t>(data[p + 2]) << 8) | data[p + 3]);
        if (marker == 0xC4) {
            // Tables of a class/slot byte, 16 counts and that many symbols; a count past the end
            // of the file reads as 0, as stb_image reads it.
            for (size_t q = p + 4; q < end && q < size;) {
                size_t symbols = 0;
                for (size_t i = 1; i <= 16 && q + i < size; ++i) symbols += data[q + i];
                if (symbols > 256) return false;
                q += 17 + symbols;
            }
        }
        p = end;
    }
    return true;
}

}  // namespace detail
}  // namespace wb
