#include "workbench/bench/BenchSteps.h"

#include <stdio.h>
#include <stdlib.h>

#include <windows.h>

#include "geometry/VertexPushCache.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"
#include "ui/ObjectList.h"
#include "workbench/bench/PanelInput.h"
#include "workbench/bench/RebuildReplay.h"
#include "workbench/host/Workbench.h"

void Add(Figures* figures, const std::string& key, double value) {
    figures->emplace_back(key, value);
}

void AddStats(Figures* figures, const std::string& key, const RunStats& stats) {
    Add(figures, key + "_min_ms", stats.minMs);
    Add(figures, key + "_median_ms", stats.medianMs);
    Add(figures, key + "_runs", stats.runs);
}

void Progress(const std::string& run, const char* what) {
    printf("  [%s] %s\n", run.c_str(), what);
    fflush(stdout);
}

bool BindWorkbench(std::string* error) {
    HMODULE module = GetModuleHandleA("WorkbenchHost.dll");
    char path[MAX_PATH] = {};
    if (!module || !GetModuleFileNameA(module, path, MAX_PATH) || !BindHostApi(path)) {
        *error = "cannot bind the host functions of WorkbenchHost.dll";
        return false;
    }
    return true;
}

bool StartPlugin(std::string* error) {
    if (!wb::LoadPlugin(BesideThisProgram("Puffshell.dll").c_str(), error)) return false;
    wb::ActivatePlugin(true);
    Settle();
    if (!FindPanel()) {
        *error = "the plug-in's panel did not appear";
        return false;
    }
    return true;
}

void Settle() { wb::ProcessMessages(); }

std::vector<int32_t> LayersPerSource(size_t sources, int32_t requested, size_t built) {
    std::vector<int32_t> layers(sources, 0);
    for (size_t i = 0; i < sources && built > 0; ++i) {
        const size_t here = built < static_cast<size_t>(requested) ? built : requested;
        layers[i] = static_cast<int32_t>(here);
        built -= here;
    }
    return layers;
}

void HostCopy(HostDocument document, const std::vector<HostObject>& sources,
              const std::vector<int32_t>& layers, int32_t material) {
    HostApi& host = Host();
    uint32_t firstId = 0, secondId = 0;
    wb::PluginIds(&firstId, &secondId);
    for (size_t s = 0; s < sources.size() && s < layers.size(); ++s) {
        for (int32_t layer = 0; layer < layers[s]; ++layer) {
            int32_t visibility = kLayerVisibility;
            OptionPair options[] = {{"document", document},
                                    {"visibility", &visibility},
                                    {"result", nullptr},
                                    {nullptr, nullptr}};
            HostMessage message = {firstId, secondId, 0, options};
            host.MQ_SendMessage(kMessageCreateDrawObject, &message);
            HostObject copy = static_cast<HostObject>(options[2].value);
            if (!copy) continue;
            host.MQObj_Merge(copy, sources[s]);
            const int32_t vertexCount = host.MQObj_GetVertexCount(copy);
            for (int32_t i = 0; i < vertexCount; ++i) {
                HostPoint p;
                host.MQObj_GetVertex(copy, i, &p);
                host.MQObj_SetVertex(copy, i, &p);
            }
            const int32_t faceCount = host.MQObj_GetFaceCount(copy);
            for (int32_t f = 0; f < faceCount; ++f) host.MQObj_InvertFace(copy, f);
            for (int32_t f = 0; f < faceCount; ++f) host.MQObj_SetFaceMaterial(copy, f, material);
        }
    }
}

RunStats TimeHostCopy(int32_t runs, HostDocument document, const std::vector<HostObject>& sources,
                      const std::vector<int32_t>& layers, int32_t material) {
    return TimeRuns(2, runs, [&] {
        wb::Redraw();
        HostCopy(document, sources, layers, material);
    });
}

