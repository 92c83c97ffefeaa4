#pragma once

#include "workbench/render/RenderScene.h"

// Converts the two blocks of the host's image loader into a texture.
//   header: begins with a BITMAPINFOHEADER (biWidth at byte 4, biHeight at 8, biBitCount at 14)
//   pixels: biHeight rows of biWidth pixels, bottom row first, each row exactly
//           biWidth * biBitCount / 8 bytes (rounded up below 8 bits), no padding.
//           8 bits: intensity; 24: blue, green, red; 32: blue, green, red, alpha;
//           1 and 4 bits: palette index shown as grey; 16: 5-5-5 blue, green, red.
//           A 32-bit image whose alpha is 0 everywhere counts as opaque.
//   out:    top row first, RGBA.
// Returns false (out emptied) for null blocks, a size that is not positive or above 16384 on
// either side, or another bit count.
bool ImageBlocksToRgba(const void* header, const void* pixels, SceneTexture* out);
