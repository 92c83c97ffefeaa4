// VertexPushCache: per document object index, what pushing a layer needs of each vertex of an
// enabled object: its push direction, and optionally its height-map sample and vertex colour.
// Rebuilt whole; read for every layer by DisplaceVertices.
#pragma once

#include <stdint.h>

#include <vector>

#include "plugin/HostAbi.h"

struct HeightSample {
    float r, g, b;  // the height map's channels at the vertex, each 0..1
};

struct PushCacheEntry {
    std::vector<HostPoint> directions;      // empty for an empty slot or a switched-off object
    std::vector<HeightSample> heights;      // present (non-empty) only with heightMapOn
    std::vector<uint32_t> vertexColors;     // host face-vertex colours, only with vertexColorPush
    bool hasHeights = false;
    bool hasVertexColors = false;
    bool present = false;                   // the object was enabled at the rebuild
};

// The cache of the last rebuild, indexed by document object index.
const std::vector<PushCacheEntry>& PushCache();
// The entry for a document index, or null when there is none (index outside the last rebuild's
// document, or an empty entry).
const PushCacheEntry* PushCacheEntryAt(int32_t objectIndex);

// Discards the cache and builds it anew for document: an entry for every enabled object, with
// height samples and vertex colours for the objects that use them. Gives every object of the
// document a settings record.
void RebuildPushCache(HostDocument document);

// One yes/no per vertex of object (document index objectIndex in currentDocument): every vertex
// when selectionOnly is off; otherwise the selected vertices, the points of selected faces and
// the ends of selected edges.
std::vector<uint8_t> BuildVertexMask(HostObject object, int32_t objectIndex);
