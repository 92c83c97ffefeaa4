// What a person does at the panel: clicks, typed text of every kind, spin steps, the material
// combo, rows ticked and clicked, presets, colour extraction, height maps chosen in the open-file
// dialog and loaded, freezes through the freeze dialog and the quick-freeze button.
#include <stdio.h>
#include <stdlib.h>

#include <math.h>

#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "workbench/panel/PanelDriver.h"
#include "ui/ResourceIds.h"
#include "workbench/host/Workbench.h"
#include "workbench/stress/StressRun.h"

namespace stress {

namespace {

// Freezes are skipped (the dialog cancelled) when the shell would make the document larger
// than this: every freeze may add repeatCount copies of the object.
const int64_t kMaxFrozenVertices = 60000;

const int32_t kCheckBoxes[] = {IDC_DISABLE_ALL,       IDC_INVERT_FACES,  IDC_HEIGHT_MAP_ON,
                               IDC_NORMAL_PUSH,       IDC_VERTEX_COLOR_PUSH, IDC_FORCE_DISPLAY,
                               IDC_SELECTION_ONLY};
const int32_t kPresets[] = {IDC_PRESET_BLACK_FRAME, IDC_PRESET_COLOR_TRACE, IDC_PRESET_BLUR,
                            IDC_PRESET_RESET, IDC_PRESET_BOTH_SIDES};
const int32_t kFloatEdits[] = {IDC_PUSH_DISTANCE, IDC_VERTEX_COLOR_SCALE, IDC_HEIGHT_MAP_SCALE};
const int32_t kIntEdits[] = {IDC_REPEAT_COUNT, IDC_TRANSPARENCY, IDC_BRIGHTNESS};
const int32_t kSpins[] = {IDC_PUSH_DISTANCE_SPIN, IDC_REPEAT_COUNT_SPIN, IDC_TRANSPARENCY_SPIN,
                          IDC_HEIGHT_MAP_SCALE_SPIN, IDC_BRIGHTNESS_SPIN, IDC_VERTEX_COLOR_SCALE_SPIN};

std::string TypedText(Random& rng) {
    static const std::vector<std::string> texts = {
        "", "abc", "1e400", "-1e400", "nan", "inf", "-inf", "-5", "0", "3", "2.5", "1.234",
        "99999999999999999999", "-2147483649", "2147483648", "  7", "0x1F", "1,5", "１２",
        std::string(300, '9'), std::string(5000, 'x'), "1e30", "-1e30", "-0.0", "1e-45", "0.05",
        "7e", "--3", "+4", "\t12", "12abc", "３．５", "20", "-20", "150", "0.5", "-1"};
    if (rng.chance(0.3)) {
        char text[32];
        snprintf(text, sizeof text, "%d", rng.between(-10, 12));
        return text;
    }
    return rng.pick(texts);
}

bool IsFloatEdit(int32_t id) {
    for (int32_t edit : kFloatEdits)
        if (edit == id) return true;
    return false;
}

// The value the panel takes from text: read the way the plug-in reads an edit (63 characters).
double ParsedValue(const std::string& text) { return strtod(text.substr(0, 63).c_str(), nullptr); }

int32_t RowCount() { return panel::RowCount(); }

// Work done by the host while one of the plug-in's modal dialogs waits.
std::function<void()> HostWorkWhileOpen(RunState& run, StepKind& kind) {
    Random& rng = run.rng;
    switch (rng.weighted({70, 12, 6, 6, 6})) {
    case 0: return nullptr;
    case 1: return [] { wb::Redraw(); };  // the host repaints its view
    case 2: {
        int32_t slot = SelectedSlot();
        kind.editsDocument = true;  // the object goes away under the dialog
        return [slot, &run] {
            MQDoc_DeleteObject(wb::ActiveDocument(), slot);
            run.panelSynced = false;  // the rows no longer stand for the objects they did
            SendEvent(run, wb::ActiveDocument(), kEventObjectListUpdated, nullptr);
            wb::Redraw();
        };
    }
    case 3: return [&run] { ShowPanel(run, false); };  // the host closes the station
    default:
        return [&run] {  // the host shuts the plug-in down and starts it again
            SendEvent(run, wb::ActiveDocument(), kEventExit, nullptr);
            SendEvent(run, wb::ActiveDocument(), kEventInitialize, nullptr);
            ShowPanel(run, true);
        };
    }
}

// A person's click: a disabled control takes none, and nobody clicks a hidden panel (the host's
// work while a dialog was open may have closed it).
bool ClickEnabled(int32_t controlId) {
    HWND window = panel::FindPanel();
    if (!window || !IsWindowVisible(window) || !panel::Enabled(controlId)) return false;
    panel::Click(controlId);
    return true;
}

// A person picks an object before working on it: with no row selected, a row is clicked first
// (most of the time).
void SelectSomeRow(RunState& run) {
    int32_t rows = panel::RowCount();
    if (rows <= 0 || panel::SelectedRow() >= 0 || !run.rng.chance(0.8)) return;
    panel::ClickRow(run.rng.below(rows));
    wb::ProcessMessages();
    ++run.counts.rowActions;
    run.panelSynced = !run.pluginDocumentStale;
}

// The controls of ids that are enabled; all of ids when none is.
std::vector<int32_t> EnabledOf(const std::vector<int32_t>& ids) {
    std::vector<int32_t> enabled;
    for (int32_t id : ids)
        if (panel::Enabled(id)) enabled.push_back(id);
    return enabled.empty() ? ids : enabled;
}

void Describe(RunState& run, const std::string& text) {
    snprintf(run.progress.action, sizeof run.progress.action, "panel: %s", text.c_str());
}

void BrowseHeightMap(RunState& run, StepKind& kind) {
    Random& rng = run.rng;
    SelectSomeRow(run);
    if (!panel::Enabled(IDC_BROWSE_HEIGHT_MAP)) ClickEnabled(IDC_HEIGHT_MAP_ON);
    DialogPlan plan;
    // Half of the time one of the files that load (they come first), else any.
    int32_t good = 0;
    while (good < static_cast<int32_t>(run.images.size()) && run.images[good].loads) ++good;
    const ImageCase& image = run.images[rng.chance(0.5) && good > 0 ? rng.below(good) : rng.below(static_cast<int32_t>(run.images.size()))];
    plan.fileName = image.path;
    // Wine's open-file dialog itself crashes on a name longer than MAX_PATH (whatever buffer the
    // caller gives it), so such names reach the plug-in only as texture names.
    if (plan.fileName.size() >= MAX_PATH) plan.fileName = run.images.front().path;
    switch (rng.below(10)) {
    case 0: plan.cancelFileDialog = true; break;
    case 1: plan.fileName = run.folder + "no-extension"; break;  // the dialog adds ".bmp"
    case 2: plan.fileName = "C:\\no\\such\\folder\\map.bmp"; break;
    default: break;
    }
    plan.whileOpen = HostWorkWhileOpen(run, kind);
    PlanDialogs(plan);
    Describe(run, "browse for height map \"" + plan.fileName.substr(0, 80) + "\"");
    run.counts.browses += ClickEnabled(IDC_BROWSE_HEIGHT_MAP) ? 1 : 0;
    run.fileEditTrusted = true;
}

void LoadHeightMap(RunState& run, StepKind& kind) {
    SelectSomeRow(run);
    // Mostly the person chooses a file first.
    if (run.rng.chance(0.7)) BrowseHeightMap(run, kind);
    if (!panel::Enabled(IDC_LOAD_HEIGHT_MAP)) ClickEnabled(IDC_HEIGHT_MAP_ON);
    wb::ProcessMessages();
    DialogPlan plan;
    plan.whileOpen = HostWorkWhileOpen(run, kind);
    PlanDialogs(plan);
    // The file-name edit tells which file the load reads only while the panel shows the selected
    // object's record.
    kind.expectLoad = panel::FindPanel() && IsWindowVisible(panel::FindPanel()) &&
                      panel::Enabled(IDC_LOAD_HEIGHT_MAP) && run.fileEditTrusted && run.panelSynced;
    kind.loadPath = panel::Text(IDC_HEIGHT_MAP_FILE);
    Describe(run, "load height map \"" + kind.loadPath.substr(0, 80) + "\"");
    run.counts.loads += ClickEnabled(IDC_LOAD_HEIGHT_MAP) ? 1 : 0;
}

// The selected object's vertices times the repeat count the panel shows (1000 when it shows
// none): what one freeze may add.
int64_t FreezeGrowth() {
    int32_t slot = SelectedSlot();
    HostObject object = slot >= 0 ? MQDoc_GetObject(wb::ActiveDocument(), slot) : nullptr;
    if (!object) return 0;
    int64_t repeat = panel::Enabled(IDC_REPEAT_COUNT) ? atoi(panel::Text(IDC_REPEAT_COUNT).c_str()) : 1000;
    if (repeat < 1) repeat = 1;
    return static_cast<int64_t>(MQObj_GetVertexCount(object)) * (repeat + 1);
}

int64_t DocumentVertexCount() {
    HostDocument doc = wb::ActiveDocument();
    int64_t total = 0;
    for (int32_t i = 0; i < MQDoc_GetObjectCount(doc); ++i)
        if (HostObject o = MQDoc_GetObject(doc, i)) total += MQObj_GetVertexCount(o);
    return total;
}

void Freeze(RunState& run, StepKind& kind, bool quick) {
    Random& rng = run.rng;
    SelectSomeRow(run);
    if (!panel::Enabled(IDC_FREEZE) && panel::SelectedRow() >= 0) {
        // Only a shell that is on can be frozen: its row is ticked first.
        panel::TickRow(panel::SelectedRow(), true);
        wb::ProcessMessages();
    }
    bool tooLarge = DocumentVertexCount() + FreezeGrowth() > kMaxFrozenVertices;
    kind.frozenSlot = SelectedSlot();
    if (quick) {
        if (tooLarge) {
            Describe(run, "quick freeze skipped (the shell would be too large)");
            return;
        }
        kind.mayFreeze = true;
        Describe(run, "quick freeze");
        run.counts.freezes += ClickEnabled(IDC_QUICK_FREEZE) ? 1 : 0;
        return;
    }
    DialogPlan plan;
    plan.freezePlacement = rng.pick({0, IDC_FREEZE_AS_NEW_OBJECT, IDC_FREEZE_ADD_TO_SOURCE,
                                      IDC_FREEZE_REPLACE_SOURCE});
    plan.freezeResetColors = rng.chance(0.5);
    plan.freezeFinish = rng.chance(0.7) ? 0 : rng.between(1, 3);
    if (tooLarge) plan.freezeFinish = 1;
    plan.whileOpen = HostWorkWhileOpen(run, kind);
    kind.mayFreeze = plan.freezeFinish == 0;
    PlanDialogs(plan);
    char text[96];
    snprintf(text, sizeof text, "freeze dialog (placement %d, reset %d, finish %d)", plan.freezePlacement,
             plan.freezeResetColors ? 1 : 0, plan.freezeFinish);
    Describe(run, text);
    run.counts.freezes += ClickEnabled(IDC_FREEZE) ? 1 : 0;
}

void TypeIntoEdit(RunState& run) {
    Random& rng = run.rng;
    SelectSomeRow(run);
    std::vector<int32_t> edits;
    for (int32_t id : kFloatEdits) edits.push_back(id);
    for (int32_t id : kIntEdits) edits.push_back(id);
    edits.push_back(IDC_HEIGHT_MAP_FILE);
    int32_t id = rng.pick(rng.chance(0.95) ? EnabledOf(edits) : edits);
    // A person types only into enabled edits; now and then text arrives in a disabled one too.
    if (!panel::Enabled(id) && rng.chance(0.9)) {
        Describe(run, "typing skipped (edit disabled)");
        return;
    }
    std::string text = TypedText(rng);
    ++run.counts.textsTyped;
    if (IsFloatEdit(id) && !(fabs(ParsedValue(text)) < 1e30)) run.extremeValues = true;
    if (id == IDC_HEIGHT_MAP_FILE) run.fileEditTrusted = false;
    Describe(run, "type \"" + text.substr(0, 40) + (text.size() > 40 ? "...\"" : "\"") + " into " + std::to_string(id));
    panel::Type(id, text.c_str());
}

}  // namespace

int32_t SelectedSlot() {
    int32_t row = panel::FindPanel() ? panel::SelectedRow() : -1;
    if (row < 0) return -1;
    std::vector<int32_t> slots = ObjectSlots(wb::ActiveDocument());
    int32_t existing = 0;
    for (size_t i = 0; i < slots.size(); ++i) {
        if (!slots[i]) continue;
        if (existing == row) return static_cast<int32_t>(i);
        ++existing;
    }
    return -1;
}

void WorkPanel(RunState& run, StepKind& kind) {
    Random& rng = run.rng;
    PlanDialogs(DialogPlan());  // any dialog not planned for is cancelled
    if (!panel::FindPanel()) {
        // No panel (the host shut the station): the host starts it again.
        Describe(run, "no panel: initialise and show");
        SendEvent(run, wb::ActiveDocument(), kEventInitialize, nullptr);
        ShowPanel(run, true);
        return;
    }
    if (!IsWindowVisible(panel::FindPanel())) {
        // Nobody can click a hidden panel: the person opens the station in the host instead.
        Describe(run, "panel hidden: the host shows it");
        ShowPanel(run, true);
        return;
    }
    int32_t rows = RowCount();
    ++run.counts.panelActions;
    switch (rng.weighted({14, 16, 6, 5, 8, 12, 2, 2, 7, 4, 3, 3, 3, 2, 2, 2, 2})) {
    case 0: {
        SelectSomeRow(run);
        int32_t id = rng.pick(std::vector<int32_t>(std::begin(kCheckBoxes), std::end(kCheckBoxes)));
        if (id == IDC_DISABLE_ALL && rng.chance(0.6)) id = IDC_INVERT_FACES;
        Describe(run, "click check box " + std::to_string(id));
        ClickEnabled(id);
        break;
    }
    case 1:
        TypeIntoEdit(run);
        break;
    case 2: {
        SelectSomeRow(run);
        int32_t spin = rng.pick(EnabledOf(std::vector<int32_t>(std::begin(kSpins), std::end(kSpins))));
        int32_t steps = rng.between(1, 25);
        bool up = rng.chance(0.5);
        Describe(run, std::string("spin ") + std::to_string(spin) + (up ? " up " : " down ") + std::to_string(steps));
        if (!panel::Enabled(spin)) break;
        for (int32_t i = 0; i < steps; ++i) up ? panel::SpinUp(spin) : panel::SpinDown(spin);
        run.counts.spinSteps += steps;
        break;
    }
    case 3: {
        SelectSomeRow(run);
        // The drop-down list offers its entries and nothing else.
        int32_t count = static_cast<int32_t>(panel::ComboEntries(IDC_COLOR_MODE).size());
        int32_t entry = rng.below(count);
        Describe(run, "choose material entry " + std::to_string(entry));
        panel::ChooseComboEntry(IDC_COLOR_MODE, entry);
        break;
    }
    case 4: {
        int32_t row = rng.between(-1, rows);
        bool on = rng.chance(0.7);
        Describe(run, "tick row " + std::to_string(row) + (on ? " on" : " off"));
        ++run.counts.rowActions;
        panel::TickRow(row, on);
        break;
    }
    case 5: {
        if (rows > 0 && rng.chance(0.95)) {
            int32_t row = rng.below(rows);
            Describe(run, "click row " + std::to_string(row));
            ++run.counts.rowActions;
            panel::ClickRow(row);
        } else {
            // A click on the empty part of the list: no row is selected afterwards.
            Describe(run, "click below the rows");
            HWND list = panel::ObjectList();
            ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
            NMITEMACTIVATE click = {};
            click.hdr.hwndFrom = list;
            click.hdr.idFrom = IDC_OBJECT_LIST;
            click.hdr.code = NM_CLICK;
            click.iItem = -1;
            SendMessageA(panel::FindPanel(), WM_NOTIFY, IDC_OBJECT_LIST, reinterpret_cast<LPARAM>(&click));
        }
        run.panelSynced = !run.pluginDocumentStale;
        break;
    }
    case 6:
        if (rows > 0) {
            int32_t row = rng.below(rows);
            Describe(run, "select row " + std::to_string(row) + " with the keyboard");
            ++run.counts.rowActions;
            panel::SelectRowWithKeyboard(row);
            run.panelSynced = false;  // the panel keeps showing the clicked object
        }
        break;
    case 7: {
        Describe(run, "click the list's column header");
        NMLISTVIEW click = {};
        click.hdr.hwndFrom = panel::ObjectList();
        click.hdr.idFrom = IDC_OBJECT_LIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        SendMessageA(panel::FindPanel(), WM_NOTIFY, IDC_OBJECT_LIST, reinterpret_cast<LPARAM>(&click));
        break;
    }
    case 8: {
        SelectSomeRow(run);
        int32_t id = rng.pick(std::vector<int32_t>(std::begin(kPresets), std::end(kPresets)));
        Describe(run, "preset " + std::to_string(id));
        // A preset reloads the panel when the selected row stands for an object.
        bool object = SelectedSlot() >= 0;
        bool clicked = ClickEnabled(id);
        run.counts.presets += clicked ? 1 : 0;
        if (clicked && object) run.panelSynced = !run.pluginDocumentStale;
        break;
    }
    case 9:
        SelectSomeRow(run);
        // The button belongs to "描画色": the person picks that entry first.
        if (!panel::Enabled(IDC_EXTRACT_COLORS)) panel::ChooseComboEntry(IDC_COLOR_MODE, 2);  // "描画色"
        Describe(run, "colour extraction");
        run.counts.extractions += ClickEnabled(IDC_EXTRACT_COLORS) ? 1 : 0;
        break;
    case 10:
        BrowseHeightMap(run, kind);
        break;
    case 11:
        LoadHeightMap(run, kind);
        break;
    case 12:
        Freeze(run, kind, false);
        break;
    case 13:
        Freeze(run, kind, true);
        break;
    case 14: {
        // OK and cancel of the dialog itself (Enter and Esc), and its close box.
        int32_t which = rng.below(3);
        Describe(run, which == 0 ? "Enter (IDOK)" : which == 1 ? "Esc (IDCANCEL)" : "close box");
        HWND window = panel::FindPanel();
        if (which == 0) SendMessageA(window, WM_COMMAND, IDOK, 0);
        else if (which == 1) SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
        else SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    case 15: {
        // A command for a control with any notification code, whatever state the control is in.
        const int32_t ids[] = {IDC_DISABLE_ALL, IDC_PUSH_DISTANCE, IDC_REPEAT_COUNT, IDC_COLOR_MODE,
                               IDC_EXTRACT_COLORS, IDC_PRESET_BLUR, IDC_INVERT_FACES, 1099, 0, 100};
        int32_t id = ids[rng.below(static_cast<int32_t>(sizeof ids / sizeof ids[0]))];
        int32_t code = rng.pick({0, 1, 2, 3, 5, 0x400, 0x300, 0xFFFF});
        Describe(run, "command " + std::to_string(id) + " code " + std::to_string(code));
        SendMessageA(panel::FindPanel(), WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(panel::Item(id)));
        break;
    }
    default: {
        // The panel shown again by the host after it was closed, or hidden and minimised.
        int32_t which = rng.below(3);
        Describe(run, which == 0 ? "host shows the panel" : which == 1 ? "host minimises" : "host restores");
        if (which == 0) {
            ShowPanel(run, true);
        } else {
            int32_t minimized = which == 1 ? 1 : 0;
            SendEvent(run, wb::ActiveDocument(), kEventMinimize, &minimized);
        }
        break;
    }
    }
}

bool ReloadPlugin(RunState& run) {
    snprintf(run.progress.action, sizeof run.progress.action, "plug-in unloaded and loaded again");
    wb::UnloadPlugin();
    ++run.counts.restarts;
    CheckBlocksBalanced(run, "after the plug-in was unloaded");
    std::string error;
    if (!wb::LoadPlugin(run.pluginPath.c_str(), &error)) {
        Fail(run, "the plug-in did not load again: " + error);
        return false;
    }
    WatchModule(wb::PluginModule());
    run.pluginDocumentStale = false;
    ShowPanel(run, true);
    return true;
}

}  // namespace stress
