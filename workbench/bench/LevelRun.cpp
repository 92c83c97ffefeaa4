#include "workbench/bench/LevelRun.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>

#include "display/ShellMemory.h"
#include "plugin/HostApi.h"
#include "ui/ResourceIds.h"
#include "workbench/bench/BenchSteps.h"
#include "workbench/bench/Harness.h"
#include "workbench/bench/Icosphere.h"
#include "workbench/bench/PanelInput.h"
#include "workbench/bench/PushCacheSize.h"
#include "workbench/host/Model.h"  // element sizes, for the bytes a merge copies
#include "workbench/host/Workbench.h"

namespace {

// Layers of the two cases: the black frame and the blur preset (extracted colours).
const int32_t kBlackFrameLayers = 1;
const int32_t kBlurLayers = 5;
// The check that memory does not grow over many redraws runs up to this mesh size (ico7, 330k
// triangles); on the largest mesh 200 redraws of 5 layers would take minutes.
const int32_t kLeakCheckMaxLevel = 7;

// The mesh as one object of the active document, built through the host functions.
HostObject AddIcosphere(int32_t level) {
    std::vector<HostPoint> vertices;
    std::vector<int32_t> triangles;
    MakeIcosphere(level, vertices, triangles);
    HostApi& host = Host();
    HostObject object = host.MQ_CreateObject();
    host.MQObj_SetName(object, "icosphere");
    for (const HostPoint& p : vertices) host.MQObj_AddVertex(object, &p);
    for (size_t i = 0; i + 2 < triangles.size(); i += 3) host.MQObj_AddFace(object, 3, &triangles[i]);
    host.MQDoc_AddObject(wb::ActiveDocument(), object);
    return object;
}

// The bytes a merge of source copies: its vertices, faces and face corners as the host keeps them.
size_t MergeBytes(HostObject source) {
    using namespace wb::detail;
    HostApi& host = Host();
    const int32_t faceCount = host.MQObj_GetFaceCount(source);
    size_t corners = 0;
    for (int32_t f = 0; f < faceCount; ++f) corners += host.MQObj_GetFacePointCount(source, f);
    return static_cast<size_t>(host.MQObj_GetVertexCount(source)) * sizeof(Vertex) +
           static_cast<size_t>(faceCount) * sizeof(Face) + corners * sizeof(Corner);
}

// Nanoseconds per call of the host functions a layer costs, each over every vertex or face of a
// draw object holding a copy of source (the best of a few rounds).
void AddHostCallCosts(Figures* figures, HostDocument document, HostObject source) {
    HostApi& host = Host();
    wb::Redraw();
    int32_t visibility = kLayerVisibility;
    OptionPair options[] = {{"document", document}, {"visibility", &visibility}, {"result", nullptr},
                            {nullptr, nullptr}};
    HostMessage message = {0, 0, 0, options};
    host.MQ_SendMessage(kMessageCreateDrawObject, &message);
    HostObject copy = static_cast<HostObject>(options[2].value);
    host.MQObj_Merge(copy, source);
    const int32_t vertexCount = host.MQObj_GetVertexCount(copy);
    const int32_t faceCount = host.MQObj_GetFaceCount(copy);
    auto perCall = [&](const char* key, int32_t calls, const std::function<void()>& loop) {
        RunStats stats = TimeRuns(1, 5, loop);
        Add(figures, std::string("call_ns_") + key, stats.minMs * 1e6 / (calls > 0 ? calls : 1));
    };
    int32_t sink = 0;
    perCall("get_set_vertex", vertexCount, [&] {
        for (int32_t i = 0; i < vertexCount; ++i) {
            HostPoint p;
            host.MQObj_GetVertex(copy, i, &p);
            host.MQObj_SetVertex(copy, i, &p);
        }
    });
    perCall("face_point_count", faceCount, [&] {
        for (int32_t f = 0; f < faceCount; ++f) sink += host.MQObj_GetFacePointCount(copy, f);
    });
    perCall("face_point_array", faceCount, [&] {
        int32_t indices[4];
        for (int32_t f = 0; f < faceCount; ++f) host.MQObj_GetFacePointArray(copy, f, indices);
        sink += indices[0];
    });
    perCall("invert_face", faceCount, [&] {
        for (int32_t f = 0; f < faceCount; ++f) host.MQObj_InvertFace(copy, f);
    });
    perCall("set_face_material", faceCount, [&] {
        for (int32_t f = 0; f < faceCount; ++f) host.MQObj_SetFaceMaterial(copy, f, 0);
    });
    perCall("set_face_vertex_color_x3", faceCount, [&] {
        for (int32_t f = 0; f < faceCount; ++f)
            for (int32_t j = 0; j < 3; ++j) host.MQObj_SetFaceVertexColor(copy, f, j, 0xFF000000u);
    });
    RunStats merge = TimeRuns(1, 5, [&] { host.MQObj_Merge(copy, source); }, [&] {
        wb::Redraw();
        host.MQ_SendMessage(kMessageCreateDrawObject, &message);
        copy = static_cast<HostObject>(options[2].value);
    });
    Add(figures, "merge_reused_min_ms", merge.minMs);
    // The same bytes copied into memory that is already there, as the reused arrays are.
    std::vector<char> from(MergeBytes(source), 1), to(from.size(), 0);
    RunStats warmCopy = TimeRuns(1, 5, [&] { memcpy(to.data(), from.data(), from.size()); });
    Add(figures, "memcpy_warm_min_ms", warmCopy.minMs);
    Add(figures, "call_sink", sink & 1);
}

// Timed repetitions per mesh size: fewer for the big meshes.
int32_t RunsFor(int32_t level) {
    switch (level) {
    case 5: return 25;
    case 6: return 15;
    case 7: return 11;
    default: return 5;
    }
}

// Private memory after `redraws` redraws, minus after a warm-up of ten.
double PrivateGrowth(int32_t redraws) {
    for (int32_t i = 0; i < 10; ++i) wb::Redraw();
    const double before = ReadMemory().privateBytes;
    for (int32_t i = 0; i < redraws; ++i) wb::Redraw();
    return ReadMemory().privateBytes - before;
}

}  // namespace

