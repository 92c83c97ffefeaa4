// MQ_LoadImage: the block layout of ABI.md for BMP files of every bit depth (odd widths, so that
// row packing without padding shows), top-down BMPs, PNG / TGA / JPEG through stb_image with
// their channel order, a matrix of malformed files that must give 0 without crashing, file names
// in code page 932, and the LocalFree counter.
#include <gtest/gtest.h>

#include <string.h>

#include "tests/workbench/WorkbenchTestUtil.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

size_t RowBytes(int32_t width, int bitCount) { return (static_cast<size_t>(width) * bitCount + 7) / 8; }

// Packed pixel rows, bottom row first, with a pattern that differs per byte.
Bytes Pattern(int32_t width, int32_t height, int bitCount) {
    const size_t row = RowBytes(width, bitCount);
    Bytes b(row * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y)
        for (size_t x = 0; x < row; ++x) b[y * row + x] = static_cast<uint8_t>(x * 7 + y * 13 + 1);
    return b;
}

// A BMP file holding packed rows (bottom row first); each file row padded to 4 bytes with 0xEE.
// A negative height writes a top-down file. An 8-bit (or less) file gets a grey palette.
Bytes MakeBmp(int32_t width, int32_t height, int bitCount, const Bytes& rows,
              uint32_t compression = 0) {
    const int32_t h = height < 0 ? -height : height;
    const size_t row = RowBytes(width, bitCount);
    const size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    const size_t palette = bitCount <= 8 ? (size_t{1} << bitCount) * 4 : 0;
    const size_t offBits = 14 + 40 + palette;
    Bytes f(offBits + stride * static_cast<size_t>(h), 0xEE);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, static_cast<uint32_t>(f.size()));
    Put32(f, 6, 0);
    Put32(f, 10, static_cast<uint32_t>(offBits));
    Put32(f, 14, 40);
    Put32(f, 18, static_cast<uint32_t>(width));
    Put32(f, 22, static_cast<uint32_t>(height));
    Put16(f, 26, 1);
    Put16(f, 28, static_cast<uint16_t>(bitCount));
    Put32(f, 30, compression);
    Put32(f, 34, 0);
    for (size_t i = 38; i < 54; ++i) f[i] = 0;
    for (size_t i = 0; i < palette / 4; ++i) {
        const uint8_t g = static_cast<uint8_t>(i * 255 / ((palette / 4) - 1 ? (palette / 4) - 1 : 1));
        f[54 + i * 4] = f[55 + i * 4] = f[56 + i * 4] = g;
        f[57 + i * 4] = 0;
    }
    for (int32_t y = 0; y < h; ++y) {
        const int32_t fileRow = height < 0 ? (h - 1 - y) : y;
        if (!rows.empty()) memcpy(&f[offBits + fileRow * stride], &rows[y * row], row);
    }
    return f;
}

