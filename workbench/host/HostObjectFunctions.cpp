// The host functions of the object family: geometry, faces, colours, mirror and patch settings,
// and the object's own properties.
#include "workbench/host/HostFunctionSupport.h"

#include <math.h>

#include <algorithm>

using namespace wb::detail;

extern "C" {

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
    if (Object* o = AsObject(obj)) {
        o->name = SafeString(name);
        o->nameOriginal.clear();
    }
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

}  // extern "C"
