#include "geometry/VertexPushCache.h"

#include <xmmintrin.h>

#include <memory>
#include <new>

#include "geometry/FaceNormal.h"
#include "geometry/FaceNormalBatch.h"
#include "geometry/FacePoints.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"

namespace {

// 1/255 in single precision (bit pattern 0x3B808081): a colour byte as a 0..1 channel.
const float kByteToUnit = 0.003921569f;

// The cache of the last rebuild, replaced whole by the next one.
std::vector<PushCacheEntry> g_cache;
// The last rebuild ran out of memory and left the cache empty.
bool g_rebuildFailed = false;

// The selection filter of one rebuild: every vertex passes unless selectionOnly is on, and then
// those of BuildVertexMask. Without the switch no mask is made (it would hold only ones).
struct VertexFilter {
    bool all = true;
    std::vector<uint8_t> mask;
    bool passes(int32_t vertex) const {
        return all || (static_cast<size_t>(vertex) < mask.size() && mask[vertex] != 0);
    }
};

// Empties values for new contents, keeping its memory when it is not much larger than needed:
// a rebuild of an unchanged object then writes into memory it already has instead of fresh
// pages from the system.
template <class T>
void PrepareReuse(std::vector<T>& values, size_t needed) {
    if (values.capacity() > 2 * needed) std::vector<T>().swap(values);
    values.clear();
}

// The faces of one object whose normals are still to be formed, gathered between host calls so
// that the arithmetic runs four faces at a time once the block is full. Its size is fixed: the
// cache itself keeps nothing of it. Corner positions are kept as the host writes them, corner by
// corner, triangles and quadrilaterals apart; rows are a little longer than kFaces so that they
// do not fall on the same cache sets.
struct FaceBlock {
    enum { kFaces = 128, kRow = kFaces + 24 };
    int32_t faces = 0, triangles = 0, quads = 0;
    bool everyVertex = true;  // every corner passes the selection filter; passes is not kept
    // Per face in face order: 3 or 4 points, its place among the triangles or quadrilaterals,
    // its point indices and which of its corners pass the selection filter.
    int32_t points[kFaces];
    int32_t slot[kFaces];
    int32_t indices[kFaces][kMaxFacePoints];
    bool passes[kFaces][kMaxFacePoints];
    // Corner j of triangle i: tri[j][i]; of quadrilateral i: quad[j][i].
    HostPoint tri[3][kRow];
    HostPoint quad[4][kRow];
    // Triangle normals; the quadrilaterals' four triangle normals (a-b-c, a-c-d, b-c-d, b-d-a)
    // and then their chosen sums.
    float triNormal[3][kRow];
    float quadPart[4][3][kRow];
    float quadSum[3][kRow];
};

// QuadNormal's choice for quadrilaterals 0..count-1 of block, before its normalisation: of the
// sums na + nb (split along a-c) and nc + nd (split along b-d), the one whose two normals agree
// better; b-d on a tie, a-c when the comparison is unordered. Dot products add as the scalar
// form does: (x*x' + y*y') + z*z'.
SSE_STACK_REALIGN void ChooseQuadSplits(FaceBlock& block, int32_t count) {
    const float(*n)[3][FaceBlock::kRow] = block.quadPart;
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128 v[4][3];
        for (int k = 0; k < 4; ++k)
            for (int axis = 0; axis < 3; ++axis) v[k][axis] = _mm_loadu_ps(n[k][axis] + i);
        auto dot = [](const __m128* p, const __m128* q) {
            return _mm_add_ps(_mm_add_ps(_mm_mul_ps(p[0], q[0]), _mm_mul_ps(p[1], q[1])),
                              _mm_mul_ps(p[2], q[2]));
        };
        const __m128 bd = _mm_cmpge_ps(dot(v[2], v[3]), dot(v[0], v[1]));
        for (int axis = 0; axis < 3; ++axis) {
            const __m128 ac = _mm_add_ps(v[0][axis], v[1][axis]);
            const __m128 bdSum = _mm_add_ps(v[2][axis], v[3][axis]);
            _mm_storeu_ps(block.quadSum[axis] + i,
                          _mm_or_ps(_mm_and_ps(bd, bdSum), _mm_andnot_ps(bd, ac)));
        }
    }
    for (; i < count; ++i) {
        float dot[2];
        for (int pair = 0; pair < 2; ++pair) {
            const int p = 2 * pair, q = p + 1;
            dot[pair] = n[p][0][i] * n[q][0][i] + n[p][1][i] * n[q][1][i] + n[p][2][i] * n[q][2][i];
        }
        const int first = dot[1] >= dot[0] ? 2 : 0;
        for (int axis = 0; axis < 3; ++axis)
            block.quadSum[axis][i] = n[first][axis][i] + n[first + 1][axis][i];
    }
}

