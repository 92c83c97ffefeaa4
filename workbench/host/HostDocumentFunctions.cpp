// The host functions of the document family: objects and materials of a document, selection,
// and global matrices.
#include "workbench/host/HostFunctionSupport.h"

using namespace wb::detail;

extern "C" {

// ---- document -------------------------------------------------------------------------------

int32_t MQDoc_GetObjectCount(HostDocument doc) {
    REC(doc);
    Document* d = AsDocument(doc);
    return d ? static_cast<int32_t>(d->objects.size()) : 0;
}

HostObject MQDoc_GetObject(HostDocument doc, int32_t index) {
    REC(doc, index);
    return ToHandle(DocObject(doc, index));
}

int32_t MQDoc_GetCurrentObjectIndex(HostDocument doc) {
    REC(doc);
    Document* d = AsDocument(doc);
    return d ? d->currentObject : -1;
}

void MQDoc_SetCurrentObjectIndex(HostDocument doc, int32_t index) {
    REC(doc, index);
    Document* d = AsDocument(doc);
    if (d && DocObject(doc, index)) d->currentObject = index;
}

int32_t MQDoc_AddObject(HostDocument doc, HostObject obj) {
    REC(doc, obj);
    Document* d = AsDocument(doc);
    Object* o = AsObject(obj);
    if (!d || !o) return -1;
    return DocAddObject(d, o);
}

void MQDoc_DeleteObject(HostDocument doc, int32_t index) {
    REC(doc, index);
    if (Document* d = AsDocument(doc)) DocDeleteObject(d, index);
}

int32_t MQDoc_GetObjectIndex(HostDocument doc, HostObject obj) {
    REC(doc, obj);
    Document* d = AsDocument(doc);
    Object* o = AsObject(obj);
    if (!d || !o) return -1;
    for (size_t i = 0; i < d->objects.size(); ++i)
        if (d->objects[i] == o) return static_cast<int32_t>(i);
    return -1;
}

int32_t MQDoc_GetMaterialCount(HostDocument doc) {
    REC(doc);
    Document* d = AsDocument(doc);
    return d ? static_cast<int32_t>(d->materials.size()) : 0;
}

HostMaterial MQDoc_GetMaterial(HostDocument doc, int32_t index) {
    REC(doc, index);
    Document* d = AsDocument(doc);
    if (!d || index < 0 || static_cast<size_t>(index) >= d->materials.size()) return nullptr;
    return ToHandle(d->materials[index]);
}

int32_t MQDoc_GetCurrentMaterialIndex(HostDocument doc) {
    REC(doc);
    Document* d = AsDocument(doc);
    return d ? d->currentMaterial : -1;
}

void MQDoc_SetCurrentMaterialIndex(HostDocument doc, int32_t index) {
    REC(doc, index);
    Document* d = AsDocument(doc);
    if (d && index >= 0 && static_cast<size_t>(index) < d->materials.size() && d->materials[index])
        d->currentMaterial = index;
}

int32_t MQDoc_AddMaterial(HostDocument doc, HostMaterial mat) {
    REC(doc, mat);
    Document* d = AsDocument(doc);
    Material* m = AsMaterial(mat);
    if (!d || !m) return -1;
    return DocAddMaterial(d, m);
}

void MQDoc_DeleteMaterial(HostDocument doc, int32_t index) {
    REC(doc, index);
    if (Document* d = AsDocument(doc)) DocDeleteMaterial(d, index);
}

void MQDoc_Compact(HostDocument doc) {
    REC(doc);
    if (Document* d = AsDocument(doc)) DocCompact(d);
}

void MQDoc_ClearSelect(HostDocument doc, uint32_t flags) {
    REC(doc, flags);
    Document* d = AsDocument(doc);
    if (!d) return;
    // Bits: 1 vertices, 2 lines, 4 faces, 8 UV vertices; 0 clears everything.
    if (flags == 0) flags = 0xFFFFFFFFu;
    for (Selection& s : d->selection) {
        if (flags & 1) s.vertices.clear();
        if (flags & 2) s.lines.clear();
        if (flags & 4) s.faces.clear();
        if (flags & 8) s.uvs.clear();
    }
}

namespace {
int32_t SetFlag(std::vector<uint8_t>& bits, int32_t index, int32_t limit, bool on) {
    if (index < 0 || index >= limit) return 0;
    if (bits.size() <= static_cast<size_t>(index)) {
        if (!on) return 1;
        bits.resize(static_cast<size_t>(limit), 0);
    }
    bits[index] = on ? 1 : 0;
    return 1;
}
int32_t GetFlag(const std::vector<uint8_t>& bits, int32_t index) {
    return (index >= 0 && static_cast<size_t>(index) < bits.size() && bits[index]) ? 1 : 0;
}
uint64_t PairKey(int32_t a, int32_t b) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b);
}
// Selection of an object slot and the object, or NULLs.
Selection* Sel(HostDocument doc, int32_t objIndex, Object** obj) {
    Document* d = AsDocument(doc);
    *obj = nullptr;
    if (!d) return nullptr;
    Selection* s = DocSelection(d, objIndex);
    if (s) *obj = d->objects[objIndex];
    return s;
}
bool ValidLine(const Object* o, int32_t face, int32_t line) {
    return line >= 0 && line < FacePointCount(o, face);
}
}  // namespace

