#include "plugin/OptionList.h"

#include <string.h>

void* FindOption(const OptionPair* list, const char* key) {
    if (!list || !key) return nullptr;
    for (const OptionPair* pair = list; pair->key; ++pair) {
        if (strcmp(pair->key, key) == 0) return pair->value;
    }
    return nullptr;
}

int32_t OptionInt(const OptionPair* list, const char* key, int32_t fallback) {
    const int32_t* value = static_cast<const int32_t*>(FindOption(list, key));
    return value ? *value : fallback;
}