// Forms the normal of every face of block as FaceNormal / QuadNormal and NormalizeOrZero do it,
// adds it to the directions of the face's corners that pass (faces and corners in their order),
// and empties the block.
void FlushFaces(FaceBlock& block, HostPoint* directions) {
    FaceNormalBatch(block.tri[0], block.tri[1], block.tri[2], block.triangles, block.triNormal[0],
                    block.triNormal[1], block.triNormal[2]);
    // Every face normal is normalised once more before it is added.
    NormalizeOrZeroBatch(block.triNormal[0], block.triNormal[1], block.triNormal[2],
                         block.triangles);
    if (block.quads > 0) {
        static const int kSplits[4][3] = {{0, 1, 2}, {0, 2, 3}, {1, 2, 3}, {1, 3, 0}};
        for (int k = 0; k < 4; ++k) {
            float(*out)[FaceBlock::kRow] = block.quadPart[k];
            FaceNormalBatch(block.quad[kSplits[k][0]], block.quad[kSplits[k][1]],
                            block.quad[kSplits[k][2]], block.quads, out[0], out[1], out[2]);
        }
        ChooseQuadSplits(block, block.quads);
        for (int pass = 0; pass < 2; ++pass)  // QuadNormal's own, then the one every face gets
            NormalizeOrZeroBatch(block.quadSum[0], block.quadSum[1], block.quadSum[2], block.quads);
    }

    for (int32_t k = 0; k < block.faces; ++k) {
        const float(*normal)[FaceBlock::kRow] =
            block.points[k] == 3 ? block.triNormal : block.quadSum;
        const int32_t at = block.slot[k];
        const float x = normal[0][at], y = normal[1][at], z = normal[2][at];
        for (int32_t j = 0; j < block.points[k]; ++j) {
            if (!block.everyVertex && !block.passes[k][j]) continue;
            HostPoint& sum = directions[block.indices[k][j]];
            sum.x += x;
            sum.y += y;
            sum.z += z;
        }
    }
    block.faces = block.triangles = block.quads = 0;
}

// Hands the faces gathered so far to FlushFaces and starts the block afresh. The counts live in
// the caller's locals, where the host calls between faces cannot be assumed to change them.
inline void FlushGathered(FaceBlock& block, HostPoint* directions, int32_t* faces, int32_t* triangles,
                          int32_t* quads) {
    block.faces = *faces;
    block.triangles = *triangles;
    block.quads = *quads;
    if (*faces > 0) FlushFaces(block, directions);
    *faces = *triangles = *quads = 0;
}

