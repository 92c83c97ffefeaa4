#include "workbench/io/GltfPrimitives.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <initializer_list>

#include "workbench/io/SceneFile.h"
#include "workbench/io/ShadingNormals.h"

namespace wb {
namespace detail {

namespace {

// The vertices of the primitives of one object by their GltfVertexKey: an open-addressing hash table
// of (primitive, vertex index) pairs, with linear probing. A table of its own for this, rather
// than a std::unordered_map: there is one look-up per corner, a few million in a large scene, and
// a node allocated per key costs more than the rest of gathering.
class CornerIndex {
public:
    // A table for about `vertices` keys (it grows past them).
    explicit CornerIndex(size_t vertices) {
        size_t slots = 64;
        while (slots < 2 * vertices) slots *= 2;
        slots_.assign(slots, Slot{kEmpty, 0, 0});
    }

    // The vertex of prim (its key mat) that the key stands for, or -1 when there is none yet.
    int64_t find(const GltfPrimitive& prim, int32_t mat, const GltfVertexKey& key, uint32_t hash) const {
        for (size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            const Slot& slot = slots_[at];
            if (slot.mat == kEmpty) return -1;
            if (slot.hash == hash && slot.mat == mat &&
                memcmp(&prim.keys[slot.index], &key, sizeof key) == 0)
                return slot.index;
        }
    }

    // Notes that vertex index of prim (its key mat) stands for a key of that hash.
    void add(int32_t mat, uint32_t index, uint32_t hash) {
        if ((used_ + 1) * 2 > slots_.size()) grow();
        place(Slot{mat, index, hash});
        ++used_;
    }

    static uint32_t Hash(int32_t mat, const GltfVertexKey& key) {
        uint32_t words[8];
        words[0] = static_cast<uint32_t>(mat);
        memcpy(&words[1], &key, sizeof key);
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (uint32_t w : words) h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        return static_cast<uint32_t>(h >> 32) ^ static_cast<uint32_t>(h);
    }

private:
    static constexpr int32_t kEmpty = INT32_MIN;
    struct Slot {
        int32_t mat;
        uint32_t index;
        uint32_t hash;
    };

    void place(const Slot& slot) {
        size_t at = slot.hash & (slots_.size() - 1);
        while (slots_[at].mat != kEmpty) at = (at + 1) & (slots_.size() - 1);
        slots_[at] = slot;
    }

    void grow() {
        std::vector<Slot> old(slots_.size() * 2, Slot{kEmpty, 0, 0});
        old.swap(slots_);
        for (const Slot& slot : old)
            if (slot.mat != kEmpty) place(slot);
    }

    std::vector<Slot> slots_;
    size_t used_ = 0;
};

// Appends values one push_back each: a vector's insert of a list costs several times as much,
// at a few million vertices a file.
template <class T>
void Append(std::vector<T>* to, std::initializer_list<T> values) {
    for (const T& value : values) to->push_back(value);
}

// Linear of each 8-bit sRGB value, as the vertex colours are written.
const float* LinearBytes() {
    static const std::vector<float> table = [] {
        std::vector<float> t(256);
        for (int i = 0; i < 256; ++i) t[i] = static_cast<float>(LinearFromSrgb(i / 255.0));
        return t;
    }();
    return table.data();
}

}  // namespace

double LinearFromSrgb(double srgb) {
    if (!(srgb > 0.0)) return 0.0;
    if (srgb >= 1.0) return 1.0;
    return srgb <= 0.04045 ? srgb / 12.92 : pow((srgb + 0.055) / 1.055, 2.4);
}

void GatherGltfPrimitives(const Object* o, const Document* d, const MaterialTable& table,
                          const std::vector<int32_t>& faceMaterials,
                          const std::vector<CornerAlpha>& corners,
                          std::map<int32_t, GltfPrimitive>* primitives) {
    std::vector<float> normals;
    ShadingNormals(o, &normals);
    const float* linear = LinearBytes();
    CornerIndex known(o->vertices.size());
    const size_t faceCount = o->faces.size();
    auto showsColors = [&](int32_t mat) {
        return mat >= 0 && ShowsVertexColors(d->materials[table.list()[mat].source]);
    };
    // Room for each primitive at once, not by doubling as it fills: its triangles exactly, its
    // vertices at most its corners and the object's vertices.
    std::map<int32_t, std::pair<size_t, size_t>> room;  // by material: corners, triangles
    for (size_t f = 0; f < faceCount; ++f) {
        if (!ShadedFace(o, static_cast<int32_t>(f))) continue;
        const size_t count = static_cast<size_t>(std::min<int32_t>(o->faces[f].count, 4));
        std::pair<size_t, size_t>& r = room[faceMaterials[f]];
        r.first += count;
        r.second += count - 2;
    }
    for (const auto& r : room) {
        GltfPrimitive& prim = (*primitives)[r.first];
        const size_t vertices = std::min(r.second.first, o->vertices.size());
        prim.positions.reserve(3 * vertices);
        prim.normals.reserve(3 * vertices);
        prim.uvs.reserve(2 * vertices);
        prim.keys.reserve(vertices);
        if (showsColors(r.first)) prim.colors.reserve(4 * vertices);
        prim.indices.reserve(3 * r.second.second);
    }
    for (size_t f = 0; f < faceCount; ++f) {
        if (!ShadedFace(o, static_cast<int32_t>(f))) continue;
        const Face& face = o->faces[f];
        const int32_t mat = faceMaterials[f];
        const bool vertexColors = showsColors(mat);
        const uint32_t opaque = vertexColors && corners[mat].material() != 255 ? 0xFF000000u : 0u;
        GltfPrimitive& prim = (*primitives)[mat];
        const Corner* c = o->corners.data() + face.first;
        uint32_t corner[4];
        const int32_t count = std::min<int32_t>(face.count, 4);
        for (int32_t j = 0; j < count; ++j) {
            const int32_t at = face.count - 1 - j;  // glTF's front turns counter-clockwise
            const Corner& cc = c[at];
            const float* n = &normals[(static_cast<size_t>(face.first) + at) * 3];
            const uint32_t color = vertexColors ? cc.color | opaque : 0xFFFFFFFFu;
            const GltfVertexKey key{cc.vertex, {n[0], n[1], n[2]}, cc.uv, color};
            const uint32_t hash = CornerIndex::Hash(mat, key);
            const int64_t found = known.find(prim, mat, key, hash);
            if (found >= 0) {
                corner[j] = static_cast<uint32_t>(found);
                continue;
            }
            const uint32_t index = static_cast<uint32_t>(prim.keys.size());
            const HostPoint& p = o->vertices[cc.vertex].p;
            Append(&prim.positions, {p.x, p.y, p.z});
            Append(&prim.normals, {n[0], n[1], n[2]});
            Append(&prim.uvs, {cc.uv.u, cc.uv.v});
            prim.keys.push_back(key);
            if (vertexColors)
                Append(&prim.colors, {linear[color & 255], linear[(color >> 8) & 255],
                                      linear[(color >> 16) & 255],
                                      static_cast<float>((color >> 24) / 255.0)});
            known.add(mat, index, hash);
            corner[j] = index;
        }
        for (int32_t j = 1; j + 1 < count; ++j) Append(&prim.indices, {corner[0], corner[j], corner[j + 1]});
    }
}

}  // namespace detail
}  // namespace wb
