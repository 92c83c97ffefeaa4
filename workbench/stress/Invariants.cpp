// The checks after every stress step.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "workbench/panel/PanelDriver.h"
#include "ui/ResourceIds.h"
#include "workbench/host/Workbench.h"
#include "workbench/stress/StressRun.h"

namespace stress {

namespace {

const int32_t kMaxPrintedFailures = 40;

// ---- fingerprints -----------------------------------------------------------------------------

struct Hasher {
    uint64_t value = 1469598103934665603ull;  // FNV-1a
    void bytes(const void* data, size_t size) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; ++i) value = (value ^ p[i]) * 1099511628211ull;
    }
    template <class T>
    void add(const T& v) { bytes(&v, sizeof v); }
    void text(const char* s) { bytes(s, strlen(s) + 1); }
};

uint64_t PrintObject(HostObject object) {
    Hasher h;
    h.add(MQObj_GetIntValue(object, kObjectUniqueId));
    static char name[8192];
    MQObj_GetName(object, name, sizeof name);
    h.text(name);
    h.add(MQObj_GetVisible(object));
    h.add(MQObj_GetMirrorType(object));
    h.add(MQObj_GetMirrorAxis(object));
    h.add(MQObj_GetMirrorDistance(object));
    h.add(MQObj_GetPatchType(object));
    h.add(MQObj_GetPatchSegment(object));
    int32_t vertices = MQObj_GetVertexCount(object);
    h.add(vertices);
    for (int32_t i = 0; i < vertices; ++i) {
        HostPoint p;
        MQObj_GetVertex(object, i, &p);
        h.add(p);
    }
    int32_t faces = MQObj_GetFaceCount(object);
    h.add(faces);
    std::vector<int32_t> indices;
    std::vector<HostUV> uvs;
    for (int32_t f = 0; f < faces; ++f) {
        int32_t points = MQObj_GetFacePointCount(object, f);
        h.add(points);
        h.add(MQObj_GetFaceMaterial(object, f));
        if (points <= 0) continue;
        indices.assign(static_cast<size_t>(points), 0);
        uvs.assign(static_cast<size_t>(points), HostUV{0, 0});
        MQObj_GetFacePointArray(object, f, indices.data());
        MQObj_GetFaceCoordinateArray(object, f, uvs.data());
        h.bytes(indices.data(), indices.size() * sizeof(int32_t));
        h.bytes(uvs.data(), uvs.size() * sizeof(HostUV));
        for (int32_t j = 0; j < points; ++j) h.add(MQObj_GetFaceVertexColor(object, f, j));
    }
    return h.value ? h.value : 1;
}

uint64_t PrintMaterial(HostMaterial material) {
    Hasher h;
    char text[1024];
    MQMat_GetName(material, text, sizeof text);
    h.text(text);
    MQMat_GetTextureName(material, text, sizeof text);
    h.text(text);
    HostRGB color;
    MQMat_GetColor(material, &color);
    h.add(color);
    h.add(MQMat_GetAlpha(material));
    h.add(MQMat_GetAmbient(material));
    h.add(MQMat_GetEmission(material));
    h.add(MQMat_GetIntValue(material, kMaterialShadeFlat));
    h.add(MQMat_GetIntValue(material, kMaterialShowsVertexColor));
    return h.value ? h.value : 1;
}

// ---- the panel --------------------------------------------------------------------------------

// Every control that shows or edits the selected object's record.
const int32_t kObjectControls[] = {
    IDC_REPEAT_COUNT, IDC_REPEAT_COUNT_SPIN, IDC_INVERT_FACES, IDC_PRESET_BLACK_FRAME,
    IDC_PRESET_COLOR_TRACE, IDC_PRESET_BLUR, IDC_PRESET_RESET, IDC_PRESET_BOTH_SIDES, IDC_FREEZE,
    IDC_QUICK_FREEZE, IDC_NORMAL_PUSH, IDC_PUSH_DISTANCE_SPIN, IDC_PUSH_DISTANCE, IDC_HEIGHT_MAP_ON,
    IDC_HEIGHT_MAP_SCALE, IDC_HEIGHT_MAP_FILE, IDC_LOAD_HEIGHT_MAP, IDC_BROWSE_HEIGHT_MAP,
    IDC_HEIGHT_MAP_SCALE_SPIN, IDC_VERTEX_COLOR_PUSH, IDC_VERTEX_COLOR_SCALE,
    IDC_VERTEX_COLOR_SCALE_SPIN, IDC_COLOR_MODE, IDC_BRIGHTNESS, IDC_BRIGHTNESS_SPIN,
    IDC_TRANSPARENCY, IDC_TRANSPARENCY_SPIN, IDC_EXTRACT_COLORS};
