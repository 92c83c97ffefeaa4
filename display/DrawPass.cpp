#include "display/DrawPass.h"

#include "geometry/CopyMirrorAndPatch.h"
#include "geometry/DisplaceVertices.h"
#include "geometry/FaceOperations.h"
#include "display/ShellMaterial.h"
#include "geometry/VertexPushCache.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "plugin/ShellPlugin.h"
#include "settings/SettingsStore.h"
#include "ui/ObjectList.h"

namespace {

// The visibility value every layer's draw object is created with.
const int32_t kLayerVisibility = 4;
// What MQObj_Freeze is asked to do with a finished layer.
const uint32_t kLayerFreezeFlags = 2;

// The two materials a pass offers its shells; the host forgets them at its next redraw.
struct DrawMaterials {
    HostMaterial vertexColor = nullptr;  // shows the faces' vertex colours (extracted colours)
    int32_t vertexColorIndex = -1;
    HostMaterial black = nullptr;        // pitch black; its alpha follows each layer's object
    int32_t blackIndex = -1;
};

DrawMaterials CreateDrawMaterials(HostDocument document) {
    DrawMaterials materials;
    materials.vertexColor = Plugin().createDrawMaterial(document, &materials.vertexColorIndex);
    if (materials.vertexColor) SetUpShellMaterial(materials.vertexColor, true);
    materials.black = Plugin().createDrawMaterial(document, &materials.blackIndex);
    if (materials.black) SetUpShellMaterial(materials.black, false);
    return materials;
}

// Builds the shell of the object at document index `index`: one draw object per layer.
void DrawShell(HostDocument document, HostObject object, int32_t id, int32_t index,
               const DrawMaterials& materials) {
    HostApi& host = Host();
    SettingsSnapshot settings = TakeSnapshot(Settings().findOrCreate(id));
    bool invert = settings.invertFaces != 0;

    for (int32_t layerIndex = 0; layerIndex < settings.repeatCount; ++layerIndex) {
        // One black material serves every shell, so the last enabled object's transparency is
        // the one the host shows.
        float alpha = static_cast<float>(100 - Settings().findOrCreate(id).transparency) * 0.01f;
        if (materials.black) host.MQMat_SetAlpha(materials.black, alpha);

        HostObject layer = Plugin().createDrawObject(document, kLayerVisibility);
        if (!layer) continue;  // the host gave no draw object: nothing to build into
        host.MQObj_Merge(layer, object);
        DisplaceVertices(layer, index, LayerMultiple(layerIndex, settings.repeatCount, invert));
        if (invert) InvertAllFaces(layer);

        switch (settings.colorMode) {
        case Unchanged:
            break;
        case Black:
            AssignFaceMaterial(layer, materials.blackIndex);
            break;
        case ExtractedColors:
            AssignFaceMaterial(layer, materials.vertexColorIndex);
            ApplyExtractedColors(layer, UniqueIdOf(object));
            break;
        default:
            AssignFaceMaterial(layer, settings.colorMode - kFirstDocumentMaterialMode);
            break;
        }

        CopyMirrorAndPatch(object, layer);
        host.MQObj_Freeze(layer, kLayerFreezeFlags);
    }
}

}  // namespace

void DrawPass(HostDocument document) {
    if (!Plugin().isActive(document)) return;  // also makes document the current one
    if (disableAll) return;

    if (rebuildPending) {
        RefreshObjectListIfChanged();
        RebuildPushCache(document);
        rebuildPending = false;
    }

    HostApi& host = Host();
    int32_t count = document ? host.MQDoc_GetObjectCount(document) : 0;
    // Materials first, on every pass, even when no shell follows.
    DrawMaterials materials = CreateDrawMaterials(document);

    for (int32_t index = 0; index < count; ++index) {
        HostObject object = host.MQDoc_GetObject(document, index);
        if (!object) continue;
        if (!forceDisplay && !host.MQObj_GetVisible(object)) continue;
        const int32_t id = UniqueIdOf(object);
        if (!Settings().findOrCreate(id).enabled) continue;
        DrawShell(document, object, id, index, materials);
    }

    // The next change asks for a refresh again.
    refreshRequested = false;
}
