// Working the plug-in's control panel the way a person does, for the workbench program and the
// end-to-end tests: the real Puffshell.dll loaded into the workbench host, its panel found among
// this thread's windows, buttons clicked, text typed, spins stepped with the arrow keys, list rows
// ticked and clicked, modal dialogs answered (the freeze options, the open-file dialog, message
// boxes), and the panel photographed.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "workbench/common/BesideThisProgram.h"

namespace panel {

// The panel's caption (code page 932).
extern const char kPanelCaption[];

// Loads Puffshell.dll from beside the running program into the workbench (start-up and event 1).
bool LoadPuffshell(std::string* error);
using common::BesideThisProgram;
// The plug-in's panel: the top-level window of this thread with the panel's caption, or null.
HWND FindPanel();
HWND Item(int32_t controlId);  // a control of the panel
HWND ObjectList();             // control 100

// ---- the person at the panel -------------------------------------------------------------------
void Click(int32_t controlId);                       // BM_CLICK: nothing happens when disabled
void Type(int32_t controlId, const char* text);      // replaces the edit's text
void SpinUp(int32_t spinId);                         // the up arrow key on an up-down control
void SpinDown(int32_t spinId);
void ChooseComboEntry(int32_t controlId, int32_t entry);  // picks an entry of the drop-down list
void TickRow(int32_t row, bool checked);             // the row's check box
void ClickRow(int32_t row);                          // selects the row with a click
void SelectRowWithKeyboard(int32_t row);             // moves the selection without a click

// Holds the panel's painting (hold) or gives it back, repainting the whole panel once. While it
// is held every control still gets every message a click or keystroke sends, but nothing is
// painted: a script working through hundreds of rows spends most of its time painting otherwise.
void HoldPainting(bool hold);

// ---- what the person sees ----------------------------------------------------------------------
std::string Text(int32_t controlId);
bool Enabled(int32_t controlId);
bool Checked(int32_t controlId);
std::vector<std::string> ComboEntries(int32_t controlId);
std::string ComboSelection(int32_t controlId);  // empty when nothing is selected
int32_t RowCount();
std::string RowText(int32_t row);
bool RowChecked(int32_t row);
int32_t SelectedRow();  // -1 when none

// ---- modal dialogs -----------------------------------------------------------------------------
// When a dialog is answered: once it shows, as a person would; or, for the panel's own dialogs,
// as soon as the dialog has been made and initialised, before Windows shows it (a script that
// freezes hundreds of shells saves showing, activating and painting each dialog).
enum class DialogMoment { Shown, Made };

// Runs action (which opens a modal dialog of this thread) and, as soon as a dialog other than the
// panel shows up, calls answer with it; answer must close it. A dialog still open after
// about ten seconds is cancelled. True when a dialog was answered.
bool AnswerDialog(const std::function<void()>& action, const std::function<void(HWND)>& answer,
                  DialogMoment moment = DialogMoment::Shown);
// A message box's text (its static control) and caption.
std::string DialogText(HWND dialog);
std::string WindowCaption(HWND window);

// Presses buttonId, which opens the open-file dialog, types path into its file-name box and
// presses OK (an empty path cancels). True when the dialog showed up. The current folder is the
// same afterwards.
bool ChooseFile(int32_t buttonId, const std::string& path);
// Presses the freeze button "拡張面をﾌﾘｰｽﾞ", picks the placement (one of the freeze dialog's radio
// buttons IDC_FREEZE_AS_NEW_OBJECT, IDC_FREEZE_ADD_TO_SOURCE, IDC_FREEZE_REPLACE_SOURCE), ticks
// "頂点カラーをリセットする" exactly when resetColors and presses OK. True when the dialog showed
// up. A message box the plug-in shows about the freeze is closed with OK; *said (when given) gets
// its text, and stays empty without one.
bool FreezeWithDialog(int32_t placementId, bool resetColors, std::string* said = nullptr);
// Presses "急速冷凍". A message box the plug-in shows about the freeze is closed with OK; *said
// (when given) gets its text, and stays empty without one.
void QuickFreeze(std::string* said = nullptr);

// ---- pictures ----------------------------------------------------------------------------------
// Brings the panel to the top, lets it paint, and copies it from the screen, frame included:
// *rgba gets height rows of width pixels, top row first, 4 bytes each (alpha 255). False when
// there is no panel to capture.
bool CapturePanel(int32_t* width, int32_t* height, std::vector<uint8_t>* rgba);
// The panel as a PNG file at path; false on failure.
bool SavePanelPicture(const std::string& path);
// The panel as a PNG file under "screenshots" beside the running program. Returns the file's
// path, empty on failure.
std::string SavePanelScreenshot(const char* fileName);

}  // namespace panel
