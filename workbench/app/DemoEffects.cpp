// The panel work of each effect of the script, its pictures, and the freeze and save at its end.
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>

#include <windows.h>

#include "ui/ResourceIds.h"
#include "workbench/app/HostLoop.h"
#include "workbench/app/PanelSteps.h"
#include "workbench/app/RunSteps.h"
#include "workbench/app/Terminal.h"
#include "workbench/host/Workbench.h"
#include "workbench/panel/PanelDriver.h"

namespace workbench {

namespace {

// The default scene's pictures come a little closer than the renderer's fitted view, which
// leaves room for a whole turn around the scene; a loaded scene keeps the fitted view.
const float kDefaultSceneZoom = 1.3f;

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
bool StartsClean(const Run& run, CleanStart start, int32_t row) {
    switch (start) {
        case CleanStart::EveryRow: return true;
        case CleanStart::None: return false;
        case CleanStart::HeightMapRows:
            return std::find(run.heightMapRows.begin(), run.heightMapRows.end(), row) != run.heightMapRows.end();
    }
    return true;
}

// Notes the layer count the panel shows for the selected row, what a redraw should build for it.
void NoteLayersAsked(Run& run) {
    const int32_t row = panel::SelectedRow();
    if (row < 0) return;
    if (run.rowLayers.size() <= static_cast<size_t>(row)) run.rowLayers.resize(row + 1, 0);
    run.rowLayers[row] = atoi(panel::Text(IDC_REPEAT_COUNT).c_str());
}

// The preset on the selected row, after "黒枠" where start asks for it, then what the command line
// asks to type. "ﾘｾｯﾄ" alone switches the shell off.
void ApplyPresetToSelectedRow(Run& run, Preset preset, bool startClean) {
    if (preset == Preset::Reset) {
        PressPreset(Preset::Reset);
        NoteLayersAsked(run);
        return;
    }
    if (startClean || preset == Preset::BlackFrame) PressPreset(Preset::BlackFrame);
    if (preset != Preset::BlackFrame) PressPreset(preset);
    TypeTweaks(run, preset);
    NoteLayersAsked(run);
}

}  // namespace

// For every row: click it, then the preset.
void ApplyPresetToEveryRow(Run& run, Preset preset, CleanStart start) {
    run.step = std::string("the preset ") + PresetOptionName(preset) + " on each object";
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
        NoteLayersAsked(run);
    }
    return true;
}

namespace {

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

}  // namespace

// ---- pictures and the summary -------------------------------------------------------------------

void PrintSummaryHeader() {
    Say("%-18s %6s %7s %12s  %s\n", "picture", "shells", "layers", "faces drawn", "redraws (ms each)");
}

namespace {

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

// Faces of the visible document objects and of the plug-in's draw objects: what a picture draws.
int64_t FacesInView() {
    int64_t faces = 0;
    HostDocument doc = wb::ActiveDocument();
    for (int32_t i = 0; i < MQDoc_GetObjectCount(doc); ++i) {
        HostObject object = MQDoc_GetObject(doc, i);
        if (object && MQObj_GetVisible(object)) faces += MQObj_GetFaceCount(object);
    }
    for (HostObject object : wb::DrawObjects())
        if (object && MQObj_GetVisible(object)) faces += MQObj_GetFaceCount(object);
    return faces;
}

// The layers a redraw should build: the noted count of every ticked row whose object is shown.
int64_t LayersAsked(const Run& run) {
    HostDocument doc = wb::ActiveDocument();
    int64_t layers = 0;
    int32_t row = 0;
    for (int32_t i = 0; i < MQDoc_GetObjectCount(doc); ++i) {
        HostObject object = MQDoc_GetObject(doc, i);
        if (!object) continue;
        if (static_cast<size_t>(row) < run.rowLayers.size() && MQObj_GetVisible(object) &&
            panel::RowChecked(row))
            layers += run.rowLayers[row];
        ++row;
    }
    return layers;
}

int32_t CountShells() {
    int32_t shells = 0;
    for (int32_t row = 0; row < RowCount(); ++row) shells += panel::RowChecked(row) ? 1 : 0;
    return shells;
}

}  // namespace

