#include "workbench/app/DemoScript.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>

#include <algorithm>
#include <sstream>
#include <string>

#include <windows.h>

#include "workbench/app/HostLoop.h"
#include "workbench/app/InteractiveView.h"
#include "workbench/app/PanelSteps.h"
#include "workbench/app/SceneBuilder.h"
#include "workbench/host/Workbench.h"
#include "workbench/panel/PanelDriver.h"

namespace workbench {

namespace {

// The default scene's pictures come a little closer than the renderer's fitted view, which
// leaves room for a whole turn around the scene; a loaded scene keeps the fitted view.
const float kDefaultSceneZoom = 1.3f;

// A run's state: the options, the scene, and the values the script types into the panel.
struct Run {
    Run(const Options& o, RunReport& r) : options(o), report(r) {}
    const Options& options;
    RunReport& report;
    std::string out;              // the output folder's full path
    SceneInfo scene;
    std::string heightMap;        // image the height-map step loads
    bool typeDistance = false;    // type `distance` after each preset
    float distance = 1.0f;
    float heightMapScale = 4.0f;  // typed into the height-map scale edit
    std::vector<int32_t> heightMapRows;
};

// Prints "workbench: message" to stderr, keeps it in the report and returns code.
int Fail(Run& run, int code, const std::string& message) {
    fprintf(stderr, "workbench: %s\n", message.c_str());
    fflush(stderr);
    run.report.error = message;
    return code;
}

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    fflush(stdout);
}

bool MakeFolders(const std::string& path) {
    std::string partial;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (!partial.empty() && partial.back() != ':' && partial != "." && partial != "..") {
                if (!CreateDirectoryA(partial.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                    return false;
            }
        }
        if (i < path.size()) partial += path[i];
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string InOut(const Run& run, const char* file) { return run.out + "\\" + file; }

// The full path of a file or folder name, with backslashes: the open-file dialog takes nothing
// else.
std::string FullPath(const std::string& path) {
    std::string name = path;
    for (char& c : name)
        if (c == '/') c = '\\';
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(name.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(full, n) : name;
}

// A value in proportion to the scene's size, rounded to `decimals` as the panel's edit shows it:
// at least one unit of the last decimal and at most a million (a file's coordinates may be
// anything).
float ScaledToScene(float radius, float fraction, int decimals) {
    const float unit = decimals == 2 ? 0.01f : 0.1f;
    const float value = isfinite(radius) ? radius * fraction : kMaxDistance;
    return std::min(kMaxDistance, std::max(unit, roundf(value / unit) * unit));
}

// ---- checks before anything runs -------------------------------------------------------------

// The height-map image must exist and load through the host's image loader.
bool CheckImage(const std::string& path, std::string* error) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *error = path + ": no such file";
        return false;
    }
    void* header = nullptr;
    void* pixels = nullptr;
    const bool loaded = (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                        MQ_LoadImage(path.c_str(), &header, &pixels, 0) != 0;
    if (header) LocalFree(header);
    if (pixels) LocalFree(pixels);
    if (!loaded) *error = path + ": cannot be read as an image (BMP, PNG, JPEG or TGA)";
    return loaded;
}

// ---- the panel work of each effect ------------------------------------------------------------

// What to type after a preset: the command line's distance and layer count; without a distance,
// the scene's own (a loaded scene's is in proportion to its size) and, on the default scene, a
// colour trace twice as wide as the presets' 1.0, so that the trace's colours show.
void TypeTweaks(Run& run, Preset preset) {
    if (run.typeDistance) TypeDistance(run.distance);
    else if (preset == Preset::ColourTrace && run.options.scene.empty()) TypeDistance(2.0f);
    if (run.options.repeat > 0) TypeRepeat(run.options.repeat);
}

// For every row: click it, press "黒枠" for a clean start from the defaults (push along normals,
// distance 1.0), then the preset itself, then what the command line asks to type. "ﾘｾｯﾄ" alone
// switches the shells off.
void ApplyPresetToEveryRow(Run& run, Preset preset) {
    for (int32_t row = 0; row < RowCount(); ++row) {
        SelectRow(row);
        if (preset == Preset::Reset) {
            PressPreset(Preset::Reset);
            continue;
        }
        PressPreset(Preset::BlackFrame);
        if (preset != Preset::BlackFrame) PressPreset(preset);
        TypeTweaks(run, preset);
    }
}

// Height map on for the chosen rows, on top of what each row holds.
bool LoadHeightMapOnRows(Run& run, std::string* error) {
    for (int32_t row : run.heightMapRows) {
        SelectRow(row);
        TickRow(row, true);
        if (!LoadHeightMap(run.heightMap, run.heightMapScale, error)) return false;
    }
    return true;
}

// The height-map effect alone: every shell reset (off, no push), then the chosen rows switched on
// and pushed by the height map only.
bool HeightMapEffect(Run& run, std::string* error) {
    ApplyPresetToEveryRow(run, Preset::Reset);
    return LoadHeightMapOnRows(run, error);
}

// ---- pictures and the summary -------------------------------------------------------------------

void PrintSummaryHeader() {
    Say("%-18s %6s %7s %12s  %s\n", "picture", "shells", "layers", "faces drawn", "redraws (ms each)");
}

std::string FormatTimes(const std::vector<double>& times) {
    if (times.empty()) return "none";
    std::string text = std::to_string(times.size()) + ":";
    char number[32];
    for (double t : times) {
        snprintf(number, sizeof number, " %.1f", t);
        text += number;
    }
    return text;
}

int32_t CountShells() {
    int32_t shells = 0;
    for (int32_t row = 0; row < RowCount(); ++row) shells += panel::RowChecked(row) ? 1 : 0;
    return shells;
}

// Answers the refreshes the plug-in asked for, renders the view and writes it as file.
bool TakePicture(Run& run, const char* file, std::string* error) {
    PictureRecord record;
    record.file = file;
    AnswerRefreshes(&record.redrawMs);
    record.shells = CountShells();
    record.layers = static_cast<int32_t>(wb::DrawObjects().size());
    RenderOptions view;
    view.width = run.options.width;
    view.height = run.options.height;
    view.zoom = run.options.scene.empty() ? kDefaultSceneZoom : 1.0f;
    std::vector<uint8_t> rgba;
    const std::string path = InOut(run, file);
    if (!RenderView(wb::ActiveDocument(), view, &rgba, &record.stats) ||
        !WritePng(path.c_str(), view.width, view.height, rgba)) {
        *error = path + ": cannot be written";
        return false;
    }
    Say("%-18s %6d %7d %12d  %s\n", file, record.shells, record.layers, record.stats.faces,
        FormatTimes(record.redrawMs).c_str());
    run.report.pictures.push_back(record);
    return true;
}

bool TakePanelPicture(Run& run, std::string* error) {
    if (RowCount() == 0) {
        *error = "the panel lists no objects";
        return false;
    }
    AnswerRefreshes(nullptr);
    SelectRow(0);
    // As after a click: the list has the focus, so that its selected row shows highlighted.
    SetActiveWindow(panel::FindPanel());
    SetFocus(panel::ObjectList());
    const std::string path = InOut(run, "panel.png");
    if (!panel::SavePanelPicture(path)) {
        *error = path + ": the panel could not be captured";
        return false;
    }
    run.report.panelPicture = true;
    Say("panel.png: the panel with row 1 \"%s\" selected\n", panel::RowText(0).c_str());
    return true;
}

// Freezes every switched-on shell through the panel, then saves the document as frozen.obj.
bool FreezeAndSave(Run& run, std::string* error) {
    std::vector<int32_t> rows;
    for (int32_t row = 0; row < RowCount(); ++row)
        if (panel::RowChecked(row)) rows.push_back(row);
    HostDocument doc = wb::ActiveDocument();
    for (int32_t row : rows) {
        AnswerRefreshes(nullptr);
        SelectRow(row);
        const std::string source = panel::RowText(row);
        const int32_t slots = MQDoc_GetObjectCount(doc);
        if (!FreezeSelected(run.options.freeze, error)) return false;
        ++run.report.frozenShells;
        // A shell frozen as a new object comes without a name; give it one, as a person would,
        // so that the list and frozen.obj tell the shells apart.
        if (MQDoc_GetObjectCount(doc) == slots + 1) {
            HostObject shell = MQDoc_GetObject(doc, slots);
            char name[256] = "";
            if (shell) MQObj_GetName(shell, name, sizeof name);
            if (shell && !name[0]) {
                MQObj_SetName(shell, (source + " shell").c_str());
                AnnounceDocumentChange();
            }
        }
    }
    AnswerRefreshes(nullptr);
    const std::string path = InOut(run, "frozen.obj");
    if (!wb::SaveObjScene(path.c_str(), error)) return false;
    if (!run.options.save.empty() && !wb::SaveGltfScene(run.options.save.c_str(), error)) return false;
    SceneInfo after;
    DescribeActiveDocument(&after);
    run.report.frozenObjects = after.objects;
    run.report.frozenFaces = after.faces;
    Say("frozen.obj: %d shells frozen (%s), %d objects, %d faces\n", run.report.frozenShells,
        FreezeModeName(run.options.freeze), after.objects, after.faces);
    return true;
}

// ---- the run ----------------------------------------------------------------------------------

int PrepareScene(Run& run) {
    const Options& o = run.options;
    std::string error, warning;
    if (o.scene.empty()) {
        if (!BuildDefaultScene(run.out, &run.scene, &error)) return Fail(run, kExitFailed, error);
    } else if (!LoadSceneFile(o.scene, &run.scene, &error, &warning)) {
        return Fail(run, kExitBadInput, error);
    }
    std::istringstream warnings(warning);  // one line per file, on stderr
    for (std::string line; std::getline(warnings, line);) fprintf(stderr, "workbench: warning: %s\n", line.c_str());
    run.report.sceneObjects = run.scene.objects;
    run.report.sceneFaces = run.scene.faces;
    Say("workbench: %s: %s\n", run.scene.name.c_str(), wb::ElementSummary().c_str());

    // Pushes in proportion to the scene: the default scene is made for the presets' own 1.0;
    // a loaded one gets a fortieth of its size unless --distance says otherwise.
    if (o.hasDistance) {
        run.typeDistance = true;
        run.distance = o.distance;
    } else if (!o.scene.empty()) {
        run.typeDistance = true;
        run.distance = ScaledToScene(run.scene.radius, 1.0f / 40.0f, 2);
    }
    if (!o.scene.empty()) run.heightMapScale = ScaledToScene(run.scene.radius, 0.1f, 1);

    // The height map: the command line's, else the generated one; on the textured objects, or on
    // all when none has a texture.
    if (!o.heightMap.empty()) {
        if (!CheckImage(o.heightMap, &error)) return Fail(run, kExitBadInput, error);
        run.heightMap = FullPath(o.heightMap);
    } else if (!run.scene.heightMapPath.empty()) {
        run.heightMap = run.scene.heightMapPath;
    } else if (!WriteDefaultHeightMap(run.out, &run.heightMap, &error)) {
        return Fail(run, kExitFailed, error);
    }
    return kExitOk;
}

void ChooseHeightMapRows(Run& run) {
    run.heightMapRows.clear();
    for (int32_t index : run.scene.texturedObjects) {
        const int32_t row = RowOfObject(index);
        if (row >= 0) run.heightMapRows.push_back(row);
    }
    if (run.heightMapRows.empty())
        for (int32_t row = 0; row < RowCount(); ++row) run.heightMapRows.push_back(row);
}

// Every effect in turn, one picture each.
bool RunEveryEffect(Run& run, std::string* error, int* code) {
    const struct {
        Preset preset;
        const char* file;
    } effects[] = {{Preset::BlackFrame, "black_frame.png"},
                   {Preset::ColourTrace, "colour_trace.png"},
                   {Preset::Blur, "blur.png"}};
    for (const auto& effect : effects) {
        if (effect.preset == Preset::Blur) {
            // The height map before the blur, so that the panel picture shows the blur's settings.
            if (!HeightMapEffect(run, error)) {
                *code = kExitBadInput;
                return false;
            }
            if (!TakePicture(run, "height_map.png", error)) return false;
        }
        ApplyPresetToEveryRow(run, effect.preset);
        if (!TakePicture(run, effect.file, error)) return false;
    }
    return true;
}

// One preset on every row (with the height map on top when --height-map names one).
bool RunOnePreset(Run& run, std::string* error, int* code) {
    ApplyPresetToEveryRow(run, run.options.preset);
    if (!run.options.heightMap.empty() && run.options.preset != Preset::Reset &&
        !LoadHeightMapOnRows(run, error)) {
        *code = kExitBadInput;
        return false;
    }
    return TakePicture(run, PresetPictureName(run.options.preset), error);
}

int RunScript(Run& run) {
    const Options& o = run.options;
    std::string error;
    const std::string plugin = o.plugin.empty() ? DefaultPluginPath() : o.plugin;
    if (!OpenPanel(plugin, &error)) return Fail(run, kExitFailed, error);
    Say("workbench: %s loaded (\"%s\", type %d), panel shown\n", plugin.c_str(),
        wb::PluginName().c_str(), wb::PluginType());
    ChooseHeightMapRows(run);

    PrintSummaryHeader();
    if (!TakePicture(run, "before.png", &error)) return Fail(run, kExitFailed, error);
    int code = kExitFailed;
    const bool done = o.preset == Preset::None ? RunEveryEffect(run, &error, &code)
                                               : RunOnePreset(run, &error, &code);
    if (!done) return Fail(run, code, error);
    if (!TakePanelPicture(run, &error)) return Fail(run, kExitFailed, error);

    // The full demo freezes the classic black outline; a single preset freezes its own shells.
    if (o.preset == Preset::None) ApplyPresetToEveryRow(run, Preset::BlackFrame);
    if (!FreezeAndSave(run, &error)) return Fail(run, kExitFailed, error);
    Say("workbench: pictures and frozen.obj are in %s\n", run.out.c_str());

    if (o.interactive) {
        // The first object selected and the document's materials offered in the material
        // combo, which the plug-in fills on a material event while a row is selected.
        AnswerRefreshes(nullptr);
        SelectRow(0);
        wb::SendEvent(kEventMaterialListUpdated, nullptr);
        Say("workbench: interactive view open; close its window to quit\n");
        if (!RunInteractiveView(o.width, o.height, &error)) return Fail(run, kExitFailed, error);
    }
    return kExitOk;
}

}  // namespace

std::string DefaultPluginPath() { return panel::BesideThisProgram("Puffshell.dll"); }

int RunWorkbench(const Options& options, RunReport* report) {
    RunReport local;
    Run run(options, report ? *report : local);
    run.report = RunReport();
    run.out = FullPath(options.out);
    while (run.out.size() > 3 && run.out.back() == '\\') run.out.pop_back();
    if (!MakeFolders(run.out))
        return Fail(run, kExitBadInput, "--out " + options.out + ": the folder cannot be created");
    int code = PrepareScene(run);
    if (code != kExitOk) return code;
    code = RunScript(run);
    ClosePanel();
    return code;
}

}  // namespace workbench
