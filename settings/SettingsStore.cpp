#include "settings/SettingsStore.h"

#include "plugin/HostApi.h"

namespace {
// The one store of the process: constructed when the module loads, destroyed when it unloads.
SettingsStore g_settings;
}  // namespace

SettingsStore& Settings() { return g_settings; }

ExpansionSettings& SettingsStore::findOrCreate(int32_t id) {
    return records_.try_emplace(id).first->second;
}

ExpansionSettings* SettingsStore::find(int32_t id) {
    auto it = records_.find(id);
    return it == records_.end() ? nullptr : &it->second;
}

void SettingsStore::clear() { records_.clear(); }

int32_t UniqueIdOf(HostObject object) {
    return object ? Host().MQObj_GetIntValue(object, kObjectUniqueId) : 0;
}

ExpansionSettings& SettingsOf(HostObject object) {
    return Settings().findOrCreate(UniqueIdOf(object));
}
