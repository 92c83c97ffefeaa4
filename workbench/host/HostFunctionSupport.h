// What the host function files share: the export linkage of HostAbi.h, the call recorder's macros
// and small look-ups over the in-memory model. Each host function checks its handles and indices:
// NULL or invalid handles and out-of-range indices do nothing, return 0 / NULL, and reading calls
// zero their outputs.
#pragma once

#define HOST_FUNCTION_LINKAGE __declspec(dllexport)
#include "plugin/HostAbi.h"

#include <string.h>

#include <utility>
#include <vector>

#include "workbench/host/Model.h"
#include "workbench/host/Recorder.h"

#define REC(...) WB_RECORD(__func__, __VA_ARGS__)
#define REC0() WB_RECORD(__func__)

namespace wb {
namespace detail {
inline void ZeroPoint(HostPoint* out) {
    if (out) *out = HostPoint{0.0f, 0.0f, 0.0f};
}

inline void SetIntPair(std::vector<std::pair<int32_t, int32_t>>& values, int32_t key, int32_t value) {
    for (auto& kv : values) {
        if (kv.first == key) {
            kv.second = value;
            return;
        }
    }
    values.emplace_back(key, value);
}

inline int32_t GetIntPair(const std::vector<std::pair<int32_t, int32_t>>& values, int32_t key) {
    for (const auto& kv : values)
        if (kv.first == key) return kv.second;
    return 0;
}

// The option pair with the given key in a list, or NULL. Lists are capped at 256 pairs.
inline OptionPair* FindPair(OptionPair* list, const char* key) {
    if (!list) return nullptr;
    for (int i = 0; i < 256 && list[i].key; ++i)
        if (strcmp(list[i].key, key) == 0) return &list[i];
    return nullptr;
}

inline Object* DocObject(HostDocument doc, int32_t index) {
    Document* d = AsDocument(doc);
    if (!d || index < 0 || static_cast<size_t>(index) >= d->objects.size()) return nullptr;
    return d->objects[index];
}

}  // namespace detail
}  // namespace wb
