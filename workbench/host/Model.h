// The workbench host's in-memory document model: documents, objects, materials, scenes and the
// host-wide state. Internal to WorkbenchHost.dll; handles given to the plug-in are pointers to
// these structs, checked by a magic word on every call.
#pragma once

#include <stdint.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "workbench/host/Workbench.h"

namespace wb {
namespace detail {

constexpr uint32_t kObjectMagic = 0x4A424F57;    // "WOBJ"
constexpr uint32_t kMaterialMagic = 0x54414D57;  // "WMAT"
constexpr uint32_t kDocumentMagic = 0x434F4457;  // "WDOC"
constexpr uint32_t kSceneMagic = 0x4E435357;     // "WSCN"
// Destroyed objects and materials keep these for a while (see DestroyObject), so that a handle
// used after its object or material was destroyed is recognised and counted.
constexpr uint32_t kDeadObjectMagic = 0x44424F57;    // "WOBD"
constexpr uint32_t kDeadMaterialMagic = 0x44414D57;  // "WMAD"
constexpr uint32_t kDefaultFaceColor = 0xFFFFFFFFu;

struct Vertex {
    HostPoint p;
    uint32_t uid;
    uint32_t color;
    float weight;
    uint8_t deleted;
};

// One corner of a face: its vertex, UV and face-vertex colour.
struct Corner {
    int32_t vertex;
    HostUV uv;
    uint32_t color;
};

// A face is a run of corners in the object's corner array. A deleted face has count 0; a face
// one of whose vertices was deleted counts as deleted as well (until MQObj_Compact drops both).
struct Face {
    int32_t first;
    int32_t count;
    int32_t material;
    uint32_t uid;
};

enum class Owner : uint8_t { None, Document, Draw };

// An object's geometry as its scene file gave it, kept when the loader joined the vertices that
// lie at one place (WeldVertices): the joined vertices are there for the plug-in's shells only,
// and the saved files write the model's own part as it came in (see SavedObjects).
struct LoadedForm {
    std::vector<Vertex> vertices;  // as read
    std::vector<Face> faces;       // as read; the joined object has the same faces
    std::vector<Corner> corners;   // as read, naming the vertices read
    std::vector<int32_t> joinedTo;  // by vertex read: its index in the joined object
    size_t joinedVertexCount = 0;  // the joined object's vertices
};

struct Document;

struct Object {
    uint32_t magic = kObjectMagic;
    int32_t uid = 0;
    Owner owner = Owner::None;
    Document* document = nullptr;
    std::string name;          // as the host holds it (code page 932), what the plug-in reads
    std::string nameOriginal;  // see kept originals below
    std::vector<Vertex> vertices;
    std::vector<Face> faces;
    std::vector<Corner> corners;
    int32_t deletedVertices = 0;  // vertices marked deleted since the last compaction
    uint32_t nextVertexUid = 1;
    uint32_t nextFaceUid = 1;
    int32_t visible = 1;
    int32_t mirrorType = 0;
    uint32_t mirrorAxis = 1;
    float mirrorDistance = 0.0f;
    int32_t patchType = 0;
    int32_t patchSegment = 1;
    int32_t shading = 1;
    float smoothAngle = 59.5f;
    int32_t latheType = 0;
    uint32_t latheAxis = 0;
    int32_t latheSegment = 12;
    uint32_t freezeFlags = 0;
    int32_t drawVisibility = 0;
    std::vector<std::pair<int32_t, int32_t>> intValues;  // keys other than the unique ID
    // Set by the loader's welding only; a clone does not carry it.
    std::shared_ptr<const LoadedForm> loaded;
};

struct Material {
    uint32_t magic = kMaterialMagic;
    int32_t serial = 0;
    Owner owner = Owner::None;
    int32_t drawIndex = -1;  // index given to the plug-in for a draw material
    // As the host holds them (code page 932), what the plug-in reads; a texture whose name that
    // code page cannot hold is named by a path it can (see LoadObjScene).
    std::string name;
    std::string texture;
    std::string alphaTexture;
    std::string bumpTexture;
    // Kept originals (see below) of the four.
    std::string nameOriginal;
    std::string textureOriginal;
    std::string alphaTextureOriginal;
    std::string bumpTextureOriginal;
    HostRGB color{1.0f, 1.0f, 1.0f};
    float alpha = 1.0f;
    float diffuse = 0.8f;
    float ambient = 0.6f;
    float emission = 0.0f;
    float specular = 0.0f;
    float power = 5.0f;
    std::vector<std::pair<int32_t, int32_t>> intValues;
};

struct Selection {
    std::vector<uint8_t> vertices;  // by vertex index
    std::vector<uint8_t> faces;     // by face index
    std::set<uint64_t> lines;       // (face << 32) | line
    std::set<uint64_t> uvs;         // (face << 32) | corner
    void clear() {
        vertices.clear();
        faces.clear();
        lines.clear();
        uvs.clear();
    }
};

struct Scene {
    uint32_t magic = kSceneMagic;
    int32_t width = 800;
    int32_t height = 600;
    // Camera looking at `target` from `distance` along the direction given by heading/pitch.
    float target[3] = {0.0f, 0.0f, 0.0f};
    float distance = 5.0f;
    float heading = 0.6f;  // radians around the vertical axis
    float pitch = 0.45f;   // radians above the horizontal plane
    float fovY = 0.8f;     // radians
    float zoom = 1.0f;
};

struct Document {
    uint32_t magic = kDocumentMagic;
    std::vector<Object*> objects;      // NULL for an empty slot
    std::vector<Material*> materials;  // NULL for an empty slot
    std::vector<Selection> selection;  // parallel to objects
    int32_t currentObject = -1;
    int32_t currentMaterial = -1;
    Scene scene;
    // The scene came from OBJ/MTL files in code page 932: SaveObjScene writes names so again
    // (else in UTF-8).
    bool cp932Files = false;
};

// Kept originals: a name or file name as the scene file gave it, in UTF-8, with every character
// that code page 932 lacks. It is kept beside the host's own text while that text is the one
// made from it (a host function that sets the text empties it), and the saved files write it
// instead of the host's text. Empty: the host's text is the original.

// ---- handle checks --------------------------------------------------------------------------
// Counts a call made with the handle of a destroyed object or material (wb::StaleHandleUses).
void NoteStaleHandle();
inline Object* AsObject(HostObject h) {
    Object* o = reinterpret_cast<Object*>(h);
    if (o && o->magic == kObjectMagic) return o;
    if (o && o->magic == kDeadObjectMagic) NoteStaleHandle();
    return nullptr;
}
inline Material* AsMaterial(HostMaterial h) {
    Material* m = reinterpret_cast<Material*>(h);
    if (m && m->magic == kMaterialMagic) return m;
    if (m && m->magic == kDeadMaterialMagic) NoteStaleHandle();
    return nullptr;
}
inline Document* AsDocument(HostDocument h) {
    Document* d = reinterpret_cast<Document*>(h);
    return (d && d->magic == kDocumentMagic) ? d : nullptr;
}
inline Scene* AsScene(HostScene h) {
    Scene* s = reinterpret_cast<Scene*>(h);
    return (s && s->magic == kSceneMagic) ? s : nullptr;
}
inline HostObject ToHandle(Object* o) { return reinterpret_cast<HostObject>(o); }
inline HostMaterial ToHandle(Material* m) { return reinterpret_cast<HostMaterial>(m); }
inline HostDocument ToHandle(Document* d) { return reinterpret_cast<HostDocument>(d); }
inline HostScene ToHandle(Scene* s) { return reinterpret_cast<HostScene>(s); }

// ---- objects --------------------------------------------------------------------------------
Object* NewObject();
// Empties the object and marks it dead; its memory is released only after the next thousand
// objects were destroyed, so that calls with its handle meanwhile are recognised.
void DestroyObject(Object* o);
Object* CloneObject(const Object* o);
// Widens lo..hi, axis by axis, to hold every vertex of o.
void GrowBounds(const Object* o, float lo[3], float hi[3]);
int32_t ObjAddVertex(Object* o, const HostPoint& p);
// Adds a face without checking its point count or indices (the workbench-only path).
int32_t ObjAddFaceUnchecked(Object* o, int32_t count, const int32_t* indices);
void ObjMerge(Object* target, const Object* source);
void ObjCompact(Object* o);
void ObjInvertFace(Object* o, int32_t f);
int32_t ObjGetInt(const Object* o, int32_t key);
inline bool ValidVertex(const Object* o, int32_t i) {
    return i >= 0 && static_cast<size_t>(i) < o->vertices.size();
}
inline bool ValidFace(const Object* o, int32_t f) {
    return f >= 0 && static_cast<size_t>(f) < o->faces.size();
}
// True when face f is in range, not deleted and none of its vertices is deleted. Inline, like
// FacePointCount: the host functions check every face and corner they touch with them.
inline bool FaceAlive(const Object* o, int32_t f) {
    if (!ValidFace(o, f)) return false;
    const Face& face = o->faces[f];
    if (face.count <= 0) return false;
    if (o->deletedVertices == 0) return true;
    const Corner* c = o->corners.data() + face.first;
    for (int32_t i = 0; i < face.count; ++i) {
        int32_t v = c[i].vertex;
        if (ValidVertex(o, v) && o->vertices[v].deleted) return false;
    }
    return true;
}
// The point count the plug-in sees: 0 for a deleted or out-of-range face.
inline int32_t FacePointCount(const Object* o, int32_t f) {
    return FaceAlive(o, f) ? o->faces[f].count : 0;
}

// ---- materials ------------------------------------------------------------------------------
Material* NewMaterial();
void DestroyMaterial(Material* m);

// ---- documents ------------------------------------------------------------------------------
Document* NewDocumentObject();
void ClearDocument(Document* d);  // frees every object and material; leaves it empty
int32_t DocAddObject(Document* d, Object* o);
int32_t DocAddMaterial(Document* d, Material* m);
void DocDeleteObject(Document* d, int32_t index);
void DocDeleteMaterial(Document* d, int32_t index);
void DocCompact(Document* d);
Selection* DocSelection(Document* d, int32_t objIndex);  // NULL for an empty or invalid slot

// ---- host-wide state ------------------------------------------------------------------------
// The geometry arrays of a draw object, kept empty with their capacity from one redraw for the
// next: a redraw builds layers of the same sizes again, and reused memory needs no fresh pages
// from the system (each of which costs a page fault on first use).
struct GeometryStorage {
    std::vector<Vertex> vertices;
    std::vector<Face> faces;
    std::vector<Corner> corners;
};

// The most recent messages received through MQ_SendMessage, in slots made once and then reused:
// a host that redraws for hours must not grow with every redraw's messages.
struct MessageLog {
    static constexpr size_t kSize = 256;
    std::vector<ReceivedMessage> slots;  // kSize of them, made by the first add
    size_t first = 0;                    // the oldest message's slot
    size_t count = 0;
    // The slot for a new message: a free one, or the oldest one's when all are taken.
    ReceivedMessage& add();
    std::vector<ReceivedMessage> inOrder() const;  // oldest first
    void clear() { first = count = 0; }
};

struct HostState {
    Document* active = nullptr;
    std::vector<Document*> retired;  // replaced documents, kept empty so stale handles stay safe
    std::vector<Object*> drawObjects;
    std::vector<Material*> drawMaterials;
    std::vector<int32_t> drawVisibilities;
    std::vector<GeometryStorage> spareGeometry;  // the last redraw's, the next one to hand out last
    bool refreshRequested = false;
    int32_t redrawCount = 0;
    int32_t refreshCount = 0;
    MessageLog messages;
    std::string textureFolder;  // UTF-8
};
HostState& State();
Document* Active();  // the active document, created on first use
// Destroys the draw objects and draw materials; the draw objects' arrays are kept, empty, for the
// next redraw's (those of the redraw before that are released).
void ClearDrawItems();
// Gives a new draw object the arrays of one of the last redraw's draw objects, if one is left.
void TakeSpareGeometry(Object* o);
// Releases every kept array.
void ReleaseSpareGeometry();

// ---- call recording (Recorder.cpp) ------------------------------------------------------------
extern bool g_recording;
void RecordLine(std::string line);

// ---- images (ImageLoader.cpp) -----------------------------------------------------------------
int32_t LoadImageBlocks(const char* fileName, void** headerBlock, void** pixelBlock);
// The full path of the image a material names, as MQDoc_FindMappingFile finds it: the name itself
// when absolute, else the name and then its last part in folder. Name, folder and the path are
// UTF-8. Empty when there is no such file.
std::string FindTextureFile(const std::string& name, const std::string& folder);

// ---- the plug-in (Driver.cpp) -----------------------------------------------------------------
HWND MainWindowInternal();
int32_t RunStationCallback(StationCallbackProc proc, void* option);

// ---- text helpers -----------------------------------------------------------------------------
// Copies text into buffer of size bytes (NUL-terminated, truncated); nothing if size <= 0.
void CopyText(const std::string& text, char* buffer, int32_t size);
std::string SafeString(const char* text);  // NULL gives ""; long inputs are capped

}  // namespace detail
}  // namespace wb
