// The default scene's two images, generated as BMP files: the ball's texture and the height map
// that the demo loads through the panel.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace workbench {

// An RGB image, rows top-down, 3 bytes per pixel (red, green, blue).
struct RgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
};

// A colourful texture for a UV sphere: a rainbow around the equator (u) in a checker of light
// and saturated squares (u, v), so that colours taken from it change along every outline.
RgbImage MakeBallTexture(int32_t width, int32_t height);

// A grey height map: a low base everywhere and round bumps along the middle band of v,
// repeating across u. Every channel holds the height (the push reads blue).
RgbImage MakeBumpMap(int32_t width, int32_t height);

// Writes image as an uncompressed 24-bit BMP (rows bottom-up, padded to 4 bytes). False with
// *error naming the file when it cannot be written.
bool WriteBmp24(const std::string& path, const RgbImage& image, std::string* error);

}  // namespace workbench
