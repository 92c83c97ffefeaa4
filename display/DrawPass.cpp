#include "display/DrawPass.h"

#include "display/ShellMaterial.h"
#include "display/ShellMemory.h"
#include "geometry/DisplaceVertices.h"
#include "geometry/ShellLayer.h"
#include "geometry/VertexPushCache.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "plugin/ShellPlugin.h"
#include "settings/SettingsStore.h"
#include "ui/ObjectList.h"

#include <vector>

namespace {

// One pitch-black draw material and the transparency it shows.
struct BlackMaterial {
    int32_t transparency = -1;  // -1 while no black layer has used it yet
    HostMaterial material = nullptr;
    int32_t index = -1;
};

// The materials a pass offers its shells; the host forgets them at its next redraw. Black shells
// of one transparency share one black material; each further transparency gets its own, made
// when a black layer first needs it, so that every shell shows its own object's transparency.
struct DrawMaterials {
    HostMaterial vertexColor = nullptr;  // shows the faces' vertex colours (extracted colours)
    int32_t vertexColorIndex = -1;
    std::vector<BlackMaterial> black;    // the first is requested with the vertex-colour one
};

DrawMaterials CreateDrawMaterials(HostDocument document) {
    DrawMaterials materials;
    materials.vertexColor = Plugin().createDrawMaterial(document, &materials.vertexColorIndex);
    if (materials.vertexColor) SetUpShellMaterial(materials.vertexColor, true);
    BlackMaterial black;
    black.material = Plugin().createDrawMaterial(document, &black.index);
    if (black.material) SetUpShellMaterial(black.material, false);
    materials.black.push_back(black);
    return materials;
}

// The black material that shows `transparency`: the first one not yet used, one already showing
// it, or a new one requested from the host.
BlackMaterial BlackMaterialFor(HostDocument document, int32_t transparency,
                               DrawMaterials* materials) {
    std::vector<BlackMaterial>& black = materials->black;
    if (black.front().transparency == -1) black.front().transparency = transparency;
    for (const BlackMaterial& candidate : black)
        if (candidate.transparency == transparency) return candidate;
    BlackMaterial further;
    further.transparency = transparency;
    further.material = Plugin().createDrawMaterial(document, &further.index);
    if (further.material) SetUpShellMaterial(further.material, false);
    black.push_back(further);
    return black.back();
}

// Builds the shell of the object at document index `index` (unique ID id) from its settings: one
// draw object per layer, as long as the process can hold the next one within *headroom (bytes),
// which each layer built uses up. catchUp is the pass's one catch-up of the push cache.
void DrawShell(HostDocument document, HostObject object, int32_t id,
               const ExpansionSettings& settings, int32_t index, DrawMaterials* materials,
               double* headroom, PushCacheCatchUp* catchUp) {
    HostApi& host = Host();
    // What the layers read of the settings, once: nothing changes them while the pass runs.
    const bool invert = settings.invertFaces != 0;
    const int32_t repeatCount = settings.repeatCount;
    const int32_t colorMode = settings.colorMode;
    const int32_t transparency = settings.transparency;
    const float alpha = static_cast<float>(100 - transparency) * 0.01f;
    const double layerCost =
        repeatCount > 0 ? LayerCostBytes(ShellSourceSize(object, index, id)) : 0.0;

    ShellLayerRecipe recipe;
    recipe.sourceIndex = index;
    recipe.invert = invert;
    recipe.colorMode = colorMode;
    if (colorMode == ExtractedColors)
        recipe.materialIndex = materials->vertexColorIndex;
    else if (colorMode != Unchanged && colorMode != Black)  // a document material
        recipe.materialIndex = colorMode - kFirstDocumentMaterialMode;

    for (int32_t layerIndex = 0; layerIndex < repeatCount; ++layerIndex) {
        // A layer the process cannot hold ends this object's shell for this pass; a modeller out
        // of memory would take the user's work with it.
        if (layerCost > *headroom) break;
        *headroom -= layerCost;
        // A black layer shows its own object's transparency; other shells change no black material.
        if (colorMode == Black) {
            const BlackMaterial black = BlackMaterialFor(document, transparency, materials);
            if (black.material) host.MQMat_SetAlpha(black.material, alpha);
            recipe.materialIndex = black.index;
        }

        HostObject layer = Plugin().createDrawObject(document, kLayerVisibility);
        if (!layer) continue;  // the host gave no draw object: nothing to build into
        host.MQObj_Merge(layer, object);
        recipe.multiple = LayerMultiple(layerIndex, repeatCount, invert);
        BuildShellLayer(layer, object, recipe, catchUp);
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

    // Objects reordered, added or changed without the events that rebuild the push cache are
    // caught up with once in this pass.
    PushCacheCatchUp catchUp;
    HostApi& host = Host();
    int32_t count = document ? host.MQDoc_GetObjectCount(document) : 0;
    // Materials first, on every pass, even when no shell follows.
    DrawMaterials materials = CreateDrawMaterials(document);
    // What the layers of this pass may take, all objects together.
    double headroom = MemoryHeadroomBytes();

    for (int32_t index = 0; index < count; ++index) {
        HostObject object = host.MQDoc_GetObject(document, index);
        if (!object) continue;
        if (!forceDisplay && !host.MQObj_GetVisible(object)) continue;
        const int32_t id = UniqueIdOf(object);
        const ExpansionSettings& settings = Settings().findOrCreate(id);
        if (!settings.enabled) continue;
        // The layers' cost and pushes come from the object's own entry: the catch-up, when the
        // one at its index was built for another object.
        CatchUpPushCache(document, object, index, id, -1, &catchUp);
        DrawShell(document, object, id, settings, index, &materials, &headroom, &catchUp);
    }

    // The next change asks for a refresh again.
    refreshRequested = false;
}
