#include "workbench/io/SavedMaterials.h"

#include "workbench/io/SceneFile.h"

namespace wb {
namespace detail {

std::vector<std::string> SavedMaterialNames(const Document* d) {
    std::vector<std::string> names(d->materials.size());
    std::set<std::string> taken = {kNoMaterial};
    for (size_t i = 0; i < d->materials.size(); ++i) {
        const Material* m = d->materials[i];
        if (!m) continue;
        std::string n = Sanitized(OriginalText(m->name, m->nameOriginal));
        if (n.empty() || taken.count(n)) n = "material" + std::to_string(i);
        while (taken.count(n)) n += "_";
        taken.insert(n);
        names[i] = n;
    }
    return names;
}

MaterialTable::MaterialTable(const Document* d) : d_(d), names_(SavedMaterialNames(d)) {
    used_.insert(kNoMaterial);
    used_.insert(names_.begin(), names_.end());
}

int32_t MaterialTable::of(const Object* o, const Face& face) {
    const int32_t m = face.material;
    if (m < 0 || static_cast<size_t>(m) >= d_->materials.size() || !d_->materials[m]) return -1;
    uint8_t alpha = 255;
    if (ShowsVertexColors(d_->materials[m]) && face.count > 0) {
        uint32_t sum = 0;
        const Corner* c = o->corners.data() + face.first;
        for (int32_t k = 0; k < face.count; ++k) sum += c[k].color >> 24;
        alpha = static_cast<uint8_t>((sum + face.count / 2) / face.count);
    }
    const auto found = index_.find({m, alpha});
    if (found != index_.end()) return found->second;
    std::string name = names_[m];
    if (alpha != 255) {
        name += "_alpha" + std::to_string(alpha);
        while (used_.count(name)) name += "_";
        used_.insert(name);
    }
    list_.push_back(SavedMaterial{m, alpha, name});
    return index_[{m, alpha}] = static_cast<int32_t>(list_.size()) - 1;
}

std::vector<const SavedMaterial*> MaterialTable::inOrder() const {
    std::vector<const SavedMaterial*> all;
    for (const auto& entry : index_) all.push_back(&list_[entry.second]);
    return all;
}

}  // namespace detail
}  // namespace wb
