#include "plugin/ModuleState.h"

HINSTANCE moduleInstance = nullptr;
HWND panelWindow = nullptr;
HostDocument currentDocument = nullptr;
int32_t disableAll = 0;
bool forceDisplay = false;
bool selectionOnly = false;
bool rebuildPending = false;
bool refreshRequested = false;
bool listFilling = false;
