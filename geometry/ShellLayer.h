// BuildShellLayer: the one recipe for a layer of a shell, which the draw pass (into a draw
// object), the freeze (into a clone) and the baking command all follow.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

struct PushCacheCatchUp;

// What makes one layer differ from the next, read once from the source's settings by the caller.
struct ShellLayerRecipe {
    int32_t sourceIndex = -1;   // the source's document index in currentDocument
    float multiple = 1.0f;      // LayerMultiple of the layer
    bool invert = false;        // faces reversed (the inverted hull)
    int32_t colorMode = 0;      // the source's ColorMode: Unchanged, Black, ExtractedColors, ...
    int32_t materialIndex = -1; // the document material every face gets unless colorMode is Unchanged
    bool resetColors = false;   // every corner's colour reset to opaque black afterwards
};

// Makes layer, a fresh copy of source holding source's vertices in source's order (merged into a
// draw object or cloned), into one shell layer, in this order: pushed out along the source's
// cached push directions (DisplaceVertices; catchUp, when given, may rebuild the push cache once
// for a cache built for another object), faces reversed when inverted, the faces' material
// assigned, the extracted colours written (ExtractedColors mode), the colours reset when asked,
// and source's mirror and patch settings carried over.
void BuildShellLayer(HostObject layer, HostObject source, const ShellLayerRecipe& recipe,
                     PushCacheCatchUp* catchUp);
