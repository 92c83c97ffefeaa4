// FreezeShell: the selected object's shell, built from clones of the object the same way the draw
// pass builds its layers, committed to the document as a new object, added to the object, or in
// place of the object's geometry.
#include "freeze/FreezeShell.h"

#include "display/ShellMaterial.h"
#include "display/ShellMemory.h"
#include "geometry/DisplaceVertices.h"
#include "geometry/ShellLayer.h"
#include "geometry/VertexPushCache.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"
#include "ui/ObjectList.h"

bool freezeAsNewObject = false;
bool freezeReplaces = false;
bool freezeResetColors = false;
bool freezeDidNotFit = false;

namespace {

// The first document index holding object, or -1.
int32_t DocumentIndexOf(HostObject object) {
    HostApi& host = Host();
    const int32_t count = host.MQDoc_GetObjectCount(currentDocument);
    for (int32_t i = 0; i < count; ++i) {
        if (host.MQDoc_GetObject(currentDocument, i) == object) return i;
    }
    return -1;
}

// The shell's material: a new black (mode 1) or vertex-colour (mode 2) material added to the
// document, the document's own material (modes 3 and up), or none (-1, mode 0). *created gets
// the material made here, if any.
int32_t ShellMaterialIndex(int32_t colorMode, HostMaterial* created) {
    HostApi& host = Host();
    *created = nullptr;
    if (colorMode == Unchanged) return -1;
    if (colorMode >= kFirstDocumentMaterialMode) return colorMode - kFirstDocumentMaterialMode;

    HostMaterial material = host.MQ_CreateMaterial();
    if (!material) return -1;
    const int32_t index = host.MQDoc_AddMaterial(currentDocument, material);
    SetUpShellMaterial(material, colorMode == ExtractedColors);
    *created = material;
    return index;
}

}  // namespace

bool FreezeShell(HostDocument) {
    HostApi& host = Host();
    freezeDidNotFit = false;
    // Geometry changed without the events that rebuild the push cache is caught up with once.
    PushCacheCatchUp catchUp;

    // Stage 1: the object, its settings and its place in the document. Nothing changes before
    // all three are known.
    HostObject object = SelectedObject();
    if (!object) return false;
    const int32_t id = UniqueIdOf(object);
    if (!Settings().findOrCreate(id).enabled) return false;
    const SettingsSnapshot shot = TakeSnapshot(Settings().findOrCreate(id));
    const int32_t index = DocumentIndexOf(object);
    if (index < 0) return false;

    // Stage 2: the whole result must fit in memory before anything changes; a freeze that does
    // not fit leaves the document exactly as it was.
    const MeshSize size = CurrentShellSourceSize(object, index, id);
    if (FreezeCostBytes(size, shot.repeatCount, freezeAsNewObject) > MemoryHeadroomBytes()) {
        freezeDidNotFit = true;
        return false;
    }

    // Stage 3: the shell's material.
    HostMaterial created = nullptr;
    const int32_t materialIndex = ShellMaterialIndex(shot.colorMode, &created);
    // Only the black material's alpha follows the transparency, set again for every layer.
    HostMaterial blackMaterial = shot.colorMode == Black ? created : nullptr;

    // Stage 4: the layers, each a displaced clone merged into the shell.
    HostObject shell = host.MQ_CreateObject();
    if (!shell) return false;
    ShellLayerRecipe recipe;
    recipe.sourceIndex = index;
    recipe.invert = shot.invertFaces != 0;
    recipe.colorMode = shot.colorMode;
    recipe.materialIndex = materialIndex;
    recipe.resetColors = freezeResetColors;
    for (int32_t layer = 0; layer < shot.repeatCount; ++layer) {
        if (blackMaterial) {
            const int32_t transparency = Settings().findOrCreate(id).transparency;
            host.MQMat_SetAlpha(blackMaterial, static_cast<float>(100 - transparency) * 0.01f);
        }
        HostObject copy = host.MQObj_Clone(object);
        if (!copy) continue;
        recipe.multiple = LayerMultiple(layer, shot.repeatCount, recipe.invert);
        BuildShellLayer(copy, object, recipe, &catchUp);
        host.MQObj_Merge(shell, copy);
        host.MQObj_Delete(copy);
    }

    // Stage 5: placement.
    if (freezeAsNewObject) {
        host.MQDoc_AddObject(currentDocument, shell);
        return true;
    }
    if (freezeReplaces) {
        const int32_t vertexCount = host.MQObj_GetVertexCount(object);
        for (int32_t i = 0; i < vertexCount; ++i) host.MQObj_DeleteVertex(object, i, 1);
    }
    host.MQObj_Merge(object, shell);
    host.MQObj_Compact(object);
    host.MQObj_Delete(shell);
    return true;
}

void TellFreezeDidNotFit() {
    if (!freezeDidNotFit) return;
    freezeDidNotFit = false;
    // In the panel's words and manner, as its other message: the host's window owns the box.
    // Only a 32-bit modeller has a larger edition to suggest.
    const char* text = sizeof(void*) == 4
                           ? "拡張面が大きすぎて、このモデラーのメモリではフリーズできません。\n"
                             "「繰り返し」を減らすか、64bit版のモデラーをお使いください。"
                           : "拡張面が大きすぎて、このモデラーのメモリではフリーズできません。\n"
                             "「繰り返し」を減らしてください。";
    char caption[256] = "Puffshell";
    if (panelWindow) GetWindowTextA(panelWindow, caption, sizeof caption);
    HWND owner = Host().MQ_GetWindowHandle ? Host().MQ_GetWindowHandle() : nullptr;
    MessageBoxA(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}