const int32_t kRecordChecks[] = {IDC_INVERT_FACES, IDC_NORMAL_PUSH, IDC_HEIGHT_MAP_ON,
                                 IDC_VERTEX_COLOR_PUSH};

struct NumberEdit {
    int32_t id;
    bool whole;        // an integer field
    double tolerance;  // what the panel's display precision may lose
};
const NumberEdit kNumberEdits[] = {
    {IDC_PUSH_DISTANCE, false, 0.0051},  {IDC_REPEAT_COUNT, true, 0},
    {IDC_VERTEX_COLOR_SCALE, false, 0.051}, {IDC_TRANSPARENCY, true, 0},
    {IDC_BRIGHTNESS, true, 0},           {IDC_HEIGHT_MAP_SCALE, false, 0.051}};

// The value the plug-in takes from an edit's text: its first 63 characters, read as it reads
// them.
double EditValue(int32_t id, bool whole) {
    char text[64] = {};
    GetWindowTextA(panel::Item(id), text, sizeof text);
    if (whole) return static_cast<double>(strtoll(text, nullptr, 10));
    return strtod(text, nullptr);
}

struct PanelView {
    std::vector<bool> enabled;
    std::vector<bool> checked;
    std::vector<double> values;  // NaN for a disabled edit
    std::string file;            // "" when the file-name edit is disabled
    int32_t comboSelection = -1;
    std::vector<std::string> comboEntries;
};

PanelView ReadPanel() {
    PanelView view;
    for (int32_t id : kObjectControls) view.enabled.push_back(panel::Enabled(id));
    for (int32_t id : kRecordChecks) view.checked.push_back(panel::Checked(id));
    for (const NumberEdit& edit : kNumberEdits)
        view.values.push_back(panel::Enabled(edit.id) ? EditValue(edit.id, edit.whole) : NAN);
    if (panel::Enabled(IDC_HEIGHT_MAP_FILE)) view.file = panel::Text(IDC_HEIGHT_MAP_FILE);
    view.comboSelection = static_cast<int32_t>(SendMessageA(panel::Item(IDC_COLOR_MODE), CB_GETCURSEL, 0, 0));
    view.comboEntries = panel::ComboEntries(IDC_COLOR_MODE);
    return view;
}

bool SameValue(double a, double b, double tolerance) {
    if (isnan(a) || isnan(b)) return isnan(a) && isnan(b);
    if (a == b) return true;
    return fabs(a - b) <= tolerance + 1e-6 * fmax(fabs(a), fabs(b));
}

// What differs between the panel as it was and as a reload of the selected row shows it.
// compareFile: nothing was typed into the file-name edit, which only displays the name.
std::string PanelDifference(const PanelView& shown, const PanelView& reloaded, bool compareFile) {
    char text[256];
    for (size_t i = 0; i < shown.enabled.size(); ++i) {
        if (shown.enabled[i] != reloaded.enabled[i]) {
            snprintf(text, sizeof text, "control %d was %s, the record makes it %s", kObjectControls[i],
                     shown.enabled[i] ? "enabled" : "disabled", reloaded.enabled[i] ? "enabled" : "disabled");
            return text;
        }
    }
    for (size_t i = 0; i < shown.checked.size(); ++i) {
        if (shown.checked[i] != reloaded.checked[i]) {
            snprintf(text, sizeof text, "check box %d was %s, the record says %s", kRecordChecks[i],
                     shown.checked[i] ? "checked" : "clear", reloaded.checked[i] ? "checked" : "clear");
            return text;
        }
    }
    for (size_t i = 0; i < shown.values.size(); ++i) {
        if (!SameValue(shown.values[i], reloaded.values[i], kNumberEdits[i].tolerance)) {
            snprintf(text, sizeof text, "edit %d showed %.9g, the record gives %.9g", kNumberEdits[i].id,
                     shown.values[i], reloaded.values[i]);
            return text;
        }
    }
    if (compareFile && shown.file != reloaded.file) return "the height-map file name differs from the record's";
    if (shown.comboEntries != reloaded.comboEntries) return "the material combo's entries changed on a reload";
    if (shown.comboSelection != reloaded.comboSelection) {
        snprintf(text, sizeof text, "the material combo showed entry %d, the record gives %d",
                 shown.comboSelection, reloaded.comboSelection);
        return text;
    }
    return "";
}

