#include "geometry/VertexPushCache.h"

#include <new>

#include "geometry/FaceNormal.h"
#include "geometry/FacePoints.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"

namespace {

// 1/255 in single precision (bit pattern 0x3B808081): a colour byte as a 0..1 channel.
const float kByteToUnit = 0.003921569f;

// The cache of the last rebuild, replaced whole by the next one.
std::vector<PushCacheEntry> g_cache;

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

// Fills entry for one enabled object: the summed face normals of the corners that pass the
// selection filter, normalised, and the last height sample and vertex colour written to each such
// vertex (faces ascending, corners in face order).
void BuildEntry(HostObject object, int32_t objectIndex, const ExpansionSettings& settings,
                PushCacheEntry& entry) {
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
    entry.facePointCount = 0;
    for (int32_t f = 0; f < faceCount; ++f) {
        // The reported count also sizes the copies, malformed faces included.
        const int32_t reported = host.MQObj_GetFacePointCount(object, f);
        entry.facePointCount += reported > 0 ? reported : 0;
        const int32_t count = UsableFacePointCount(reported);
        if (count < 3) continue;
        int32_t indices[kMaxFacePoints];
        ReadFaceIndices(object, f, count, indices);

        // Corner positions; a corner naming no vertex leaves the face without a normal.
        HostPoint corners[kMaxFacePoints] = {};
        bool allCornersValid = true;
        bool passes[kMaxFacePoints];
        for (int32_t j = 0; j < count; ++j) {
            if (IsVertexIndex(indices[j], vertexCount)) {
                host.MQObj_GetVertex(object, indices[j], &corners[j]);
                passes[j] = filter.passes(indices[j]);
            } else {
                allCornersValid = false;
                passes[j] = false;
            }
        }

        if (allCornersValid) {
            HostPoint normal = count == 3 ? FaceNormal(corners[0], corners[1], corners[2])
                                          : QuadNormal(corners[0], corners[1], corners[2], corners[3]);
            normal = NormalizeOrZero(normal);
            for (int32_t j = 0; j < count; ++j) {
                if (!passes[j]) continue;
                HostPoint& sum = directions[indices[j]];
                sum.x += normal.x;
                sum.y += normal.y;
                sum.z += normal.z;
            }
        }

        if (entry.hasHeights) {
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

        if (entry.hasVertexColors) {
            for (int32_t j = 0; j < count; ++j) {
                if (passes[j]) entry.vertexColors[indices[j]] = host.MQObj_GetFaceVertexColor(object, f, j);
            }
        }
    }

    for (int32_t v = 0; v < vertexCount; ++v) {
        if (filter.passes(v)) directions[v] = NormalizeOrZero(directions[v]);
    }
}

}  // namespace

const std::vector<PushCacheEntry>& PushCache() { return g_cache; }

const PushCacheEntry* PushCacheEntryAt(int32_t objectIndex) {
    if (objectIndex < 0 || static_cast<size_t>(objectIndex) >= g_cache.size()) return nullptr;
    const PushCacheEntry& entry = g_cache[objectIndex];
    return entry.present ? &entry : nullptr;
}

void RebuildPushCache(HostDocument document) {
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
        for (int32_t i = 0; i < objectCount; ++i) {
            HostObject object = host.MQDoc_GetObject(document, i);
            if (!object) continue;
            const ExpansionSettings& settings = SettingsOf(object);
            if (!settings.enabled) continue;
            PushCacheEntry& entry = g_cache[i];
            if (static_cast<size_t>(i) < previous.size()) {
                entry.directions.swap(previous[i].directions);
                entry.heights.swap(previous[i].heights);
                entry.vertexColors.swap(previous[i].vertexColors);
            }
            BuildEntry(object, i, settings, entry);
        }
    } catch (const std::bad_alloc&) {
        // Sizes no memory can hold (a host reporting absurd counts): no shells rather than a crash.
        std::vector<PushCacheEntry>().swap(g_cache);
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
