// Answers the modal dialogs the plug-in opens during a stress step, from inside their own
// message loops: the height-map failure message box, the freeze-options dialog and the open-file
// dialog of the browse button. A thread timer looks for them; each step says beforehand how they
// are to be answered (a plan drawn from the seed before the step, so that the answers do not
// depend on timing), and can ask for host work to be done while a dialog is open (a redraw, a
// deleted object, the plug-in closed), as a host's own windows may do while a plug-in's dialog
// waits.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

namespace stress {

enum class DialogKind { MessageBox, FreezeOptions, OpenFile, Other };

struct DialogPlan {
    // Freeze options: the radio button to click first (1040, 1041, 1042; 0 for none), whether to
    // tick "reset vertex colours", and how to leave: 0 OK, 1 cancel, 2 WM_CLOSE, 3 the close box.
    int32_t freezePlacement = 1040;
    bool freezeResetColors = false;
    int32_t freezeFinish = 0;
    // Open-file dialog: the text typed into its name box, then OK (or cancel).
    std::string fileName;
    bool cancelFileDialog = false;
    // Runs once, when the first dialog of the step shows up, before it is answered.
    std::function<void()> whileOpen;
};

struct DialogSeen {
    DialogKind kind;
    std::string caption;
    std::string text;       // a message box's text
    bool closedByAnswer;    // false: it had to be cancelled or destroyed after the answer
};

// Starts the timer (once per thread). panel() gives the plug-in's panel, which is never answered.
void StartDialogAnswerer(HWND (*panel)());
// The plan for the dialogs of the next step; clears what was seen before.
void PlanDialogs(const DialogPlan& plan);
// The dialogs answered since the last PlanDialogs, in order.
const std::vector<DialogSeen>& SeenDialogs();
// The plan's host work ran (a dialog came up while it had some).
bool HostWorkedWhileOpen();

}  // namespace stress
