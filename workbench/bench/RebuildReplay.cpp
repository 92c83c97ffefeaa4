#include "workbench/bench/RebuildReplay.h"

#include <string>
#include <vector>

#include "geometry/VertexPushCache.h"
#include "plugin/HostApi.h"
#include "ui/ObjectList.h"
#include "workbench/host/Workbench.h"

void ReplayRebuildCalls(HostDocument document) {
    HostApi& host = Host();
    // The object list against the document: every object and its unique ID.
    const int32_t listed = host.MQDoc_GetObjectCount(document);
    for (int32_t i = 0; i < listed; ++i) {
        if (HostObject object = host.MQDoc_GetObject(document, i))
            host.MQObj_GetIntValue(object, kObjectUniqueId);
    }
    // The push cache: per object its settings by unique ID, its sizes, and per face of three or
    // more points its point indices and the positions of its corners.
    const int32_t count = host.MQDoc_GetObjectCount(document);
    for (int32_t i = 0; i < count; ++i) {
        HostObject object = host.MQDoc_GetObject(document, i);
        if (!object) continue;
        host.MQObj_GetIntValue(object, kObjectUniqueId);
        const int32_t vertexCount = host.MQObj_GetVertexCount(object);
        const int32_t faceCount = host.MQObj_GetFaceCount(object);
        for (int32_t f = 0; f < faceCount; ++f) {
            const int32_t points = host.MQObj_GetFacePointCount(object, f);
            if (points < 3 || points > 4) continue;
            int32_t indices[4];
            host.MQObj_GetFacePointArray(object, f, indices);
            for (int32_t j = 0; j < points; ++j) {
                if (indices[j] < 0 || indices[j] >= vertexCount) continue;
                HostPoint p;
                host.MQObj_GetVertex(object, indices[j], &p);
            }
        }
    }
}

int64_t CheckRebuildReplay(HostDocument document) {
    RefreshObjectListIfChanged();  // the list filled, as in every timed rebuild
    wb::ClearRecordedCalls();
    wb::StartRecording();
    RefreshObjectListIfChanged();
    RebuildPushCache(document);
    wb::StopRecording();
    const std::vector<std::string> rebuild = wb::RecordedCalls();
    wb::ClearRecordedCalls();
    wb::StartRecording();
    ReplayRebuildCalls(document);
    wb::StopRecording();
    const std::vector<std::string> replay = wb::RecordedCalls();
    wb::ClearRecordedCalls();
    return rebuild == replay ? static_cast<int64_t>(rebuild.size()) : -1;
}
