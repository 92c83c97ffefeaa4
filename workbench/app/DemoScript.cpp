#include "workbench/app/DemoScript.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <sstream>
#include <string>

#include <windows.h>

#include "workbench/app/HostLoop.h"
#include "workbench/app/InteractiveView.h"
#include "workbench/app/OutputFolder.h"
#include "workbench/app/PanelSteps.h"
#include "workbench/app/SceneBuilder.h"
#include "workbench/app/Terminal.h"
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
    OutputFolder out;             // where the run writes
    SceneInfo scene;
    std::string heightMap;        // image the height-map step loads (full path)
    bool typeDistance = false;    // type `distance` after each preset
    float distance = 1.0f;
    float heightMapScale = 4.0f;  // typed into the height-map scale edit
    std::vector<int32_t> heightMapRows;
};

// Prints "workbench: message" to stderr, with the paths as the person gave them, keeps it in the
// report and returns code.
int Fail(Run& run, int code, const std::string& message) {
    std::string shown = ShownText(run.out, message);
    if (!run.options.heightMap.empty() && !run.heightMap.empty()) {
        for (size_t at = shown.find(run.heightMap); at != std::string::npos;
             at = shown.find(run.heightMap, at + run.options.heightMap.size()))
            shown.replace(at, run.heightMap.size(), run.options.heightMap);
    }
    Print(stderr, "workbench: " + shown + "\n");
    run.report.error = shown;
    return code;
}

std::string InOut(const Run& run, const char* file) { return WorkFile(run.out, file); }

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

// Which rows get "黒枠" before another preset, for a clean start from the defaults (push along
// normals, distance 1.0): every row; none, when every row holds the black frame already; or only
// the rows that the height-map step left with the height map on, when every other row holds the
// black frame or a preset on top of it (so that each field the next preset does not set is at its
// default there already).
enum class CleanStart { EveryRow, None, HeightMapRows };

bool StartsClean(const Run& run, CleanStart start, int32_t row) {
    switch (start) {
        case CleanStart::EveryRow: return true;
        case CleanStart::None: return false;
        case CleanStart::HeightMapRows:
            return std::find(run.heightMapRows.begin(), run.heightMapRows.end(), row) != run.heightMapRows.end();
    }
    return true;
}

// The preset on the selected row, after "黒枠" where start asks for it, then what the command line
// asks to type. "ﾘｾｯﾄ" alone switches the shell off.
void ApplyPresetToSelectedRow(Run& run, Preset preset, bool startClean) {
    if (preset == Preset::Reset) {
        PressPreset(Preset::Reset);
        return;
    }
    if (startClean || preset == Preset::BlackFrame) PressPreset(Preset::BlackFrame);
    if (preset != Preset::BlackFrame) PressPreset(preset);
    TypeTweaks(run, preset);
}

