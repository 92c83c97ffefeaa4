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

struct SpinBinding {
    int32_t spin;
    int32_t edit;
    double baseStep;     // 0.1 means: adaptive
    bool wholeNumbers;   // written as "%d", else "%0.1f"
};

const SpinBinding kSpins[] = {
    {IDC_PUSH_DISTANCE_SPIN, IDC_PUSH_DISTANCE, 0.1, false},
    {IDC_REPEAT_COUNT_SPIN, IDC_REPEAT_COUNT, 1.0, true},
    {IDC_TRANSPARENCY_SPIN, IDC_TRANSPARENCY, 5.0, true},
    {IDC_HEIGHT_MAP_SCALE_SPIN, IDC_HEIGHT_MAP_SCALE, 0.1, false},
    {IDC_BRIGHTNESS_SPIN, IDC_BRIGHTNESS, 5.0, true},
    {IDC_VERTEX_COLOR_SCALE_SPIN, IDC_VERTEX_COLOR_SCALE, 0.1, false},
};

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

bool TakeEditText(int32_t controlId, const char* text) {
    switch (controlId) {
    case IDC_PUSH_DISTANCE:
    case IDC_REPEAT_COUNT:
    case IDC_VERTEX_COLOR_SCALE:
    case IDC_TRANSPARENCY:
    case IDC_BRIGHTNESS:
    case IDC_HEIGHT_MAP_SCALE:
        break;
    default:
        return false;
    }
    if (listFilling) return false;
    HostObject object = SelectedObject();
    if (!object) return false;

    // Writing a corrected text back re-enters this handler with that text; both end with the
    // same value stored.
    switch (controlId) {
    case IDC_PUSH_DISTANCE:
        SettingsOf(object).pushDistance = TakeFloat(controlId, text, "%0.2f");
        break;
    case IDC_REPEAT_COUNT:
        SettingsOf(object).repeatCount = TakeInt(controlId, text, 1, kMaxRepeatCount);
        break;
    case IDC_VERTEX_COLOR_SCALE:
        SettingsOf(object).vertexColorScale = TakeFloat(controlId, text, "%0.1f");
        break;
    case IDC_TRANSPARENCY:
        SettingsOf(object).transparency = TakeInt(controlId, text, 0, 100);
        break;
    case IDC_BRIGHTNESS:
        SettingsOf(object).brightness = TakeInt(controlId, text, 0, 100);
        break;
    case IDC_HEIGHT_MAP_SCALE:
        SettingsOf(object).heightMapScale = TakeFloat(controlId, text, "%0.1f");
        break;
    }
    RequestRedraw();
    return true;
}

bool OnSpinDelta(const NMUPDOWN* change) {
    if (!change) return false;
    const SpinBinding* binding = nullptr;
    for (const SpinBinding& candidate : kSpins) {
        if (static_cast<UINT_PTR>(candidate.spin) == change->hdr.idFrom) binding = &candidate;
    }
    if (!binding) return false;

    // The spin's own position is never read: the edit's text is the value.
    char text[kEditTextSize] = {};
    GetWindowTextA(PanelItem(binding->edit), text, sizeof text);
    double value = atof(text);
    if (!isfinite(value)) value = 0.0;
    double step = binding->baseStep == 0.1 ? AdaptiveStep(value) : binding->baseStep;
    value = SteppedValue(value, step, change->iDelta);

    char next[kEditTextSize];
    if (binding->wholeNumbers) {
        snprintf(next, sizeof next, "%d", TruncateToInt(value));
    } else {
        snprintf(next, sizeof next, "%0.1f", value);
    }
    SetWindowTextA(PanelItem(binding->edit), next);
    return true;
}