void CheckPanel(RunState& run) {
    if (!panel::FindPanel()) return;
    if (panel::SelectedRow() < 0) {
        // No row selected: the panel shows no object, every per-object control is disabled.
        for (int32_t id : kObjectControls) {
            if (panel::Enabled(id)) {
                Fail(run, "no row is selected but control " + std::to_string(id) + " is enabled");
                break;
            }
        }
        run.panelSynced = true;
        return;
    }
    if (!run.panelSynced) return;
    // An object without a record shows its push and height-map switches disabled; a redraw, a
    // list fill or a push-cache rebuild may give it a record (with the defaults) at any time,
    // which the panel shows at its next reload.
    if (panel::Enabled(IDC_REPEAT_COUNT) && !panel::Enabled(IDC_HEIGHT_MAP_ON)) return;
    PanelView shown = ReadPanel();
    const int32_t row = panel::SelectedRow(), slot = SelectedSlot();
    panel::ClickRow(row);
    wb::ProcessMessages();
    if (panel::SelectedRow() < 0) return;  // the reload's redraw refilled the list
    PanelView reloaded = ReadPanel();
    std::string difference = PanelDifference(shown, reloaded, run.fileEditTrusted);
    if (!difference.empty()) {
        char where[160];
        snprintf(where, sizeof where, " (row %d of %d, document index %d of %d, panel %s)", row,
                 panel::RowCount(), slot, MQDoc_GetObjectCount(wb::ActiveDocument()),
                 IsWindowVisible(panel::FindPanel()) ? "shown" : "hidden");
        Fail(run, "the panel did not show the selected object's record: " + difference + where);
    }
    // The reload wrote the record's file name into the edit if it shows one.
    if (panel::Enabled(IDC_HEIGHT_MAP_FILE)) run.fileEditTrusted = true;
}

// ---- draw objects -----------------------------------------------------------------------------

bool Finite(const HostPoint& p) { return isfinite(p.x) && isfinite(p.y) && isfinite(p.z); }
bool Extreme(const HostPoint& p) {
    return !Finite(p) || fabsf(p.x) > 1e30f || fabsf(p.y) > 1e30f || fabsf(p.z) > 1e30f;
}

void CheckDrawObjects(RunState& run) {
    std::vector<HostObject> layers = wb::DrawObjects();
    HostDocument doc = wb::ActiveDocument();
    int32_t count = MQDoc_GetObjectCount(doc);
    int32_t source = 0;
    for (size_t k = 0; k < layers.size(); ++k) {
        HostObject layer = layers[k];
        int32_t vertices = MQObj_GetVertexCount(layer), faces = MQObj_GetFaceCount(layer);
        // Layers come in document order; a draw event the host sent outside its own redraw
        // appends a second pass, which starts over at the first object.
        auto find = [&](int32_t from) {
            for (int32_t i = from; i < count; ++i) {
                HostObject object = MQDoc_GetObject(doc, i);
                if (object && MQObj_GetVertexCount(object) == vertices && MQObj_GetFaceCount(object) == faces) return i;
            }
            return count;
        };
        int32_t match = find(source);
        if (match >= count) match = find(0);
        if (match >= count) {
            char text[200];
            snprintf(text, sizeof text,
                     "draw object %zu has %d vertices and %d faces; no document object has as many",
                     k, vertices, faces);
            Fail(run, text);
            return;
        }
        source = match;
        if (run.extremeValues) continue;
        HostObject object = MQDoc_GetObject(doc, match);
        for (int32_t i = 0; i < vertices; ++i) {
            HostPoint p, q;
            MQObj_GetVertex(layer, i, &p);
            if (Finite(p)) continue;
            MQObj_GetVertex(object, i, &q);
            if (Extreme(q)) continue;
            char text[200];
            snprintf(text, sizeof text,
                     "draw object %zu (of document object %d) has vertex %d at (%g, %g, %g) from a "
                     "source vertex at (%g, %g, %g)",
                     k, match, i, p.x, p.y, p.z, q.x, q.y, q.z);
            Fail(run, text);
            return;
        }
    }
}

