#include "display/ShellMemory.h"

#include <windows.h>

#include "geometry/FacePoints.h"
#include "geometry/VertexPushCache.h"
#include "plugin/HostApi.h"

namespace {

// What the host pays per element of a layer. The stand-in host keeps 28 bytes per vertex and 16
// per face plus 16 per face point, but the modeller the plug-in runs in keeps more and displays
// every object it holds, so each figure is taken well above what such a host needs:
// - a vertex: its position (12 bytes), identifier, weight, colour and flags (16), and the
//   position and normal the display keeps for it (24), rounded up to 64;
// - a face: its point count, material, identifier and flags (16) and its display normal (12),
//   rounded up to 32;
// - a face point: its vertex index (4), UV (8) and colour (4), and the display's copy of the
//   point with position, normal, UV and colour (36), rounded up to 64.
// A triangle thus counts 224 bytes and its share of the vertices about 32 more: ten layers of a
// 1.3M-triangle object come to over 3 GB, which no 32-bit modeller holds.
const double kBytesPerVertex = 64.0;
const double kBytesPerFace = 32.0;
const double kBytesPerFacePoint = 64.0;

// What is left untouched in any case: room for the modeller's own work after the shells (its
// undo, its display, the user's next edit) and for the address space's fragmentation, as the
// host needs each layer's arrays in one piece.
const double kSafetyMarginBytes = 256.0 * 1024.0 * 1024.0;

}  // namespace

MeshSize ShellSourceSize(HostObject object, int32_t index, int32_t uniqueId) {
    MeshSize size;
    if (const PushCacheEntry* entry = PushCacheEntryOf(index, uniqueId, -1)) {
        size.vertices = static_cast<int64_t>(entry->directions.size());
        size.faces = entry->faceCount;
        size.corners = entry->facePointCount;
    } else if (object) {
        size.vertices = Host().MQObj_GetVertexCount(object);
        size.faces = Host().MQObj_GetFaceCount(object);
        size.corners = size.faces * kMaxFacePoints;
    }
    return size;
}

MeshSize CurrentShellSourceSize(HostObject object, int32_t index, int32_t uniqueId) {
    MeshSize size = ShellSourceSize(object, index, uniqueId);
    if (!object) return size;
    const int64_t vertices = Host().MQObj_GetVertexCount(object);
    const int64_t faces = Host().MQObj_GetFaceCount(object);
    if (vertices != size.vertices || faces != size.faces) {
        size.vertices = vertices;
        size.faces = faces;
        size.corners = faces * kMaxFacePoints;
    }
    return size;
}

double LayerCostBytes(const MeshSize& size) {
    auto positive = [](int64_t n) { return n > 0 ? static_cast<double>(n) : 0.0; };
    return positive(size.vertices) * kBytesPerVertex + positive(size.faces) * kBytesPerFace +
           positive(size.corners) * kBytesPerFacePoint;
}

double FreezeCostBytes(const MeshSize& size, int32_t repeatCount, bool asNewObject) {
    if (repeatCount < 1) return 0.0;
    const double layers = asNewObject ? repeatCount + 1.0 : 2.0 * repeatCount + 1.0;
    return LayerCostBytes(size) * layers;
}

double MemoryHeadroomBytes() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 1e300;
    const double addressSpace = static_cast<double>(status.ullAvailVirtual);
    const double physical = static_cast<double>(status.ullAvailPhys);
    const double available = addressSpace < physical ? addressSpace : physical;
    return available > kSafetyMarginBytes ? available - kSafetyMarginBytes : 0.0;
}
