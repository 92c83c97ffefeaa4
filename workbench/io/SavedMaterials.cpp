#include "workbench/io/SavedMaterials.h"

#include "workbench/io/SceneFile.h"

namespace wb {
namespace detail {

MaterialTable::MaterialTable(const Document* d) : d_(d), looks_(SavedMaterialLooks(d)) {
    used_.insert(kNoMaterial);
    used_.insert(looks_.name.begin(), looks_.name.end());
}

int32_t MaterialTable::of(const Object* o, const Face& face) {
    if (face.material < 0 || static_cast<size_t>(face.material) >= d_->materials.size() ||
        !d_->materials[face.material])
        return -1;
    const int32_t m = looks_.look[face.material];
    uint8_t alpha = 255;
    if (ShowsVertexColors(d_->materials[m]) && face.count > 0) {
        uint32_t sum = 0;
        const Corner* c = o->corners.data() + face.first;
        for (int32_t k = 0; k < face.count; ++k) sum += c[k].color >> 24;
        alpha = static_cast<uint8_t>((sum + face.count / 2) / face.count);
    }
    const auto found = index_.find({m, alpha});
    if (found != index_.end()) return found->second;
    std::string name = looks_.name[m];
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
