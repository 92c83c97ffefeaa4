#include "workbench/stress/ImageFiles.h"

#include <stdio.h>
#include <string.h>

#include <windows.h>

namespace stressfiles {

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t value) { memcpy(&out[at], &value, 2); }
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) { memcpy(&out[at], &value, 4); }

size_t PaddedRow(int32_t width, uint16_t bitCount) {
    return (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
}

// A 2 x 2 RGB PNG (stb_image's path of the loader).
const uint8_t kPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xfd, 0xd4, 0x9a,
    0x73, 0x00, 0x00, 0x00, 0x16, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x60, 0x60, 0xf0, 0x3d,
    0xc1, 0xe0, 0xcb, 0xc0, 0x70, 0xc2, 0xf7, 0xc4, 0x09, 0x5f, 0x00, 0x16, 0xe6, 0x04, 0x55, 0xd5,
    0xb6, 0x23, 0xdc, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

std::vector<uint8_t> Bmp(int32_t width, int32_t height, uint16_t bitCount) {
    int32_t rows = height < 0 ? -height : height;
    return BmpFileBytes(width, height, bitCount, 0, PatternRows(width, rows, bitCount));
}

}  // namespace

std::vector<uint8_t> PatternRows(int32_t width, int32_t height, uint16_t bitCount) {
    if (width <= 0 || height <= 0) return {};
    const size_t stride = PaddedRow(width, bitCount);
    std::vector<uint8_t> rows(stride * static_cast<size_t>(height), 0);
    for (int32_t y = 0; y < height; ++y) {
        for (size_t i = 0; i < stride; ++i)
            rows[static_cast<size_t>(y) * stride + i] = static_cast<uint8_t>(i * 37 + y * 91 + 11);
    }
    return rows;
}

std::vector<uint8_t> BmpFileBytes(int32_t width, int32_t height, uint16_t bitCount,
                                  uint32_t compression, const std::vector<uint8_t>& rows) {
    const size_t paletteBytes = bitCount <= 8 ? (size_t{1} << bitCount) * 4 : 0;
    const size_t pixelOffset = 14 + 40 + paletteBytes;
    std::vector<uint8_t> file(pixelOffset, 0);
    file[0] = 'B';
    file[1] = 'M';
    Put32(file, 10, static_cast<uint32_t>(pixelOffset));
    Put32(file, 14, 40);
    Put32(file, 18, static_cast<uint32_t>(width));
    Put32(file, 22, static_cast<uint32_t>(height));
    Put16(file, 26, 1);
    Put16(file, 28, bitCount);
    Put32(file, 30, compression);
    Put32(file, 34, static_cast<uint32_t>(rows.size()));
    for (size_t i = 0; i < paletteBytes / 4; ++i) Put32(file, 54 + 4 * i, static_cast<uint32_t>(i * 0x010101u));
    file.insert(file.end(), rows.begin(), rows.end());
    Put32(file, 2, static_cast<uint32_t>(file.size()));
    return file;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return fclose(out) == 0 && ok;
}

