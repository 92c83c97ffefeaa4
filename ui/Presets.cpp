#include "ui/Presets.h"

#include "geometry/ExtractColors.h"
#include "geometry/VertexPushCache.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"
#include "ui/ControlPanel.h"
#include "ui/ObjectList.h"
#include "ui/ResourceIds.h"

namespace {

// Black frame: the inverted hull in pitch black, from the defaults (push 1.0 along normals).
void WriteBlackFrame(ExpansionSettings& s) {
    s.resetToDefaults();
    s.invertFaces = 1;
    s.colorMode = Black;
    s.brightness = 0;
}

// Colour trace: the inverted hull in the object's own colours at half brightness.
void WriteColorTrace(ExpansionSettings& s) {
    s.invertFaces = 1;
    s.colorMode = ExtractedColors;
    s.brightness = 50;
}

// Blur: five pushed layers in the object's own colours, each 90 % transparent.
void WriteBlur(ExpansionSettings& s) {
    s.invertFaces = 0;
    s.normalPush = 1;
    s.pushDistance = 1.0f;
    s.repeatCount = 5;
    s.transparency = 90;
    s.colorMode = ExtractedColors;
    s.brightness = 100;
}

// Reset: the defaults, without push.
void WriteReset(ExpansionSettings& s) {
    s.resetToDefaults();
    s.normalPush = 0;
    s.pushDistance = 0.0f;
}

// Both sides: one unpushed inverted copy with the object's own materials.
void WriteBothSides(ExpansionSettings& s) {
    s.invertFaces = 1;
    s.normalPush = 0;
    s.pushDistance = 0.0f;
    s.repeatCount = 1;
    s.transparency = 0;
    s.colorMode = Unchanged;
    s.brightness = 100;
}

struct Preset {
    int32_t button;
    void (*write)(ExpansionSettings&);
    bool extractsColors;
    int32_t enabled;
};

const Preset kPresets[] = {
    {IDC_PRESET_BLACK_FRAME, WriteBlackFrame, false, 1},
    {IDC_PRESET_COLOR_TRACE, WriteColorTrace, true, 1},
    {IDC_PRESET_BLUR, WriteBlur, true, 1},
    {IDC_PRESET_RESET, WriteReset, false, 0},
    {IDC_PRESET_BOTH_SIDES, WriteBothSides, false, 1},
};

}  // namespace

bool ApplyPreset(HWND panel, int32_t controlId) {
    const Preset* preset = nullptr;
    for (const Preset& candidate : kPresets) {
        if (candidate.button == controlId) preset = &candidate;
    }
    if (!preset) return false;
    HostObject object = SelectedObject();
    if (!object) return false;

    preset->write(SettingsOf(object));
    if (preset->extractsColors) ExtractColors(object);
    SettingsOf(object).enabled = preset->enabled;
    SyncCheckBoxes();  // the row shows the new switch
    if (preset->enabled) RebuildPushCache(currentDocument);
    PostMessageA(panel, WM_APP_RELOAD, 0, 0);
    RequestRedraw();
    return true;
}
