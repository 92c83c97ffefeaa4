#include "ui/PresetRules.h"

#include "geometry/ExtractColors.h"
#include "geometry/VertexPushCache.h"
#include "settings/SettingsStore.h"

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

struct Rule {
    ShellPreset preset;
    void (*write)(ExpansionSettings&);
    bool extractsColors;
    int32_t enabled;
};

const Rule kRules[] = {
    {ShellPreset::BlackFrame, WriteBlackFrame, false, 1},
    {ShellPreset::ColorTrace, WriteColorTrace, true, 1},
    {ShellPreset::Blur, WriteBlur, true, 1},
    {ShellPreset::Reset, WriteReset, false, 0},
    {ShellPreset::BothSides, WriteBothSides, false, 1},
};

}  // namespace

bool WriteShellPreset(HostObject object, ShellPreset preset) {
    if (!object) return false;
    for (const Rule& rule : kRules) {
        if (rule.preset != preset) continue;
        rule.write(SettingsOf(object));
        if (rule.extractsColors) ExtractColors(object);
        SettingsOf(object).enabled = rule.enabled;
        return rule.enabled != 0;
    }
    return false;
}

void ApplyShellPreset(HostDocument document, HostObject object, ShellPreset preset) {
    if (WriteShellPreset(object, preset)) RebuildPushCache(document);
}
