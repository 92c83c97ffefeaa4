// Which of a document's materials look the same in the saved files, and the name each look goes
// out under. The plug-in makes a material of its own for every shell it freezes; a document of
// 2,000 black shells holds 2,000 materials that differ in nothing but their slot. The files give
// each look one material, named for what it is, so that engines and editors see one material
// where the user sees one.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "workbench/host/Model.h"

namespace wb {
namespace detail {

// The names the files give the shells' own looks: the plug-in's pitch-black material, and its
// material that shows the traced (extracted) colours held in the vertex colours. A look that is
// not opaque gets " alpha A" after the name (A its alpha, as "%.3g" writes it).
constexpr char kBlackShellLook[] = "Puffshell black";
constexpr char kTracedShellLook[] = "Puffshell traced colours";

// True when a and b look the same in every file and view: colour, alpha, light factors,
// specular and power, textures, and the host's per-material switches (vertex colours, flat
// shading...). Their names are not compared.
bool SameLook(const Material& a, const Material& b);

struct MaterialLooks {
    // By document material (its slot in d->materials): the first slot of the same look, which
    // stands for all of them in the files (the material's own slot when no earlier one shares its
    // look); -1 for an empty slot. Only materials without a name of their own (as the plug-in
    // makes them) share a look: a material the user named is always a look of its own.
    std::vector<int32_t> look;
    // By document material: the name its look goes out under, in UTF-8 (empty for an empty slot;
    // every slot of one look has the same). A named material keeps its name (its kept original,
    // see Model.h) with blanks that would end it in an OBJ line made spaces (Sanitized); an
    // unnamed look is kBlackShellLook or kTracedShellLook when it is one, else "materialN" (N the
    // look's slot). Names are unique among looks and never kNoMaterial; a clash is resolved by
    // appending "_", named materials first, so that the user's names stay as they are.
    std::vector<std::string> name;
};

// The looks of d's materials, as above. Each unnamed material is compared with the looks found
// before it: a document of shells of a few looks takes time linear in its materials.
MaterialLooks SavedMaterialLooks(const Document* d);

}  // namespace detail
}  // namespace wb
