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

// The entry at objectIndex when it was built for the object with unique ID uniqueId and, unless
// vertexCount is negative, that many vertices; null otherwise. A lookup only: it never rebuilds.
const PushCacheEntry* PushCacheEntryOf(int32_t objectIndex, int32_t uniqueId, int32_t vertexCount);

// What one draw pass or one freeze may spend on catching the push cache up with a document that
// changed without the events that rebuild it: one whole rebuild. Each pass and each freeze makes
// its own, so that a host whose answers keep disagreeing costs one rebuild per pass.
struct PushCacheCatchUp {
    bool spent = false;
};

// The push cache caught up for object (document index objectIndex of document, unique ID
// uniqueId, vertexCount vertices unless negative): PushCacheEntryOf when the entry is the
// object's; otherwise, for an object that is switched on, the whole cache is rebuilt for document
// first, once per catchUp, and not at all after a rebuild that ran out of memory (the next
// ordinary RebuildPushCache, after an edit, tries again: a catch-up on every redraw would drive
// the process to its memory limit each time). After the rebuild, or without one, the entry is
// returned when it is the object's, whatever its vertex count; else null. A null catchUp only
// looks up.
const PushCacheEntry* CatchUpPushCache(HostDocument document, HostObject object, int32_t objectIndex,
                                       int32_t uniqueId, int32_t vertexCount,
                                       PushCacheCatchUp* catchUp);

// Discards the cache and builds it anew for document: an entry for every enabled object, with
// height samples and vertex colours for the objects that use them. Gives every object of the
// document a settings record (one lookup per object). Faces with a point count outside 1..4 are
// skipped; a corner naming no vertex of the object gets nothing, and its face adds no normal.
// A null document leaves the cache empty, and so does running out of memory, which
// PushCacheRebuildFailed then reports until the next rebuild.
void RebuildPushCache(HostDocument document);
// True when the last rebuild, ordinary or a catch-up, ran out of memory.
bool PushCacheRebuildFailed();

// One yes/no per vertex of object (document index objectIndex in currentDocument): every vertex
// when selectionOnly is off; otherwise the selected vertices, the points of selected faces and
// the ends of selected edges (none without a current document). Empty for a null object.
std::vector<uint8_t> BuildVertexMask(HostObject object, int32_t objectIndex);
