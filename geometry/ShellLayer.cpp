#include "geometry/ShellLayer.h"

#include "geometry/CopyMirrorAndPatch.h"
#include "geometry/DisplaceVertices.h"
#include "geometry/FaceOperations.h"
#include "settings/ExpansionSettings.h"
#include "settings/SettingsStore.h"

void BuildShellLayer(HostObject layer, HostObject source, const ShellLayerRecipe& recipe,
                     PushCacheCatchUp* catchUp) {
    // Stage 1: the push.
    DisplaceVertices(layer, recipe.sourceIndex, recipe.multiple, catchUp);
    // Stage 2: the inverted hull.
    if (recipe.invert) InvertAllFaces(layer);
    // Stage 3: the look. The faces' colours follow their material, so that a shell in the
    // object's own colours shows them through the vertex-colour material.
    if (recipe.colorMode != Unchanged) AssignFaceMaterial(layer, recipe.materialIndex);
    if (recipe.colorMode == ExtractedColors) ApplyExtractedColors(layer, UniqueIdOf(source));
    if (recipe.resetColors) ResetVertexColors(layer);
    // Stage 4: mirrored and subdivided as its source.
    CopyMirrorAndPatch(source, layer);
}