int32_t MQDoc_AddSelectVertex(HostDocument doc, int32_t objIndex, int32_t vertex) {
    REC(doc, objIndex, vertex);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    if (!s) return 0;
    return SetFlag(s->vertices, vertex, static_cast<int32_t>(o->vertices.size()), true);
}

int32_t MQDoc_DeleteSelectVertex(HostDocument doc, int32_t objIndex, int32_t vertex) {
    REC(doc, objIndex, vertex);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    if (!s) return 0;
    return SetFlag(s->vertices, vertex, static_cast<int32_t>(o->vertices.size()), false);
}

int32_t MQDoc_IsSelectVertex(HostDocument doc, int32_t objIndex, int32_t vertex) {
    REC(doc, objIndex, vertex);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    return s ? GetFlag(s->vertices, vertex) : 0;
}

int32_t MQDoc_AddSelectLine(HostDocument doc, int32_t objIndex, int32_t face, int32_t line) {
    REC(doc, objIndex, face, line);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    if (!s || !ValidLine(o, face, line)) return 0;
    s->lines.insert(PairKey(face, line));
    return 1;
}

int32_t MQDoc_DeleteSelectLine(HostDocument doc, int32_t objIndex, int32_t face, int32_t line) {
    REC(doc, objIndex, face, line);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    if (!s) return 0;
    return s->lines.erase(PairKey(face, line)) ? 1 : 0;
}

int32_t MQDoc_IsSelectLine(HostDocument doc, int32_t objIndex, int32_t face, int32_t line) {
    REC(doc, objIndex, face, line);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    if (!s || s->lines.empty()) return 0;
    return s->lines.count(PairKey(face, line)) ? 1 : 0;
}

int32_t MQDoc_AddSelectFace(HostDocument doc, int32_t objIndex, int32_t face) {
    REC(doc, objIndex, face);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    if (!s) return 0;
    return SetFlag(s->faces, face, static_cast<int32_t>(o->faces.size()), true);
}

int32_t MQDoc_DeleteSelectFace(HostDocument doc, int32_t objIndex, int32_t face) {
    REC(doc, objIndex, face);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    if (!s) return 0;
    return SetFlag(s->faces, face, static_cast<int32_t>(o->faces.size()), false);
}

int32_t MQDoc_IsSelectFace(HostDocument doc, int32_t objIndex, int32_t face) {
    REC(doc, objIndex, face);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    return s ? GetFlag(s->faces, face) : 0;
}

int32_t MQDoc_AddSelectUVVertex(HostDocument doc, int32_t objIndex, int32_t face, int32_t corner) {
    REC(doc, objIndex, face, corner);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    if (!s || !ValidLine(o, face, corner)) return 0;
    s->uvs.insert(PairKey(face, corner));
    return 1;
}

int32_t MQDoc_DeleteSelectUVVertex(HostDocument doc, int32_t objIndex, int32_t face,
                                   int32_t corner) {
    REC(doc, objIndex, face, corner);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    if (!s) return 0;
    return s->uvs.erase(PairKey(face, corner)) ? 1 : 0;
}

int32_t MQDoc_IsSelectUVVertex(HostDocument doc, int32_t objIndex, int32_t face, int32_t corner) {
    REC(doc, objIndex, face, corner);
    Object* o;
    Selection* s = Sel(doc, objIndex, &o);
    if (!s || s->uvs.empty()) return 0;
    return s->uvs.count(PairKey(face, corner)) ? 1 : 0;
}

HostScene MQDoc_GetScene(HostDocument doc, int32_t index) {
    REC(doc, index);
    Document* d = AsDocument(doc);
    if (!d || index != 0) return nullptr;
    return ToHandle(&d->scene);
}

HostObject MQDoc_GetParentObject(HostDocument doc, HostObject obj) {
    REC(doc, obj);
    return nullptr;
}

int32_t MQDoc_GetChildObjectCount(HostDocument doc, HostObject obj) {
    REC(doc, obj);
    return 0;
}

HostObject MQDoc_GetChildObject(HostDocument doc, HostObject obj, int32_t index) {
    REC(doc, obj, index);
    return nullptr;
}

namespace {
void Identity(float* m) {
    if (!m) return;
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}
}  // namespace

void MQDoc_GetGlobalMatrix(HostDocument doc, HostObject obj, float* matrix) {
    REC(doc, obj, matrix);
    Identity(matrix);
}

void MQDoc_GetGlobalInverseMatrix(HostDocument doc, HostObject obj, float* matrix) {
    REC(doc, obj, matrix);
    Identity(matrix);
}

}  // extern "C"