namespace {

void ReplayLayer(HostDocument document, HostObject source, int32_t index, int32_t material,
                 bool inverted) {
    HostApi& host = Host();
    int32_t visibility = kLayerVisibility;
    OptionPair options[] = {{"document", document},
                            {"visibility", &visibility},
                            {"result", nullptr},
                            {nullptr, nullptr}};
    HostMessage message = {0, 0, 0, options};
    host.MQ_SendMessage(kMessageCreateDrawObject, &message);
    HostObject copy = static_cast<HostObject>(options[2].value);
    if (!copy) return;
    host.MQObj_Merge(copy, source);
    // The displacement finds its source and settings again.
    host.MQObj_GetIntValue(host.MQDoc_GetObject(document, index), kObjectUniqueId);
    const int32_t vertexCount = host.MQObj_GetVertexCount(copy);
    for (int32_t i = 0; i < vertexCount; ++i) {
        HostPoint p;
        host.MQObj_GetVertex(copy, i, &p);
        host.MQObj_SetVertex(copy, i, &p);
    }
    if (inverted) {
        const int32_t faceCount = host.MQObj_GetFaceCount(copy);
        for (int32_t f = 0; f < faceCount; ++f)
            if (host.MQObj_GetFacePointCount(copy, f) >= 3) host.MQObj_InvertFace(copy, f);
    }
    const int32_t faceCount = host.MQObj_GetFaceCount(copy);
    for (int32_t f = 0; f < faceCount; ++f)
        if (host.MQObj_GetFacePointCount(copy, f) >= 3) host.MQObj_SetFaceMaterial(copy, f, material);
    if (!inverted) {
        host.MQObj_GetIntValue(source, kObjectUniqueId);
        const int32_t colored = host.MQObj_GetFaceCount(copy);
        for (int32_t f = 0; f < colored; ++f) {
            const int32_t count = host.MQObj_GetFacePointCount(copy, f);
            if (count < 3 || count > 4) continue;
            int32_t indices[4];
            host.MQObj_GetFacePointArray(copy, f, indices);
            for (int32_t j = 0; j < count; ++j) host.MQObj_SetFaceVertexColor(copy, f, j, 0xFF000000u);
        }
    }
    host.MQObj_SetMirrorType(copy, host.MQObj_GetMirrorType(source));
    host.MQObj_SetMirrorAxis(copy, host.MQObj_GetMirrorAxis(source));
    host.MQObj_SetMirrorDistance(copy, host.MQObj_GetMirrorDistance(source));
    host.MQObj_SetPatchType(copy, host.MQObj_GetPatchType(source));
    host.MQObj_SetPatchSegment(copy, host.MQObj_GetPatchSegment(source));
    host.MQObj_Freeze(copy, kLayerFreezeFlags);
}

}  // namespace

RunStats TimeDrawPassCalls(int32_t runs, HostDocument document,
                           const std::vector<HostObject>& sources,
                           const std::vector<int32_t>& layers, int32_t material, bool inverted) {
    HostApi& host = Host();
    return TimeRuns(2, runs, [&] {
        wb::Redraw();
        // Per object: the object, whether it is shown, its settings by unique ID.
        const int32_t count = host.MQDoc_GetObjectCount(document);
        for (int32_t index = 0, s = 0; index < count && s < static_cast<int32_t>(sources.size()); ++index) {
            HostObject object = host.MQDoc_GetObject(document, index);
            if (object != sources[s]) continue;
            host.MQObj_GetVisible(object);
            host.MQObj_GetIntValue(object, kObjectUniqueId);
            for (int32_t layer = 0; layer < layers[s]; ++layer)
                ReplayLayer(document, object, index, material, inverted);
            ++s;
        }
    });
}

RebuildTimes TimeRebuild(int32_t runs, HostDocument document, int64_t checkFaces) {
    HostApi& host = Host();
    const int32_t count = host.MQDoc_GetObjectCount(document);
    currentDocument = document;
    int64_t faces = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (HostObject object = host.MQDoc_GetObject(document, i)) {
            SettingsOf(object).enabled = 1;
            faces += host.MQObj_GetFaceCount(object);
        }
    }
    RebuildTimes times;
    // The first rebuild fills this program's object list snapshot; later ones only compare, as a
    // draw pass does when no object came or went.
    if (faces <= checkFaces) times.checkedCalls = CheckRebuildReplay(document);
    auto rebuild = [&] {
        RefreshObjectListIfChanged();
        RebuildPushCache(document);
    };
    auto replay = [&] { ReplayRebuildCalls(document); };
    rebuild();
    replay();
    std::vector<double> rebuildMs, replayMs;
    // With BENCH_WINDOWS set, each run's clock window for a profile (profile-windows.py).
    const bool windows = getenv("BENCH_WINDOWS") != nullptr;
    for (int32_t run = 0; run < runs; ++run) {
        double start = NowMs();
        rebuild();
        rebuildMs.push_back(NowMs() - start);
        if (windows) fprintf(stderr, "WINDOW rebuild %.4f %.4f\n", start, NowMs());
        start = NowMs();
        replay();
        replayMs.push_back(NowMs() - start);
        if (windows) fprintf(stderr, "WINDOW replay %.4f %.4f\n", start, NowMs());
    }
    times.rebuild = Summarize(rebuildMs);
    times.replay = Summarize(replayMs);
    Settings().clear();
    RebuildPushCache(nullptr);  // empty again
    currentDocument = nullptr;
    return times;
}

void AddRebuild(Figures* figures, const std::string& key, const RebuildTimes& times) {
    AddStats(figures, key + "_rebuild", times.rebuild);
    AddStats(figures, key + "_rebuild_calls", times.replay);
    Add(figures, key + "_rebuild_calls_checked", static_cast<double>(times.checkedCalls));
}
