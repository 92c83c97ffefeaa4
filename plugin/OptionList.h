// Lookups in the host's option lists (arrays of key/value pairs ended by a null key).
#pragma once

#include "plugin/HostAbi.h"

// The value of the first pair whose key equals key byte for byte; null for a null list or no
// match.
void* FindOption(const OptionPair* list, const char* key);
// The 32-bit integer the option's value points to; fallback when the option is missing or its
// value pointer is null.
int32_t OptionInt(const OptionPair* list, const char* key, int32_t fallback);