// ---- a minimal PNG encoder (stored deflate blocks) --------------------------------------------
uint32_t Crc(const uint8_t* p, size_t n, uint32_t crc = 0xFFFFFFFFu) {
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return crc;
}
void PutBE(Bytes& b, uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Chunk(Bytes& out, const char* type, const Bytes& data) {
    PutBE(out, static_cast<uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBE(out, Crc(typed.data(), typed.size()) ^ 0xFFFFFFFFu);
}
// pixels: rows top-down, `channels` bytes per pixel (1 grey, 2 grey+alpha, 3 RGB, 4 RGBA).
Bytes MakePng(int32_t w, int32_t h, int channels, const Bytes& pixels) {
    static const uint8_t colorType[5] = {0, 0, 4, 2, 6};
    Bytes raw;
    for (int32_t y = 0; y < h; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), pixels.begin() + y * w * channels, pixels.begin() + (y + 1) * w * channels);
    }
    Bytes z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0;) {
        const size_t n = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
        if (n == 0) break;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE(z, (b << 16) | a);
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    PutBE(ihdr, static_cast<uint32_t>(w));
    PutBE(ihdr, static_cast<uint32_t>(h));
    ihdr.insert(ihdr.end(), {8, colorType[channels], 0, 0, 0});
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

struct Loaded {
    int32_t result = 0;
    int32_t width = 0, height = 0, bitCount = 0;
    Bytes pixels;
    void* header = nullptr;
    void* block = nullptr;
};

Loaded Load(const std::string& path) {
    Loaded l;
    l.header = reinterpret_cast<void*>(1);
    l.block = reinterpret_cast<void*>(1);
    l.result = MQ_LoadImage(path.c_str(), &l.header, &l.block, 0);
    if (l.result && l.header && l.block) {
        const uint8_t* h = static_cast<const uint8_t*>(l.header);
        memcpy(&l.width, h + 4, 4);
        memcpy(&l.height, h + 8, 4);
        uint16_t bits;
        memcpy(&bits, h + 14, 2);
        l.bitCount = bits;
        const size_t n = RowBytes(l.width, l.bitCount) * static_cast<size_t>(l.height);
        EXPECT_GE(LocalSize(l.block), n);
        l.pixels.assign(static_cast<const uint8_t*>(l.block), static_cast<const uint8_t*>(l.block) + n);
        LocalFree(l.header);
        LocalFree(l.block);
    }
    return l;
}

std::string Temp(const std::string& name) { return wbtest::TempDir() + name; }

class ImageLoader : public ::testing::Test {
protected:
    static void SetUpTestSuite() { wb::CountLocalFreeIn(GetModuleHandleA(nullptr)); }
};

// ---- BMP ---------------------------------------------------------------------------------------

struct BmpCase {
    int32_t width;
    int32_t height;
    int bitCount;
};

class BmpDepths : public ImageLoader, public ::testing::WithParamInterface<BmpCase> {};

TEST_P(BmpDepths, DeliversTheFileInItsOwnDepthWithUnpaddedBottomUpRows) {
    const BmpCase c = GetParam();
    const int32_t h = c.height < 0 ? -c.height : c.height;
    const Bytes rows = Pattern(c.width, h, c.bitCount);
    const std::string path = Temp("depth_" + std::to_string(c.bitCount) + "_" + std::to_string(c.width) +
                                  "x" + std::to_string(c.height) + ".bmp");
    ASSERT_TRUE(wbtest::WriteBytes(path, MakeBmp(c.width, c.height, c.bitCount, rows)));
    const Loaded l = Load(path);
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.width, c.width);
    EXPECT_EQ(l.height, h);  // always positive: bottom-up
    EXPECT_EQ(l.bitCount, c.bitCount);
    EXPECT_EQ(l.pixels, rows);
}

INSTANTIATE_TEST_SUITE_P(
    AllDepths, BmpDepths,
    ::testing::Values(BmpCase{5, 3, 8}, BmpCase{7, 4, 24}, BmpCase{3, 5, 32}, BmpCase{1, 1, 24},
                      BmpCase{13, 2, 1}, BmpCase{9, 3, 4}, BmpCase{5, 2, 16}, BmpCase{6, 3, 24},
                      BmpCase{5, -3, 8}, BmpCase{7, -4, 24}, BmpCase{3, -2, 32}),
    [](const ::testing::TestParamInfo<BmpCase>& info) {
        const BmpCase& c = info.param;
        return std::to_string(c.bitCount) + "bit_" + std::to_string(c.width) + "x" +
               (c.height < 0 ? "top" + std::to_string(-c.height) : std::to_string(c.height));
    });

