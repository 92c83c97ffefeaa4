#include "workbench/io/WeldVertices.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace wb {
namespace detail {

float WeldTolerance(const Object* o) {
    float lo[3] = {HUGE_VALF, HUGE_VALF, HUGE_VALF}, hi[3] = {-HUGE_VALF, -HUGE_VALF, -HUGE_VALF};
    GrowBounds(o, lo, hi);
    float side = 0.0f;
    for (int k = 0; k < 3; ++k) side = std::max(side, hi[k] - lo[k]);
    return isfinite(side) ? side * 1e-6f : 0.0f;
}

int32_t WeldVertices(Object* o, float tolerance, bool join) {
    const size_t n = o->vertices.size();
    if (n < 2) return 0;
    if (!(tolerance >= 0.0f) || !isfinite(tolerance)) tolerance = 0.0f;
    // Vertices go into cells of twice the tolerance, so that a vertex's partner lies in its own
    // cell or a neighbouring one; only the first vertex of each group is kept in a cell.
    const double cell = tolerance > 0.0f ? 2.0 * tolerance : 1.0;
    auto coordinate = [&](float x) {
        const double c = floor(x / cell);
        return static_cast<int64_t>(std::max(-1e15, std::min(1e15, c)));
    };
    auto key = [](int64_t x, int64_t y, int64_t z) {
        return static_cast<uint64_t>(x) * 73856093u ^ static_cast<uint64_t>(y) * 19349663u ^
               static_cast<uint64_t>(z) * 83492791u;
    };
    // The kept vertices by cell key, newest first (the order in which a multimap of the keys
    // would give them, and so the partner found first): an open-addressing table of each key's
    // newest vertex, and by vertex the one kept before it under its key. With a map's node per
    // kept vertex, looked up 27 times a vertex all over memory, this scan took a seventh of a
    // large file's load.
    size_t slots = 64;
    while (slots < 2 * n) slots *= 2;
    const int shift = 64 - __builtin_ctzll(slots);
    std::vector<uint64_t> slotKey(slots);
    std::vector<int32_t> newest(slots, -1), older(n, -1);
    auto slotOf = [&](uint64_t k) {
        size_t at = static_cast<size_t>((k * 0x9E3779B97F4A7C15ull) >> shift);
        while (newest[at] >= 0 && slotKey[at] != k) at = (at + 1) & (slots - 1);
        return at;
    };
    std::vector<int32_t> target(n);
    int32_t joined = 0;
    for (size_t i = 0; i < n; ++i) {
        const Vertex& v = o->vertices[i];
        target[i] = static_cast<int32_t>(i);
        if (!isfinite(v.p.x) || !isfinite(v.p.y) || !isfinite(v.p.z)) continue;
        const int64_t cx = coordinate(v.p.x), cy = coordinate(v.p.y), cz = coordinate(v.p.z);
        int32_t found = -1;
        for (int64_t dx = -1; dx <= 1 && found < 0; ++dx)
            for (int64_t dy = -1; dy <= 1 && found < 0; ++dy)
                for (int64_t dz = -1; dz <= 1 && found < 0; ++dz) {
                    for (int32_t w = newest[slotOf(key(cx + dx, cy + dy, cz + dz))]; w >= 0 && found < 0;
                         w = older[w]) {
                        const Vertex& kept = o->vertices[w];
                        if (fabsf(kept.p.x - v.p.x) <= tolerance &&
                            fabsf(kept.p.y - v.p.y) <= tolerance &&
                            fabsf(kept.p.z - v.p.z) <= tolerance && kept.color == v.color &&
                            kept.weight == v.weight)
                            found = w;
                    }
                }
        if (found >= 0) {
            target[i] = found;
            ++joined;
        } else {
            const size_t at = slotOf(key(cx, cy, cz));
            slotKey[at] = key(cx, cy, cz);
            older[i] = newest[at];
            newest[at] = static_cast<int32_t>(i);
        }
    }
    if (!join || joined == 0) return joined;
    auto loaded = std::make_shared<LoadedForm>();
    loaded->vertices = o->vertices;
    loaded->faces = o->faces;
    loaded->corners = o->corners;
    // Kept vertices move down over the removed ones; corners follow.
    std::vector<int32_t> index(n, -1);
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i) {
        if (target[i] != static_cast<int32_t>(i)) continue;
        index[i] = static_cast<int32_t>(kept);
        o->vertices[kept++] = o->vertices[i];
    }
    o->vertices.resize(kept);
    for (Corner& c : o->corners)
        if (c.vertex >= 0 && static_cast<size_t>(c.vertex) < n) c.vertex = index[target[c.vertex]];
    loaded->joinedTo.resize(n);
    for (size_t i = 0; i < n; ++i) loaded->joinedTo[i] = index[target[i]];
    loaded->joinedVertexCount = kept;
    o->loaded = std::move(loaded);
    return joined;
}