std::vector<ImageCase> WriteImageCases(const std::string& folder) {
    std::vector<ImageCase> cases;
    auto add = [&](const char* name, const std::vector<uint8_t>& bytes, bool loads, uint16_t bits) {
        std::string path = folder + name;
        WriteFileBytes(path, bytes);
        cases.push_back({name, path, loads, loads ? bits : uint16_t{0}});
    };

    // Good files, delivered in the three depths the plug-in samples, and odd but valid ones.
    add("good8.bmp", Bmp(4, 4, 8), true, 8);
    add("good24.bmp", Bmp(5, 3, 24), true, 24);  // rows padded in the file
    add("good32.bmp", Bmp(3, 3, 32), true, 32);
    add("one-pixel.bmp", Bmp(1, 1, 24), true, 24);
    add("wide.bmp", Bmp(65536, 1, 8), true, 8);
    add("tall.bmp", Bmp(1, 4096, 8), true, 8);
    add("top-down.bmp", Bmp(4, -3, 24), true, 24);
    add("高さマップ.bmp", Bmp(2, 2, 24), true, 24);  // code page 932 in the binary
    add("picture.png", std::vector<uint8_t>(kPng, kPng + sizeof kPng), true, 24);
    {
        // Bit fields: 32 bits per pixel with masks, delivered as plain 32-bit pixels.
        std::vector<uint8_t> bytes = BmpFileBytes(2, 2, 32, 3, PatternRows(2, 2, 32));
        add("bitfields32.bmp", bytes, true, 32);
    }
    {
        // The 12-byte header of the oldest BMP files.
        std::vector<uint8_t> rows = PatternRows(2, 2, 24);
        std::vector<uint8_t> bytes(14 + 12 + rows.size(), 0);
        memcpy(&bytes[14 + 12], rows.data(), rows.size());
        bytes[0] = 'B';
        bytes[1] = 'M';
        Put32(bytes, 10, 26);
        Put32(bytes, 14, 12);
        Put16(bytes, 18, 2);
        Put16(bytes, 20, 2);
        Put16(bytes, 22, 1);
        Put16(bytes, 24, 24);
        add("core-header.bmp", bytes, true, 24);
    }
    // Depths the loader delivers but the plug-in does not sample (they sample as 0).
    add("depth1.bmp", Bmp(9, 3, 1), true, 1);
    add("depth4.bmp", Bmp(5, 3, 4), true, 4);
    add("depth16.bmp", Bmp(3, 3, 16), true, 16);

    // Files no loader can make an image of.
    add("empty.bmp", {}, false, 0);
    add("signature-only.bmp", {'B', 'M'}, false, 0);
    {
        std::vector<uint8_t> bytes = Bmp(4, 4, 24);
        bytes.resize(14 + 20);
        add("truncated-header.bmp", bytes, false, 0);
    }
    {
        std::vector<uint8_t> bytes = Bmp(16, 16, 24);
        bytes.resize(bytes.size() / 2);
        add("truncated-pixels.bmp", bytes, false, 0);
    }
    add("width0.bmp", BmpFileBytes(0, 4, 24, 0, PatternRows(4, 4, 24)), false, 0);
    add("height0.bmp", BmpFileBytes(4, 0, 24, 0, PatternRows(4, 4, 24)), false, 0);
    add("negative-width.bmp", BmpFileBytes(-4, 4, 24, 0, PatternRows(4, 4, 24)), false, 0);
    add("height-int-min.bmp", BmpFileBytes(4, INT32_MIN, 24, 0, PatternRows(4, 4, 24)), false, 0);
    add("huge.bmp", BmpFileBytes(100000, 100000, 24, 0, PatternRows(4, 4, 24)), false, 0);
    add("huge-width.bmp", BmpFileBytes(0x7FFFFFFF, 1, 32, 0, PatternRows(4, 1, 32)), false, 0);
    {
        // RLE8: 4 pixels of 7, end of line, 4 pixels of 9, end of bitmap.
        std::vector<uint8_t> stream = {4, 7, 0, 0, 4, 9, 0, 1};
        add("rle8.bmp", BmpFileBytes(4, 2, 8, 1, stream), false, 0);
        std::vector<uint8_t> stream4 = {4, 0x12, 0, 0, 4, 0x34, 0, 1};
        add("rle4.bmp", BmpFileBytes(4, 2, 4, 2, stream4), false, 0);
    }
    add("depth0.bmp", BmpFileBytes(2, 2, 0, 0, PatternRows(2, 2, 8)), false, 0);
    add("depth7.bmp", BmpFileBytes(2, 2, 7, 0, PatternRows(2, 2, 8)), false, 0);
    add("depth64.bmp", BmpFileBytes(2, 2, 64, 0, std::vector<uint8_t>(32, 5)), false, 0);
    {
        std::vector<uint8_t> bytes = Bmp(2, 2, 24);
        Put32(bytes, 10, 0x7FFFFFF0u);
        add("offset-past-end.bmp", bytes, false, 0);
        Put32(bytes, 10, 0);
        add("offset-zero.bmp", bytes, false, 0);
    }
    {
        std::vector<uint8_t> bytes = Bmp(2, 2, 24);
        Put32(bytes, 14, 0xFFFFFFFFu);
        add("header-size-huge.bmp", bytes, false, 0);
        Put32(bytes, 14, 13);
        add("header-size-odd.bmp", bytes, false, 0);
    }
    {
        std::vector<uint8_t> png(kPng, kPng + sizeof kPng);
        png.resize(40);
        add("truncated.png", png, false, 0);
    }
    {
        const char text[] = "this is not a picture\r\n";
        add("text.bmp", std::vector<uint8_t>(text, text + sizeof text - 1), false, 0);
        std::vector<uint8_t> noise(3000);
        uint32_t state = 12345;
        for (uint8_t& b : noise) {
            state = state * 1103515245u + 12345u;
            b = static_cast<uint8_t>(state >> 16);
        }
        add("noise.bin", noise, false, 0);
    }

    // Names that lead nowhere useful.
    std::string directory = folder + "folder.bmp";
    CreateDirectoryA(directory.c_str(), nullptr);
    cases.push_back({"folder.bmp", directory, false, 0});
    cases.push_back({"missing.bmp", folder + "missing.bmp", false, 0});
    cases.push_back({"empty name", "", false, 0});
    cases.push_back({"long name", folder + std::string(300, 'x') + ".bmp", false, 0});
    return cases;
}

}  // namespace stressfiles
