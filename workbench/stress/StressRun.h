// The stress run: long random sequences of everything a host and a user can do to the real
// Puffshell.dll in the workbench, with the plug-in's invariants checked after every step.
//
// A sequence starts with a new document and the panel shown; each step is one host event, one
// document edit followed by the events a host sends for it, or one thing a person does at the
// panel (clicks, typing, spins, rows, presets, colour extraction, height maps through the
// open-file dialog, freezes through the freeze dialog). After each step the host runs its
// message loop and redraws, and the checks of Invariants.cpp run.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "plugin/HostAbi.h"
#include "workbench/stress/CrashGuard.h"
#include "workbench/stress/DialogAnswerer.h"
#include "workbench/stress/ImageFiles.h"
#include "workbench/stress/Random.h"

namespace stress {

using stressfiles::ImageCase;

struct Options {
    uint64_t seed = 0;
    int64_t steps = 8000;      // steps of the whole run
    int32_t maxSeconds = 240;  // the run ends at the first step past this time
    bool verbose = false;      // print every step
};

// What a step did, as the checks need to know it.
struct StepKind {
    bool editsDocument = false;  // the step changed the document itself (the checks compare
                                 // nothing of the document for it)
    bool mayFreeze = false;      // a freeze may change the selected object, add one object and
                                 // one material
    int32_t frozenSlot = -1;     // the document index of the object a freeze works on
    bool expectLoad = false;     // the height-map load button was pressed
    std::string loadPath;        // the file name the panel showed before the load
};

// What the run tried, for its closing report.
struct Counts {
    int64_t events = 0, unknownEvents = 0, eventsWithoutDocument = 0;
    int64_t edits = 0, editsUnannounced = 0;
    int64_t panelActions = 0, textsTyped = 0, spinSteps = 0, presets = 0, rowActions = 0;
    int64_t extractions = 0, browses = 0, loads = 0, loadsRefused = 0;
    int64_t freezes = 0, freezesDone = 0, dialogs = 0, dialogsWithHostWork = 0;
    int64_t redraws = 0, restarts = 0;
};

struct RunState {
    explicit RunState(uint64_t seed) : rng(seed) {}
    Random rng;
    RunProgress progress;
    Counts counts;
    Options options;
    std::string folder;                 // this run's files
    std::vector<ImageCase> images;      // height maps and textures
    std::vector<std::string> scenes;    // OBJ files a sequence may start from
    std::string pluginPath;
    HostDocument retiredDocument = nullptr;  // the document before the active one (kept, empty)
    // Set once per sequence: values typed into the panel or put into the document that may
    // legitimately push a shell's coordinates out of the float range.
    bool extremeValues = false;
    // The panel shows the selected row's record: no selection change without a reload and no
    // change of the document's objects without a refill since the last reload.
    bool panelSynced = true;
    // The plug-in's current document is not the active one (an event brought another, or none,
    // or the host replaced the document without telling it yet).
    bool pluginDocumentStale = false;
    // The file-name edit shows the record's height-map file (nothing was typed into it since
    // the last browse).
    bool fileEditTrusted = false;
    // The document changed after the last redraw: its draw objects show an older document.
    bool drawsStale = true;
    int64_t staleHandleUses = 0;  // wb::StaleHandleUses() after the last check
};

// ---- the parts of a step (DocumentEdits.cpp, HostEvents.cpp, PanelActions.cpp) --------------
// A new document for a sequence: random objects and materials, or a scene file.
void StartDocument(RunState& run);
// One random edit of the active document, followed by the events a host sends for it (or, now
// and then, by none or the wrong ones, as a careless host would).
void EditDocument(RunState& run, StepKind& kind);
// One random host event with an option argument of any shape the host might hand over.
void SendRandomEvent(RunState& run, StepKind& kind);
// One random thing a person does at the panel.
void WorkPanel(RunState& run, StepKind& kind);
// The document index of the object of the panel's selected row (rows skip empty slots), or -1.
int32_t SelectedSlot();
// Unloads the plug-in and loads it again (the host restarting it); false when loading failed.
bool ReloadPlugin(RunState& run);

// A random mesh object (0..60 vertices, faces of 1 to 4 points) added to the active document;
// returns its index.
int32_t AddRandomObject(RunState& run);
// Sends event code with a document and an option argument to the plug-in, noting which document
// the plug-in works on afterwards.
int32_t SendEvent(RunState& run, HostDocument document, int32_t code, void* option);
// Event 100: the host shows (or hides) the station's panel for the active document.
int32_t ShowPanel(RunState& run, bool show);

// ---- checks (Invariants.cpp) ----------------------------------------------------------------
// Reports a failure of the current step: prints it with the step, sequence and seed.
void Fail(RunState& run, const std::string& what);

// A fingerprint of each object slot and each material slot of a document.
struct DocumentPrint {
    std::vector<uint64_t> objects;    // 0 for an empty slot
    std::vector<uint64_t> materials;  // 0 for an empty slot
    bool operator==(const DocumentPrint& other) const {
        return objects == other.objects && materials == other.materials;
    }
};
DocumentPrint PrintDocument(HostDocument document);
// The unique IDs of the object slots (0 for an empty one): the rows the object list shows.
std::vector<int32_t> ObjectSlots(HostDocument document);

// Checks after a step: the document changed only through a freeze (and only as a freeze may),
// every draw object of the last redraw matches a source object in vertex and face count and has
// finite coordinates unless asked for, the image blocks of a failed load were not kept, and
// the panel shows the selected row's record.
// redrawsBefore and redrawsAfterAction: wb::RedrawCount() at the start of the step and after its
// action, before the host's loop ran.
void CheckStep(RunState& run, const StepKind& kind, const DocumentPrint& before,
               int32_t redrawsBefore, int32_t redrawsAfterAction);
// Image blocks handed out by the host and not freed; after an unload, a non-zero count is a
// failure.
void CheckBlocksBalanced(RunState& run, const char* when);
// Validates every heap of the process (HeapCheck.cpp); a damaged block is a failure. when says
// where the run is, e.g. "after the step".
void CheckHeaps(RunState& run, const char* when);

}  // namespace stress
