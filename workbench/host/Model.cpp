// The in-memory document model behind the host functions.
#include "workbench/host/Model.h"

#include <string.h>

#include <algorithm>
#include <deque>

namespace wb {
namespace detail {

namespace {
int32_t g_nextObjectUid = 1;
int32_t g_nextMaterialSerial = 1;
int64_t g_staleHandleUses = 0;

// Destroyed objects and materials, oldest first, released once more than kQuarantine of them
// wait. Like the host's state (State), the lists are never destroyed: what they hold stays
// reachable until the process is gone.
constexpr size_t kQuarantine = 1024;
std::deque<Object*>& DeadObjects() {
    static std::deque<Object*>& dead = *new std::deque<Object*>;
    return dead;
}
std::deque<Material*>& DeadMaterials() {
    static std::deque<Material*>& dead = *new std::deque<Material*>;
    return dead;
}
}  // namespace

void NoteStaleHandle() { ++g_staleHandleUses; }

// ---- text -----------------------------------------------------------------------------------

void CopyText(const std::string& text, char* buffer, int32_t size) {
    if (!buffer || size <= 0) return;
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

std::string SafeString(const char* text) {
    if (!text) return std::string();
    size_t n = strnlen(text, 65536);
    return std::string(text, n);
}

// ---- objects --------------------------------------------------------------------------------

Object* NewObject() {
    Object* o = new Object;
    o->uid = g_nextObjectUid++;
    return o;
}

void DestroyObject(Object* o) {
    if (!o) return;
    o->magic = kDeadObjectMagic;
    std::vector<Vertex>().swap(o->vertices);
    std::vector<Face>().swap(o->faces);
    std::vector<Corner>().swap(o->corners);
    std::vector<std::pair<int32_t, int32_t>>().swap(o->intValues);
    std::string().swap(o->name);
    std::string().swap(o->nameOriginal);
    o->loaded.reset();
    std::deque<Object*>& dead = DeadObjects();
    dead.push_back(o);
    if (dead.size() > kQuarantine) {
        dead.front()->magic = 0;
        delete dead.front();
        dead.pop_front();
    }
}

void GrowBounds(const Object* o, float lo[3], float hi[3]) {
    for (const Vertex& v : o->vertices) {
        const float p[3] = {v.p.x, v.p.y, v.p.z};
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    }
}

Object* CloneObject(const Object* src) {
    Object* o = new Object(*src);
    o->loaded.reset();
    o->uid = g_nextObjectUid++;
    o->owner = Owner::None;
    o->document = nullptr;
    return o;
}

int32_t ObjAddVertex(Object* o, const HostPoint& p) {
    Vertex v;
    v.p = p;
    v.uid = o->nextVertexUid++;
    v.color = kDefaultFaceColor;
    v.weight = 0.0f;
    v.deleted = 0;
    o->vertices.push_back(v);
    return static_cast<int32_t>(o->vertices.size() - 1);
}

int32_t ObjAddFaceUnchecked(Object* o, int32_t count, const int32_t* indices) {
    if (count < 0) count = 0;
    Face f;
    f.first = static_cast<int32_t>(o->corners.size());
    f.count = count;
    f.material = -1;
    f.uid = o->nextFaceUid++;
    for (int32_t i = 0; i < count; ++i) {
        Corner c;
        c.vertex = indices ? indices[i] : 0;
        c.uv = HostUV{0.0f, 0.0f};
        c.color = kDefaultFaceColor;
        o->corners.push_back(c);
    }
    o->faces.push_back(f);
    return static_cast<int32_t>(o->faces.size() - 1);
}

namespace {

// Appends count elements of from to to, renumbered by fix(element, index among the appended) on
// the way. Block by block, so that each block is fixed while it is still in the cache: one pass
// over memory, like a plain copy. The caller has reserved the room, so from stays valid.
template <class T, class Fix>
void AppendFixed(std::vector<T>& to, const T* from, size_t count, Fix fix) {
    const size_t kBlock = 2048;
    for (size_t start = 0; start < count; start += kBlock) {
        const size_t n = std::min(kBlock, count - start);
        const size_t base = to.size();
        to.insert(to.end(), from + start, from + start + n);
        T* appended = to.data() + base;
        for (size_t i = 0; i < n; ++i) fix(appended[i], start + i);
    }
}

// Room for `needed` elements, growing geometrically so that repeated merges into one object
// stay linear.
template <class T>
void ReserveFor(std::vector<T>& values, size_t needed) {
    if (needed > values.capacity()) values.reserve(std::max(needed, values.capacity() * 2));
}

}  // namespace

void ObjMerge(Object* target, const Object* source) {
    if (source == target) {
        // Appending an object to itself: from a copy, as the arrays grow while they are read.
        Object copy;
        copy.vertices = source->vertices;
        copy.faces = source->faces;
        copy.corners = source->corners;
        ObjMerge(target, &copy);
        return;
    }
    const size_t vBase = target->vertices.size();
    const size_t cBase = target->corners.size();
    const size_t vCount = source->vertices.size();
    const size_t fCount = source->faces.size();
    const size_t cCount = source->corners.size();
    ReserveFor(target->vertices, vBase + vCount);
    ReserveFor(target->faces, target->faces.size() + fCount);
    ReserveFor(target->corners, cBase + cCount);

    int32_t deleted = 0;
    const uint32_t vUid = target->nextVertexUid;
    AppendFixed(target->vertices, source->vertices.data(), vCount, [&](Vertex& v, size_t i) {
        v.uid = vUid + static_cast<uint32_t>(i);
        deleted += v.deleted;
    });
    target->nextVertexUid = vUid + static_cast<uint32_t>(vCount);
    target->deletedVertices += deleted;

    const uint32_t fUid = target->nextFaceUid;
    const int32_t cOffset = static_cast<int32_t>(cBase);
    AppendFixed(target->faces, source->faces.data(), fCount, [&](Face& f, size_t i) {
        f.first += cOffset;
        f.uid = fUid + static_cast<uint32_t>(i);
    });
    target->nextFaceUid = fUid + static_cast<uint32_t>(fCount);

    const int32_t vOffset = static_cast<int32_t>(vBase);
    if (vOffset == 0) {
        target->corners.insert(target->corners.end(), source->corners.begin(),
                               source->corners.end());
    } else {
        AppendFixed(target->corners, source->corners.data(), cCount,
                    [&](Corner& c, size_t) { c.vertex += vOffset; });
    }
}

void ObjCompact(Object* o) {
    const int32_t nv = static_cast<int32_t>(o->vertices.size());
    std::vector<int32_t> remap(static_cast<size_t>(nv), -1);
    int32_t kept = 0;
    for (int32_t i = 0; i < nv; ++i) {
        if (!o->vertices[i].deleted) {
            remap[i] = kept;
            if (kept != i) o->vertices[kept] = o->vertices[i];
            ++kept;
        }
    }
    o->vertices.resize(static_cast<size_t>(kept));
    std::vector<Face> faces;
    std::vector<Corner> corners;
    faces.reserve(o->faces.size());
    corners.reserve(o->corners.size());
    for (size_t fi = 0; fi < o->faces.size(); ++fi) {
        const Face& f = o->faces[fi];
        if (f.count <= 0) continue;
        bool ok = true;
        for (int32_t k = 0; k < f.count && ok; ++k) {
            int32_t v = o->corners[f.first + k].vertex;
            ok = v >= 0 && v < nv && remap[v] >= 0;
        }
        if (!ok) continue;
        Face nf = f;
        nf.first = static_cast<int32_t>(corners.size());
        for (int32_t k = 0; k < f.count; ++k) {
            Corner c = o->corners[f.first + k];
            c.vertex = remap[c.vertex];
            corners.push_back(c);
        }
        faces.push_back(nf);
    }
    o->faces.swap(faces);
    o->corners.swap(corners);
    o->deletedVertices = 0;
}

void ObjInvertFace(Object* o, int32_t f) {
    if (!FaceAlive(o, f)) return;
    Face& face = o->faces[f];
    std::reverse(o->corners.begin() + face.first, o->corners.begin() + face.first + face.count);
}

int32_t ObjGetInt(const Object* o, int32_t key) {
    if (key == kObjectUniqueId) return o->uid;
    for (const auto& kv : o->intValues)
        if (kv.first == key) return kv.second;
    return 0;
}

// ---- materials ------------------------------------------------------------------------------

Material* NewMaterial() {
    Material* m = new Material;
    m->serial = g_nextMaterialSerial++;
    return m;
}

void DestroyMaterial(Material* m) {
    if (!m) return;
    m->magic = kDeadMaterialMagic;
    std::vector<std::pair<int32_t, int32_t>>().swap(m->intValues);
    std::deque<Material*>& dead = DeadMaterials();
    dead.push_back(m);
    if (dead.size() > kQuarantine) {
        dead.front()->magic = 0;
        delete dead.front();
        dead.pop_front();
    }
}

// ---- documents ------------------------------------------------------------------------------

Document* NewDocumentObject() { return new Document; }

void ClearDocument(Document* d) {
    for (Object* o : d->objects) DestroyObject(o);
    for (Material* m : d->materials) DestroyMaterial(m);
    d->objects.clear();
    d->materials.clear();
    d->selection.clear();
    d->currentObject = -1;
    d->currentMaterial = -1;
}

// "obj" and the place an object added now takes, counted from 1 (the name the saved files give
// a nameless object), or the next such number when another object has that name already.
static std::string UnusedObjectName(const Document* d) {
    for (size_t n = d->objects.size() + 1;; ++n) {
        const std::string name = "obj" + std::to_string(n);
        bool taken = false;
        for (const Object* other : d->objects) taken = taken || (other && other->name == name);
        if (!taken) return name;
    }
}

int32_t DocAddObject(Document* d, Object* o) {
    if (o->owner != Owner::None) return -1;
    o->owner = Owner::Document;
    o->document = d;
    // A nameless object gets its name as it joins the document, as in the modeller, so that the
    // object list, the pictures and the saved files call it the same.
    if (o->name.empty()) o->name = UnusedObjectName(d);
    d->objects.push_back(o);
    d->selection.emplace_back();
    if (d->currentObject < 0) d->currentObject = static_cast<int32_t>(d->objects.size() - 1);
    return static_cast<int32_t>(d->objects.size() - 1);
}

int32_t DocAddMaterial(Document* d, Material* m) {
    if (m->owner != Owner::None) return -1;
    m->owner = Owner::Document;
    d->materials.push_back(m);
    if (d->currentMaterial < 0) d->currentMaterial = static_cast<int32_t>(d->materials.size() - 1);
    return static_cast<int32_t>(d->materials.size() - 1);
}

void DocDeleteObject(Document* d, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= d->objects.size()) return;
    Object* o = d->objects[index];
    if (!o) return;
    d->objects[index] = nullptr;
    d->selection[index].clear();
    DestroyObject(o);
    if (d->currentObject == index) d->currentObject = -1;
}

void DocDeleteMaterial(Document* d, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= d->materials.size()) return;
    Material* m = d->materials[index];
    if (!m) return;
    d->materials[index] = nullptr;
    DestroyMaterial(m);
    for (Object* o : d->objects) {
        if (!o) continue;
        for (Face& f : o->faces)
            if (f.material == index) f.material = -1;
    }
    if (d->currentMaterial == index) d->currentMaterial = -1;
}

void DocCompact(Document* d) {
    std::vector<Object*> objects;
    std::vector<Selection> selection;
    int32_t current = -1;
    for (size_t i = 0; i < d->objects.size(); ++i) {
        if (!d->objects[i]) continue;
        if (static_cast<int32_t>(i) == d->currentObject) current = static_cast<int32_t>(objects.size());
        objects.push_back(d->objects[i]);
        selection.push_back(std::move(d->selection[i]));
    }
    d->objects.swap(objects);
    d->selection.swap(selection);
    d->currentObject = current;

    std::vector<int32_t> remap(d->materials.size(), -1);
    std::vector<Material*> materials;
    int32_t currentMat = -1;
    for (size_t i = 0; i < d->materials.size(); ++i) {
        if (!d->materials[i]) continue;
        if (static_cast<int32_t>(i) == d->currentMaterial)
            currentMat = static_cast<int32_t>(materials.size());
        remap[i] = static_cast<int32_t>(materials.size());
        materials.push_back(d->materials[i]);
    }
    d->materials.swap(materials);
    d->currentMaterial = currentMat;
    for (Object* o : d->objects) {
        for (Face& f : o->faces) {
            if (f.material >= 0 && static_cast<size_t>(f.material) < remap.size())
                f.material = remap[f.material];
        }
    }
}

Selection* DocSelection(Document* d, int32_t objIndex) {
    if (objIndex < 0 || static_cast<size_t>(objIndex) >= d->objects.size()) return nullptr;
    if (!d->objects[objIndex]) return nullptr;
    return &d->selection[objIndex];
}

// ---- host-wide state ------------------------------------------------------------------------

// Never destroyed: a plug-in that calls the host while the process ends still finds its
// documents, and they stay reachable to the end (a leak checker does not take them for leaks).
HostState& State() {
    static HostState& state = *new HostState;
    return state;
}

ReceivedMessage& MessageLog::add() {
    if (slots.empty()) {
        slots.resize(kSize);
        for (ReceivedMessage& slot : slots) slot.optionKeys.reserve(4);
    }
    size_t slot = (first + count) % kSize;
    if (count < kSize)
        ++count;
    else
        first = (first + 1) % kSize;
    return slots[slot];
}

std::vector<ReceivedMessage> MessageLog::inOrder() const {
    std::vector<ReceivedMessage> messages;
    messages.reserve(count);
    for (size_t i = 0; i < count; ++i) messages.push_back(slots[(first + i) % kSize]);
    return messages;
}

Document* Active() {
    HostState& s = State();
    if (!s.active) s.active = NewDocumentObject();
    return s.active;
}

void ClearDrawItems() {
    HostState& s = State();
    // Last in, first out: the next redraw's first draw object gets this one's first arrays.
    s.spareGeometry.clear();
    for (size_t i = s.drawObjects.size(); i-- > 0;) {
        Object* o = s.drawObjects[i];
        s.spareGeometry.emplace_back();
        GeometryStorage& kept = s.spareGeometry.back();
        kept.vertices.swap(o->vertices);
        kept.faces.swap(o->faces);
        kept.corners.swap(o->corners);
        kept.vertices.clear();
        kept.faces.clear();
        kept.corners.clear();
        DestroyObject(o);
    }
    for (Material* m : s.drawMaterials) DestroyMaterial(m);
    s.drawObjects.clear();
    s.drawMaterials.clear();
    s.drawVisibilities.clear();
}

void TakeSpareGeometry(Object* o) {
    HostState& s = State();
    if (s.spareGeometry.empty()) return;
    GeometryStorage& kept = s.spareGeometry.back();
    o->vertices.swap(kept.vertices);
    o->faces.swap(kept.faces);
    o->corners.swap(kept.corners);
    s.spareGeometry.pop_back();
}

void ReleaseSpareGeometry() { std::vector<GeometryStorage>().swap(State().spareGeometry); }

}  // namespace detail

int64_t StaleHandleUses() { return detail::g_staleHandleUses; }

}  // namespace wb
