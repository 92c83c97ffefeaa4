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

// One element per vertex of the object at the rebuild in each array that is present.
struct PushCacheEntry {
    std::vector<HostPoint> directions;      // unit length or exactly (0, 0, 0)
    std::vector<HeightSample> heights;      // filled only when hasHeights
    std::vector<uint32_t> vertexColors;     // host face-vertex colours, filled only when hasVertexColors
    bool hasHeights = false;                // the object's heightMapOn was set at the rebuild
    bool hasVertexColors = false;           // the object's vertexColorPush was set at the rebuild
    bool present = false;                   // the object was enabled at the rebuild
    int32_t uniqueId = 0;                   // the object the entry was built for
    // The object's size at the rebuild, for what copies of it cost: its vertices are the size of
    // directions; faces as the host counts them, and the points of all faces as the host reports
    // them (malformed faces included).
    int32_t faceCount = 0;
    int64_t facePointCount = 0;
};

// The cache of the last rebuild, indexed by document object index.
const std::vector<PushCacheEntry>& PushCache();
// The entry for a document index, or null when there is none (index outside the last rebuild's
// document, or an empty entry).
const PushCacheEntry* PushCacheEntryAt(int32_t objectIndex);

// The entry at objectIndex of document when it was built for object itself, which has the unique
// ID uniqueId and, unless vertexCount is negative, that many vertices. An entry built for another
// object or vertex count, or none for an object that is switched on (the document changed while
// its events were ignored, or without them), has the cache rebuilt for document first, once.
// Null when there is still no entry for object. Between two calls of AllowPushCacheCatchUp (or
// ordinary rebuilds) it rebuilds at most once, so that a host whose answers keep disagreeing
// costs one rebuild per pass.
const PushCacheEntry* PushCacheEntryFor(HostDocument document, HostObject object,
                                        int32_t objectIndex, int32_t uniqueId, int32_t vertexCount);

// Lets PushCacheEntryFor rebuild once more: every draw pass and freeze starts with it.
void AllowPushCacheCatchUp();

// Discards the cache and builds it anew for document: an entry for every enabled object, with
// height samples and vertex colours for the objects that use them. Gives every object of the
// document a settings record (one lookup per object). Faces with a point count outside 1..4 are
// skipped; a corner naming no vertex of the object gets nothing, and its face adds no normal.
// A null document leaves the cache empty.
void RebuildPushCache(HostDocument document);

// One yes/no per vertex of object (document index objectIndex in currentDocument): every vertex
// when selectionOnly is off; otherwise the selected vertices, the points of selected faces and
// the ends of selected edges (none without a current document). Empty for a null object.
std::vector<uint8_t> BuildVertexMask(HostObject object, int32_t objectIndex);
