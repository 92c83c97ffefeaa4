// The materials the saved files (OBJ/MTL and glTF alike) hold, under the same names in both:
// one per look (ShellLooks.h) of the faces written, no other. OBJ colours carry no alpha: a face whose material shows
// vertex colours and whose corners are not opaque gets a copy of its material with that alpha
// joined to its own (the host multiplies the two), named after it with "_alphaN" (N the alpha,
// 0..255). Faces of the same material and alpha share one copy.
#pragma once

#include <stdint.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "workbench/host/Model.h"
#include "workbench/io/ShellLooks.h"

namespace wb {
namespace detail {

struct SavedMaterial {
    int32_t source;  // document material that stands for the look
    uint8_t alpha;   // the faces' corner alpha joined to the material's (255: none)
    std::string name;
};

class MaterialTable {
  public:
    explicit MaterialTable(const Document* d);

    // The saved material of a face of o, or -1 for none.
    int32_t of(const Object* o, const Face& face);

    // In the document's order, a material's see-through copies beside it.
    std::vector<const SavedMaterial*> inOrder() const;

    const std::vector<SavedMaterial>& list() const { return list_; }

  private:
    const Document* d_;
    MaterialLooks looks_;
    std::vector<SavedMaterial> list_;
    std::map<std::pair<int32_t, uint8_t>, int32_t> index_;
    std::set<std::string> used_;
};

}  // namespace detail
}  // namespace wb