// The face loop of BuildEntry for the common case, an object without height samples or vertex
// colours and no selection filter: the same host calls in the same order, with nothing kept per
// corner but its position. Adds the points of all faces as the host reports them to *facePoints.
void GatherEveryCorner(HostObject object, int32_t faceCount, int32_t vertexCount, FaceBlock& block,
                       HostPoint* directions, int64_t* facePoints) {
    // The functions in locals: the loop keeps them in registers instead of reloading the table
    // after every call.
    HostApi& host = Host();
    int32_t (*const pointCount)(HostObject, int32_t) = host.MQObj_GetFacePointCount;
    void (*const pointArray)(HostObject, int32_t, int32_t*) = host.MQObj_GetFacePointArray;
    void (*const vertexAt)(HostObject, int32_t, HostPoint*) = host.MQObj_GetVertex;
    int64_t points = 0;
    int32_t faces = 0, triangles = 0, quads = 0;
    for (int32_t f = 0; f < faceCount; ++f) {
        const int32_t reported = pointCount(object, f);
        points += reported > 0 ? reported : 0;
        if (reported != 3 && reported != 4) continue;
        int32_t* indices = block.indices[faces];
        pointArray(object, f, indices);
        const bool triangle = reported == 3;
        const int32_t at = triangle ? triangles : quads;
        HostPoint* corner = triangle ? &block.tri[0][at] : &block.quad[0][at];
        bool valid = true;
        for (int32_t j = 0; j < reported; ++j, corner += FaceBlock::kRow) {
            const int32_t vertex = indices[j];
            if (!IsVertexIndex(vertex, vertexCount)) {
                valid = false;
                continue;
            }
            _mm_prefetch(reinterpret_cast<const char*>(directions + vertex), _MM_HINT_T0);
            vertexAt(object, vertex, corner);
        }
        if (!valid) continue;
        block.points[faces] = reported;
        block.slot[faces] = at;
        ++(triangle ? triangles : quads);
        if (++faces == FaceBlock::kFaces) FlushGathered(block, directions, &faces, &triangles, &quads);
    }
    FlushGathered(block, directions, &faces, &triangles, &quads);
    *facePoints += points;
}

// Normalises the directions of the vertices that pass filter.
void NormalizeDirections(const VertexFilter& filter, HostPoint* directions, int32_t vertexCount) {
    if (filter.all) {
        NormalizePointsBatch(directions, vertexCount);
        return;
    }
    for (int32_t v = 0; v < vertexCount; ++v)
        if (filter.passes(v)) directions[v] = NormalizeOrZero(directions[v]);
}

