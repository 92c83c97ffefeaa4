// The sampling rule of host images, with blocks made by hand and with files loaded by the host.
#include "settings/HeightMapImage.h"

#include "geometry/ExtractColors.h"

#include "tests/geometry/GeometryFixture.h"

using testhost::ImageBlocks;
using testhost::MakeImageBlocks;

namespace {

PackedColor SampleOnce(int32_t width, int32_t height, uint16_t bits, const std::vector<uint8_t>& pixels,
                       float u, float v, size_t headerSize = 40) {
    ImageBlocks blocks = MakeImageBlocks(width, height, bits, pixels, headerSize);
    PackedColor color = SampleImageBlocks(blocks.header, blocks.pixels, u, v);
    testhost::FreeImageBlocks(blocks);
    return color;
}

// An 8-bit image whose pixel i (in memory order) has intensity i.
std::vector<uint8_t> Ramp(size_t count) {
    std::vector<uint8_t> pixels(count);
    for (size_t i = 0; i < count; ++i) pixels[i] = static_cast<uint8_t>(i);
    return pixels;
}

}  // namespace

TEST(ImageSampling, ChannelsOfEachDepth) {
    EXPECT_EQ(SampleOnce(1, 1, 24, {10, 20, 30}, 0, 0), 0x0A141EFFu);
    EXPECT_EQ(SampleOnce(1, 1, 8, {128}, 0, 0), 0x808080FFu);
    EXPECT_EQ(SampleOnce(1, 1, 32, {1, 2, 3, 4}, 0, 0), 0x01020304u);
    for (uint16_t bits : {1, 4, 16, 0, 48}) EXPECT_EQ(SampleOnce(1, 1, bits, {9, 9, 9, 9, 9, 9}, 0, 0), 0u) << bits;
}

TEST(ImageSampling, ColumnsAndRowsWrapAndRowsRunBottomUp) {
    std::vector<uint8_t> pixels = Ramp(8);  // W = 4, H = 2: bottom row 0..3, top row 4..7
    auto at = [&](float u, float v) { return PackedRed(SampleOnce(4, 2, 8, pixels, u, v)); };
    EXPECT_EQ(at(0.5f, 0.25f), 6);   // column 2, top row
    EXPECT_EQ(at(1.0f, 0.75f), 0);   // u = 1 is column 0 again; v = 0.75 the bottom row
    EXPECT_EQ(at(0.0f, 1.0f), 4);    // v = 1 is the top row, the last in memory
    EXPECT_EQ(at(3.5f, -0.25f), 6);  // whole periods and small negatives wrap
    EXPECT_EQ(at(-0.25f, 0.5f), 3);  // column -1 wraps to 3, row 1 from the top
    EXPECT_EQ(PackedRed(SampleOnce(100, 1, 8, Ramp(100), -0.25f, 0)), 75);
    // Coordinates far outside any period, or not numbers at all, still land inside the image.
    for (float u : {1e30f, -1e30f, INFINITY, NAN}) EXPECT_EQ(at(u, 0.25f) & 0xFC, 4) << u;
}

TEST(ImageSampling, BadSizesAndShortBlocksGiveZero) {
    std::vector<uint8_t> pixels = Ramp(8);
    EXPECT_EQ(SampleOnce(0, 2, 8, pixels, 0.5f, 0.5f), 0u);
    EXPECT_EQ(SampleOnce(4, 0, 8, pixels, 0.5f, 0.5f), 0u);
    EXPECT_EQ(SampleOnce(-4, 2, 8, pixels, 0.5f, 0.5f), 0u);
    EXPECT_EQ(SampleOnce(4, -2, 8, pixels, 0.5f, 0.5f), 0u);
    EXPECT_EQ(SampleOnce(4, 2, 8, pixels, 0.5f, 0.25f, 39), 0u);     // header under 40 bytes
    EXPECT_EQ(SampleOnce(4, 2, 8, pixels, 0.5f, 0.25f, 40), 0x060606FFu);
    // A pixel block shorter than the header claims: pixels inside it are read, none beyond.
    std::vector<uint8_t> shortBlock = Ramp(5);
    EXPECT_EQ(SampleOnce(4, 2, 8, shortBlock, 0.0f, 0.25f), 0x040404FFu);
    EXPECT_EQ(SampleOnce(4, 2, 8, shortBlock, 0.5f, 0.25f), 0u);
    EXPECT_EQ(SampleOnce(2, 2, 32, Ramp(15), 0.5f, 0.25f), 0u);      // pixel 3 needs bytes 12..15
    EXPECT_EQ(SampleOnce(0x7FFFFFFF, 0x7FFFFFFF, 32, Ramp(64), 0.7f, 0.3f), 0u);
    EXPECT_EQ(SampleImageBlocks(nullptr, nullptr, 0, 0), 0u);
    HeightMapImage empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty.sample(0.5f, 0.5f), 0u);
}

class HeightMapImageTest : public GeometryTest {};

