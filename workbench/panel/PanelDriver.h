// Working the plug-in's control panel the way a person does, for end-to-end tests: the real
// Puffshell.dll loaded into the workbench host, its panel found among this thread's windows,
// buttons clicked, text typed, spins stepped with the arrow keys, list rows ticked and clicked,
// modal dialogs answered, and the panel photographed.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

namespace panel {

// The panel's caption (code page 932).
extern const char kPanelCaption[];

// Loads Puffshell.dll from beside the test program into the workbench (start-up and event 1).
bool LoadPuffshell(std::string* error);
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
// Runs action (which opens a modal dialog of this thread) and, once a dialog other than the
// panel shows up, calls answer with it; answer must close it. A dialog still open after about
// ten seconds is cancelled. True when a dialog was answered.
bool AnswerDialog(const std::function<void()>& action, const std::function<void(HWND)>& answer);
// A message box's text (its static control) and caption.
std::string DialogText(HWND dialog);
std::string WindowCaption(HWND window);

// ---- pictures ----------------------------------------------------------------------------------
// Paints the panel and saves it as PNG under "screenshots" beside the test program. Returns the
// file's path, empty on failure.
std::string SavePanelScreenshot(const char* fileName);

}  // namespace panel
