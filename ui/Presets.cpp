#include "ui/Presets.h"

#include "plugin/ModuleState.h"
#include "ui/ControlPanel.h"
#include "ui/ObjectList.h"
#include "ui/PresetRules.h"
#include "ui/ResourceIds.h"

namespace {

struct PresetButton {
    int32_t button;
    ShellPreset preset;
};

const PresetButton kButtons[] = {
    {IDC_PRESET_BLACK_FRAME, ShellPreset::BlackFrame},
    {IDC_PRESET_COLOR_TRACE, ShellPreset::ColorTrace},
    {IDC_PRESET_BLUR, ShellPreset::Blur},
    {IDC_PRESET_RESET, ShellPreset::Reset},
    {IDC_PRESET_BOTH_SIDES, ShellPreset::BothSides},
};

}  // namespace

bool ApplyPreset(HWND panel, int32_t controlId) {
    const PresetButton* pressed = nullptr;
    for (const PresetButton& candidate : kButtons) {
        if (candidate.button == controlId) pressed = &candidate;
    }
    if (!pressed) return false;
    HostObject object = SelectedObject();
    if (!object) return false;

    ApplyShellPreset(currentDocument, object, pressed->preset);
    SyncCheckBoxes();  // the row shows the new switch
    PostMessageA(panel, WM_APP_RELOAD, 0, 0);
    RequestRedraw();
    return true;
}
