// Turning the host's image blocks into top-down RGBA textures.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "workbench/render/ImageBlocksToRgba.h"

namespace {

std::vector<uint8_t> Header(int32_t width, int32_t height, uint16_t bits) {
    std::vector<uint8_t> header(40, 0);
    const int32_t size = 40;
    memcpy(&header[0], &size, 4);
    memcpy(&header[4], &width, 4);
    memcpy(&header[8], &height, 4);
    memcpy(&header[14], &bits, 2);
    return header;
}

std::vector<uint8_t> Convert(int32_t width, int32_t height, uint16_t bits,
                             const std::vector<uint8_t>& pixels, bool* hasAlpha = nullptr) {
    SceneTexture texture;
    EXPECT_TRUE(ImageBlocksToRgba(Header(width, height, bits).data(), pixels.data(), &texture));
    EXPECT_EQ(texture.width, width);
    EXPECT_EQ(texture.height, height);
    if (hasAlpha) *hasAlpha = texture.hasAlpha;
    return texture.rgba;
}

}  // namespace

TEST(ImageBlocksToRgba, RowsComeOutTopFirstWithChannelsReordered) {
    // 24 bits, 1 x 2: the bottom row (first in the block) blue, the top row red.
    EXPECT_EQ(Convert(1, 2, 24, {255, 0, 0, 0, 0, 255}),
              (std::vector<uint8_t>{255, 0, 0, 255, 0, 0, 255, 255}));
    // 32 bits keep their alpha: bottom (10, 20, 30, 40), top (1, 2, 3, 255), as B, G, R, A.
    bool hasAlpha = false;
    EXPECT_EQ(Convert(1, 2, 32, {30, 20, 10, 40, 3, 2, 1, 255}, &hasAlpha),
              (std::vector<uint8_t>{1, 2, 3, 255, 10, 20, 30, 40}));
    EXPECT_TRUE(hasAlpha);
    // 8 bits are intensities; rows are not padded to four bytes.
    EXPECT_EQ(Convert(3, 1, 8, {0, 128, 255}),
              (std::vector<uint8_t>{0, 0, 0, 255, 128, 128, 128, 255, 255, 255, 255, 255}));
}

TEST(ImageBlocksToRgba, ThirtyTwoBitsWithAlphaZeroEverywhereCountAsOpaque) {
    bool hasAlpha = true;
    EXPECT_EQ(Convert(2, 1, 32, {1, 2, 3, 0, 4, 5, 6, 0}, &hasAlpha),
              (std::vector<uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));
    EXPECT_FALSE(hasAlpha);
}

TEST(ImageBlocksToRgba, LowBitDepthsBecomeGreyOrFiveBitColour) {
    // 1 bit, 10 x 1: two bytes per row, high bit first.
    const std::vector<uint8_t> one = Convert(10, 1, 1, {0x81, 0x40});
    EXPECT_EQ(one[0], 255);
    EXPECT_EQ(one[4], 0);
    EXPECT_EQ(one[7 * 4], 255);
    EXPECT_EQ(one[9 * 4], 255);
    // 4 bits, 3 x 1: high nibble first.
    const std::vector<uint8_t> four = Convert(3, 1, 4, {0xF0, 0x80});
    EXPECT_EQ(four[0], 255);
    EXPECT_EQ(four[4], 0);
    EXPECT_EQ(four[8], 8 * 17);
    // 16 bits: 5-5-5, blue in the low bits. 0x7C00 is full red.
    EXPECT_EQ(Convert(1, 1, 16, {0x00, 0x7C}), (std::vector<uint8_t>{255, 0, 0, 255}));
}

TEST(ImageBlocksToRgba, RefusesBlocksItCannotRead) {
    SceneTexture texture;
    const std::vector<uint8_t> pixels(64, 0);
    EXPECT_FALSE(ImageBlocksToRgba(nullptr, pixels.data(), &texture));
    EXPECT_FALSE(ImageBlocksToRgba(Header(1, 1, 24).data(), nullptr, &texture));
    EXPECT_FALSE(ImageBlocksToRgba(Header(1, 1, 24).data(), pixels.data(), nullptr));
    EXPECT_FALSE(ImageBlocksToRgba(Header(0, 4, 24).data(), pixels.data(), &texture));
    EXPECT_FALSE(ImageBlocksToRgba(Header(4, -4, 24).data(), pixels.data(), &texture));
    EXPECT_FALSE(ImageBlocksToRgba(Header(4, 4, 12).data(), pixels.data(), &texture));
    EXPECT_FALSE(ImageBlocksToRgba(Header(100000, 1, 8).data(), pixels.data(), &texture));
    EXPECT_TRUE(texture.rgba.empty());
    EXPECT_EQ(texture.width, 0);
}
