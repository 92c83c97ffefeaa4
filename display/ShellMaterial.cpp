#include "display/ShellMaterial.h"

#include "plugin/HostApi.h"

void SetUpShellMaterial(HostMaterial material, bool showsVertexColors) {
    HostApi& host = Host();
    if (showsVertexColors) host.MQMat_SetIntValue(material, kMaterialShowsVertexColor, 1);
    host.MQMat_SetAmbient(material, 0.0f);
    host.MQMat_SetEmission(material, 1.0f);
    host.MQMat_SetIntValue(material, kMaterialShadeFlat, 1);
    const HostRGB black = {0.0f, 0.0f, 0.0f};
    host.MQMat_SetColor(material, &black);
}
