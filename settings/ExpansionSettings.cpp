#include "settings/ExpansionSettings.h"

#include <new>

ExpansionSettings::ExpansionSettings() : extractedColors(nullptr), extractedColorCount(0) {
    resetToDefaults();
}

ExpansionSettings::~ExpansionSettings() { delete[] extractedColors; }

void ExpansionSettings::resetToDefaults() {
    enabled = 0;
    invertFaces = 0;
    normalPush = 1;
    pushDistance = 1.0f;
    repeatCount = 1;
    transparency = 0;
    brightness = 100;
    colorMode = Unchanged;
    heightMapOn = 0;
    vertexColorPush = 0;
    vertexColorScale = 1.0f;
    heightMapScale = 1.0f;
    heightMapFile.clear();
    heightMap.release();
    delete[] extractedColors;
    extractedColors = nullptr;
    extractedColorCount = 0;
}

uint32_t* ExpansionSettings::replaceExtractedColors(int32_t count) {
    delete[] extractedColors;
    extractedColors = nullptr;
    extractedColorCount = 0;
    if (count < 0) count = 0;
    // At least one element, so that an object without vertices still counts as extracted.
    extractedColors = new (std::nothrow) uint32_t[count > 0 ? count : 1]();
    if (extractedColors) extractedColorCount = count;
    return extractedColors;
}

SettingsSnapshot TakeSnapshot(const ExpansionSettings& settings) {
    SettingsSnapshot snapshot;
    snapshot.enabled = settings.enabled;
    snapshot.invertFaces = settings.invertFaces;
    snapshot.normalPush = settings.normalPush;
    snapshot.pushDistance = settings.pushDistance;
    snapshot.repeatCount = settings.repeatCount;
    snapshot.transparency = settings.transparency;
    snapshot.brightness = settings.brightness;
    snapshot.colorMode = settings.colorMode;
    snapshot.heightMapOn = settings.heightMapOn;
    snapshot.vertexColorPush = settings.vertexColorPush;
    snapshot.vertexColorScale = settings.vertexColorScale;
    snapshot.heightMapScale = settings.heightMapScale;
    snapshot.heightMapFile = settings.heightMapFile;
    snapshot.heightMapHeader = settings.heightMap.header();
    snapshot.heightMapPixels = settings.heightMap.pixels();
    snapshot.extractedColors = settings.extractedColors;
    snapshot.extractedColorCount = settings.extractedColorCount;
    return snapshot;
}
