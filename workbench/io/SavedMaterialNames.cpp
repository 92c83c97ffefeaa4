#include <set>

#include "workbench/io/SceneFile.h"

namespace wb {
namespace detail {

std::vector<std::string> SavedMaterialNames(const Document* d) {
    std::vector<std::string> names(d->materials.size());
    std::set<std::string> taken = {kNoMaterial};
    for (size_t i = 0; i < d->materials.size(); ++i) {
        if (!d->materials[i]) continue;
        const Material* m = d->materials[i];
        std::string n = Sanitized(OriginalText(m->name, m->nameOriginal));
        if (n.empty() || taken.count(n)) n = "material" + std::to_string(i);
        while (taken.count(n)) n += "_";
        taken.insert(n);
        names[i] = n;
    }
    return names;
}

}  // namespace detail
}  // namespace wb