TEST_F(ImageLoader, TheHeaderBlockIsABitmapInfoHeader) {
    const std::string path = Temp("header.bmp");
    ASSERT_TRUE(wbtest::WriteBytes(path, MakeBmp(3, 2, 24, Pattern(3, 2, 24))));
    void* header = nullptr;
    void* pixels = nullptr;
    ASSERT_EQ(MQ_LoadImage(path.c_str(), &header, &pixels, 0), 1);
    const BITMAPINFOHEADER* bih = static_cast<const BITMAPINFOHEADER*>(header);
    EXPECT_EQ(bih->biSize, 40u);
    EXPECT_EQ(bih->biWidth, 3);
    EXPECT_EQ(bih->biHeight, 2);
    EXPECT_EQ(bih->biPlanes, 1);
    EXPECT_EQ(bih->biBitCount, 24);
    EXPECT_EQ(bih->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_GE(LocalSize(header), 40u);
    EXPECT_EQ(LocalFlags(header) & LMEM_DISCARDABLE, 0u);
    LocalFree(header);
    LocalFree(pixels);
}

// ---- PNG, TGA, JPEG ------------------------------------------------------------------------------

TEST_F(ImageLoader, PngComesOutByChannelCountInBlueGreenRedOrder) {
    // 3 x 2, top row first: red, green, blue / white, black, grey.
    const Bytes rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
    ASSERT_TRUE(wbtest::WriteBytes(Temp("rgb.png"), MakePng(3, 2, 3, rgb)));
    Loaded l = Load(Temp("rgb.png"));
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.width, 3);
    EXPECT_EQ(l.height, 2);
    EXPECT_EQ(l.bitCount, 24);
    // Bottom row first, BGR.
    EXPECT_EQ(l.pixels, (Bytes{255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 255, 0, 255, 0, 255, 0, 0}));

    const Bytes rgba = {10, 20, 30, 40, 50, 60, 70, 80};  // 1 x 2
    ASSERT_TRUE(wbtest::WriteBytes(Temp("rgba.png"), MakePng(1, 2, 4, rgba)));
    l = Load(Temp("rgba.png"));
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.bitCount, 32);
    EXPECT_EQ(l.pixels, (Bytes{70, 60, 50, 80, 30, 20, 10, 40}));

    const Bytes grey = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};  // 5 x 2
    ASSERT_TRUE(wbtest::WriteBytes(Temp("grey.png"), MakePng(5, 2, 1, grey)));
    l = Load(Temp("grey.png"));
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.bitCount, 8);
    EXPECT_EQ(l.pixels, (Bytes{6, 7, 8, 9, 10, 1, 2, 3, 4, 5}));

    const Bytes greyAlpha = {100, 200};  // 1 x 1
    ASSERT_TRUE(wbtest::WriteBytes(Temp("ga.png"), MakePng(1, 1, 2, greyAlpha)));
    l = Load(Temp("ga.png"));
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.bitCount, 32);
    EXPECT_EQ(l.pixels, (Bytes{100, 100, 100, 200}));
}

TEST_F(ImageLoader, TgaAndJpeg) {
    // Uncompressed 24-bit TGA, 2 x 1, stored BGR bottom-up.
    Bytes tga(18, 0);
    tga[2] = 2;
    Put16(tga, 12, 2);
    Put16(tga, 14, 1);
    tga[16] = 24;
    tga.insert(tga.end(), {1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(wbtest::WriteBytes(Temp("a.tga"), tga));
    Loaded l = Load(Temp("a.tga"));
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.width, 2);
    EXPECT_EQ(l.height, 1);
    EXPECT_EQ(l.bitCount, 24);
    EXPECT_EQ(l.pixels, (Bytes{1, 2, 3, 4, 5, 6}));

    l = Load("/usr/share/assimp/models/OBJ/SpiderTex.jpg");
    ASSERT_EQ(l.result, 1);
    EXPECT_GT(l.width, 0);
    EXPECT_GT(l.height, 0);
    EXPECT_EQ(l.bitCount, 24);
}

// ---- malformed files -----------------------------------------------------------------------------

struct BadCase {
    const char* name;
    Bytes bytes;
};

std::vector<BadCase> BadFiles() {
    std::vector<BadCase> cases;
    const Bytes good = MakeBmp(5, 3, 24, Pattern(5, 3, 24));
    auto with = [&](const char* name, auto edit) {
        Bytes b = good;
        edit(b);
        cases.push_back({name, b});
    };
    cases.push_back({"empty", {}});
    cases.push_back({"one_byte", {'B'}});
    cases.push_back({"bm_only", {'B', 'M'}});
    cases.push_back({"header_cut", Bytes(good.begin(), good.begin() + 30)});
    cases.push_back({"pixels_cut", Bytes(good.begin(), good.end() - 20)});
    cases.push_back({"no_pixels", Bytes(good.begin(), good.begin() + 54)});
    with("zero_width", [](Bytes& b) { Put32(b, 18, 0); });
    with("negative_width", [](Bytes& b) { Put32(b, 18, static_cast<uint32_t>(-5)); });
    with("zero_height", [](Bytes& b) { Put32(b, 22, 0); });
    with("min_height", [](Bytes& b) { Put32(b, 22, 0x80000000u); });
    with("huge", [](Bytes& b) {
        Put32(b, 18, 100000);
        Put32(b, 22, 100000);
    });
    with("huge_width", [](Bytes& b) { Put32(b, 18, 0x7FFFFFFF); });
    with("wider_than_file", [](Bytes& b) { Put32(b, 18, 500); });
    with("bitcount_2", [](Bytes& b) { Put16(b, 28, 2); });
    with("bitcount_0", [](Bytes& b) { Put16(b, 28, 0); });
    with("bitcount_48", [](Bytes& b) { Put16(b, 28, 48); });
    with("rle8", [](Bytes& b) {
        Put16(b, 28, 8);
        Put32(b, 30, 1);
    });
    with("rle4", [](Bytes& b) {
        Put16(b, 28, 4);
        Put32(b, 30, 2);
    });
    with("jpeg_in_bmp", [](Bytes& b) { Put32(b, 30, 4); });
    with("bitfields_24", [](Bytes& b) { Put32(b, 30, 3); });
    with("offset_past_end", [](Bytes& b) { Put32(b, 10, 0xFFFFFFF0u); });
    with("offset_inside_header", [](Bytes& b) { Put32(b, 10, 2); });
    with("header_size_odd", [](Bytes& b) { Put32(b, 14, 17); });
    with("header_size_huge", [](Bytes& b) { Put32(b, 14, 0xFFFFFFFFu); });
    Bytes garbage(300);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
    cases.push_back({"garbage", garbage});
    const Bytes png = MakePng(4, 4, 3, Bytes(48, 9));
    cases.push_back({"png_cut", Bytes(png.begin(), png.begin() + 40)});
    Bytes pngHuge = png;
    pngHuge[16] = 0x7F;  // width 0x7F000004: IHDR says too big (CRC no longer matches either)
    cases.push_back({"png_huge", pngHuge});
    cases.push_back({"png_signature_only", Bytes(png.begin(), png.begin() + 8)});
    // A run-length encoded TGA that declares 4000 x 4000 pixels and holds one packet of them.
    Bytes tgaBomb(18, 0);
    tgaBomb[2] = 10;
    Put16(tgaBomb, 12, 4000);
    Put16(tgaBomb, 14, 4000);
    tgaBomb[16] = 24;
    tgaBomb.insert(tgaBomb.end(), {0xFF, 1, 2, 3});
    cases.push_back({"tga_rle_mostly_missing", tgaBomb});
    cases.push_back({"text", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}});
    return cases;
}

