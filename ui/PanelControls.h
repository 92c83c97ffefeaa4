// Small helpers shared by the panel's source files: the panel window itself and reading and writing
// its controls by identifier.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"
#include "settings/ExpansionSettings.h"

// The panel window from its WM_INITDIALOG until its WM_DESTROY (null otherwise). Unlike
// panelWindow it is already known while the dialog is being created.
HWND PanelDialog();
// The panel's control with that identifier (null without a panel or such a control).
HWND PanelItem(int32_t controlId);

void EnableItem(int32_t controlId, bool enabled);
void CheckItem(int32_t controlId, bool checked);
bool IsItemChecked(int32_t controlId);
// Writes a text into an edit; the edit's EN_UPDATE passes it back through the edit handler (an
// edit that shows that text already is left as it is, and the text goes to the handler directly).
void WriteItemText(int32_t controlId, const char* text);
// Writes a number into an edit, as WriteItemText.
void WriteItemInt(int32_t controlId, int32_t value);
void WriteItemFloat(int32_t controlId, const char* format, double value);

// The record of object if it has one (never inserts); null for a null object.
ExpansionSettings* FindSettings(HostObject object);
