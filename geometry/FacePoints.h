// Safe reads of one face of a host object. A host may hand over faces with more than four points
// or with point indices outside the object's vertices; these readers never overflow a buffer and
// report such faces so that callers can skip the bad corners.
#pragma once

#include <stdint.h>

#include "plugin/HostApi.h"

enum { kMaxFacePoints = 4 };

struct FacePoints {
    int32_t count = 0;                   // points of the face as the host reports them, 0..4
    int32_t indices[kMaxFacePoints] = {};
};

// A face's point count as the readers use it, from the count the host reported: a count outside
// 1..4 gives 0, so that the face is skipped and no fixed buffer of four is ever handed to the host
// for it.
inline int32_t UsableFacePointCount(int32_t reported) {
    return reported >= 1 && reported <= kMaxFacePoints ? reported : 0;
}
// The face's usable point count (MQObj_GetFacePointCount). Inline: the face loops of every layer
// call it once per face.
inline int32_t ReadFacePointCount(HostObject object, int32_t face) {
    if (!object) return 0;
    return UsableFacePointCount(Host().MQObj_GetFacePointCount(object, face));
}
// Reads count (1..4, as ReadFacePointCount gave it) point indices of face into indices
// (MQObj_GetFacePointArray). Other counts read nothing.
inline void ReadFaceIndices(HostObject object, int32_t face, int32_t count,
                            int32_t indices[kMaxFacePoints]) {
    if (!object || count < 1 || count > kMaxFacePoints) return;
    Host().MQObj_GetFacePointArray(object, face, indices);
}
// Both of the above: the face's count and indices. A count outside 1..4 gives count 0 and no
// indices.
FacePoints ReadFacePoints(HostObject object, int32_t face);
// True when index names a vertex of an object with vertexCount vertices.
inline bool IsVertexIndex(int32_t index, int32_t vertexCount) {
    return index >= 0 && index < vertexCount;
}
