// Documents of the stress run and the edits a host makes to them between plug-in calls.
#include <math.h>
#include <stdio.h>

#include <limits>
#include <string>

#include "workbench/host/Workbench.h"
#include "workbench/stress/StressRun.h"

namespace stress {

namespace {

// Documents are kept small enough that a step stays quick even with many shell layers.
const int32_t kMaxDocumentVertices = 20000;
const int32_t kMaxObjectSlots = 40;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

HostDocument Doc() { return wb::ActiveDocument(); }

int32_t DocumentVertices() {
    int32_t total = 0;
    int32_t count = MQDoc_GetObjectCount(Doc());
    for (int32_t i = 0; i < count; ++i) {
        if (HostObject object = MQDoc_GetObject(Doc(), i)) total += MQObj_GetVertexCount(object);
    }
    return total;
}

// An existing object (or null when the document has none), and its index.
HostObject RandomObject(RunState& run, int32_t* index) {
    int32_t count = MQDoc_GetObjectCount(Doc());
    for (int tries = 0; tries < 8 && count > 0; ++tries) {
        int32_t i = run.rng.below(count);
        if (HostObject object = MQDoc_GetObject(Doc(), i)) {
            if (index) *index = i;
            return object;
        }
    }
    if (index) *index = -1;
    return nullptr;
}

// A coordinate: mostly ordinary, now and then one no float arithmetic survives.
float Coordinate(RunState& run) {
    if (run.rng.chance(0.01)) {
        run.extremeValues = true;
        return run.rng.pick({kNaN, kInf, -kInf, 3.0e38f, -1.0e35f});
    }
    return run.rng.range(-3.0f, 3.0f);
}

std::string RandomName(RunState& run) {
    switch (run.rng.below(8)) {
    case 0: return "";
    case 1: return std::string(3000, 'n');
    case 2: return "オブジェクト" + std::to_string(run.rng.below(100));
    case 3: return "name with spaces\tand tabs";
    default: return "obj" + std::to_string(run.rng.below(1000));
    }
}

void SetRandomFaceData(RunState& run, HostObject object, int32_t face, int32_t points) {
    int32_t materials = MQDoc_GetMaterialCount(Doc());
    MQObj_SetFaceMaterial(object, face, run.rng.between(-1, materials + 1));
    std::vector<HostUV> uvs(static_cast<size_t>(points > 0 ? points : 1));
    for (HostUV& uv : uvs) {
        uv.u = run.rng.chance(0.02) ? run.rng.pick({kNaN, kInf, -1.0e30f}) : run.rng.range(-2.0f, 3.0f);
        uv.v = run.rng.range(-2.0f, 3.0f);
    }
    if (points >= 1 && points <= 4) MQObj_SetFaceCoordinateArray(object, face, uvs.data());
    for (int32_t j = 0; j < points; ++j)
        MQObj_SetFaceVertexColor(object, face, j, static_cast<uint32_t>(run.rng.next()));
}

// The events a host sends after an edit; now and then none, or a wrong one.
void Announce(RunState& run, std::initializer_list<int32_t> codes) {
    double r = run.rng.unit();
    if (r < 0.08) {
        ++run.counts.editsUnannounced;
        return;  // a careless host says nothing
    }
    if (r < 0.12) {
        SendEvent(run, Doc(), run.rng.pick({220, 221, 222, 230, 231, 210}), nullptr);
        return;
    }
    for (int32_t code : codes) {
        if (code == 210 || code == 211) {
            int32_t state = run.rng.between(-1, 3);
            OptionPair options[] = {{"state", &state}, {nullptr, nullptr}};
            SendEvent(run, Doc(), code, options);
        } else {
            SendEvent(run, Doc(), code, nullptr);
        }
    }
}

HostMaterial NewMaterial(RunState& run) {
    HostMaterial material = MQ_CreateMaterial();
    MQMat_SetName(material, RandomName(run).c_str());
    if (run.rng.chance(0.6) && !run.images.empty()) {
        // Texture names resolve against the image folder by their base name.
        const ImageCase& image = run.rng.pick(run.images);
        std::string name = image.path.substr(image.path.find_last_of("\\/") + 1);
        if (run.rng.chance(0.1)) name = image.path;  // a full path
        MQMat_SetTextureName(material, name.c_str());
    }
    if (run.rng.chance(0.4)) MQMat_SetIntValue(material, kMaterialShowsVertexColor, 1);
    HostRGB color = {run.rng.range(0.0f, 1.0f), run.rng.range(0.0f, 1.0f), run.rng.range(0.0f, 1.0f)};
    if (run.rng.chance(0.05)) color = {kNaN, -3.0f, 1.0e30f};
    MQMat_SetColor(material, &color);
    return material;
}

}  // namespace

int32_t SendEvent(RunState& run, HostDocument document, int32_t code, void* option) {
    // The handlers of these events make their document the plug-in's current one (when there is
    // a panel). The panel then works on another document than the one it showed.
    switch (code) {
    case kEventActivate: case kEventIsActive: case kEventMinimize: case kEventDraw: case kEventUndo:
    case kEventRedo: case kEventObjectListUpdated: case kEventObjectModified: case kEventObjectSelected:
    case kEventMaterialListUpdated: case kEventMaterialModified:
        if (document != wb::ActiveDocument() || run.pluginDocumentStale) run.panelSynced = false;
        run.pluginDocumentStale = document != wb::ActiveDocument();
        break;
    default:
        break;
    }
    // wb::SendEvent always hands over the active document; for other documents the export is
    // called directly.
    if (document == wb::ActiveDocument()) return wb::SendEvent(code, option);
    HMODULE module = wb::PluginModule();
    if (!module) return 0;
    auto onEvent = reinterpret_cast<MQOnEventProc>(reinterpret_cast<void*>(GetProcAddress(module, "MQOnEvent")));
    return onEvent ? onEvent(document, code, option) : 0;
}

int32_t ShowPanel(RunState& run, bool show) {
    int32_t flag = show ? 1 : 0;
    int32_t answer = SendEvent(run, wb::ActiveDocument(), kEventActivate, &flag);
    // Showing refills the list: no row is selected and the panel shows no object.
    if (show) run.panelSynced = true;
    return answer;
}

int32_t AddRandomObject(RunState& run) {
    Random& rng = run.rng;
    HostObject object = MQ_CreateObject();
    MQObj_SetName(object, RandomName(run).c_str());
    int32_t shape = rng.below(7);
    if (shape == 0) {
        // A cube, wound outward.
        float h = rng.range(0.1f, 2.0f);
        HostPoint corners[8] = {{-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h},
                                {-h, -h, h},  {h, -h, h},  {h, h, h},  {-h, h, h}};
        for (const HostPoint& p : corners) MQObj_AddVertex(object, &p);
        const int32_t faces[6][4] = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1},
                                     {3, 2, 6, 7}, {0, 3, 7, 4}, {1, 5, 6, 2}};
        for (const auto& face : faces) MQObj_AddFace(object, 4, face);
    } else if (shape == 1) {
        // A grid of quadrilaterals.
        int32_t n = rng.between(2, 12);
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x) {
                HostPoint p = {x * 0.1f, y * 0.1f, rng.range(-0.05f, 0.05f)};
                MQObj_AddVertex(object, &p);
            }
        for (int32_t y = 0; y + 1 < n; ++y)
            for (int32_t x = 0; x + 1 < n; ++x) {
                int32_t face[4] = {y * n + x, y * n + x + 1, (y + 1) * n + x + 1, (y + 1) * n + x};
                MQObj_AddFace(object, 4, face);
            }
    } else if (shape == 2) {
        // Nothing at all, or a single point.
        if (rng.chance(0.5)) {
            HostPoint p = {0, 0, 0};
            int32_t v = MQObj_AddVertex(object, &p);
            MQObj_AddFace(object, 1, &v);
        }
    } else {
        // A soup of faces of 1 to 4 points over random vertices.
        int32_t vertices = rng.between(1, 60);
        for (int32_t i = 0; i < vertices; ++i) {
            HostPoint p = {Coordinate(run), Coordinate(run), Coordinate(run)};
            MQObj_AddVertex(object, &p);
        }
        int32_t faces = rng.between(0, 80);
        for (int32_t f = 0; f < faces; ++f) {
            int32_t points = rng.pick({1, 2, 3, 3, 4, 4, 4});
            int32_t indices[4];
            for (int32_t& i : indices) i = rng.below(vertices);
            MQObj_AddFace(object, points, indices);
        }
    }
    int32_t faceCount = MQObj_GetFaceCount(object);
    for (int32_t f = 0; f < faceCount; ++f) SetRandomFaceData(run, object, f, MQObj_GetFacePointCount(object, f));
    if (rng.chance(0.1)) MQObj_SetVisible(object, 0);
    if (rng.chance(0.2)) {
        MQObj_SetMirrorType(object, rng.between(0, 2));
        MQObj_SetMirrorAxis(object, static_cast<uint32_t>(rng.between(0, 7)));
        MQObj_SetMirrorDistance(object, rng.chance(0.1) ? kNaN : rng.range(0.0f, 2.0f));
        MQObj_SetPatchType(object, rng.between(0, 3));
        MQObj_SetPatchSegment(object, rng.between(-1, 5));
    }
    return MQDoc_AddObject(Doc(), object);
}