// For every row: click it, then the preset.
void ApplyPresetToEveryRow(Run& run, Preset preset, CleanStart start = CleanStart::EveryRow) {
    for (int32_t row = 0; row < RowCount(); ++row) {
        SelectRow(row);
        ApplyPresetToSelectedRow(run, preset, StartsClean(run, start, row));
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

// The height-map effect alone: the chosen rows reset (no push), every other shell switched off
// with its check box, then the chosen rows switched on and pushed by the height map only.
bool HeightMapEffect(Run& run, std::string* error) {
    for (int32_t row = 0; row < RowCount(); ++row) {
        if (std::find(run.heightMapRows.begin(), run.heightMapRows.end(), row) != run.heightMapRows.end()) {
            SelectRow(row);
            PressPreset(Preset::Reset);
        } else {
            TickRow(row, false);
        }
    }
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
        *error = ShownFile(run.out, file) + ": cannot be written";
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
    panel::HoldPainting(false);
    // As after a click: the list has the focus, so that its selected row shows highlighted.
    SetActiveWindow(panel::FindPanel());
    SetFocus(panel::ObjectList());
    const std::string path = InOut(run, "panel.png");
    const bool saved = panel::SavePanelPicture(path);
    panel::HoldPainting(true);
    if (!saved) {
        *error = ShownFile(run.out, "panel.png") + ": the panel could not be captured";
        return false;
    }
    run.report.panelPicture = true;
    Say("panel.png: the panel with row 1 \"%s\" selected\n", panel::RowText(0).c_str());
    return true;
}

// Saves the document as frozen.obj, after the host has answered what the plug-in asked for.
bool SaveDocument(Run& run, std::string* error) {
    AnswerRefreshes(nullptr);
    const std::string path = InOut(run, "frozen.obj");
    if (!wb::SaveObjScene(path.c_str(), error)) return false;
    if (!run.options.save.empty() && !wb::SaveGltfScene(run.options.save.c_str(), error)) return false;
    SceneInfo after;
    DescribeActiveDocument(&after);
    // The default scene's texture stays beside frozen.obj only while faces use it (a replacing
    // freeze takes the ball's own faces away).
    if (run.options.scene.empty() && after.texturedObjects.empty()) RemoveDefaultTexture(run.out.work);
    run.report.frozenObjects = after.objects;
    run.report.frozenFaces = after.faces;
    return true;
}

// Freezes every switched-on shell through the panel, then saves the document as frozen.obj. With
// blackFrameFirst, every row gets "黒枠" (and what the command line types) right before its
// freeze, so that each row is clicked once for both.
bool FreezeAndSave(Run& run, bool blackFrameFirst, std::string* error) {
    std::vector<int32_t> rows;
    for (int32_t row = 0; row < RowCount(); ++row)
        if (blackFrameFirst || panel::RowChecked(row)) rows.push_back(row);
    HostDocument doc = wb::ActiveDocument();
    std::vector<std::pair<int32_t, std::string>> unnamed;  // new shells: slot, name to give
    // The view is not redrawn between the freezes: as in the modeller, the refreshes they ask
    // for come together into one redraw, here before the document is saved. (A freeze as new
    // object appends it, so the rows of the sources stay where they are.)
    for (int32_t row : rows) {
        SelectRow(row);
        if (blackFrameFirst) ApplyPresetToSelectedRow(run, Preset::BlackFrame, true);
        const std::string source = panel::RowText(row);
        const int32_t slots = MQDoc_GetObjectCount(doc);
        if (!FreezeSelected(run.options.freeze, error)) return false;
        ++run.report.frozenShells;
        if (MQDoc_GetObjectCount(doc) == slots + 1) unnamed.emplace_back(slots, source + " shell");
    }
    // A shell frozen as a new object comes without a name; give each one, as a person would, so
    // that the list and frozen.obj tell the shells apart.
    bool renamed = false;
    for (const auto& shell : unnamed) {
        HostObject object = MQDoc_GetObject(doc, shell.first);
        char name[256] = "";
        if (object) MQObj_GetName(object, name, sizeof name);
        if (object && !name[0]) {
            MQObj_SetName(object, shell.second.c_str());
            renamed = true;
        }
    }
    if (renamed) AnnounceDocumentChange();
    if (!SaveDocument(run, error)) return false;
    Say("frozen.obj: %d shells frozen (%s), %d objects, %d faces\n", run.report.frozenShells,
        FreezeModeName(run.options.freeze), run.report.frozenObjects, run.report.frozenFaces);
    return true;
}

// ---- the run ----------------------------------------------------------------------------------

int PrepareScene(Run& run) {
    const Options& o = run.options;
    std::string error, warning;
    if (o.scene.empty()) {
        if (!BuildDefaultScene(run.out.work, &run.scene, &error)) return Fail(run, kExitFailed, error);
    } else if (!LoadSceneFile(o.scene, &run.scene, &error, &warning)) {
        return Fail(run, kExitBadInput, error);
    }
    std::istringstream warnings(warning);  // one line per file
    for (std::string line; std::getline(warnings, line);)
        Print(stderr, "workbench: warning: " + ShownText(run.out, line) + "\n");
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
    } else if (!WriteDefaultHeightMap(run.out.work, &run.heightMap, &error)) {
        return Fail(run, kExitFailed, error);
    }
    return kExitOk;
}

// The objects that get the height map: the textured ones, or all when none is textured; of more
// than kMaxHeightMapObjects, the ones with the most faces. Each goes through the open-file dialog,
// about a tenth of a second each, which would make the height map most of a large scene's run.
const size_t kMaxHeightMapObjects = 16;

void ChooseHeightMapRows(Run& run) {
    HostDocument doc = wb::ActiveDocument();
    std::vector<int32_t> objects = run.scene.texturedObjects;
    if (objects.empty())
        for (int32_t index = 0; index < MQDoc_GetObjectCount(doc); ++index)
            if (MQDoc_GetObject(doc, index)) objects.push_back(index);
    const size_t candidates = objects.size();
    if (candidates > kMaxHeightMapObjects) {
        std::stable_sort(objects.begin(), objects.end(), [doc](int32_t a, int32_t b) {
            return MQObj_GetFaceCount(MQDoc_GetObject(doc, a)) > MQObj_GetFaceCount(MQDoc_GetObject(doc, b));
        });
        objects.resize(kMaxHeightMapObjects);
        std::sort(objects.begin(), objects.end());
        Say("workbench: the height map goes on the %d largest of %d objects\n",
            static_cast<int>(kMaxHeightMapObjects), static_cast<int>(candidates));
    }
    run.heightMapRows.clear();
    for (int32_t index : objects) {
        const int32_t row = RowOfObject(index);
        if (row >= 0) run.heightMapRows.push_back(row);
    }
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
        // The colour trace follows the black frame, which every row holds then; the blur follows
        // the height map, which only its own rows hold.
        ApplyPresetToEveryRow(run, effect.preset,
                              effect.preset == Preset::ColourTrace ? CleanStart::None
                              : effect.preset == Preset::Blur      ? CleanStart::HeightMapRows
                                                                   : CleanStart::EveryRow);
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

// The interactive view instead of the script: the scene as loaded, with --preset (and what the
// command line types after it) on every object. Freezes made in the view are saved when its
// window closes.
int RunInteractive(Run& run) {
    const Options& o = run.options;
    std::string error;
    if (o.preset != Preset::None) {
        ApplyPresetToEveryRow(run, o.preset);
        if (!o.heightMap.empty() && o.preset != Preset::Reset && !LoadHeightMapOnRows(run, &error))
            return Fail(run, kExitBadInput, error);
    }
    // The first object selected and the document's materials offered in the material combo,
    // which the plug-in fills on a material event while a row is selected.
    AnswerRefreshes(nullptr);
    SelectRow(0);
    wb::SendEvent(kEventMaterialListUpdated, nullptr);
    Say("workbench: interactive view open on the scene as loaded%s%s; close its window to quit\n",
        o.preset == Preset::None ? "" : ", preset ", o.preset == Preset::None ? "" : PresetOptionName(o.preset));
    const int32_t changesBefore = wb::DocumentChangeCount();
    bool interrupted = false;
    if (!RunInteractiveView(o.width, o.height, &error, &interrupted)) return Fail(run, kExitFailed, error);
    const int32_t freezes = wb::DocumentChangeCount() - changesBefore;
    if (interrupted) {
        Print(stderr, "workbench: interrupted; nothing saved\n");
        return kExitInterrupted;
    }
    run.report.frozenShells = freezes;
    if (freezes == 0) {
        Say("workbench: nothing was frozen in the view; nothing saved\n");
        return kExitOk;
    }
    if (!SaveDocument(run, &error)) return Fail(run, kExitFailed, error);
    Say("workbench: %d freeze%s made in the view; the document (%d objects, %d faces) is saved as %s\n",
        freezes, freezes == 1 ? "" : "s", run.report.frozenObjects, run.report.frozenFaces,
        ShownFile(run.out, "frozen.obj").c_str());
    return kExitOk;
}

int RunScript(Run& run) {
    const Options& o = run.options;
    std::string error;
    const std::string plugin = o.plugin.empty() ? DefaultPluginPath() : o.plugin;
    if (!OpenPanel(plugin, &error)) return Fail(run, kExitFailed, error);
    Say("workbench: %s loaded (\"%s\", type %d), panel shown\n",
        o.plugin.empty() ? PathForPeople(plugin).c_str() : o.plugin.c_str(), wb::PluginName().c_str(),
        wb::PluginType());
    ChooseHeightMapRows(run);
    if (o.interactive) return RunInteractive(run);

    // The script clicks through every row several times; the panel is painted for its picture
    // (and when the run ends), not after every click.
    panel::HoldPainting(true);
    PrintSummaryHeader();
    if (!TakePicture(run, "before.png", &error)) return Fail(run, kExitFailed, error);
    int code = kExitFailed;
    const bool done = o.preset == Preset::None ? RunEveryEffect(run, &error, &code)
                                               : RunOnePreset(run, &error, &code);
    if (!done) return Fail(run, code, error);
    if (!TakePanelPicture(run, &error)) return Fail(run, kExitFailed, error);

    // The full demo freezes the classic black outline; a single preset freezes its own shells.
    if (!FreezeAndSave(run, o.preset == Preset::None, &error)) return Fail(run, kExitFailed, error);
    panel::HoldPainting(false);
    return kExitOk;
}

}  // namespace

std::string DefaultPluginPath() { return panel::BesideThisProgram("Puffshell.dll"); }

int RunWorkbench(const Options& options, RunReport* report) {
    RunReport local;
    Run run(options, report ? *report : local);
    run.report = RunReport();
    // Every window needs a display; without one (Wine without an X server) the plug-in's panel
    // would fail far later, as if the plug-in were at fault.
    if (!wb::MainWindow())
        return Fail(run, kExitBadInput,
                    "no display: windows cannot be created. Under Wine, run inside xvfb-run -a, or "
                    "set DISPLAY to a running X server");
    std::string error;
    if (!OpenOutputFolder(options.out, &run.out, &error)) return Fail(run, kExitBadInput, error);
    int code = PrepareScene(run);
    if (code == kExitOk) {
        code = RunScript(run);
        ClosePanel();
    }
    // Only a run that succeeded and has something to show leaves files behind.
    const bool keep = code == kExitOk && (!options.interactive || run.report.frozenShells > 0);
    if (keep && !CommitOutputFolder(&run.out, &error)) code = Fail(run, kExitFailed, error);
    if (!keep) DiscardOutputFolder(&run.out);
    if (code == kExitOk && !options.interactive)
        Say("workbench: pictures and frozen.obj are in %s\n", options.out.c_str());
    return code;
}

}  // namespace workbench
