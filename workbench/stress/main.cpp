// workbench_stress.exe: the real Puffshell.dll in the workbench host under long random sequences
// of host events, document edits and panel work, with the plug-in's invariants checked after
// every step. The seed is printed first; `--seed N --steps N` replays a run or its beginning.
// The last line is "N steps, M sequences, K failures"; the exit code is 0 only without failures.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "workbench/common/BesideThisProgram.h"
#include "workbench/common/RemoveFolder.h"
#include "workbench/panel/PanelDriver.h"
#include "workbench/host/Workbench.h"
#include "workbench/stress/StressRun.h"

using namespace stress;

namespace {

void Usage() {
    printf("usage: workbench_stress.exe [--seed N] [--steps N] [--max-seconds N] [--verbose]\n"
           "  --seed N         the run's seed (default: drawn from the clock, printed)\n"
           "  --steps N        steps of the whole run (default 8000)\n"
           "  --max-seconds N  end the run at the first step past N seconds (default 240)\n"
           "  --verbose        print every step\n");
}

bool ParseOptions(int argc, char** argv, Options* options) {
    options->seed = GetTickCount64() * 2654435761ull ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--seed" && hasValue) options->seed = strtoull(argv[++i], nullptr, 10);
        else if (arg == "--steps" && hasValue) options->steps = strtoll(argv[++i], nullptr, 10);
        else if (arg == "--max-seconds" && hasValue) options->maxSeconds = atoi(argv[++i]);
        else if (arg == "--verbose") options->verbose = true;
        else {
            Usage();
            return false;
        }
    }
    return true;
}

// Scene files a sequence may start from: the small models of Debian's assimp test set, its
// malformed files, and scenes written here with faces no modeller holds.
std::vector<std::string> SceneFiles(const std::string& folder) {
    std::vector<std::string> scenes;
    const char* models = "Z:\\usr\\share\\assimp\\models\\";
    for (const char* name : {"OBJ\\box.obj", "OBJ\\regr01.obj", "OBJ\\cube_usemtl.obj", "OBJ\\concave_polygon.obj",
                             "OBJ\\point_cloud.obj", "OBJ\\cube_with_vertexcolors.obj", "OBJ\\empty_mat.obj",
                             "invalid\\empty.obj", "invalid\\malformed.obj", "invalid\\malformed2.obj"}) {
        std::string path = std::string(models) + name;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) scenes.push_back(path);
    }
    std::string bad = folder + "bad-indices.obj";
    stressfiles::WriteFileBytes(bad, std::vector<uint8_t>(
        std::begin("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 9\nf -7 1 2\nf 0 1 2\n"),
        std::end("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 9\nf -7 1 2\nf 0 1 2\n") - 1));
    scenes.push_back(bad);
    std::string nan = folder + "nan.obj";
    stressfiles::WriteFileBytes(nan, std::vector<uint8_t>(
        std::begin("v 0 0 0\nv nan 0 0\nv 0 inf 0\nv 1 1 0\nf 1 2 3\nf 1 3 4\nf 1 4 2\n"),
        std::end("v 0 0 0\nv nan 0 0\nv 0 inf 0\nv 1 1 0\nf 1 2 3\nf 1 3 4\nf 1 4 2\n") - 1));
    scenes.push_back(nan);
    return scenes;
}

void PrintCounts(const RunState& run) {
    const Counts& c = run.counts;
    printf("host events %lld (%lld of unknown codes, %lld without a document); document edits %lld "
           "(%lld unannounced); panel actions %lld: %lld texts typed, %lld spin steps, %lld presets, "
           "%lld row clicks and ticks, %lld colour extractions, %lld browses, %lld height-map loads "
           "(%lld refused with the message), %lld freezes (%lld changed the document); %lld dialogs "
           "answered (%lld while the host worked); %lld redraws; %lld plug-in restarts; %zu image files\n",
           (long long)c.events, (long long)c.unknownEvents, (long long)c.eventsWithoutDocument,
           (long long)c.edits, (long long)c.editsUnannounced, (long long)c.panelActions,
           (long long)c.textsTyped, (long long)c.spinSteps, (long long)c.presets, (long long)c.rowActions,
           (long long)c.extractions, (long long)c.browses, (long long)c.loads, (long long)c.loadsRefused,
           (long long)c.freezes, (long long)c.freezesDone, (long long)c.dialogs,
           (long long)c.dialogsWithHostWork, (long long)c.redraws, (long long)c.restarts, run.images.size());
}