// Answers the refreshes the plug-in asked for, renders the view and writes it as file.
bool TakePicture(Run& run, const char* file, std::string* error) {
    PictureRecord record;
    record.file = file;
    run.step = std::string("the host's redraw before ") + file;
    AnswerRefreshes(&record.redrawMs);
    record.shells = CountShells();
    record.layers = static_cast<int32_t>(wb::DrawObjects().size());
    const int64_t asked = LayersAsked(run);
    record.layersAsked = static_cast<int32_t>(asked);
    if (asked > record.layers) {
        // The plug-in stops a shell at the layers the process can hold.
        char line[256];
        snprintf(
            line, sizeof line,
            "workbench: warning: %s: %lld layers asked, %d built: the rest would not fit in this "
            "process's memory%s\n",
            file, static_cast<long long>(asked), record.layers,
            sizeof(void*) == 4 ? " (the 64-bit build has more room)" : "");
        Print(stderr, line);
    }
    RenderOptions view;
    view.width = run.options.width;
    view.height = run.options.height;
    view.zoom = run.options.scene.empty() ? kDefaultSceneZoom : 1.0f;
    std::vector<uint8_t> rgba;
    run.step = "drawing " + std::string(file) + " (" + std::to_string(FacesInView()) + " faces at " +
               std::to_string(view.width) + "x" + std::to_string(view.height) + ")";
    if (!RenderView(wb::ActiveDocument(), view, &rgba, &record.stats)) {
        *error = ShownFile(run.out, file) + ": cannot be drawn";
        return false;
    }
    const std::string path = InOut(run, file);
    if (!WritePng(path.c_str(), view.width, view.height, rgba)) {
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
    run.step = "capturing panel.png";
    const bool saved = panel::SavePanelPicture(path);
    panel::HoldPainting(true);
    if (!saved) {
        *error = ShownFile(run.out, "panel.png") + ": the panel could not be captured";
        return false;
    }
    run.report.panelPicture = true;
    Say("panel.png: the panel with row 1 \"%s\" selected\n",
        wb::HostTextToUtf8(panel::RowText(0)).c_str());
    return true;
}

// Saves the document as frozen.obj, after the host has answered what the plug-in asked for.
bool SaveDocument(Run& run, std::string* error) {
    run.step = "the host's redraw after the freeze";
    AnswerRefreshes(nullptr);
    const std::string path = InOut(run, "frozen.obj");
    run.step = "saving frozen.obj";
    // The textures copied beside it never take the name of one of the run's pictures.
    if (!wb::SaveObjScene(path.c_str(), error, RunFiles())) return false;
    run.step = "saving " + run.options.save;
    if (!run.saveWork.empty() && !wb::SaveGltfScene(run.saveWork.c_str(), error)) {
        // Named as given, not as the run's own folder holds it.
        for (size_t at = error->find(run.saveWork); at != std::string::npos; at = error->find(run.saveWork, at))
            error->replace(at, run.saveWork.size(), run.options.save);
        return false;
    }
    SceneInfo after;
    DescribeActiveDocument(&after);
    // The default scene's texture stays beside frozen.obj only while faces use it (a replacing
    // freeze takes the ball's own faces away).
    if (run.options.scene.empty() && after.texturedObjects.empty()) RemoveDefaultTexture(run.out.work);
    run.report.frozenObjects = after.objects;
    run.report.frozenFaces = after.faces;
    run.frozenSummary = std::to_string(after.objects) + " objects, " + ElementCounts(after);
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
    std::vector<std::pair<int32_t, HostObject>> unnamed;  // new shells: slot, object named after
    // The view is not redrawn between the freezes: as in the modeller, the refreshes they ask
    // for come together into one redraw, here before the document is saved. (A freeze as new
    // object appends it, so the rows of the sources stay where they are.)
    for (int32_t row : rows) {
        SelectRow(row);
        if (blackFrameFirst) ApplyPresetToSelectedRow(run, Preset::BlackFrame, true);
        // The shell is named after its object as the scene file named it, not as the panel's
        // list (code page 932) shows it.
        HostObject object = RowObject(row);
        const std::string source = wb::ObjectOriginalName(object);
        const int32_t slots = MQDoc_GetObjectCount(doc);
        run.step = "freezing the shell of " + source;
        if (!FreezeSelected(run.options.freeze, error)) {
            *error = run.step + ": " + *error;
            return false;
        }
        ++run.report.frozenShells;
        if (MQDoc_GetObjectCount(doc) == slots + 1) unnamed.emplace_back(slots, object);
    }
    NameFrozenShells(unnamed);
    if (!SaveDocument(run, error)) return false;
    Say("frozen.obj: %d shells frozen (%s), %s\n", run.report.frozenShells, FreezeModeName(run.options.freeze),
        run.frozenSummary.c_str());
    return true;
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

}  // namespace workbench
