// SettingsStore: every object's ExpansionSettings, keyed by the object's unique ID, for the life
// of the module. Records stay valid while other records are inserted.
#pragma once

#include <stdint.h>

#include <map>

#include "settings/ExpansionSettings.h"

class SettingsStore {
public:
    // The record for id, inserted with defaults when there is none.
    ExpansionSettings& findOrCreate(int32_t id);
    // The record for id, or null; never inserts.
    ExpansionSettings* find(int32_t id);
    // Destroys every record, releasing their images and colours.
    void clear();
    size_t size() const { return records_.size(); }

private:
    std::map<int32_t, ExpansionSettings> records_;
};

SettingsStore& Settings();

// The unique ID of a host object (its key in the store); 0 for a null object.
int32_t UniqueIdOf(HostObject object);
// findOrCreate for a host object.
ExpansionSettings& SettingsOf(HostObject object);
