// The panel functions that ShellPlugin, DrawPass and FreezeShell call, for the native build (see
// PanelStandIn.h). The list never needs a refill and the controls show nothing.
#include "native/PanelStandIn.h"

#include "plugin/ModuleState.h"
#include "ui/ControlPanel.h"
#include "ui/ObjectList.h"

namespace {

HostObject g_selected = nullptr;
int32_t g_redrawRequests = 0;
char g_panel;  // its address is the panel's handle

}  // namespace

namespace standin {

void SelectObject(HostObject object) { g_selected = object; }

void OpenPanel() { panelWindow = reinterpret_cast<HWND>(&g_panel); }

int32_t RedrawRequests() { return g_redrawRequests; }

}  // namespace standin

HostObject SelectedObject() { return g_selected; }
bool RefreshObjectListIfChanged() { return false; }
void FillObjectList(HostDocument) {}
void RequestRedraw() { ++g_redrawRequests; }
void ReloadPanel(HostObject) {}
void LoadMaterialControls(HostObject) {}
void FillMaterialCombo() {}
INT_PTR CALLBACK ControlPanelProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