void StartDocument(RunState& run) {
    run.extremeValues = false;
    // The workbench keeps a replaced document, emptied, so that late handles to it stay safe.
    run.retiredDocument = wb::ActiveDocument();
    if (!run.scenes.empty() && run.rng.chance(0.15)) {
        std::string error;
        // A failed load leaves the previous document active; start afresh either way.
        if (!wb::LoadObjScene(run.rng.pick(run.scenes).c_str(), &error)) wb::NewDocument();
    } else {
        wb::NewDocument();
        int32_t materials = run.rng.between(0, 4);
        for (int32_t i = 0; i < materials; ++i) MQDoc_AddMaterial(Doc(), NewMaterial(run));
        int32_t objects = run.rng.between(0, 6);
        for (int32_t i = 0; i < objects; ++i) AddRandomObject(run);
    }
    SendEvent(run, Doc(), kEventNewDocument, nullptr);
    // The plug-in still works on the previous document until an event brings it this one.
    run.pluginDocumentStale = true;
}

void EditDocument(RunState& run, StepKind& kind) {
    kind.editsDocument = true;
    ++run.counts.edits;
    Random& rng = run.rng;
    HostDocument doc = Doc();
    int32_t index = -1;
    HostObject object = RandomObject(run, &index);
    const bool roomy = DocumentVertices() < kMaxDocumentVertices;
    int32_t edit = rng.weighted({8, 4, 3, 3, 6, 5, 5, 4, 3, 3, 3, 3, 4, 3, 2, 2, 5, 3, 3, 1});
    static const char* const kEditNames[] = {
        "object added", "object deleted", "object renamed", "object hidden or shown", "vertices added",
        "vertices deleted", "faces added", "odd faces added", "vertex moved", "face data changed",
        "face inverted or deleted", "material added", "material deleted", "material changed",
        "document compacted", "mirror and patch changed", "selection changed", "geometry swapped",
        "geometry emptied or doubled", "document replaced"};
    snprintf(run.progress.action, sizeof run.progress.action, "document edit: %s (object %d)",
             kEditNames[edit], index);

    switch (edit) {
    case 0:  // object added
        if (roomy && MQDoc_GetObjectCount(doc) < kMaxObjectSlots) AddRandomObject(run);
        Announce(run, {220});
        break;
    case 1:  // object deleted into an empty slot (any slot, empty or not there)
        MQDoc_DeleteObject(doc, rng.between(-1, MQDoc_GetObjectCount(doc)));
        Announce(run, {220});
        break;
    case 2:  // renamed
        if (object) MQObj_SetName(object, RandomName(run).c_str());
        Announce(run, {221});
        break;
    case 3:  // hidden or shown
        if (object) MQObj_SetVisible(object, MQObj_GetVisible(object) ? 0 : 1);
        Announce(run, {221});
        break;
    case 4:  // vertices added
        if (object && roomy) {
            int32_t n = rng.between(1, 8);
            for (int32_t i = 0; i < n; ++i) {
                HostPoint p = {Coordinate(run), Coordinate(run), Coordinate(run)};
                MQObj_AddVertex(object, &p);
            }
        }
        Announce(run, {221});
        break;
    case 5:  // vertices removed, with their faces; compacted or not
        if (object) {
            int32_t n = rng.between(1, 4);
            int32_t count = MQObj_GetVertexCount(object);
            for (int32_t i = 0; i < n; ++i) MQObj_DeleteVertex(object, rng.between(-1, count), 1);
            if (rng.chance(0.6)) MQObj_Compact(object);
        }
        Announce(run, {221});
        break;
    case 6:  // faces of 1 to 4 points
        if (object && MQObj_GetVertexCount(object) > 0) {
            int32_t vertices = MQObj_GetVertexCount(object);
            int32_t n = rng.between(1, 6);
            for (int32_t f = 0; f < n; ++f) {
                int32_t points = rng.between(1, 4);
                int32_t indices[4];
                for (int32_t& i : indices) i = rng.below(vertices);
                int32_t face = MQObj_AddFace(object, points, indices);
                if (face >= 0) SetRandomFaceData(run, object, face, points);
            }
        }
        Announce(run, {221});
        break;
    case 7:  // faces a modeller should never hold: no points, five or more, indices outside
        if (object) {
            int32_t vertices = MQObj_GetVertexCount(object);
            std::vector<int32_t> indices;
            switch (rng.below(4)) {
            case 0: break;  // no points
            case 1: indices.assign(static_cast<size_t>(rng.between(5, 9)), vertices > 0 ? rng.below(vertices) : 0); break;
            case 2: indices = {0, -3, vertices + 5}; break;
            default: indices = {vertices, 1 << 30, -1, 0}; break;
            }
            wb::AddRawFace(object, indices);
        }
        Announce(run, {221});
        break;
    case 8:  // vertices moved
        if (object && MQObj_GetVertexCount(object) > 0) {
            HostPoint p = {Coordinate(run), Coordinate(run), Coordinate(run)};
            MQObj_SetVertex(object, rng.below(MQObj_GetVertexCount(object)), &p);
        }
        Announce(run, {221});
        break;
    case 9:  // face materials, colours and UVs, the material index now and then past the list
        if (object && MQObj_GetFaceCount(object) > 0) {
            int32_t face = rng.below(MQObj_GetFaceCount(object));
            SetRandomFaceData(run, object, face, MQObj_GetFacePointCount(object, face));
        }
        Announce(run, {221});
        break;
    case 10:  // faces inverted or deleted by the host
        if (object && MQObj_GetFaceCount(object) > 0) {
            int32_t face = rng.below(MQObj_GetFaceCount(object));
            if (rng.chance(0.5)) MQObj_InvertFace(object, face);
            else MQObj_DeleteFace(object, face, rng.below(2));
        }
        Announce(run, {221});
        break;
    case 11:  // material added
        MQDoc_AddMaterial(doc, NewMaterial(run));
        Announce(run, {230});
        break;
    case 12:  // material removed (its slot stays empty)
        MQDoc_DeleteMaterial(doc, rng.between(-1, MQDoc_GetMaterialCount(doc)));
        Announce(run, {230});
        break;
    case 13:  // material renamed or recoloured
        if (HostMaterial material = MQDoc_GetMaterial(doc, rng.below(MQDoc_GetMaterialCount(doc) + 1))) {
            MQMat_SetName(material, RandomName(run).c_str());
            HostRGB color = {rng.range(0.0f, 1.0f), 0.5f, 0.25f};
            MQMat_SetColor(material, &color);
        }
        Announce(run, {231});
        break;
    case 14:  // empty slots squeezed out: every index after them moves
        MQDoc_Compact(doc);
        Announce(run, {220, 230});
        break;
    case 15:  // mirror and patch settings
        if (object) {
            MQObj_SetMirrorType(object, rng.between(-1, 3));
            MQObj_SetMirrorDistance(object, rng.chance(0.2) ? kInf : rng.range(-1.0f, 1.0f));
            MQObj_SetPatchSegment(object, rng.between(-5, 20));
        }
        Announce(run, {221});
        break;
    case 16: {  // selection changed
        if (rng.chance(0.2)) MQDoc_ClearSelect(doc, 0);
        int32_t n = rng.between(1, 10);
        for (int32_t i = 0; i < n && object; ++i) {
            int32_t vertices = MQObj_GetVertexCount(object), faces = MQObj_GetFaceCount(object);
            switch (rng.below(3)) {
            case 0: MQDoc_AddSelectVertex(doc, index, rng.below(vertices + 1)); break;
            case 1: MQDoc_AddSelectLine(doc, index, rng.below(faces + 1), rng.below(4)); break;
            default: MQDoc_AddSelectFace(doc, index, rng.below(faces + 1)); break;
            }
        }
        Announce(run, {222});
        break;
    }
    case 17: {  // undo-like: two objects swap their geometry
        int32_t otherIndex = -1;
        HostObject other = RandomObject(run, &otherIndex);
        if (object && other && object != other) {
            HostObject saved = MQObj_Clone(object);
            auto replace = [](HostObject target, HostObject source) {
                int32_t count = MQObj_GetVertexCount(target);
                for (int32_t i = 0; i < count; ++i) MQObj_DeleteVertex(target, i, 1);
                MQObj_Merge(target, source);
                MQObj_Compact(target);
            };
            replace(object, other);
            replace(other, saved);
            MQObj_Delete(saved);
        }
        Announce(run, {rng.chance(0.5) ? 210 : 211, 221});
        break;
    }
    case 18: {  // undo-like: an object loses all its geometry, or gets a copy of itself appended
        if (object) {
            if (rng.chance(0.5)) {
                int32_t count = MQObj_GetVertexCount(object);
                for (int32_t i = 0; i < count; ++i) MQObj_DeleteVertex(object, i, 1);
                MQObj_Compact(object);
            } else if (roomy) {
                MQObj_Merge(object, object);
            }
        }
        Announce(run, {rng.chance(0.5) ? 210 : 211});
        break;
    }
    default:  // the whole document replaced by a scene file, or by a new one
        SendEvent(run, doc, kEventEndDocument, nullptr);
        StartDocument(run);
        Announce(run, {220, 230});
        break;
    }
}

}  // namespace stress
