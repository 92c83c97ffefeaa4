// ExtractColors: captures the colour each vertex of an object shows (texture sample, vertex colour
// or material colour) into the object's extractedColors.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

// Nothing for a null object. Otherwise replaces the object's extractedColors with one PackedColor
// per vertex (entries no face of three or more points reaches stay 0), last corner written wins.
// A face without material, or whose material index names no material, gives opaque white; a
// texture is sampled through the TextureCache (an unresolvable name uses the empty path, whose
// image samples 0); else the face-vertex colours if the material shows them; else the material
// colour with alpha 255.
void ExtractColors(HostObject object);

// A host face-vertex colour (red bits 0-7 ... alpha 24-31) as a PackedColor.
uint32_t HostToPackedColor(uint32_t hostColor);