TEST_F(ImageLoader, MalformedFilesGiveZeroAndNoBlocks) {
    const int64_t allocatedBefore = wb::ImageBlocksAllocated();
    for (const BadCase& c : BadFiles()) {
        const std::string path = Temp(std::string("bad_") + c.name + ".bmp");
        ASSERT_TRUE(wbtest::WriteBytes(path, c.bytes)) << c.name;
        void* header = reinterpret_cast<void*>(1);
        void* pixels = reinterpret_cast<void*>(1);
        EXPECT_EQ(MQ_LoadImage(path.c_str(), &header, &pixels, 0), 0) << c.name;
        EXPECT_EQ(header, nullptr) << c.name;
        EXPECT_EQ(pixels, nullptr) << c.name;
    }
    EXPECT_EQ(wb::ImageBlocksAllocated(), allocatedBefore);
}

TEST_F(ImageLoader, MissingFilesFoldersAndBadArgumentsGiveZero) {
    void* header = reinterpret_cast<void*>(1);
    void* pixels = reinterpret_cast<void*>(1);
    EXPECT_EQ(MQ_LoadImage(Temp("does_not_exist.bmp").c_str(), &header, &pixels, 0), 0);
    EXPECT_EQ(header, nullptr);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(MQ_LoadImage(wbtest::TempDir().c_str(), &header, &pixels, 0), 0);
    EXPECT_EQ(MQ_LoadImage(Temp("").c_str(), &header, &pixels, 0), 0);
    EXPECT_EQ(MQ_LoadImage("", &header, &pixels, 0), 0);
    EXPECT_EQ(MQ_LoadImage(nullptr, &header, &pixels, 0), 0);
    EXPECT_EQ(MQ_LoadImage("NUL", &header, &pixels, 0), 0);
    const std::string good = Temp("good.bmp");
    ASSERT_TRUE(wbtest::WriteBytes(good, MakeBmp(2, 2, 24, Pattern(2, 2, 24))));
    EXPECT_EQ(MQ_LoadImage(good.c_str(), nullptr, &pixels, 0), 0);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(MQ_LoadImage(good.c_str(), &header, nullptr, 0), 0);
    EXPECT_EQ(header, nullptr);
}

