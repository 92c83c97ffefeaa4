// The few panel actions the benchmark needs, done the way a person does them: a click on a
// button or check box, a tick in the object list, a click on a row.
#pragma once

#include <stdint.h>

#include <windows.h>

// The plug-in's panel among this thread's top-level windows, or null.
HWND FindPanel();
// BM_CLICK on a control of the panel (nothing happens when it is disabled).
void ClickControl(int32_t controlId);
// Sets the check box of an object-list row.
void TickRow(int32_t row, bool checked);
// Selects a row and reports the click to the panel, as the list view does.
void ClickRow(int32_t row);
