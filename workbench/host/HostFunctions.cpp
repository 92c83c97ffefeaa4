// The 140 host functions of HostAbi.h, exported under their plain names. Every function checks
// its handles and indices: NULL or invalid handles and out-of-range indices do nothing, return
// 0 / NULL, and reading calls zero their outputs.
#define HOST_FUNCTION_LINKAGE __declspec(dllexport)
#include "plugin/HostAbi.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include "workbench/host/Model.h"
#include "workbench/host/Recorder.h"

using namespace wb::detail;

#define REC(...) WB_RECORD(__func__, __VA_ARGS__)
#define REC0() WB_RECORD(__func__)

namespace {

void ZeroPoint(HostPoint* out) {
    if (out) *out = HostPoint{0.0f, 0.0f, 0.0f};
}

void SetIntPair(std::vector<std::pair<int32_t, int32_t>>& values, int32_t key, int32_t value) {
    for (auto& kv : values) {
        if (kv.first == key) {
            kv.second = value;
            return;
        }
    }
    values.emplace_back(key, value);
}

int32_t GetIntPair(const std::vector<std::pair<int32_t, int32_t>>& values, int32_t key) {
    for (const auto& kv : values)
        if (kv.first == key) return kv.second;
    return 0;
}

// The option pair with the given key in a list, or NULL. Lists are capped at 256 pairs.
OptionPair* FindPair(OptionPair* list, const char* key) {
    if (!list) return nullptr;
    for (int i = 0; i < 256 && list[i].key; ++i)
        if (strcmp(list[i].key, key) == 0) return &list[i];
    return nullptr;
}

Object* DocObject(HostDocument doc, int32_t index) {
    Document* d = AsDocument(doc);
    if (!d || index < 0 || static_cast<size_t>(index) >= d->objects.size()) return nullptr;
    return d->objects[index];
}

}  // namespace

extern "C" {

// ---- system ---------------------------------------------------------------------------------

HWND MQ_GetWindowHandle(void) {
    REC0();
    return MainWindowInternal();
}

HostObject MQ_CreateObject(void) {
    REC0();
    return ToHandle(NewObject());
}

HostMaterial MQ_CreateMaterial(void) {
    REC0();
    return ToHandle(NewMaterial());
}

int32_t MQ_ShowFileDialog(const char* title, void* info) {
    REC(title, info);
    return 0;
}

void MQ_ImportAxis(void* info, HostPoint* points, int32_t count) { REC(info, points, count); }

void MQ_ExportAxis(void* info, HostPoint* points, int32_t count) { REC(info, points, count); }

int32_t MQ_LoadImage(const char* fileName, void** headerBlock, void** pixelBlock, uint32_t flags) {
    REC(fileName, headerBlock, pixelBlock, flags);
    return LoadImageBlocks(fileName, headerBlock, pixelBlock);
}

int32_t MQ_GetSystemPath(char* buffer, int32_t kind) {
    REC(buffer, kind);
    if (!buffer) return 0;
    buffer[0] = '\0';
    char path[MAX_PATH];
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&MQ_GetSystemPath), &self))
        return 0;
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 0;
    char* slash = strrchr(path, '\\');
    if (slash) slash[1] = '\0';
    CopyText(path, buffer, MAX_PATH);
    return 1;
}

void MQ_RefreshView(void* reserved) {
    REC(reserved);
    HostState& s = State();
    s.refreshRequested = true;
    ++s.refreshCount;
}

int32_t MQ_StationCallback(StationCallbackProc proc, void* option) {
    REC(proc, option);
    return RunStationCallback(proc, option);
}