void RunStep(RunState& run) {
    Random& rng = run.rng;
    run.progress.stepStartedMs = GetTickCount64();
    StepKind kind;
    HostDocument doc = wb::ActiveDocument();
    DocumentPrint before = PrintDocument(doc);
    std::vector<int32_t> slotsBefore = ObjectSlots(doc);
    int32_t redrawsBefore = wb::RedrawCount();
    PlanDialogs(DialogPlan());

    switch (rng.weighted({16, 28, 52, 4})) {
    case 0:
        SendRandomEvent(run, kind);
        break;
    case 1:
        snprintf(run.progress.action, sizeof run.progress.action, "document edit");
        EditDocument(run, kind);
        break;
    case 2:
        WorkPanel(run, kind);
        break;
    default:
        snprintf(run.progress.action, sizeof run.progress.action, "host redraw");
        wb::Redraw();
        break;
    }
    int32_t redrawsAfterAction = wb::RedrawCount();
    wb::ProcessMessages();
    if (wb::RedrawCount() > redrawsBefore) run.counts.redraws += wb::RedrawCount() - redrawsBefore;
    if (run.options.verbose) {
        printf("step %lld: %s [row %d of %d, synced %d, stale %d]\n", static_cast<long long>(run.progress.steps + 1),
               run.progress.action, panel::FindPanel() ? panel::SelectedRow() : -2,
               panel::FindPanel() ? panel::RowCount() : -2, run.panelSynced ? 1 : 0, run.pluginDocumentStale ? 1 : 0);
        fflush(stdout);
    }
    // Rows stand for the document's objects in order: when they change, the panel may show
    // another object's record until the list is refilled or a row is clicked.
    if (ObjectSlots(wb::ActiveDocument()) != slotsBefore) run.panelSynced = false;
    // A redraw hands the plug-in the active document again.
    if (run.pluginDocumentStale && wb::RedrawCount() != redrawsBefore) {
        run.pluginDocumentStale = false;
        run.panelSynced = false;
    }
    CheckStep(run, kind, before, redrawsBefore, redrawsAfterAction);
    CheckHeaps(run, "after the step");
    ++run.progress.steps;
    run.progress.stepStartedMs = 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) return 2;
    RunState run(options.seed);
    run.options = options;
    run.progress.seed = options.seed;
    InstallCrashGuard(&run.progress, 60);
    printf("seed %llu, %lld steps\n", static_cast<unsigned long long>(options.seed),
           static_cast<long long>(options.steps));
    fflush(stdout);

    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    // Named after the seed, not the process: paths of the same length in every replay.
    run.folder = std::string(temp) + "puffshell-stress-" + std::to_string(options.seed % 1000000) + "\\";
    CreateDirectoryA(run.folder.c_str(), nullptr);
    std::string images = run.folder + "images\\";
    CreateDirectoryA(images.c_str(), nullptr);
    run.images = stressfiles::WriteImageCases(images);
    wb::SetTextureFolder(images.c_str());
    run.scenes = SceneFiles(run.folder);

    // Blocks the run loads and frees itself count too, so that the balance covers everything.
    wb::CountLocalFreeIn(GetModuleHandleA(nullptr));
    WatchModule(GetModuleHandleA("WorkbenchHost.dll"));
    run.pluginPath = common::BesideThisProgram("Puffshell.dll");
    std::string error;
    if (!wb::LoadPlugin(run.pluginPath.c_str(), &error)) {
        printf("FAILURE: the plug-in did not load: %s\n", error.c_str());
        ++run.progress.failures;
        PrintSummary(run.progress);
        return 1;
    }
    WatchModule(wb::PluginModule());
    StartDialogAnswerer(panel::FindPanel);

    const ULONGLONG started = GetTickCount64();
    bool outOfTime = false;
    while (run.progress.steps < options.steps && !outOfTime) {
        ++run.progress.sequences;
        run.progress.stepStartedMs = GetTickCount64();
        snprintf(run.progress.action, sizeof run.progress.action, "a new document");
        StartDocument(run);
        // Without an activation the panel still lists the previous document's objects.
        run.panelSynced = false;
        if (run.rng.chance(0.9)) ShowPanel(run, true);
        wb::ProcessMessages();
        run.drawsStale = true;
        run.fileEditTrusted = false;
        int32_t length = run.rng.between(20, 120);
        for (int32_t i = 0; i < length && run.progress.steps < options.steps; ++i) {
            if (GetTickCount64() - started > static_cast<ULONGLONG>(options.maxSeconds) * 1000) {
                outOfTime = true;
                break;
            }
            RunStep(run);
        }
        if (run.rng.chance(0.08) && !ReloadPlugin(run)) break;
    }
    if (outOfTime) {
        printf("time limit of %d s reached after %lld steps; replay with --steps %lld\n", options.maxSeconds,
               static_cast<long long>(run.progress.steps), static_cast<long long>(run.progress.steps));
    }
    snprintf(run.progress.action, sizeof run.progress.action, "the end of the run");
    wb::UnloadPlugin();
    CheckBlocksBalanced(run, "when the plug-in was unloaded at the end");
    CheckHeaps(run, "when the plug-in was unloaded at the end");
    // The open-file dialog may have made one of the run's folders the current one.
    SetCurrentDirectoryA(temp);
    common::RemoveFolder(run.folder);
    PrintCounts(run);
    if (run.progress.failures) {
        printf("replay the run with --seed %llu --steps %lld (--verbose prints every step)\n",
               static_cast<unsigned long long>(options.seed), static_cast<long long>(run.progress.steps));
    }
    PrintSummary(run.progress);
    return run.progress.failures ? 1 : 0;
}
