// Whole-object operations on a shell layer. Each touches only faces of three or more points;
// points and lines stay exactly as they are.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

// Reverses every face (the inverted hull).
void InvertAllFaces(HostObject object);
// Gives every face the material with that index.
void AssignFaceMaterial(HostObject object, int32_t materialIndex);
// Writes the extracted colours of the source with that unique ID into every corner, channels
// scaled by brightness and alpha by (100 - transparency), truncating. Corners whose vertex lies
// past the extracted colours keep their colour; nothing happens without extracted colours.
void ApplyExtractedColors(HostObject object, int32_t sourceUniqueId);
// Sets every corner's colour to opaque black (0xFF000000).
void ResetVertexColors(HostObject object);

// The host face-vertex colour written for an extracted colour.
uint32_t ExtractedToHostColor(uint32_t packed, int32_t brightness, int32_t transparency);
