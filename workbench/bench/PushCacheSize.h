// What the plug-in's push cache holds per vertex, counted from the cache itself: the plug-in's
// code (the static library the DLL is made of) rebuilds the cache for one object of the active
// document, and the bytes of its arrays are added up.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

struct PushCacheBytes {
    double directionsOnly = 0.0;  // bytes of the entry with push directions alone
    double allArrays = 0.0;       // with height samples and vertex colours as well
    int32_t vertices = 0;
};

// Rebuilds the cache for document (whose object at objectIndex is switched on for this count
// only, in this program's own settings store), once with directions only and once with every
// array, and counts the bytes the arrays hold (their capacity). Host() must be bound.
PushCacheBytes CountPushCacheBytes(HostDocument document, int32_t objectIndex);
