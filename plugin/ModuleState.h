// Module-wide state: plain values, zero, false or null when the module loads, touched only on the
// host's user-interface thread (every export, event, window procedure and the station callback
// run there).
#pragma once

#include "plugin/HostAbi.h"

extern HINSTANCE moduleInstance;      // this module; the panel and dialogs come from its resources
extern HWND panelWindow;              // the control panel, or null while there is none
extern HostDocument currentDocument;  // the document handed over by the last handler taking one
extern int32_t disableAll;            // "無効化": no shells, change events ignored
extern bool forceDisplay;             // "強制表示": shells for hidden objects too
extern bool selectionOnly;            // "選択範囲のみ": pushes only over the selection
extern bool rebuildPending;           // next draw pass resyncs the object list and the push cache
extern bool refreshRequested;         // a view refresh is on its way; the draw pass clears it
extern bool listFilling;              // the object list is being refilled; notifications ignored
