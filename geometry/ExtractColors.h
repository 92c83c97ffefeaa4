// ExtractColors: captures the colour each vertex of an object shows (texture sample, vertex colour
// or material colour) into the object's extractedColors.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

// Nothing for a null object. Otherwise one PackedColor per vertex, last corner written wins.
void ExtractColors(HostObject object);

// A host face-vertex colour (red bits 0-7 ... alpha 24-31) as a PackedColor.
uint32_t HostToPackedColor(uint32_t hostColor);
