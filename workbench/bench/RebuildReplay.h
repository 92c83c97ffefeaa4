// The host calls of the draw pass's rebuild (the object list compared with the document, then the
// push cache rebuilt), replayed in the rebuild's order and with its arguments but with none of its
// arithmetic: what the rebuild costs the host, so that rebuild minus this is the plug-in's own
// work.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

// Replays the calls of one rebuild of document as the benchmark times it: the object list already
// filled with every object of the document, every object switched on with the default switches
// (no height map, no vertex-colour push) and selectionOnly off. Host() must be bound.
void ReplayRebuildCalls(HostDocument document);

// Records the host calls of one rebuild (RefreshObjectListIfChanged and RebuildPushCache, under
// the conditions above, with currentDocument set to document) and of ReplayRebuildCalls, and
// compares them. Returns the number of calls compared, or -1 when the two differ.
int64_t CheckRebuildReplay(HostDocument document);
