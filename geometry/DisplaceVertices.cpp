#include "geometry/DisplaceVertices.h"

#include "geometry/VertexPushCache.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"

namespace {
// 1/255 in single precision (bit pattern 0x3B808081): a colour byte as a 0..1 channel.
const float kByteToUnit = 0.003921569f;
}  // namespace

bool DisplaceVertices(HostObject copy, int32_t sourceIndex, float layerMultiple,
                      PushCacheCatchUp* catchUp) {
    HostDocument document = currentDocument;
    if (!copy || !document) return true;
    HostApi& host = Host();
    HostObject source = host.MQDoc_GetObject(document, sourceIndex);
    if (!source) return true;
    const int32_t sourceId = UniqueIdOf(source);
    const ExpansionSettings& settings = Settings().findOrCreate(sourceId);

    const float baseDistance = settings.normalPush ? settings.pushDistance : 0.0f;
    const float heightFactor = settings.heightMapOn ? settings.heightMapScale : 0.0f;
    const float colorFactor = settings.vertexColorPush ? settings.vertexColorScale : 0.0f;

    // Never another object's entry: one built for whatever sat at this index before is rebuilt.
    const PushCacheEntry* entry =
        CatchUpPushCache(document, source, sourceIndex, sourceId, -1, catchUp);
    if (!entry) return true;  // no cache for the source: the copy stays where it is

    int32_t vertexCount = host.MQObj_GetVertexCount(copy);
    if (vertexCount < 0) vertexCount = 0;
    // The copy has the source's vertices: another count than the entry's means that the source
    // may have changed since the rebuild; the source itself says.
    if (static_cast<size_t>(vertexCount) != entry->directions.size()) {
        entry = CatchUpPushCache(document, source, sourceIndex, sourceId,
                                 host.MQObj_GetVertexCount(source), catchUp);
        if (!entry) return true;
    }
    const HostPoint* directions = entry->directions.data();
    const HeightSample* heights = entry->hasHeights ? entry->heights.data() : nullptr;
    const uint32_t* colors = entry->hasVertexColors ? entry->vertexColors.data() : nullptr;

    // Vertices beyond the cache entry (the copy has more than the source has) stay put.
    if (static_cast<size_t>(vertexCount) > entry->directions.size())
        vertexCount = static_cast<int32_t>(entry->directions.size());

    for (int32_t i = 0; i < vertexCount; ++i) {
        float d = baseDistance;
        if (heights) d = d + heightFactor * heights[i].b;
        if (colors) d = d + static_cast<float>(colors[i] & 255) * kByteToUnit * colorFactor;
        const HostPoint& n = directions[i];
        HostPoint p = {0.0f, 0.0f, 0.0f};
        host.MQObj_GetVertex(copy, i, &p);
        p.x = n.x * d * layerMultiple + p.x;
        p.y = n.y * d * layerMultiple + p.y;
        p.z = n.z * d * layerMultiple + p.z;
        host.MQObj_SetVertex(copy, i, &p);
    }
    return true;
}

float LayerMultiple(int32_t layer, int32_t repeatCount, bool invertFaces) {
    return static_cast<float>(invertFaces ? repeatCount - layer : layer + 1);
}
