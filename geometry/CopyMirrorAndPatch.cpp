#include "geometry/CopyMirrorAndPatch.h"

#include "plugin/HostApi.h"

void CopyMirrorAndPatch(HostObject source, HostObject layer) {
    HostApi& host = Host();
    host.MQObj_SetMirrorType(layer, host.MQObj_GetMirrorType(source));
    host.MQObj_SetMirrorAxis(layer, host.MQObj_GetMirrorAxis(source));
    host.MQObj_SetMirrorDistance(layer, host.MQObj_GetMirrorDistance(source));
    host.MQObj_SetPatchType(layer, host.MQObj_GetPatchType(source));
    host.MQObj_SetPatchSegment(layer, host.MQObj_GetPatchSegment(source));
}
