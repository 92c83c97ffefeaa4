// ExpansionSettings: one object's shell settings, kept in memory by unique ID (SettingsStore.h).
#pragma once

#include <stdint.h>

#include <string>

#include "settings/HeightMapImage.h"

// How a shell's faces are coloured. Values of 3 and above name the document material
// colorMode - 3.
enum ColorMode : int32_t {
    Unchanged = 0,        // "変更しない": faces keep the source's materials
    Black = 1,            // "真っ黒": the pitch-black material
    ExtractedColors = 2,  // "描画色": the vertex-colour material with the extracted colours
};
constexpr int32_t kFirstDocumentMaterialMode = 3;

struct ExpansionSettings {
    int32_t enabled;          // the shell is built, displayed and can be frozen
    int32_t invertFaces;      // each layer's faces are reversed
    int32_t normalPush;       // the base push is pushDistance (else 0)
    float pushDistance;       // base push per layer, model units; negative pushes inward
    int32_t repeatCount;      // number of layers, at least 1
    int32_t transparency;     // percent 0..100; 0 is opaque
    int32_t brightness;       // percent 0..100 applied to extracted colours
    int32_t colorMode;        // a ColorMode, or 3 + n for document material n
    int32_t heightMapOn;      // the height map adds heightMapScale x sample to the push
    int32_t vertexColorPush;  // the vertex colour adds vertexColorScale x red to the push
    float vertexColorScale;
    float heightMapScale;
    std::string heightMapFile;       // path last chosen with the browse button
    HeightMapImage heightMap;        // owned blocks; empty until a load succeeds
    uint32_t* extractedColors;       // owned PackedColor per vertex, or null
    int32_t extractedColorCount;     // entries in extractedColors

    ExpansionSettings();
    ~ExpansionSettings();
    ExpansionSettings(const ExpansionSettings&) = delete;
    ExpansionSettings& operator=(const ExpansionSettings&) = delete;

    // Scalars to their defaults, no file name, height map released, extracted colours freed.
    void resetToDefaults();
    // Replaces the extracted colours with an array of count entries (uninitialised contents
    // are zero) and returns it.
    uint32_t* replaceExtractedColors(int32_t count);
};

// What the draw pass and the freeze read for one object: a copy of the scalars and the file name,
// and a view of the record's image and colours. It never releases anything.
struct SettingsSnapshot {
    int32_t enabled;
    int32_t invertFaces;
    int32_t normalPush;
    float pushDistance;
    int32_t repeatCount;
    int32_t transparency;
    int32_t brightness;
    int32_t colorMode;
    int32_t heightMapOn;
    int32_t vertexColorPush;
    float vertexColorScale;
    float heightMapScale;
    std::string heightMapFile;
    const void* heightMapHeader;
    const void* heightMapPixels;
    const uint32_t* extractedColors;
    int32_t extractedColorCount;
};

SettingsSnapshot TakeSnapshot(const ExpansionSettings& settings);
