#include "geometry/FacePoints.h"

#include "plugin/HostApi.h"

FacePoints ReadFacePoints(HostObject object, int32_t face) {
    FacePoints points;
    points.count = ReadFacePointCount(object, face);
    ReadFaceIndices(object, face, points.count, points.indices);
    return points;
}