// ---- document changes -------------------------------------------------------------------------

void CheckDocumentChange(RunState& run, const StepKind& kind, const DocumentPrint& before,
                         const DocumentPrint& after, int32_t frozenSlot) {
    if (kind.editsDocument || after == before) return;
    if (kind.mayFreeze) ++run.counts.freezesDone;
    if (!kind.mayFreeze) {
        Fail(run, "the document changed although the step froze nothing");
        return;
    }
    // A freeze changes the selected object, adds at most one object and one material.
    char text[160];
    if (after.objects.size() < before.objects.size() || after.objects.size() > before.objects.size() + 1 ||
        after.materials.size() < before.materials.size() || after.materials.size() > before.materials.size() + 1) {
        snprintf(text, sizeof text, "a freeze took the document from %zu objects and %zu materials to %zu and %zu",
                 before.objects.size(), before.materials.size(), after.objects.size(), after.materials.size());
        Fail(run, text);
        return;
    }
    for (size_t i = 0; i < before.objects.size(); ++i) {
        if (after.objects[i] != before.objects[i] && static_cast<int32_t>(i) != frozenSlot) {
            snprintf(text, sizeof text, "a freeze of the object at index %d changed the object at index %zu",
                     frozenSlot, i);
            Fail(run, text);
            return;
        }
    }
    for (size_t i = 0; i < before.materials.size(); ++i) {
        if (after.materials[i] != before.materials[i]) {
            snprintf(text, sizeof text, "a freeze changed material %zu", i);
            Fail(run, text);
            return;
        }
    }
    // The frozen geometry keeps finite coordinates unless its source or the settings had extremes.
    if (run.extremeValues) return;
    HostDocument doc = wb::ActiveDocument();
    for (size_t i = 0; i < after.objects.size(); ++i) {
        if (i < before.objects.size() && after.objects[i] == before.objects[i]) continue;
        HostObject object = MQDoc_GetObject(doc, static_cast<int32_t>(i));
        int32_t vertices = object ? MQObj_GetVertexCount(object) : 0;
        for (int32_t v = 0; v < vertices; ++v) {
            HostPoint p;
            MQObj_GetVertex(object, v, &p);
            if (Finite(p)) continue;
            snprintf(text, sizeof text, "the frozen object at index %zu has vertex %d at (%g, %g, %g)", i,
                     v, p.x, p.y, p.z);
            Fail(run, text);
            return;
        }
    }
}

// Loads path with the host's loader and releases the blocks; true when it loaded.
bool HostLoads(const std::string& path) {
    void* header = nullptr;
    void* pixels = nullptr;
    int32_t loaded = MQ_LoadImage(path.c_str(), &header, &pixels, 0);
    if (header) LocalFree(header);
    if (pixels) LocalFree(pixels);
    return loaded != 0;
}