// Fills entry for one enabled object: the summed face normals of the corners that pass the
// selection filter, normalised, and the last height sample and vertex colour written to each such
// vertex (faces ascending, corners in face order). The host is asked face by face, in order; the
// normals of the faces read are formed a block at a time (block is scratch).
void BuildEntry(HostObject object, int32_t objectIndex, const ExpansionSettings& settings,
                PushCacheEntry& entry, FaceBlock& block) {
    HostApi& host = Host();
    int32_t vertexCount = host.MQObj_GetVertexCount(object);
    if (vertexCount < 0) vertexCount = 0;
    const size_t count = static_cast<size_t>(vertexCount);
    entry.present = true;
    PrepareReuse(entry.directions, count);
    entry.directions.assign(count, HostPoint{0.0f, 0.0f, 0.0f});
    entry.hasHeights = settings.heightMapOn != 0;
    PrepareReuse(entry.heights, entry.hasHeights ? count : 0);
    if (entry.hasHeights) entry.heights.assign(count, HeightSample{0.0f, 0.0f, 0.0f});
    entry.hasVertexColors = settings.vertexColorPush != 0;
    PrepareReuse(entry.vertexColors, entry.hasVertexColors ? count : 0);
    if (entry.hasVertexColors) entry.vertexColors.assign(count, 0u);

    VertexFilter filter;
    filter.all = !selectionOnly;
    if (!filter.all) filter.mask = BuildVertexMask(object, objectIndex);
    HostPoint* directions = entry.directions.data();

    int32_t faceCount = host.MQObj_GetFaceCount(object);
    entry.faceCount = faceCount > 0 ? faceCount : 0;
    // Kept in locals across the host calls, which the compiler must otherwise assume to change
    // anything reachable.
    const bool everyVertex = filter.all, heights = entry.hasHeights, colors = entry.hasVertexColors;
    int64_t facePoints = 0;
    int32_t faces = 0, triangles = 0, quads = 0;
    block.everyVertex = everyVertex;
    if (everyVertex && !heights && !colors) {
        GatherEveryCorner(object, faceCount, vertexCount, block, directions, &facePoints);
        faceCount = 0;  // nothing left for the general loop
    }
    for (int32_t f = 0; f < faceCount; ++f) {
        // The reported count also sizes the copies, malformed faces included.
        const int32_t reported = host.MQObj_GetFacePointCount(object, f);
        facePoints += reported > 0 ? reported : 0;
        const int32_t count = UsableFacePointCount(reported);
        if (count < 3) continue;
        int32_t* indices = block.indices[faces];
        host.MQObj_GetFacePointArray(object, f, indices);

        // Corner positions, into the next free place of the face's kind; a corner naming no
        // vertex leaves the face without a normal.
        const bool triangle = count == 3;
        const int32_t at = triangle ? triangles : quads;
        HostPoint(*corners)[FaceBlock::kRow] = triangle ? block.tri : block.quad;
        bool allCornersValid = true;
        bool* passes = block.passes[faces];
        for (int32_t j = 0; j < count; ++j) {
            const int32_t vertex = indices[j];
            if (IsVertexIndex(vertex, vertexCount)) {
                // The sum this corner adds to, fetched while the host works: the sums of a block
                // are spread over the object's vertices.
                _mm_prefetch(reinterpret_cast<const char*>(directions + vertex), _MM_HINT_T0);
                host.MQObj_GetVertex(object, vertex, &corners[j][at]);
                if (!everyVertex) passes[j] = filter.passes(vertex);
            } else {
                allCornersValid = false;
                if (!everyVertex) passes[j] = false;
            }
        }
        // Without the filter a corner passes when it names a vertex; only the height and colour
        // loops below need to be told (the block adds to every corner of its faces).
        if (everyVertex && (heights || colors))
            for (int32_t j = 0; j < count; ++j) passes[j] = IsVertexIndex(indices[j], vertexCount);

        if (heights) {
            HostUV uvs[kMaxFacePoints] = {};
            host.MQObj_GetFaceCoordinateArray(object, f, uvs);
            for (int32_t j = 0; j < count; ++j) {
                if (!passes[j]) continue;
                PackedColor sample = settings.heightMap.sample(uvs[j].u, uvs[j].v);
                entry.heights[indices[j]] = {PackedRed(sample) * kByteToUnit,
                                             PackedGreen(sample) * kByteToUnit,
                                             PackedBlue(sample) * kByteToUnit};
            }
        }

        if (colors) {
            for (int32_t j = 0; j < count; ++j) {
                if (passes[j]) entry.vertexColors[indices[j]] = host.MQObj_GetFaceVertexColor(object, f, j);
            }
        }

        if (allCornersValid) {
            block.points[faces] = count;
            block.slot[faces] = at;
            ++(triangle ? triangles : quads);
            if (++faces == FaceBlock::kFaces) FlushGathered(block, directions, &faces, &triangles, &quads);
        }
    }
    entry.facePointCount = facePoints;
    FlushGathered(block, directions, &faces, &triangles, &quads);

    NormalizeDirections(filter, directions, vertexCount);
}

}  // namespace

const std::vector<PushCacheEntry>& PushCache() { return g_cache; }

const PushCacheEntry* PushCacheEntryAt(int32_t objectIndex) {
    if (objectIndex < 0 || static_cast<size_t>(objectIndex) >= g_cache.size()) return nullptr;
    const PushCacheEntry& entry = g_cache[objectIndex];
    return entry.present ? &entry : nullptr;
}

const PushCacheEntry* PushCacheEntryOf(int32_t objectIndex, int32_t uniqueId, int32_t vertexCount) {
    const PushCacheEntry* entry = PushCacheEntryAt(objectIndex);
    if (!entry || entry->uniqueId != uniqueId) return nullptr;
    if (vertexCount >= 0 && entry->directions.size() != static_cast<size_t>(vertexCount))
        return nullptr;
    return entry;
}

