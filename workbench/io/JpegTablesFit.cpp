#include "workbench/io/JpegTablesFit.h"

namespace wb {
namespace detail {

bool JpegTablesFit(const unsigned char* data, size_t size) {
    // The start marker, after any fill bytes (0xFF), which stb_image passes over as well.
    if (!data || size < 2 || data[0] != 0xFF) return true;
    size_t start = 1;
    while (start < size && data[start] == 0xFF) ++start;
    if (start >= size || data[start] != 0xD8) return true;
    // A byte of the file; past its end 0, as stb_image reads it.
    auto at = [&](size_t i) -> unsigned { return i < size ? data[i] : 0u; };
    bool defined[2][4] = {};  // Huffman tables defined so far: DC (0) and AC (1), slots 0-3
    bool progressive = false;
    // Markers as stb_image finds them: a 0xFF byte, fill bytes, the marker's code. Entropy-coded
    // data between them is passed over a byte at a time (0xFF 0x00 is a data byte there).
    size_t p = start + 1;
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
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) progressive = marker == 0xC2;
        if (marker == 0xC4) {
            // Tables of a class/slot byte, 16 counts and that many symbols.
            for (size_t q = p + 4; q < end && q < size;) {
                size_t symbols = 0;
                for (size_t i = 1; i <= 16; ++i) symbols += at(q + i);
                if (symbols > 256) return false;
                if ((at(q) >> 4) <= 1 && (at(q) & 15) <= 3) defined[at(q) >> 4][at(q) & 15] = true;
                q += 17 + symbols;
            }
        }
        if (marker == 0xDA) {
            // A scan decodes with tables it names and stb_image takes them as they are, defined
            // or not: its DC tables in a baseline scan or a first DC scan, its AC tables in a
            // baseline scan or an AC scan.
            const size_t components = at(p + 4);
            const size_t after = p + 5 + 2 * components;  // spectral start, end, approximation
            const bool usesDc = !progressive || (at(after) == 0 && (at(after + 2) >> 4) == 0);
            const bool usesAc = !progressive || at(after) != 0;
            for (size_t c = 0; c < components; ++c) {
                const unsigned tables = at(p + 6 + 2 * c);
                if ((tables >> 4) > 3 || (tables & 15) > 3) continue;  // stb_image refuses these
                if ((usesDc && !defined[0][tables >> 4]) || (usesAc && !defined[1][tables & 15]))
                    return false;
            }
        }
        p = end;
    }
    return true;
}

}  // namespace detail
}  // namespace wb
