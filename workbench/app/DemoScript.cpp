#include "workbench/app/DemoScript.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <new>
#include <sstream>
#include <string>

#include <windows.h>

#include "workbench/app/HostLoop.h"
#include "workbench/app/InteractiveView.h"
#include "workbench/app/OutputFolder.h"
#include "workbench/app/PanelSteps.h"
#include "workbench/app/RunSteps.h"
#include "workbench/app/SceneBuilder.h"
#include "workbench/app/StopOnInterrupt.h"
#include "workbench/app/Terminal.h"
#include "workbench/host/Workbench.h"
#include "workbench/io/FileAccess.h"
#include "workbench/panel/PanelDriver.h"

namespace workbench {

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

void Warn(Run& run, const std::string& message) {
    Print(stderr, "workbench: warning: " + message + "\n");
    run.report.warnings.push_back(message);
}

namespace {

std::string Number(const char* format, double value) {
    char text[64];
    snprintf(text, sizeof text, format, value);
    return text;
}

// The panel shows a distance with two decimals and reads it back from what it shows: says so
// when that changes the distance the run asks for (wanted, typed as distance).
void WarnOfPanelRounding(Run& run, float wanted, float distance) {
    const float kept = strtof(Number("%0.2f", distance).c_str(), nullptr);
    if (run.options.hasDistance && kept != wanted) {
        Warn(run, "--distance " + Number("%g", wanted) + " is kept as " + Number("%0.2f", kept) +
                      " by the panel, which keeps two decimals");
    } else if (!run.options.hasDistance && kept > 1.25f * wanted) {
        const double across = 2.0 * run.scene.radius, ratio = kept / across;
        Warn(run,
             "the scene is " + Number("%g", across) +
                 " across: its push, a fortieth of its radius (" + Number("%g", wanted) +
                 "), is kept as " + Number("%0.2f", kept) +
                 " by the panel, which keeps two decimals: " +
                 (ratio >= 1.0 ? Number("%.0f times", ratio) : Number("%.0f%% of", 100.0 * ratio)) +
                 " the scene's size; scale the scene up (or give --distance)");
    }
}

// ---- checks before anything runs -------------------------------------------------------------

// The height-map image must exist and load through the host's image loader, by the name the
// plug-in's open-file dialog will get (see LoadHeightMap).
bool CheckImage(const std::string& path, std::string* error) {
    if (!wb::IsRegularFile(path) && !wb::IsFolder(path)) {
        *error = path + ": no such file";
        return false;
    }
    const std::string readable = wb::HostReadablePath(path);
    if (wb::IsRegularFile(path) && readable.empty()) {
        *error = path +
                 ": the plug-in takes names in code page 932, which lacks characters of this "
                 "one, and the volume keeps no short name for it";
        return false;
    }
    void* header = nullptr;
    void* pixels = nullptr;
    const bool loaded = wb::IsRegularFile(path) && !readable.empty() &&
                        MQ_LoadImage(readable.c_str(), &header, &pixels, 0) != 0;
    if (header) LocalFree(header);
    if (pixels) LocalFree(pixels);
    if (!loaded) *error = path + ": cannot be read as an image (BMP, PNG, JPEG or TGA)";
    return loaded;
}

// ---- the run ----------------------------------------------------------------------------------

// Whether the run puts a height map on: every effect in turn has a height-map step; a single
// preset (in the script or in the view) only with --height-map.
bool UsesHeightMap(const Options& o) {
    if (o.preset == Preset::None) return !o.interactive;
    return !o.heightMap.empty() && o.preset != Preset::Reset;
}

int PrepareScene(Run& run) {
    const Options& o = run.options;
    std::string error, warning;
    run.step = o.scene.empty() ? "building the default scene" : "loading " + o.scene;
    if (o.scene.empty()) {
        if (!BuildDefaultScene(run.out.work, UsesHeightMap(o), &run.scene, &error)) return Fail(run, kExitFailed, error);
    } else if (!LoadSceneFile(o.scene, o.weld, &run.scene, &error, &warning)) {
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
        WarnOfPanelRounding(run, o.distance, run.distance);
    } else if (!o.scene.empty()) {
        run.typeDistance = true;
        run.distance = ScaledToScene(run.scene.radius, 1.0f / 40.0f, 2);
        if (isfinite(run.scene.radius) && run.scene.radius > 0.0f)
            WarnOfPanelRounding(run, run.scene.radius / 40.0f, run.distance);
    }
    if (!o.scene.empty()) run.heightMapScale = ScaledToScene(run.scene.radius, 0.1f, 1);

    // The height map: the command line's, else the generated one; on the textured objects, or on
    // all when none has a texture. A run that puts none on makes none.
    if (!o.heightMap.empty()) {
        if (!CheckImage(o.heightMap, &error)) return Fail(run, kExitBadInput, error);
        run.heightMap = FullPath(o.heightMap);
    } else if (!UsesHeightMap(o)) {
        return kExitOk;
    } else if (!run.scene.heightMapPath.empty()) {
        run.heightMap = run.scene.heightMapPath;
    } else {
        if (!WriteDefaultHeightMap(run.out.work, &run.heightMap, &error)) return Fail(run, kExitFailed, error);
    }
    return kExitOk;
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
    if (!RunInteractiveView(o.width, o.height, &error)) return Fail(run, kExitFailed, error);
    const int32_t freezes = wb::DocumentChangeCount() - changesBefore;
    run.report.frozenShells = freezes;
    if (freezes == 0) {
        Say("workbench: nothing was frozen in the view; nothing saved\n");
        return kExitOk;
    }
    if (!SaveDocument(run, &error)) return Fail(run, kExitFailed, error);
    Say("workbench: %d freeze%s made in the view; the document (%s) is saved\n", freezes, freezes == 1 ? "" : "s",
        run.frozenSummary.c_str());
    return kExitOk;
}

int RunScript(Run& run) {
    const Options& o = run.options;
    std::string error;
    const std::string plugin = o.plugin.empty() ? DefaultPluginPath() : o.plugin;
    run.step = "opening the plug-in's panel";
    if (!OpenPanel(plugin, &error)) return Fail(run, kExitFailed, error);
    Say("workbench: %s loaded (\"%s\", type %d), panel shown\n",
        o.plugin.empty() ? PathForPeople(plugin).c_str() : o.plugin.c_str(),
        wb::HostTextToUtf8(wb::PluginName()).c_str(), wb::PluginType());
    if (UsesHeightMap(o)) ChooseHeightMapRows(run);
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

// The message for a run that ran out of memory: what did not fit, and where it would.
std::string OutOfMemory(const Run& run) {
    std::string message = "out of memory while " + run.step;
    if (sizeof(void*) == 4)
        return message + ": this 32-bit workbench has at most 4 GB (2 GB on a 32-bit Windows) for the scene, the "
                         "plug-in's shells and the pictures; run the 64-bit build (build/win64/workbench.exe), which "
                         "has room for them";
    return message + ": the scene, the plug-in's shells and the pictures need more memory than this machine has "
                     "free; close other programs, or try fewer layers (--repeat) or a smaller --size";
}

// The files of a run that succeeded, as its last line names them: "written to OUT: a, b; and
// FILE.glb".
std::string WrittenFiles(const OutputFolder& out) {
    std::string list;
    for (const std::string& file : out.placed) list += (list.empty() ? "" : ", ") + file;
    std::string text = out.placed.empty() ? "" : "written to " + out.given + ": " + list;
    for (const std::string& file : out.placedElsewhere) text += (text.empty() ? "written: " : "; and ") + file;
    return text;
}

// An input file that the run's output would replace (--scene s.obj --save s.obj, or the scene as
// --out's frozen.obj): false with *error naming both.
bool CheckInputsAreNotOutputs(const Options& o, std::string* error) {
    const std::pair<const char*, const std::string*> inputs[] = {{"--scene", &o.scene},
                                                                 {"--height-map", &o.heightMap}};
    for (const auto& input : inputs) {
        const std::string& file = *input.second;
        if (file.empty()) continue;
        std::string output;
        if (!o.save.empty() && SameFile(file, o.save)) output = "--save " + o.save;
        for (const std::string& name : RunFiles())
            if (output.empty() && SameFile(file, FullPath(o.out) + "\\" + name))
                output = "--out " + o.out + "'s " + name;
        if (!output.empty()) {
            *error = std::string(input.first) + " " + file + " is also the run's output (" + output +
                     "), which would replace it; choose another output";
            return false;
        }
    }
    return true;
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
    if (!CheckInputsAreNotOutputs(options, &error)) return Fail(run, kExitBadInput, error);
    StopOnInterrupt();
    if (!OpenOutputFolder(options.out, &run.out, &error)) return Fail(run, kExitBadInput, error);
    // The glb goes into the run's folder too, and to its place with the rest; whether it can be
    // written there is found out now rather than after the work.
    if (!options.save.empty() && !AddFileElsewhere(&run.out, options.save, &run.saveWork, &error)) {
        DiscardOutputFolder(&run.out);
        return Fail(run, kExitBadInput, "--save " + error);
    }
    int code = kExitOk;
    // Memory can run out anywhere (a large scene's shells and pictures in a 32-bit process): the
    // run ends with a message saying what did not fit, and writes nothing.
    try {
        code = PrepareScene(run);
        if (code == kExitOk) code = RunScript(run);
    } catch (const std::bad_alloc&) {
        code = Fail(run, kExitFailed, OutOfMemory(run));
    }
    try {
        ClosePanel();
    } catch (const std::bad_alloc&) {  // the panel goes with the process
    }
    // Only a run that succeeded and has something to show leaves files behind.
    const bool keep = code == kExitOk && (!options.interactive || run.report.frozenShells > 0);
    {
        PlacingRunFiles placing;
        if (keep && !CommitOutputFolder(&run.out, &error)) code = Fail(run, kExitFailed, error);
        if (!keep) DiscardOutputFolder(&run.out);
        EndStopOnInterrupt();
    }
    const std::string written = WrittenFiles(run.out);
    if (code == kExitOk && !written.empty()) Say("workbench: %s\n", written.c_str());
    return code;
}

}  // namespace workbench
