// Image files for the robustness runs: a few good bitmaps of every depth the plug-in samples, and
// files that are wrong in every way an image file can be (empty, cut short, impossible sizes,
// depths and compressions the plug-in does not sample, a folder, a Japanese name, no image at
// all). The stress run offers them to the height-map load and to colour extraction; the
// robustness tests run each one through the host's loader and the plug-in.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace stressfiles {

// One file of the set.
struct ImageCase {
    std::string name;   // what is wrong with it (or right), for messages
    std::string path;   // full path in the system code page; may name a folder or nothing
    bool loads;         // whether the workbench's MQ_LoadImage accepts it
    uint16_t bitCount;  // the depth it is delivered in when it loads (0 otherwise)
};

// Writes the whole set into folder (which must exist and end with a path separator) and returns
// it, good files first. Every call writes the same bytes, so runs with one seed see one set.
std::vector<ImageCase> WriteImageCases(const std::string& folder);

// The bytes of a BMP file with a 40-byte info header. rows holds the file's pixel rows as they
// are to be stored (padded or not, bottom-up or top-down, compressed or not); the header fields
// are written as given, whatever they claim.
std::vector<uint8_t> BmpFileBytes(int32_t width, int32_t height, uint16_t bitCount,
                                  uint32_t compression, const std::vector<uint8_t>& rows);

// The rows of a width x height image of bitCount bits per pixel in BMP file order (bottom row
// first, each padded to 4 bytes), filled with a pattern that varies by row and column.
std::vector<uint8_t> PatternRows(int32_t width, int32_t height, uint16_t bitCount);

// Writes bytes to path; false when the file cannot be written.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace stressfiles
