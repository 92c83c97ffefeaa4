// The plug-in's panel in the native build, which has no windows: what the plug-in object, the
// draw pass and the freeze ask of the panel (ui/ObjectList.h, ui/ControlPanel.h) is defined in
// native/PanelStandIn.cpp, and a program says here which object is selected and whether the
// panel exists. Used by the native tests of those parts and by the draw-and-freeze fuzz target.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

namespace standin {

// The object that SelectedObject() answers, as if its row were selected; null for none.
void SelectObject(HostObject object);

// Gives the plug-in a panel window (a handle to no window), as a panel that was created; event 1
// then keeps it and event 2 drops it again. Without it, event 1 fails as when the dialog cannot be
// created, since no window can be here.
void OpenPanel();

// RequestRedraw() calls so far (the panel asks the host for a redraw through it).
int32_t RedrawRequests();

}  // namespace standin