namespace {

bool SameVertex(const Vertex& a, const Vertex& b) {
    return memcmp(&a.p, &b.p, sizeof a.p) == 0 && a.color == b.color && a.weight == b.weight &&
           a.deleted == b.deleted;
}

// The first vertex read of each joined vertex (the one it was made from), when o still begins
// with what the loader made of L; else empty.
std::vector<int32_t> FirstReadVertices(const Object* o, const LoadedForm& L) {
    const size_t nv = L.joinedVertexCount;
    if (o->vertices.size() < nv || o->faces.size() < L.faces.size() ||
        o->corners.size() < L.corners.size() || L.joinedTo.size() != L.vertices.size())
        return {};
    std::vector<int32_t> first(nv, -1);
    for (size_t i = L.vertices.size(); i-- > 0;)
        if (L.joinedTo[i] >= 0 && static_cast<size_t>(L.joinedTo[i]) < nv)
            first[L.joinedTo[i]] = static_cast<int32_t>(i);
    for (size_t v = 0; v < nv; ++v)
        if (first[v] < 0 || !SameVertex(o->vertices[v], L.vertices[first[v]])) return {};
    for (size_t f = 0; f < L.faces.size(); ++f) {
        const Face& a = o->faces[f];
        const Face& b = L.faces[f];
        if (a.first != b.first || a.count != b.count || a.material != b.material) return {};
    }
    for (size_t c = 0; c < L.corners.size(); ++c) {
        const Corner& a = o->corners[c];
        const Corner& b = L.corners[c];
        if (b.vertex < 0 || static_cast<size_t>(b.vertex) >= L.vertices.size() ||
            a.vertex != L.joinedTo[b.vertex] || memcmp(&a.uv, &b.uv, sizeof a.uv) != 0 ||
            a.color != b.color)
            return {};
    }
    return first;
}

}  // namespace

std::vector<const Object*> SavedObjects(const Document* d, std::deque<Object>* storage) {
    std::vector<const Object*> objects(d->objects.begin(), d->objects.end());
    for (const Object*& o : objects) {
        if (!o || !o->loaded) continue;
        const LoadedForm& L = *o->loaded;
        const std::vector<int32_t> first = FirstReadVertices(o, L);
        if (first.empty()) continue;
        storage->emplace_back(*o);
        Object& saved = storage->back();
        saved.loaded.reset();
        const size_t nv = L.joinedVertexCount;
        const int32_t added = static_cast<int32_t>(L.vertices.size()) - static_cast<int32_t>(nv);
        saved.vertices = L.vertices;
        saved.vertices.insert(saved.vertices.end(), o->vertices.begin() + nv, o->vertices.end());
        saved.faces = L.faces;
        saved.faces.insert(saved.faces.end(), o->faces.begin() + L.faces.size(), o->faces.end());
        saved.corners = L.corners;
        for (size_t c = L.corners.size(); c < o->corners.size(); ++c) {
            Corner corner = o->corners[c];
            if (ValidVertex(o, corner.vertex))
                corner.vertex = static_cast<size_t>(corner.vertex) < nv ? first[corner.vertex] : corner.vertex + added;
            saved.corners.push_back(corner);
        }
        saved.deletedVertices = 0;
        for (const Vertex& v : saved.vertices) saved.deletedVertices += v.deleted;
        o = &saved;
    }
    return objects;
}

std::string SharedVerticesWarning(const std::string& file,
                                  const std::vector<std::pair<std::string, int32_t>>& objects,
                                  bool joined) {
    int64_t total = 0;
    std::string list;
    for (size_t i = 0; i < objects.size(); ++i) {
        total += objects[i].second;
        if (i < 8)
            list += (i ? ", " : "") + objects[i].first + " " + std::to_string(objects[i].second);
    }
    if (objects.size() > 8) list += " and " + std::to_string(objects.size() - 8) + " more objects";
    if (joined)
        return file + ": joined " + std::to_string(total) +
               " vertices to the vertex at their place (" + list + ")";
    return file + ": " + std::to_string(total) +
           " vertices lie at the place of another vertex of their object, where shells tear (" +
           list + "); --weld joins them";
}

}  // namespace detail
}  // namespace wb