int32_t MQ_SendMessage(int32_t message, HostMessage* record) {
    REC(message, record);
    HostState& s = State();
    wb::ReceivedMessage& received = s.messages.add();
    received.code = message;
    received.firstId = received.secondId = received.reserved = 0;
    received.optionKeys.clear();  // keeps its room: short keys need no memory of their own
    OptionPair* options = nullptr;
    if (record) {
        received.firstId = record->firstId;
        received.secondId = record->secondId;
        received.reserved = record->reserved;
        options = record->options;
        if (options)
            for (int i = 0; i < 256 && options[i].key; ++i)
                received.optionKeys.push_back(SafeString(options[i].key));
    }

    switch (message) {
    case kMessageStationClosed:
        return 1;
    case kMessageCreateDrawObject: {
        Object* o = NewObject();
        TakeSpareGeometry(o);
        o->owner = Owner::Draw;
        o->name = "draw";
        OptionPair* vis = FindPair(options, "visibility");
        o->drawVisibility = (vis && vis->value) ? *static_cast<int32_t*>(vis->value) : 0;
        s.drawObjects.push_back(o);
        s.drawVisibilities.push_back(o->drawVisibility);
        if (OptionPair* result = FindPair(options, "result")) result->value = ToHandle(o);
        return 1;
    }
    case kMessageCreateDrawMaterial: {
        Material* m = NewMaterial();
        m->owner = Owner::Draw;
        // After the document's own materials (the document named in the message, else the
        // active one) and the draw materials made before it.
        OptionPair* docPair = FindPair(options, "document");
        Document* d = docPair ? AsDocument(static_cast<HostDocument>(docPair->value)) : nullptr;
        if (!d) d = Active();
        m->drawIndex = static_cast<int32_t>(d->materials.size() + s.drawMaterials.size());
        s.drawMaterials.push_back(m);
        OptionPair* index = FindPair(options, "index");
        if (index && index->value) *static_cast<int32_t*>(index->value) = m->drawIndex;
        if (OptionPair* result = FindPair(options, "result")) result->value = ToHandle(m);
        return 1;
    }
    default:
        return 0;
    }
}

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

// ---- scene ----------------------------------------------------------------------------------

void MQScene_InitSize(HostScene scene, int32_t width, int32_t height) {
    REC(scene, width, height);
    Scene* s = AsScene(scene);
    if (!s || width <= 0 || height <= 0) return;
    s->width = width;
    s->height = height;
}

