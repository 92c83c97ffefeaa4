#include "geometry/FacePoints.h"

#include "plugin/HostApi.h"

int32_t ReadFacePointCount(HostObject object, int32_t face) {
    if (!object) return 0;
    int32_t count = Host().MQObj_GetFacePointCount(object, face);
    return count >= 1 && count <= kMaxFacePoints ? count : 0;
}

void ReadFaceIndices(HostObject object, int32_t face, int32_t count,
                     int32_t indices[kMaxFacePoints]) {
    if (!object || count < 1 || count > kMaxFacePoints) return;
    Host().MQObj_GetFacePointArray(object, face, indices);
}

FacePoints ReadFacePoints(HostObject object, int32_t face) {
    FacePoints points;
    points.count = ReadFacePointCount(object, face);
    ReadFaceIndices(object, face, points.count, points.indices);
    return points;
}
