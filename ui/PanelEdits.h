// The panel's number edits and their up-down controls. Every text that reaches an edit, typed or
// written by the panel itself, is parsed back into the selected object's record on EN_UPDATE.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

#include <commctrl.h>

// Upper bound of the repeat count. Every layer is a full copy of the object, rebuilt on every
// redraw: a thousand layers is far beyond any shell a user builds on purpose (the spin stops at
// 10), yet keeps a mistyped count from making each redraw copy the object millions of times.
constexpr int32_t kMaxRepeatCount = 1000;

// True for the control identifier of one of the six number edits.
bool IsNumberEdit(int32_t controlId);
// WM_COMMAND from one of the six number edits. False when the command is not one of them or is
// ignored (no selected row, the list is being filled, a notification other than a text update).
bool OnEditCommand(int32_t controlId, int32_t code);
// What the edit handler does with a text update: the text parsed into the selected object's
// record, with a redraw requested. False under the same conditions as OnEditCommand.
bool TakeEditText(int32_t controlId, const char* text);

// UDN_DELTAPOS from one of the six up-down controls: writes the stepped value into its edit.
// False when the notification comes from another control.
bool OnSpinDelta(const NMUPDOWN* change);

// ---- number rules (no window involved) ---------------------------------------------------------

// A whole number read the way atoi reads it (leading blanks, a sign, digits; no number gives 0),
// but without undefined behaviour on overflow, then clamped to low..high. *corrected tells
// whether clamping changed it.
int32_t ParseClampedInt(const char* text, int32_t low, int32_t high, bool* corrected);
// A float read the way atof reads it. A value beyond float's range is clamped to the largest
// float of its sign and text that reads as "nan" gives 0; *corrected tells whether either
// happened (the text then does not say what is stored).
float ParseFloatField(const char* text, bool* corrected);
// The push and scale spins step by 0.1 below 2, 0.2 from 2, 0.5 from 5 and 1.0 from 10 (by the
// magnitude of the value in the edit).
double AdaptiveStep(double value);
// value + step (delta > 0), value - step (delta < 0) or value (delta 0).
double SteppedValue(double value, double step, int32_t delta);
// value truncated toward zero and kept inside the int32 range (NaN gives 0).
int32_t TruncateToInt(double value);
