#include "workbench/bench/PushCacheSize.h"

#include "geometry/VertexPushCache.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"

namespace {

template <class T>
double CapacityBytes(const std::vector<T>& values) {
    return static_cast<double>(values.capacity() * sizeof(T));
}

double EntryBytes(int32_t objectIndex) {
    const PushCacheEntry* entry = PushCacheEntryAt(objectIndex);
    if (!entry) return 0.0;
    return CapacityBytes(entry->directions) + CapacityBytes(entry->heights) +
           CapacityBytes(entry->vertexColors);
}

}  // namespace

PushCacheBytes CountPushCacheBytes(HostDocument document, int32_t objectIndex) {
    PushCacheBytes bytes;
    HostObject object = Host().MQDoc_GetObject(document, objectIndex);
    if (!object) return bytes;
    bytes.vertices = Host().MQObj_GetVertexCount(object);
    currentDocument = document;
    ExpansionSettings& settings = SettingsOf(object);
    settings.enabled = 1;
    RebuildPushCache(document);
    bytes.directionsOnly = EntryBytes(objectIndex);
    settings.heightMapOn = 1;
    settings.vertexColorPush = 1;
    RebuildPushCache(document);
    bytes.allArrays = EntryBytes(objectIndex);
    settings.resetToDefaults();
    RebuildPushCache(document);  // empty again
    currentDocument = nullptr;
    return bytes;
}
