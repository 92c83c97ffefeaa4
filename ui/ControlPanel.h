// The control panel: the modeless dialog (template 101) that edits the selected object's settings
// and the three panel-wide switches.
#pragma once

#include "plugin/HostAbi.h"

// The panel's dialog procedure (CreateDialogParamA with template 101).
INT_PTR CALLBACK ControlPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Asks the host for a redraw unless a rebuild is pending and a redraw is already on its way.
void RequestRedraw();

// Shows object's settings in every control group (null: no object).
void ReloadPanel(HostObject object);
void LoadGeneralControls(HostObject object);
void LoadPushControls(HostObject object);
void LoadHeightMapControls(HostObject object);
void LoadVertexColorControls(HostObject object);
void LoadMaterialControls(HostObject object);

// Refills combo 1023: the three fixed entries, then the current document's materials.
void FillMaterialCombo();