namespace {
// Row-major 4x4 matrices, row vectors (p' = p * M), like the modeller's.
void ViewMatrix(const Scene& s, float* m) {
    const float ch = cosf(s.heading), sh = sinf(s.heading);
    const float cp = cosf(s.pitch), sp = sinf(s.pitch);
    const float eye[3] = {s.target[0] + s.distance * cp * sh, s.target[1] + s.distance * sp,
                          s.target[2] + s.distance * cp * ch};
    float f[3] = {s.target[0] - eye[0], s.target[1] - eye[1], s.target[2] - eye[2]};
    float fl = sqrtf(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (fl <= 0.0f) fl = 1.0f;
    for (float& c : f) c /= fl;
    // right = f x up(0,1,0)
    float r[3] = {-f[2], 0.0f, f[0]};
    float rl = sqrtf(r[0] * r[0] + r[2] * r[2]);
    if (rl <= 0.0f) {
        r[0] = 1.0f;
        rl = 1.0f;
    }
    for (float& c : r) c /= rl;
    const float u[3] = {r[1] * f[2] - r[2] * f[1], r[2] * f[0] - r[0] * f[2],
                        r[0] * f[1] - r[1] * f[0]};
    // Camera space: x right, y up, z towards the viewer.
    const float z[3] = {-f[0], -f[1], -f[2]};
    const float* axes[3] = {r, u, z};
    for (int c = 0; c < 3; ++c) {
        for (int row = 0; row < 3; ++row) m[row * 4 + c] = axes[c][row];
        m[12 + c] = -(axes[c][0] * eye[0] + axes[c][1] * eye[1] + axes[c][2] * eye[2]);
    }
    m[3] = m[7] = m[11] = 0.0f;
    m[15] = 1.0f;
}

void ProjMatrix(const Scene& s, float* m) {
    const float aspect = s.height > 0 ? static_cast<float>(s.width) / s.height : 1.0f;
    const float f = s.zoom / tanf(s.fovY * 0.5f);
    const float zNear = 0.05f, zFar = 1000.0f;
    for (int i = 0; i < 16; ++i) m[i] = 0.0f;
    m[0] = f / aspect;
    m[5] = f;
    m[10] = zFar / (zNear - zFar);
    m[11] = -1.0f;
    m[14] = zNear * zFar / (zNear - zFar);
}
}  // namespace

void MQScene_GetProjMatrix(HostScene scene, float* matrix) {
    REC(scene, matrix);
    Scene* s = AsScene(scene);
    if (!matrix) return;
    if (!s) {
        memset(matrix, 0, 16 * sizeof(float));
        return;
    }
    ProjMatrix(*s, matrix);
}

void MQScene_GetViewMatrix(HostScene scene, float* matrix) {
    REC(scene, matrix);
    Scene* s = AsScene(scene);
    if (!matrix) return;
    if (!s) {
        memset(matrix, 0, 16 * sizeof(float));
        return;
    }
    ViewMatrix(*s, matrix);
}

int32_t MQScene_FloatValue(HostScene scene, int32_t key, float* values) {
    REC(scene, key, values);
    return 0;
}

// ---- object ---------------------------------------------------------------------------------

void MQObj_Delete(HostObject obj) {
    REC(obj);
    Object* o = AsObject(obj);
    // Only objects nobody owns may be deleted; documents and draw lists own theirs.
    if (o && o->owner == Owner::None) DestroyObject(o);
}

HostObject MQObj_Clone(HostObject obj) {
    REC(obj);
    Object* o = AsObject(obj);
    return o ? ToHandle(CloneObject(o)) : nullptr;
}

void MQObj_Merge(HostObject target, HostObject source) {
    REC(target, source);
    Object* t = AsObject(target);
    Object* s = AsObject(source);
    if (t && s) ObjMerge(t, s);
}

void MQObj_Freeze(HostObject obj, uint32_t flags) {
    REC(obj, flags);
    if (Object* o = AsObject(obj)) o->freezeFlags = flags;
}

void MQObj_GetName(HostObject obj, char* buffer, int32_t size) {
    REC(obj, buffer, size);
    Object* o = AsObject(obj);
    CopyText(o ? o->name : std::string(), buffer, size);
}

int32_t MQObj_GetVertexCount(HostObject obj) {
    REC(obj);
    Object* o = AsObject(obj);
    return o ? static_cast<int32_t>(o->vertices.size()) : 0;
}

void MQObj_GetVertex(HostObject obj, int32_t index, HostPoint* out) {
    REC(obj, index, out);
    Object* o = AsObject(obj);
    if (!out) return;
    if (o && ValidVertex(o, index))
        *out = o->vertices[index].p;
    else
        ZeroPoint(out);
}

void MQObj_SetVertex(HostObject obj, int32_t index, const HostPoint* point) {
    REC(obj, index, point);
    Object* o = AsObject(obj);
    if (o && point && ValidVertex(o, index)) o->vertices[index].p = *point;
}

int32_t MQObj_GetVertexArray(HostObject obj, HostPoint* out) {
    REC(obj, out);
    Object* o = AsObject(obj);
    if (!o) return 0;
    if (out)
        for (size_t i = 0; i < o->vertices.size(); ++i) out[i] = o->vertices[i].p;
    return static_cast<int32_t>(o->vertices.size());
}

int32_t MQObj_GetFaceCount(HostObject obj) {
    REC(obj);
    Object* o = AsObject(obj);
    return o ? static_cast<int32_t>(o->faces.size()) : 0;
}

int32_t MQObj_GetFacePointCount(HostObject obj, int32_t face) {
    REC(obj, face);
    Object* o = AsObject(obj);
    return o ? FacePointCount(o, face) : 0;
}

void MQObj_GetFacePointArray(HostObject obj, int32_t face, int32_t* outIndices) {
    REC(obj, face, outIndices);
    Object* o = AsObject(obj);
    if (!o || !outIndices || !FaceAlive(o, face)) return;
    const Face& f = o->faces[face];
    const Corner* c = o->corners.data() + f.first;
    for (int32_t i = 0; i < f.count; ++i) outIndices[i] = c[i].vertex;
}

void MQObj_GetFaceCoordinateArray(HostObject obj, int32_t face, HostUV* outUVs) {
    REC(obj, face, outUVs);
    Object* o = AsObject(obj);
    if (!o || !outUVs || !FaceAlive(o, face)) return;
    const Face& f = o->faces[face];
    const Corner* c = o->corners.data() + f.first;
    for (int32_t i = 0; i < f.count; ++i) outUVs[i] = c[i].uv;
}

int32_t MQObj_GetFaceMaterial(HostObject obj, int32_t face) {
    REC(obj, face);
    Object* o = AsObject(obj);
    if (!o || !ValidFace(o, face)) return -1;
    return o->faces[face].material;
}

uint32_t MQObj_GetFaceUniqueID(HostObject obj, int32_t face) {
    REC(obj, face);
    Object* o = AsObject(obj);
    if (!o || !ValidFace(o, face)) return 0;
    return o->faces[face].uid;
}

int32_t MQObj_GetFaceIndexFromUniqueID(HostObject obj, uint32_t uniqueId) {
    REC(obj, uniqueId);
    Object* o = AsObject(obj);
    if (!o || uniqueId == 0) return -1;
    for (size_t i = 0; i < o->faces.size(); ++i)
        if (o->faces[i].uid == uniqueId) return static_cast<int32_t>(i);
    return -1;
}

void MQObj_SetName(HostObject obj, const char* name) {
    REC(obj, name);
    if (Object* o = AsObject(obj)) o->name = SafeString(name);
}

int32_t MQObj_AddVertex(HostObject obj, const HostPoint* point) {
    REC(obj, point);
    Object* o = AsObject(obj);
    if (!o || !point) return -1;
    return ObjAddVertex(o, *point);
}

int32_t MQObj_DeleteVertex(HostObject obj, int32_t index, int32_t deleteFaces) {
    REC(obj, index, deleteFaces);
    Object* o = AsObject(obj);
    if (!o || !ValidVertex(o, index)) return 0;
    Vertex& v = o->vertices[index];
    if (v.deleted) return 1;
    if (!deleteFaces) {
        // Refuse while a live face still uses the vertex.
        for (size_t f = 0; f < o->faces.size(); ++f) {
            if (!FaceAlive(o, static_cast<int32_t>(f))) continue;
            const Face& face = o->faces[f];
            for (int32_t k = 0; k < face.count; ++k)
                if (o->corners[face.first + k].vertex == index) return 0;
        }
    }
    // Faces using a deleted vertex count as deleted from now on (FaceAlive).
    v.deleted = 1;
    ++o->deletedVertices;
    return 1;
}

int32_t MQObj_GetVertexRefCount(HostObject obj, int32_t index) {
    REC(obj, index);
    Object* o = AsObject(obj);
    if (!o || !ValidVertex(o, index) || o->vertices[index].deleted) return 0;
    int32_t refs = 0;
    for (size_t f = 0; f < o->faces.size(); ++f) {
        if (!FaceAlive(o, static_cast<int32_t>(f))) continue;
        const Face& face = o->faces[f];
        for (int32_t k = 0; k < face.count; ++k)
            if (o->corners[face.first + k].vertex == index) ++refs;
    }
    return refs;
}

uint32_t MQObj_GetVertexUniqueID(HostObject obj, int32_t index) {
    REC(obj, index);
    Object* o = AsObject(obj);
    if (!o || !ValidVertex(o, index)) return 0;
    return o->vertices[index].uid;
}

int32_t MQObj_GetVertexIndexFromUniqueID(HostObject obj, uint32_t uniqueId) {
    REC(obj, uniqueId);
    Object* o = AsObject(obj);
    if (!o || uniqueId == 0) return -1;
    for (size_t i = 0; i < o->vertices.size(); ++i)
        if (o->vertices[i].uid == uniqueId) return static_cast<int32_t>(i);
    return -1;
}

uint32_t MQObj_GetVertexColor(HostObject obj, int32_t index) {
    REC(obj, index);
    Object* o = AsObject(obj);
    if (!o || !ValidVertex(o, index)) return 0;
    return o->vertices[index].color;
}

void MQObj_SetVertexColor(HostObject obj, int32_t index, uint32_t color) {
    REC(obj, index, color);
    Object* o = AsObject(obj);
    if (o && ValidVertex(o, index)) o->vertices[index].color = color;
}

float MQObj_GetVertexWeight(HostObject obj, int32_t index) {
    REC(obj, index);
    Object* o = AsObject(obj);
    if (!o || !ValidVertex(o, index)) return 0.0f;
    return o->vertices[index].weight;
}

void MQObj_SetVertexWeight(HostObject obj, int32_t index, float weight) {
    REC(obj, index, weight);
    Object* o = AsObject(obj);
    if (o && ValidVertex(o, index)) o->vertices[index].weight = weight;
}

void MQObj_CopyVertexAttribute(HostObject obj, int32_t target, HostObject source,
                               int32_t sourceIndex) {
    REC(obj, target, source, sourceIndex);
    Object* o = AsObject(obj);
    Object* s = AsObject(source);
    if (!o || !s || !ValidVertex(o, target) || !ValidVertex(s, sourceIndex)) return;
    o->vertices[target].color = s->vertices[sourceIndex].color;
    o->vertices[target].weight = s->vertices[sourceIndex].weight;
}

int32_t MQObj_AddFace(HostObject obj, int32_t count, const int32_t* indices) {
    REC(obj, count, IntList{indices, count});
    Object* o = AsObject(obj);
    if (!o || !indices || count < 1 || count > 4) return -1;
    for (int32_t i = 0; i < count; ++i)
        if (!ValidVertex(o, indices[i]) || o->vertices[indices[i]].deleted) return -1;
    return ObjAddFaceUnchecked(o, count, indices);
}

int32_t MQObj_DeleteFace(HostObject obj, int32_t face, int32_t deleteVertices) {
    REC(obj, face, deleteVertices);
    Object* o = AsObject(obj);
    if (!o || !FaceAlive(o, face)) return 0;
    Face& f = o->faces[face];
    std::vector<int32_t> used;
    if (deleteVertices)
        for (int32_t k = 0; k < f.count; ++k) used.push_back(o->corners[f.first + k].vertex);
    f.count = 0;
    // Vertices no longer used by any live face go too.
    for (int32_t v : used) {
        if (!ValidVertex(o, v) || o->vertices[v].deleted) continue;
        bool stillUsed = false;
        for (size_t g = 0; g < o->faces.size() && !stillUsed; ++g) {
            if (!FaceAlive(o, static_cast<int32_t>(g))) continue;
            const Face& other = o->faces[g];
            for (int32_t k = 0; k < other.count; ++k)
                if (o->corners[other.first + k].vertex == v) stillUsed = true;
        }
        if (!stillUsed) {
            o->vertices[v].deleted = 1;
            ++o->deletedVertices;
        }
    }
    return 1;
}

void MQObj_InvertFace(HostObject obj, int32_t face) {
    REC(obj, face);
    if (Object* o = AsObject(obj)) ObjInvertFace(o, face);
}

void MQObj_SetFaceMaterial(HostObject obj, int32_t face, int32_t material) {
    REC(obj, face, material);
    Object* o = AsObject(obj);
    if (!o || !ValidFace(o, face) || material < -1) return;
    o->faces[face].material = material;
}

void MQObj_SetFaceCoordinateArray(HostObject obj, int32_t face, const HostUV* uvs) {
    REC(obj, face, uvs);
    Object* o = AsObject(obj);
    if (!o || !uvs || !FaceAlive(o, face)) return;
    const Face& f = o->faces[face];
    Corner* c = o->corners.data() + f.first;
    for (int32_t i = 0; i < f.count; ++i) c[i].uv = uvs[i];
}

uint32_t MQObj_GetFaceVertexColor(HostObject obj, int32_t face, int32_t corner) {
    REC(obj, face, corner);
    Object* o = AsObject(obj);
    if (!o || corner < 0 || corner >= FacePointCount(o, face)) return 0;
    return o->corners[o->faces[face].first + corner].color;
}

void MQObj_SetFaceVertexColor(HostObject obj, int32_t face, int32_t corner, uint32_t color) {
    REC(obj, face, corner, color);
    Object* o = AsObject(obj);
    if (!o || corner < 0 || corner >= FacePointCount(o, face)) return;
    o->corners[o->faces[face].first + corner].color = color;
}

int32_t MQObj_OptimizeVertex(HostObject obj, float distance, void* reserved) {
    REC(obj, distance, reserved);
    return 0;
}

void MQObj_Compact(HostObject obj) {
    REC(obj);
    if (Object* o = AsObject(obj)) ObjCompact(o);
}

int32_t MQObj_GetVisible(HostObject obj) {
    REC(obj);
    Object* o = AsObject(obj);
    return o ? o->visible : 0;
}

void MQObj_SetVisible(HostObject obj, int32_t visible) {
    REC(obj, visible);
    if (Object* o = AsObject(obj)) o->visible = visible;
}

#define WB_OBJ_PROPERTY(type, field, getter, setter) \
    type getter(HostObject obj) {                    \
        REC(obj);                                    \
        Object* o = AsObject(obj);                   \
        return o ? o->field : type();                \
    }                                                \
    void setter(HostObject obj, type value) {        \
        REC(obj, value);                             \
        if (Object* o = AsObject(obj)) o->field = value; \
    }

WB_OBJ_PROPERTY(int32_t, patchType, MQObj_GetPatchType, MQObj_SetPatchType)
WB_OBJ_PROPERTY(int32_t, patchSegment, MQObj_GetPatchSegment, MQObj_SetPatchSegment)
WB_OBJ_PROPERTY(int32_t, shading, MQObj_GetShading, MQObj_SetShading)
WB_OBJ_PROPERTY(float, smoothAngle, MQObj_GetSmoothAngle, MQObj_SetSmoothAngle)
WB_OBJ_PROPERTY(int32_t, mirrorType, MQObj_GetMirrorType, MQObj_SetMirrorType)
WB_OBJ_PROPERTY(uint32_t, mirrorAxis, MQObj_GetMirrorAxis, MQObj_SetMirrorAxis)
WB_OBJ_PROPERTY(float, mirrorDistance, MQObj_GetMirrorDistance, MQObj_SetMirrorDistance)
WB_OBJ_PROPERTY(int32_t, latheType, MQObj_GetLatheType, MQObj_SetLatheType)
WB_OBJ_PROPERTY(uint32_t, latheAxis, MQObj_GetLatheAxis, MQObj_SetLatheAxis)
WB_OBJ_PROPERTY(int32_t, latheSegment, MQObj_GetLatheSegment, MQObj_SetLatheSegment)
#undef WB_OBJ_PROPERTY

int32_t MQObj_GetIntValue(HostObject obj, int32_t key) {
    REC(obj, key);
    Object* o = AsObject(obj);
    return o ? ObjGetInt(o, key) : 0;
}

void MQObj_GetFloatArray(HostObject obj, int32_t key, float* values) {
    REC(obj, key, values);
}

void MQObj_SetIntValue(HostObject obj, int32_t key, int32_t value) {
    REC(obj, key, value);
    Object* o = AsObject(obj);
    if (!o || key == kObjectUniqueId) return;  // the unique ID never changes
    SetIntPair(o->intValues, key, value);
}

void MQObj_SetFloatArray(HostObject obj, int32_t key, const float* values) {
    REC(obj, key, values);
}

// ---- material -------------------------------------------------------------------------------

void MQMat_Delete(HostMaterial mat) {
    REC(mat);
    Material* m = AsMaterial(mat);
    if (m && m->owner == Owner::None) DestroyMaterial(m);
}

int32_t MQMat_GetIntValue(HostMaterial mat, int32_t key) {
    REC(mat, key);
    Material* m = AsMaterial(mat);
    return m ? GetIntPair(m->intValues, key) : 0;
}

void MQMat_GetFloatArray(HostMaterial mat, int32_t key, float* values) {
    REC(mat, key, values);
}

void MQMat_GetName(HostMaterial mat, char* buffer, int32_t size) {
    REC(mat, buffer, size);
    Material* m = AsMaterial(mat);
    CopyText(m ? m->name : std::string(), buffer, size);
}

void MQMat_GetColor(HostMaterial mat, HostRGB* out) {
    REC(mat, out);
    Material* m = AsMaterial(mat);
    if (out) *out = m ? m->color : HostRGB{0.0f, 0.0f, 0.0f};
}

#define WB_MAT_FLOAT(field, getter, setter)   \
    float getter(HostMaterial mat) {          \
        REC(mat);                             \
        Material* m = AsMaterial(mat);        \
        return m ? m->field : 0.0f;           \
    }                                         \
    void setter(HostMaterial mat, float value) { \
        REC(mat, value);                      \
        if (Material* m = AsMaterial(mat)) m->field = value; \
    }

WB_MAT_FLOAT(alpha, MQMat_GetAlpha, MQMat_SetAlpha)
WB_MAT_FLOAT(diffuse, MQMat_GetDiffuse, MQMat_SetDiffuse)
WB_MAT_FLOAT(ambient, MQMat_GetAmbient, MQMat_SetAmbient)
WB_MAT_FLOAT(emission, MQMat_GetEmission, MQMat_SetEmission)
WB_MAT_FLOAT(specular, MQMat_GetSpecular, MQMat_SetSpecular)
WB_MAT_FLOAT(power, MQMat_GetPower, MQMat_SetPower)
#undef WB_MAT_FLOAT

#define WB_MAT_TEXT(field, getter, setter)                           \
    void getter(HostMaterial mat, char* buffer, int32_t size) {      \
        REC(mat, buffer, size);                                      \
        Material* m = AsMaterial(mat);                               \
        CopyText(m ? m->field : std::string(), buffer, size);        \
    }                                                                \
    void setter(HostMaterial mat, const char* name) {                \
        REC(mat, name);                                              \
        if (Material* m = AsMaterial(mat)) m->field = SafeString(name); \
    }

WB_MAT_TEXT(texture, MQMat_GetTextureName, MQMat_SetTextureName)
WB_MAT_TEXT(alphaTexture, MQMat_GetAlphaName, MQMat_SetAlphaName)
WB_MAT_TEXT(bumpTexture, MQMat_GetBumpName, MQMat_SetBumpName)
#undef WB_MAT_TEXT

void MQMat_SetIntValue(HostMaterial mat, int32_t key, int32_t value) {
    REC(mat, key, value);
    if (Material* m = AsMaterial(mat)) SetIntPair(m->intValues, key, value);
}

void MQMat_SetFloatArray(HostMaterial mat, int32_t key, const float* values) {
    REC(mat, key, values);
}

void MQMat_SetName(HostMaterial mat, const char* name) {
    REC(mat, name);
    if (Material* m = AsMaterial(mat)) m->name = SafeString(name);
}

void MQMat_SetColor(HostMaterial mat, const HostRGB* color) {
    REC(mat, color);
    Material* m = AsMaterial(mat);
    if (m && color) m->color = *color;
}

// ---- misc -----------------------------------------------------------------------------------

void MQMatrix_FloatValue(float* matrix, int32_t key, float* values) {
    REC(matrix, key, values);
}

int32_t MQXmlElem_Value(HostXmlElement element, int32_t key, void* value) {
    REC(element, key, value);
    return 0;
}

}  // extern "C"

// The remaining host function, MQDoc_FindMappingFile, lives in ImageLoader.cpp with the file
// handling.
static_assert(kHostFunctionCount == 140, "the ABI has 140 host functions");
