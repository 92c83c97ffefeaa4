// What a person does at Puffshell's panel during the demo, one step per function, each through the
// panel's own controls (workbench/panel/PanelDriver.h): rows clicked and ticked, preset buttons
// pressed, numbers typed, the open-file and freeze dialogs answered. None of them redraws the
// view; the caller answers the refreshes the plug-in asked for (HostLoop.h) when it wants to see
// the result.
#pragma once

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "workbench/app/CommandLine.h"

namespace workbench {

// Loads the plug-in DLL at path into the workbench, starts it as the modeller does (version check,
// MQInit, event 1), shows its panel for the active document (event 100) and answers the first
// redraws. False with *error when the plug-in does not load or shows no panel.
bool OpenPanel(const std::string& pluginPath, std::string* error);
// Hides the panel (event 100 off) and unloads the plug-in.
void ClosePanel();

// Rows of the panel's object list: one per document object, in document order.
int32_t RowCount();
// The row that shows document object index (empty slots have no row), or -1.
int32_t RowOfObject(int32_t objectIndex);
// The document object the row shows, or NULL.
HostObject RowObject(int32_t row);
// Clicks the row, so that the panel edits its object, and lets the panel reload.
void SelectRow(int32_t row);
// Ticks or clears the row's check box: the object's shell on or off.
void TickRow(int32_t row, bool on);
// Presses the preset's button for the selected object and lets the panel reload. Preset::None
// does nothing.
void PressPreset(Preset preset);
// Types the push distance ("%0.2f") into its edit; only while "法線方向押し出し" is on, as the edit
// is disabled otherwise. True when it was typed.
bool TypeDistance(float distance);
// Types the layer count into the repeat edit.
void TypeRepeat(int32_t count);
// Turns "HeightMap" on for the selected object, types scale ("%0.1f"), chooses path with "参照"
// and presses "読込". False with *error naming the file when the plug-in could not load it (its
// message box is answered) or no open-file dialog showed up.
bool LoadHeightMap(const std::string& path, float scale, std::string* error);
// Freezes the selected object's shell: "拡張面をﾌﾘｰｽﾞ" with the dialog's placement for
// New/Add/Replace, or "急速冷凍". Then the host sends the change events, as after every station
// callback that changed the document (wb::DeliverDocumentChange). False with *error when the
// freeze buttons are disabled, the dialog did not show up, or the plug-in left the document as it
// was (a shell too large for the process's memory: the plug-in says so in a message box, which
// is answered and quoted).
bool FreezeSelected(FreezeMode mode, std::string* error);
// A shell frozen as a new object comes with the host's name for it ("obj4"); each of shells
// (its document slot, the object it is the shell of) is named after its object as the scene file
// named it, " shell" added, as a person would, so that the list and the saved files tell the
// shells apart: the scripted run and the interactive view alike. Announces the change (see
// AnnounceDocumentChange) when it named any.
void NameFrozenShells(const std::vector<std::pair<int32_t, HostObject>>& shells);
// Sends the events the modeller sends after the person changed the document (renamed an object):
// object list (220), object (221) and material list (230).
void AnnounceDocumentChange();

}  // namespace workbench
