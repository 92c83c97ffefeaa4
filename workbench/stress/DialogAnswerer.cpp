#include "workbench/stress/DialogAnswerer.h"

#include <string.h>

namespace stress {

namespace {

// Control identifiers of the common dialogs' name box (Explorer style: an edit, or a combo box
// holding one) and of a message box's text.
const int kFileNameEdit = 0x480;
const int kFileNameCombo = 0x47C;
const int kMessageText = 0xFFFF;
// Freeze dialog controls.
const int kFreezeResetColors = 1043;
// Timer ticks (about 30 ms each) before an answered dialog still open is cancelled, and then
// destroyed.
const int kTicksBeforeCancel = 60;
const int kTicksBeforeDestroy = 200;

struct Tracked {
    HWND window = nullptr;
    DialogKind kind = DialogKind::Other;
    int32_t ticks = 0;
    size_t seenIndex = 0;
};

struct AnswererState {
    HWND (*panel)() = nullptr;
    DialogPlan plan;
    bool whileOpenDone = false;
    std::vector<DialogSeen> seen;
    std::vector<Tracked> tracked;
    bool busy = false;
    UINT_PTR timer = 0;
};
AnswererState g_state;

std::string TextOf(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

DialogKind Classify(HWND dialog) {
    if (GetDlgItem(dialog, kFreezeResetColors) && GetDlgItem(dialog, IDOK)) return DialogKind::FreezeOptions;
    if (GetDlgItem(dialog, kFileNameEdit) || GetDlgItem(dialog, kFileNameCombo)) return DialogKind::OpenFile;
    if (GetDlgItem(dialog, kMessageText)) return DialogKind::MessageBox;
    return DialogKind::Other;
}

struct Found {
    HWND panel;
    std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM data) {
    Found* found = reinterpret_cast<Found*>(data);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (window != found->panel && IsWindowVisible(window) && strcmp(className, "#32770") == 0)
        found->dialogs.push_back(window);
    return TRUE;
}

void Answer(HWND dialog, DialogKind kind) {
    const DialogPlan& plan = g_state.plan;
    switch (kind) {
    case DialogKind::MessageBox:
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        break;
    case DialogKind::FreezeOptions:
        if (plan.freezePlacement) {
            HWND radio = GetDlgItem(dialog, plan.freezePlacement);
            if (radio) SendMessageA(radio, BM_CLICK, 0, 0);
        }
        CheckDlgButton(dialog, kFreezeResetColors, plan.freezeResetColors ? BST_CHECKED : BST_UNCHECKED);
        switch (plan.freezeFinish) {
        case 0: PostMessageA(dialog, WM_COMMAND, IDOK, 0); break;
        case 1: PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); break;
        case 2: PostMessageA(dialog, WM_CLOSE, 0, 0); break;
        default: PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        }
        break;
    case DialogKind::OpenFile:
        // Answered a few ticks later (TypeFileName), once the dialog has filled itself.
        break;
    case DialogKind::Other:
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        break;
    }
}

// The open-file dialog fills its name box and folder list after it shows up: the name is typed
// only after kTicksBeforeTyping ticks, and OK pressed once the box holds it.
const int kTicksBeforeTyping = 3;
void TypeFileName(const Tracked& t) {
    const DialogPlan& plan = g_state.plan;
    if (t.ticks < kTicksBeforeTyping || t.ticks >= kTicksBeforeCancel) return;
    if (plan.cancelFileDialog) {
        if (t.ticks == kTicksBeforeTyping) PostMessageA(t.window, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    HWND name = GetDlgItem(t.window, kFileNameEdit);
    if (!name) name = GetDlgItem(t.window, kFileNameCombo);
    if (t.ticks == kTicksBeforeTyping) {
        SetWindowTextA(name, plan.fileName.c_str());
    } else if (t.ticks == kTicksBeforeTyping + 1) {
        // A name that leads into a folder opens it and leaves the dialog up: it is cancelled later.
        PostMessageA(t.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_state.busy) return;
    g_state.busy = true;
    Found found{g_state.panel ? g_state.panel() : nullptr, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectDialogs, reinterpret_cast<LPARAM>(&found));

    // Dialogs answered before and still open: cancel them after a while, then destroy them.
    std::vector<Tracked> stillOpen;
    for (Tracked& t : g_state.tracked) {
        if (!IsWindow(t.window)) continue;
        ++t.ticks;
        if (t.kind == DialogKind::OpenFile) TypeFileName(t);
        if (t.ticks == kTicksBeforeCancel) {
            g_state.seen[t.seenIndex].closedByAnswer = false;
            PostMessageA(t.window, WM_COMMAND, IDCANCEL, 0);
        } else if (t.ticks == kTicksBeforeDestroy) {
            DestroyWindow(t.window);
        }
        stillOpen.push_back(t);
    }
    g_state.tracked.swap(stillOpen);

    for (HWND dialog : found.dialogs) {
        bool known = false;
        for (const Tracked& t : g_state.tracked) known = known || t.window == dialog;
        if (known) continue;
        DialogKind kind = Classify(dialog);
        if (!g_state.whileOpenDone) {
            g_state.whileOpenDone = true;
            if (g_state.plan.whileOpen) g_state.plan.whileOpen();
            if (!IsWindow(dialog)) continue;  // the host's work closed it
        }
        DialogSeen seen{kind, TextOf(dialog), "", true};
        if (kind == DialogKind::MessageBox) seen.text = TextOf(GetDlgItem(dialog, kMessageText));
        g_state.seen.push_back(seen);
        g_state.tracked.push_back({dialog, kind, 0, g_state.seen.size() - 1});
        Answer(dialog, kind);
    }
    g_state.busy = false;
}

}  // namespace

void StartDialogAnswerer(HWND (*panel)()) {
    g_state.panel = panel;
    if (!g_state.timer) g_state.timer = SetTimer(nullptr, 0, 30, OnTick);
}

void PlanDialogs(const DialogPlan& plan) {
    g_state.plan = plan;
    g_state.whileOpenDone = false;
    g_state.seen.clear();
    g_state.tracked.clear();
}

const std::vector<DialogSeen>& SeenDialogs() { return g_state.seen; }

bool HostWorkedWhileOpen() { return g_state.whileOpenDone && g_state.plan.whileOpen; }

}  // namespace stress