const PushCacheEntry* CatchUpPushCache(HostDocument document, HostObject object, int32_t objectIndex,
                                       int32_t uniqueId, int32_t vertexCount,
                                       PushCacheCatchUp* catchUp) {
    if (!object) return nullptr;
    if (const PushCacheEntry* entry = PushCacheEntryOf(objectIndex, uniqueId, vertexCount))
        return entry;
    // No entry is right for an object that is switched off: nothing to rebuild for.
    const PushCacheEntry* entry = PushCacheEntryAt(objectIndex);
    const ExpansionSettings* settings = Settings().find(uniqueId);
    if (!entry && (!settings || !settings->enabled)) return nullptr;
    if (catchUp && !catchUp->spent && !g_rebuildFailed) {
        catchUp->spent = true;
        RebuildPushCache(document);
    }
    // The host may report another count than the rebuild read; the entry is the object's still.
    return PushCacheEntryOf(objectIndex, uniqueId, -1);
}

bool PushCacheRebuildFailed() { return g_rebuildFailed; }

void RebuildPushCache(HostDocument document) {
    g_rebuildFailed = false;
    // The previous build's entries are discarded; an entry rebuilt at the same index writes into
    // the arrays its predecessor had, and whatever is not reused is released at the end.
    std::vector<PushCacheEntry> previous;
    previous.swap(g_cache);
    if (!document) return;
    HostApi& host = Host();
    int32_t objectCount = host.MQDoc_GetObjectCount(document);
    if (objectCount <= 0) return;
    try {
        g_cache.resize(objectCount);
        std::unique_ptr<FaceBlock> block(new FaceBlock);
        for (int32_t i = 0; i < objectCount; ++i) {
            HostObject object = host.MQDoc_GetObject(document, i);
            if (!object) continue;
            const int32_t id = UniqueIdOf(object);
            const ExpansionSettings& settings = Settings().findOrCreate(id);
            if (!settings.enabled) continue;
            PushCacheEntry& entry = g_cache[i];
            entry.uniqueId = id;
            if (static_cast<size_t>(i) < previous.size()) {
                entry.directions.swap(previous[i].directions);
                entry.heights.swap(previous[i].heights);
                entry.vertexColors.swap(previous[i].vertexColors);
            }
            BuildEntry(object, i, settings, entry, *block);
        }
    } catch (const std::bad_alloc&) {
        // Sizes no memory can hold (a host reporting absurd counts): no shells rather than a crash.
        std::vector<PushCacheEntry>().swap(g_cache);
        g_rebuildFailed = true;
    }
}

std::vector<uint8_t> BuildVertexMask(HostObject object, int32_t objectIndex) {
    std::vector<uint8_t> mask;
    if (!object) return mask;
    HostApi& host = Host();
    int32_t vertexCount = host.MQObj_GetVertexCount(object);
    if (vertexCount <= 0) return mask;
    try {
        mask.assign(vertexCount, selectionOnly ? 0 : 1);
    } catch (const std::bad_alloc&) {
        return mask;
    }
    if (!selectionOnly) return mask;

    HostDocument document = currentDocument;
    if (!document) return mask;  // no document, no selection
    auto mark = [&](int32_t vertex) {
        if (IsVertexIndex(vertex, vertexCount)) mask[vertex] = 1;
    };
    for (int32_t v = 0; v < vertexCount; ++v) {
        if (host.MQDoc_IsSelectVertex(document, objectIndex, v)) mask[v] = 1;
    }
    int32_t faceCount = host.MQObj_GetFaceCount(object);
    for (int32_t f = 0; f < faceCount; ++f) {
        int32_t count = ReadFacePointCount(object, f);
        if (count < 2) continue;
        int32_t indices[kMaxFacePoints];
        ReadFaceIndices(object, f, count, indices);
        if (count == 2) {
            if (host.MQDoc_IsSelectLine(document, objectIndex, f, 0)) {
                mark(indices[0]);
                mark(indices[1]);
            }
        } else if (host.MQDoc_IsSelectFace(document, objectIndex, f)) {
            for (int32_t j = 0; j < count; ++j) mark(indices[j]);
        } else {
            for (int32_t j = 0; j < count; ++j) {
                if (host.MQDoc_IsSelectLine(document, objectIndex, f, j)) {
                    mark(indices[j]);
                    mark(indices[(j + 1) % count]);
                }
            }
        }
    }
    return mask;
}