TEST_F(ImageLoader, JapaneseFileNamesInCodePage932) {
    // The literals are compiled to code page 932 bytes, as the plug-in passes them; "表" ends
    // in the byte 0x5C, a backslash.
    void* header = reinterpret_cast<void*>(1);
    void* pixels = reinterpret_cast<void*>(1);
    EXPECT_EQ(MQ_LoadImage(Temp("存在しない表.bmp").c_str(), &header, &pixels, 0), 0);
    EXPECT_EQ(header, nullptr);
    EXPECT_EQ(MQ_LoadImage(Temp("表\\表\\").c_str(), &header, &pixels, 0), 0);
    const std::string path = Temp("高さマップ_テクスチャ表.bmp");
    const Bytes rows = Pattern(3, 3, 8);
    if (!wbtest::WriteBytes(path, MakeBmp(3, 3, 8, rows))) {
        // Wine maps such names to Unix file names only under a UTF-8 glibc locale; without one
        // (no ja_JP.UTF-8 generated) no program here can create the file.
        GTEST_SKIP() << "this Wine cannot create files with Japanese names (ACP " << GetACP() << ")";
    }
    const Loaded l = Load(path);
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.pixels, rows);
}

TEST_F(ImageLoader, BlocksFreedThroughTheHookedLocalFreeAreCounted) {
    const std::string path = Temp("count.bmp");
    ASSERT_TRUE(wbtest::WriteBytes(path, MakeBmp(2, 2, 32, Pattern(2, 2, 32))));
    const int64_t allocated = wb::ImageBlocksAllocated();
    const int64_t freed = wb::ImageBlocksFreed();
    void* header = nullptr;
    void* pixels = nullptr;
    ASSERT_EQ(MQ_LoadImage(path.c_str(), &header, &pixels, 0), 1);
    EXPECT_EQ(wb::ImageBlocksAllocated(), allocated + 2);
    EXPECT_EQ(wb::ImageBlocksFreed(), freed);
    EXPECT_EQ(LocalFree(header), nullptr);
    EXPECT_EQ(wb::ImageBlocksFreed(), freed + 1);
    EXPECT_EQ(LocalFree(pixels), nullptr);
    EXPECT_EQ(wb::ImageBlocksFreed(), freed + 2);
    // Other memory freed with LocalFree is not counted.
    HLOCAL other = LocalAlloc(LMEM_FIXED, 16);
    LocalFree(other);
    EXPECT_EQ(wb::ImageBlocksFreed(), freed + 2);
}

// ---- mapping files ---------------------------------------------------------------------------------

TEST_F(ImageLoader, MappingFilesResolveAgainstTheTextureFolder) {
    const std::string dir = wbtest::TempDir() + "maps\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    ASSERT_TRUE(wbtest::WriteBytes(dir + "skin.bmp", MakeBmp(1, 1, 24, Pattern(1, 1, 24))));
    wb::SetTextureFolder(dir.c_str());
    HostDocument doc = wb::ActiveDocument();
    char path[MAX_PATH];
    ASSERT_NE(MQDoc_FindMappingFile(doc, path, "skin.bmp", 1), 0);
    EXPECT_EQ(std::string(path), dir + "skin.bmp");
    EXPECT_LT(strlen(path), static_cast<size_t>(MAX_PATH));
    // The 0x5C trail byte of "表" is no folder separator: this names "表skin.bmp", not "skin.bmp".
    EXPECT_EQ(MQDoc_FindMappingFile(doc, path, "C:\\x\\表skin.bmp", 1), 0);
    ASSERT_NE(MQDoc_FindMappingFile(doc, path, "C:\\表\\skin.bmp", 1), 0);
    EXPECT_EQ(std::string(path), dir + "skin.bmp");
    // A name with folders of another machine falls back to its file name.
    ASSERT_NE(MQDoc_FindMappingFile(doc, path, "C:\\elsewhere\\textures\\skin.bmp", 1), 0);
    EXPECT_EQ(std::string(path), dir + "skin.bmp");
    ASSERT_NE(MQDoc_FindMappingFile(doc, path, "textures/skin.bmp", 1), 0);
    // An absolute name that exists is taken as it is.
    wb::SetTextureFolder("");
    ASSERT_NE(MQDoc_FindMappingFile(doc, path, (dir + "skin.bmp").c_str(), 1), 0);
    EXPECT_EQ(std::string(path), dir + "skin.bmp");
    EXPECT_EQ(MQDoc_FindMappingFile(doc, path, "nothing_here.bmp", 1), 0);
    EXPECT_EQ(path[0], '\0');
    EXPECT_EQ(MQDoc_FindMappingFile(doc, path, std::string(400, 'a').c_str(), 1), 0);
    EXPECT_EQ(MQDoc_FindMappingFile(doc, path, dir.c_str(), 1), 0);  // a folder is no texture
}

}  // namespace