TEST_F(HeightMapImageTest, LoadsBmpFilesInTheirDepthAndOwnsTheBlocks) {
    // 3 x 2 pixels: rows of 9 and 3 bytes are padded in the files, packed in the host's blocks.
    std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    std::string file24 = testhost::WriteBmp("image24.bmp", 3, 2, 24, rgb);
    std::string file8 = testhost::WriteBmp("image8.bmp", 3, 2, 8, {1, 2, 3, 4, 5, 6});
    int64_t allocated = wb::ImageBlocksAllocated(), freed = wb::ImageBlocksFreed();
    {
        HeightMapImage image;
        ASSERT_TRUE(image.load(file24.c_str()));
        EXPECT_EQ(image.sample(0.5f, 0.0f), MakePackedColor(255, 16, 15, 14));  // top row, middle
        EXPECT_EQ(image.sample(0.9f, 0.9f), MakePackedColor(255, 9, 8, 7));     // bottom right
        ASSERT_TRUE(image.load(file8.c_str()));  // replaces and frees the first pair
        EXPECT_EQ(image.sample(0.0f, 0.0f), 0x040404FFu);
        EXPECT_EQ(wb::ImageBlocksFreed() - freed, 2);
        EXPECT_FALSE(image.load((testhost::TempFolder() + "missing.bmp").c_str()));
        EXPECT_EQ(image.sample(0.0f, 0.0f), 0x040404FFu);  // a failed load changes nothing
    }
    EXPECT_EQ(wb::ImageBlocksAllocated() - allocated, 4);
    EXPECT_EQ(wb::ImageBlocksFreed() - freed, 4);
}

TEST_F(HeightMapImageTest, SamplesARealBitmapAsItsFileHoldsIt) {
    const char* path = "/usr/share/assimp/models/MD2/sydney.bmp";
    std::vector<uint8_t> file = testhost::ReadFileBytes(path);
    ASSERT_GE(file.size(), 1078u + 308u * 193u);  // 308 x 193, 8 bits, rows need no padding
    HeightMapImage image;
    ASSERT_TRUE(image.load(path));
    for (int32_t column : {0, 1, 150, 307}) {
        for (int32_t rowFromTop : {0, 96, 192}) {
            uint8_t p = file[1078 + (192 - rowFromTop) * 308 + column];
            float u = (column + 0.5f) / 308, v = (rowFromTop + 0.5f) / 193;
            EXPECT_EQ(image.sample(u, v), MakePackedColor(255, p, p, p)) << column << "," << rowFromTop;
        }
    }
}

TEST_F(HeightMapImageTest, ARealBitmapServesAsHeightMapAndAsTexture) {
    int32_t quad = testhost::AddUnitQuad("quad");
    std::vector<HostUV> uvs = {{0.1f, 0.2f}, {0.4f, 0.5f}, {0.7f, 0.3f}, {0.9f, 0.9f}};
    testhost::SetFaceUVs(quad, 0, uvs);
    HostMaterial material = Host().MQ_CreateMaterial();
    Host().MQMat_SetTextureName(material, "sydney.bmp");
    Host().MQObj_SetFaceMaterial(testhost::ObjectAt(quad), 0, Host().MQDoc_AddMaterial(document, material));
    wb::SetTextureFolder("/usr/share/assimp/models/MD2");
    HeightMapImage reference;
    ASSERT_TRUE(reference.load("/usr/share/assimp/models/MD2/sydney.bmp"));

    ExpansionSettings& settings = Enable(quad);
    settings.heightMapOn = 1;
    ASSERT_TRUE(settings.heightMap.load("/usr/share/assimp/models/MD2/sydney.bmp"));
    RebuildPushCache(document);
    ExtractColors(testhost::ObjectAt(quad));
    const PushCacheEntry* entry = PushCacheEntryAt(quad);
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(settings.extractedColorCount, 4);
    for (int32_t v = 0; v < 4; ++v) {
        PackedColor expected = reference.sample(uvs[v].u, uvs[v].v);
        EXPECT_EQ(entry->heights[v].b, PackedBlue(expected) * 0.003921569f) << v;
        EXPECT_EQ(settings.extractedColors[v], expected) << v;
    }
}

TEST_F(HeightMapImageTest, AnObjectWithoutHeightMapSamplesZero) {
    int32_t quad = testhost::AddUnitQuad("quad");
    EXPECT_EQ(SampleHeightMap(testhost::ObjectAt(quad), 0.5f, 0.5f), 0u);
    EXPECT_EQ(SampleHeightMap(nullptr, 0.5f, 0.5f), 0u);
    ImageBlocks blocks = MakeImageBlocks(1, 1, 8, {77});
    SettingsAt(quad).heightMap.adopt(blocks.header, blocks.pixels);
    EXPECT_EQ(SampleHeightMap(testhost::ObjectAt(quad), 0.5f, 0.5f), 0x4D4D4DFFu);
    SettingsAt(quad).resetToDefaults();  // releases the image
    EXPECT_EQ(SampleHeightMap(testhost::ObjectAt(quad), 0.5f, 0.5f), 0u);
}