void CheckDialogs(RunState& run, const StepKind& kind) {
    const char kLoadFailed[] = "なんか読み込み失敗";
    bool messageBox = false;
    if (HostWorkedWhileOpen()) ++run.counts.dialogsWithHostWork;
    for (const DialogSeen& seen : SeenDialogs()) {
        ++run.counts.dialogs;
        switch (seen.kind) {
        case DialogKind::MessageBox:
            // A freeze that does not fit in memory is refused with a word of its own.
            if (kind.mayFreeze && seen.text.find("フリーズできません") != std::string::npos) break;
            messageBox = true;
            ++run.counts.loadsRefused;
            if (seen.text != kLoadFailed) Fail(run, "a message box said \"" + seen.text + "\"");
            // Its caption is the file the record names, which the panel showed.
            if (kind.expectLoad && seen.caption != kind.loadPath)
                Fail(run, "the load failure named \"" + seen.caption + "\" while the panel showed \"" + kind.loadPath + "\"");
            break;
        case DialogKind::Other:
            Fail(run, "an unknown dialog \"" + seen.caption + "\" came up");
            break;
        case DialogKind::FreezeOptions:
            if (!seen.closedByAnswer) Fail(run, "the freeze dialog did not close when answered");
            break;
        case DialogKind::OpenFile:
            break;  // a folder or a path that does not exist keeps it open: it is then cancelled
        }
    }
    if (!kind.expectLoad) return;
    bool loads = HostLoads(kind.loadPath);
    if (messageBox && loads) Fail(run, "loading \"" + kind.loadPath + "\" failed in the plug-in but works");
    if (!messageBox && !loads) Fail(run, "loading \"" + kind.loadPath + "\" failed without the message box");
}

}  // namespace

void Fail(RunState& run, const std::string& what) {
    ++run.progress.failures;
    if (run.progress.failures <= kMaxPrintedFailures) {
        printf("FAILURE at step %lld (sequence %lld, seed %llu) during %s: %s\n",
               static_cast<long long>(run.progress.steps + 1), static_cast<long long>(run.progress.sequences),
               static_cast<unsigned long long>(run.progress.seed), run.progress.action, what.c_str());
        fflush(stdout);
    }
}

DocumentPrint PrintDocument(HostDocument document) {
    DocumentPrint print;
    int32_t objects = MQDoc_GetObjectCount(document);
    for (int32_t i = 0; i < objects; ++i) {
        HostObject object = MQDoc_GetObject(document, i);
        print.objects.push_back(object ? PrintObject(object) : 0);
    }
    int32_t materials = MQDoc_GetMaterialCount(document);
    for (int32_t i = 0; i < materials; ++i) {
        HostMaterial material = MQDoc_GetMaterial(document, i);
        print.materials.push_back(material ? PrintMaterial(material) : 0);
    }
    return print;
}

std::vector<int32_t> ObjectSlots(HostDocument document) {
    std::vector<int32_t> slots;
    int32_t objects = MQDoc_GetObjectCount(document);
    for (int32_t i = 0; i < objects; ++i) {
        HostObject object = MQDoc_GetObject(document, i);
        slots.push_back(object ? MQObj_GetIntValue(object, kObjectUniqueId) : 0);
    }
    return slots;
}

void CheckStep(RunState& run, const StepKind& kind, const DocumentPrint& before, int32_t redrawsBefore,
               int32_t redrawsAfterAction) {
    CheckDialogs(run, kind);
    int64_t stale = wb::StaleHandleUses();
    if (stale != run.staleHandleUses) {
        char text[160];
        snprintf(text, sizeof text, "%lld host calls were made with handles of objects or materials the host had "
                 "already destroyed", static_cast<long long>(stale - run.staleHandleUses));
        Fail(run, text);
        run.staleHandleUses = stale;
    }
    CheckPanel(run);
    DocumentPrint after = PrintDocument(wb::ActiveDocument());
    CheckDocumentChange(run, kind, before, after, kind.frozenSlot);

    // Draw objects are checked against the document they were built from: the last redraw must
    // have come after the last change of the document.
    if (!(after == before)) run.drawsStale = wb::RedrawCount() == redrawsAfterAction;
    else if (wb::RedrawCount() != redrawsBefore) run.drawsStale = false;
    if (!run.drawsStale) CheckDrawObjects(run);
}

void CheckBlocksBalanced(RunState& run, const char* when) {
    int64_t live = wb::ImageBlocksAllocated() - wb::ImageBlocksFreed();
    if (live != 0) {
        char text[160];
        snprintf(text, sizeof text, "%lld image blocks were never released %s (%lld handed out)",
                 static_cast<long long>(live), when, static_cast<long long>(wb::ImageBlocksAllocated()));
        Fail(run, text);
    }
}

}  // namespace stress
