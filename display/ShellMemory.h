// What a shell costs the host's memory, and whether this process can still hold it. A modeller
// that runs out of memory dies with the user's unsaved work, so shells are built only while the
// process keeps a safe margin; the document itself is never at stake.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

// The size of an object as the host copies it into a shell layer.
struct MeshSize {
    int64_t vertices = 0;
    int64_t faces = 0;
    int64_t corners = 0;  // face points over all faces
};

// The size of object, the document object at index with unique ID uniqueId, as the last rebuild
// of the push cache saw it (so that a pass makes no host call for it); asked of the host only
// when the cache has no entry of that object at the index, counting every face with four points.
MeshSize ShellSourceSize(HostObject object, int32_t index, int32_t uniqueId);

// The size of object as it is now, for a freeze, which may run after an edit that the next
// rebuild of the push cache has not seen yet: ShellSourceSize while its vertex and face counts
// still match the host's, else the host's counts with every face taken at four points.
MeshSize CurrentShellSourceSize(HostObject object, int32_t index, int32_t uniqueId);

// A conservative figure, in bytes, for what one shell layer of a mesh of this size costs the host:
// the layer's geometry as the host keeps it and what the host builds to display it.
double LayerCostBytes(const MeshSize& size);

// A conservative figure for what freezing a shell of repeatCount layers of a mesh of this size
// costs the host at its peak: the shell and the clone being merged into it; placed into the
// object (added or replacing), the object grows by the shell while the shell still exists, and the
// host keeps the object as it was for undo.
double FreezeCostBytes(const MeshSize& size, int32_t repeatCount, bool asNewObject);

// Bytes this process can still take on with a safe margin left over: the smaller of its
// available address space (what runs out first in a 32-bit process) and the machine's available
// physical memory, each less the margin; 0 when there is no room. When the figures cannot be read
// at all the answer is unlimited (a huge number), so that shells behave as they always did.
double MemoryHeadroomBytes();
