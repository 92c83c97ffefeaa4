#include "ui/PanelEdits.h"

#include <errno.h>
#include <float.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"
#include "ui/ControlPanel.h"
#include "ui/ObjectList.h"
#include "ui/PanelControls.h"
#include "ui/ResourceIds.h"

namespace {

enum { kEditTextSize = 64 };  // edits are read up to 63 characters

// Notifications of an edit that carry no new value.
bool IsIgnoredEditCode(int32_t code) {
    switch (code) {
    case EN_SETFOCUS:
    case EN_KILLFOCUS:
    case EN_CHANGE:
    case EN_ERRSPACE:
    case EN_MAXTEXT:
    case EN_HSCROLL:
    case EN_VSCROLL:
        return true;
    default:
        return false;
    }
}

// An integer field: the number typed, clamped, with the corrected text written back.
int32_t TakeInt(int32_t edit, const char* text, int32_t low, int32_t high) {
    bool corrected = false;
    int32_t value = ParseClampedInt(text, low, high, &corrected);
    if (corrected) {
        char fixed[32];
        snprintf(fixed, sizeof fixed, "%d", value);
        SetWindowTextA(PanelItem(edit), fixed);
    }
    return value;
}

// A float field: no bounds of its own; only text that no float can hold is corrected.
float TakeFloat(int32_t edit, const char* text, const char* format) {
    bool corrected = false;
    float value = ParseFloatField(text, &corrected);
    if (corrected) {
        char fixed[kEditTextSize];
        snprintf(fixed, sizeof fixed, format, static_cast<double>(value));
        SetWindowTextA(PanelItem(edit), fixed);
    }
    return value;
}

// One number edit of the panel, with its up-down control and the settings field it writes: a
// whole number clamped to low..high (intField), or a float written back with format (floatField).
struct NumberEdit {
    int32_t edit;
    int32_t spin;
    double spinStep;  // 0.1 means: adaptive
    int32_t ExpansionSettings::*intField;
    int32_t low, high;
    float ExpansionSettings::*floatField;
    const char* format;
};

const NumberEdit kNumberEdits[] = {
    {IDC_PUSH_DISTANCE, IDC_PUSH_DISTANCE_SPIN, 0.1, nullptr, 0, 0,
     &ExpansionSettings::pushDistance, "%0.2f"},
    {IDC_REPEAT_COUNT, IDC_REPEAT_COUNT_SPIN, 1.0, &ExpansionSettings::repeatCount, 1,
     kMaxRepeatCount, nullptr, nullptr},
    {IDC_TRANSPARENCY, IDC_TRANSPARENCY_SPIN, 5.0, &ExpansionSettings::transparency, 0, 100,
     nullptr, nullptr},
    {IDC_HEIGHT_MAP_SCALE, IDC_HEIGHT_MAP_SCALE_SPIN, 0.1, nullptr, 0, 0,
     &ExpansionSettings::heightMapScale, "%0.1f"},
    {IDC_BRIGHTNESS, IDC_BRIGHTNESS_SPIN, 5.0, &ExpansionSettings::brightness, 0, 100, nullptr,
     nullptr},
    {IDC_VERTEX_COLOR_SCALE, IDC_VERTEX_COLOR_SCALE_SPIN, 0.1, nullptr, 0, 0,
     &ExpansionSettings::vertexColorScale, "%0.1f"},
};

// The table's row for an edit, or null.
const NumberEdit* FindNumberEdit(int32_t editId) {
    for (const NumberEdit& row : kNumberEdits)
        if (row.edit == editId) return &row;
    return nullptr;
}

}  // namespace

// ---- number rules ------------------------------------------------------------------------------

int32_t ParseClampedInt(const char* text, int32_t low, int32_t high, bool* corrected) {
    long long value = text ? strtoll(text, nullptr, 10) : 0;  // saturates instead of overflowing
    long long clamped = value < low ? low : value > high ? high : value;
    if (corrected) *corrected = clamped != value;
    return static_cast<int32_t>(clamped);
}

float ParseFloatField(const char* text, bool* corrected) {
    double value = text ? strtod(text, nullptr) : 0.0;
    bool fixed = false;
    if (isnan(value)) {
        value = 0.0;
        fixed = true;
    } else if (value > FLT_MAX) {
        value = FLT_MAX;
        fixed = true;
    } else if (value < -FLT_MAX) {
        value = -FLT_MAX;
        fixed = true;
    }
    if (corrected) *corrected = fixed;
    return static_cast<float>(value);
}

double AdaptiveStep(double value) {
    double magnitude = fabs(value);  // comparing it with whole numbers truncates it
    if (magnitude >= 10.0) return 1.0;
    if (magnitude >= 5.0) return 0.5;
    if (magnitude >= 2.0) return 0.2;
    return 0.1;
}

double SteppedValue(double value, double step, int32_t delta) {
    if (delta < 0) return value - step;
    if (delta > 0) return value + step;
    return value;
}

int32_t TruncateToInt(double value) {
    if (isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// ---- handlers ----------------------------------------------------------------------------------

bool OnEditCommand(int32_t controlId, int32_t code) {
    if (IsIgnoredEditCode(code)) return false;
    char text[kEditTextSize] = {};
    HWND edit = PanelItem(controlId);
    if (edit) GetWindowTextA(edit, text, sizeof text);
    return TakeEditText(controlId, text);
}

bool IsNumberEdit(int32_t controlId) { return FindNumberEdit(controlId) != nullptr; }

bool TakeEditText(int32_t controlId, const char* text) {
    const NumberEdit* number = FindNumberEdit(controlId);
    if (!number) return false;
    if (listFilling) return false;
    HostObject object = SelectedObject();
    if (!object) return false;

    // Writing a corrected text back re-enters this handler with that text; both end with the
    // same value stored.
    ExpansionSettings& settings = SettingsOf(object);
    if (number->intField)
        settings.*number->intField = TakeInt(controlId, text, number->low, number->high);
    else
        settings.*number->floatField = TakeFloat(controlId, text, number->format);
    RequestRedraw();
    return true;
}

bool OnSpinDelta(const NMUPDOWN* change) {
    if (!change) return false;
    const NumberEdit* binding = nullptr;
    for (const NumberEdit& candidate : kNumberEdits) {
        if (static_cast<UINT_PTR>(candidate.spin) == change->hdr.idFrom) binding = &candidate;
    }
    if (!binding) return false;

    // The spin's own position is never read: the edit's text is the value.
    char text[kEditTextSize] = {};
    GetWindowTextA(PanelItem(binding->edit), text, sizeof text);
    double value = atof(text);
    if (!isfinite(value)) value = 0.0;
    double step = binding->spinStep == 0.1 ? AdaptiveStep(value) : binding->spinStep;
    value = SteppedValue(value, step, change->iDelta);

    char next[kEditTextSize];
    if (binding->intField) {
        snprintf(next, sizeof next, "%d", TruncateToInt(value));
    } else {
        snprintf(next, sizeof next, "%0.1f", value);
    }
    SetWindowTextA(PanelItem(binding->edit), next);
    return true;
}