bool RunLevel(int32_t level, int32_t leakRedraws, Figures* figures, std::string* error) {
    if (!BindWorkbench(error)) return false;
    HostApi& host = Host();
    const int32_t runs = RunsFor(level);

    HostDocument document = wb::NewDocument();
    HostObject source = AddIcosphere(level);
    const int32_t vertexCount = host.MQObj_GetVertexCount(source);
    const int32_t faceCount = host.MQObj_GetFaceCount(source);
    Add(figures, "level", level);
    Add(figures, "vertices", vertexCount);
    Add(figures, "triangles", faceCount);

    if (!StartPlugin(error)) return false;
    ClickRow(0);
    Settle();
    // Layers get a material index past the document's own (none here), as a draw material's.
    const int32_t material = host.MQDoc_GetMaterialCount(document);
    const std::string run = "ico" + std::to_string(level);
    const std::vector<HostObject> sources = {source};
    // The most layers of this mesh the draw pass builds in this process as it stands (document
    // and plug-in loaded, no shell yet), by the plug-in's own estimate and memory reading.
    {
        MeshSize size;
        size.vertices = vertexCount;
        size.faces = faceCount;
        size.corners = 3 * static_cast<int64_t>(faceCount);
        Add(figures, "layers_that_fit", floor(MemoryHeadroomBytes() / LayerCostBytes(size)));
        Add(figures, "layer_cost_bytes", LayerCostBytes(size));
    }

    // Each case: the plug-in's redraw, its rebuild on its own, and the host's share with the
    // layers the redraw built (fewer than asked for when the process cannot hold them all).
    auto measureCase = [&](const std::string& key, int32_t presetId, int32_t layers, bool inverted) {
        Progress(run, key.c_str());
        ClickControl(presetId);  // switches the shell on
        Settle();
        AddStats(figures, key + "_redraw", TimeRuns(2, runs, [] { wb::Redraw(); }));
        const int32_t built = static_cast<int32_t>(wb::DrawObjects().size());
        Add(figures, key + "_layers_requested", layers);
        Add(figures, key + "_layers_built", built);
        Add(figures, key + "_peak_working_set", ReadMemory().peakWorkingSetBytes);
        AddRebuild(figures, key, TimeRebuild(runs, document));
        TickRow(0, false);
        Settle();
        wb::Redraw();
        Progress(run, (key + ": host copy").c_str());
        AddStats(figures, key + "_host_copy",
                 TimeHostCopy(2 * runs, document, sources, {built}, material));
        AddStats(figures, key + "_host_calls",
                 TimeDrawPassCalls(runs, document, sources, {built}, material, inverted));
    };
    measureCase("black_frame", IDC_PRESET_BLACK_FRAME, kBlackFrameLayers, true);
    measureCase("blur", IDC_PRESET_BLUR, kBlurLayers, false);

    // ---- nothing grows between redraws --------------------------------------------------------------
    if (leakRedraws > 0 && level <= kLeakCheckMaxLevel) {
        Progress(run, "repeated redraws");
        TickRow(0, true);  // the blur settings are still the object's
        Settle();
        Add(figures, "blur_growth_redraws", leakRedraws);
        Add(figures, "blur_private_growth", PrivateGrowth(leakRedraws));
        ClickControl(IDC_PRESET_BLACK_FRAME);
        Settle();
        Add(figures, "black_frame_growth_redraws", leakRedraws);
        Add(figures, "black_frame_private_growth", PrivateGrowth(leakRedraws));
    }

    // ---- the push cache's size ------------------------------------------------------------------
    Progress(run, "push cache");
    {
        // Counted from the cache's arrays; and, as a cross-check, the private memory that the
        // panel's rebuilds add for the object with every array (blocks this large are mapped
        // and unmapped on their own, so the difference shows them).
        const PushCacheBytes counted = CountPushCacheBytes(document, 0);
        Add(figures, "push_cache_directions_bytes", counted.directionsOnly);
        Add(figures, "push_cache_all_bytes", counted.allArrays);
        TickRow(0, false);
        Settle();
        wb::Redraw();  // a rebuild with the object switched off: an empty cache, no layers
        const double without = ReadMemory().privateBytes;
        TickRow(0, true);
        wb::PumpWindowMessages();
        ClickControl(IDC_HEIGHT_MAP_ON);  // each switch rebuilds the cache at once
        ClickControl(IDC_VERTEX_COLOR_PUSH);
        wb::PumpWindowMessages();
        Add(figures, "push_cache_all_private_bytes", ReadMemory().privateBytes - without);
        Settle();
    }

    wb::UnloadPlugin();
    Add(figures, "peak_working_set", ReadMemory().peakWorkingSetBytes);

    // The host's own costs come last: their buffers are the benchmark's, not the plug-in's, and
    // must not count in the peaks above.
    // ---- a merge against a plain copy of the same bytes, both into fresh memory ------------------
    Progress(run, "merge");
    {
        const size_t bytes = MergeBytes(source);
        HostObject target = nullptr;
        RunStats merge = TimeRuns(
            2, runs, [&] { host.MQObj_Merge(target, source); },
            [&] {
                if (target) host.MQObj_Delete(target);
                target = host.MQ_CreateObject();
            });
        host.MQObj_Delete(target);
        std::vector<char> from(bytes, 1);
        char* to = nullptr;
        RunStats copy = TimeRuns(
            2, runs,
            [&] {
                to = static_cast<char*>(malloc(bytes));
                if (to) memcpy(to, from.data(), bytes);
            },
            [&] {
                free(to);
                to = nullptr;
            });
        free(to);
        Add(figures, "merge_bytes", static_cast<double>(bytes));
        AddStats(figures, "merge", merge);
        AddStats(figures, "memcpy", copy);
    }

    Progress(run, "host calls");
    AddHostCallCosts(figures, document, source);
    return true;
}

bool WriteFigures(const std::string& path, const Figures& figures) {
    FILE* file = fopen(path.c_str(), "w");
    if (!file) return false;
    for (const auto& figure : figures) fprintf(file, "%s %.6f\n", figure.first.c_str(), figure.second);
    return fclose(file) == 0;
}

bool ReadFigures(const std::string& path, Figures* figures) {
    FILE* file = fopen(path.c_str(), "r");
    if (!file) return false;
    char key[128];
    double value;
    while (fscanf(file, "%127s %lf", key, &value) == 2) figures->emplace_back(key, value);
    fclose(file);
    return !figures->empty();
}

double FigureOf(const Figures& figures, const std::string& key, double fallback) {
    for (const auto& figure : figures)
        if (figure.first == key) return figure.second;
    return fallback;
}
