#include "workbench/bench/DocumentRun.h"

#include <stdio.h>

#include "plugin/HostApi.h"
#include "ui/ResourceIds.h"
#include "workbench/bench/PanelInput.h"
#include "workbench/bench/Torus.h"
#include "workbench/host/Workbench.h"

// Both hold about 1.2M triangles, like the largest single mesh (ico8, 1.3M).
const ManyObjectDocument kManyObjectDocuments[2] = {
    {"many2000", 2000, 15, 20},  // 600 triangles each
    {"many200", 200, 50, 60},    // 6,000 triangles each
};

namespace {

const int32_t kRuns = 5;
const int32_t kBlurLayers = 5;

// The tori in a square grid, one object each, named "part<n>".
std::vector<HostObject> AddTori(const ManyObjectDocument& layout) {
    HostApi& host = Host();
    std::vector<HostPoint> vertices;
    std::vector<int32_t> triangles;
    std::vector<HostObject> objects;
    int32_t columns = 1;
    while (columns * columns < layout.objects) ++columns;
    for (int32_t n = 0; n < layout.objects; ++n) {
        const HostPoint centre = {3.0f * (n % columns), 3.0f * (n / columns), 0.0f};
        MakeTorus(layout.rings, layout.sides, 1.0f, 0.3f, centre, vertices, triangles);
        HostObject object = host.MQ_CreateObject();
        char name[32];
        snprintf(name, sizeof name, "part%d", n);
        host.MQObj_SetName(object, name);
        for (const HostPoint& p : vertices) host.MQObj_AddVertex(object, &p);
        for (size_t i = 0; i + 2 < triangles.size(); i += 3) host.MQObj_AddFace(object, 3, &triangles[i]);
        host.MQDoc_AddObject(wb::ActiveDocument(), object);
        objects.push_back(object);
    }
    return objects;
}

// A preset on every object, the way a person can do it with a single-selection list: click the
// row, press the preset. Every object is switched off first and again right after its preset, so
// that the rebuild each preset starts covers one object and the set-up stays linear; then every
// row is ticked on.
void ApplyPresetToEveryObject(int32_t presetId, int32_t objects) {
    for (int32_t row = 0; row < objects; ++row) TickRow(row, false);
    wb::PumpWindowMessages();
    for (int32_t row = 0; row < objects; ++row) {
        ClickRow(row);
        ClickControl(presetId);
        TickRow(row, false);
        wb::PumpWindowMessages();
    }
    for (int32_t row = 0; row < objects; ++row) TickRow(row, true);
    Settle();
}

void MeasureCase(const std::string& key, int32_t presetId, int32_t layers, bool inverted,
                 const std::vector<HostObject>& objects, HostDocument document, int32_t material,
                 Figures* figures) {
    Progress(key, "setting every object");
    ApplyPresetToEveryObject(presetId, static_cast<int32_t>(objects.size()));
    Progress(key, "redraw");
    AddStats(figures, key + "_redraw", TimeRuns(1, kRuns, [] { wb::Redraw(); }));
    const size_t built = wb::DrawObjects().size();
    Add(figures, key + "_layers_requested", static_cast<double>(layers) * objects.size());
    Add(figures, key + "_layers_built", static_cast<double>(built));
    Progress(key, "rebuild");
    AddRebuild(figures, key, TimeRebuild(kRuns, document));
    Progress(key, "host copy");
    ClickControl(IDC_DISABLE_ALL);  // "無効化": the plug-in draws nothing meanwhile
    Settle();
    const std::vector<int32_t> perObject = LayersPerSource(objects.size(), layers, built);
    AddStats(figures, key + "_host_copy", TimeHostCopy(kRuns, document, objects, perObject, material));
    AddStats(figures, key + "_host_calls",
             TimeDrawPassCalls(kRuns, document, objects, perObject, material, inverted));
    ClickControl(IDC_DISABLE_ALL);
    Settle();
}

}  // namespace

bool RunDocument(const ManyObjectDocument& layout, Figures* figures, std::string* error) {
    if (!BindWorkbench(error)) return false;
    HostApi& host = Host();
    HostDocument document = wb::NewDocument();
    Progress(layout.name, "building the document");
    const std::vector<HostObject> objects = AddTori(layout);
    double triangles = 0, vertices = 0;
    for (HostObject object : objects) {
        triangles += host.MQObj_GetFaceCount(object);
        vertices += host.MQObj_GetVertexCount(object);
    }
    Add(figures, "objects", layout.objects);
    Add(figures, "triangles", triangles);
    Add(figures, "vertices", vertices);
    if (!StartPlugin(error)) return false;
    const int32_t material = host.MQDoc_GetMaterialCount(document);

    MeasureCase("black_frame", IDC_PRESET_BLACK_FRAME, 1, true, objects, document, material, figures);
    MeasureCase("blur", IDC_PRESET_BLUR, kBlurLayers, false, objects, document, material, figures);
    wb::UnloadPlugin();
    return true;
}

bool RunObjectList(int32_t objects, Figures* figures, std::string* error) {
    if (!BindWorkbench(error)) return false;
    HostApi& host = Host();
    HostDocument document = wb::NewDocument();
    auto addTriangle = [&](int32_t n) {
        HostObject object = host.MQ_CreateObject();
        char name[32];
        snprintf(name, sizeof name, "part%d", n);
        host.MQObj_SetName(object, name);
        const HostPoint corners[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        for (const HostPoint& p : corners) host.MQObj_AddVertex(object, &p);
        const int32_t face[3] = {0, 1, 2};
        host.MQObj_AddFace(object, 3, face);
        host.MQDoc_AddObject(document, object);
    };
    for (int32_t n = 0; n < objects; ++n) addTriangle(n);
    Add(figures, "objects", objects);
    if (!StartPlugin(error)) return false;

    // Showing the panel fills the list (and rebuilds the empty push cache).
    Progress("list", "fill on showing the panel");
    AddStats(figures, "list_fill", TimeRuns(1, kRuns, [] { wb::ActivatePlugin(true); },
                                            [] { Settle(); }));
    // An object added: the next redraw finds the list out of step and refills it.
    Progress("list", "refill after an object was added");
    int32_t added = objects;
    AddStats(figures, "list_refill", TimeRuns(1, kRuns, [] { wb::Redraw(); }, [&] {
                 Settle();
                 addTriangle(added++);
                 wb::SendEvent(kEventObjectListUpdated, nullptr);
             }));
    wb::UnloadPlugin();
    return true;
}
