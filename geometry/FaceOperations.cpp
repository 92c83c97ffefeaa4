#include "geometry/FaceOperations.h"

#include "geometry/FacePoints.h"
#include "plugin/HostApi.h"
#include "settings/SettingsStore.h"

void InvertAllFaces(HostObject object) {
    if (!object) return;
    HostApi& host = Host();
    int32_t faceCount = host.MQObj_GetFaceCount(object);
    for (int32_t f = 0; f < faceCount; ++f) {
        if (ReadFacePointCount(object, f) >= 3) host.MQObj_InvertFace(object, f);
    }
}

void AssignFaceMaterial(HostObject object, int32_t materialIndex) {
    if (!object) return;
    HostApi& host = Host();
    int32_t faceCount = host.MQObj_GetFaceCount(object);
    for (int32_t f = 0; f < faceCount; ++f) {
        if (ReadFacePointCount(object, f) >= 3) host.MQObj_SetFaceMaterial(object, f, materialIndex);
    }
}

uint32_t ExtractedToHostColor(uint32_t packed, int32_t brightness, int32_t transparency) {
    // 64-bit products: percentages outside 0..100 cannot overflow; division truncates toward 0.
    int64_t red = static_cast<int64_t>((packed >> 8) & 255) * brightness / 100;
    int64_t green = static_cast<int64_t>((packed >> 16) & 255) * brightness / 100;
    int64_t blue = static_cast<int64_t>((packed >> 24) & 255) * brightness / 100;
    int64_t alpha = (100 - static_cast<int64_t>(transparency)) * (packed & 255) / 100;
    return (static_cast<uint32_t>(alpha & 255) << 24) | (static_cast<uint32_t>(blue & 255) << 16) |
           (static_cast<uint32_t>(green & 255) << 8) | static_cast<uint32_t>(red & 255);
}

void ApplyExtractedColors(HostObject object, int32_t sourceUniqueId) {
    if (!object) return;
    const ExpansionSettings& settings = Settings().findOrCreate(sourceUniqueId);
    const uint32_t* colors = settings.extractedColors;
    if (!colors) return;
    const int32_t colorCount = settings.extractedColorCount;
    // Each channel of the result depends on its own byte alone: two tables of the 256 possible
    // results, made once per layer, stand for the products and divisions of every corner.
    const int32_t brightness = settings.brightness;
    const int32_t transparency = settings.transparency;
    uint8_t colorByte[256], alphaByte[256];
    for (uint32_t b = 0; b < 256; ++b) {
        const uint32_t scaled = ExtractedToHostColor((b << 8) | b, brightness, transparency);
        colorByte[b] = static_cast<uint8_t>(scaled & 255);  // red from red b
        alphaByte[b] = static_cast<uint8_t>(scaled >> 24);  // alpha from alpha b
    }

    HostApi& host = Host();
    int32_t faceCount = host.MQObj_GetFaceCount(object);
    for (int32_t f = 0; f < faceCount; ++f) {
        int32_t count = ReadFacePointCount(object, f);
        if (count < 3) continue;
        int32_t indices[kMaxFacePoints];
        ReadFaceIndices(object, f, count, indices);
        for (int32_t j = 0; j < count; ++j) {
            // Vertices added after the extraction keep their colour.
            if (!IsVertexIndex(indices[j], colorCount)) continue;
            const uint32_t c = colors[indices[j]];
            const uint32_t hostColor =
                (uint32_t(alphaByte[c & 255]) << 24) | (uint32_t(colorByte[c >> 24]) << 16) |
                (uint32_t(colorByte[(c >> 16) & 255]) << 8) | colorByte[(c >> 8) & 255];
            host.MQObj_SetFaceVertexColor(object, f, j, hostColor);
        }
    }
}

void ResetVertexColors(HostObject object) {
    if (!object) return;
    HostApi& host = Host();
    int32_t faceCount = host.MQObj_GetFaceCount(object);
    for (int32_t f = 0; f < faceCount; ++f) {
        int32_t count = ReadFacePointCount(object, f);
        for (int32_t j = 0; count >= 3 && j < count; ++j)
            host.MQObj_SetFaceVertexColor(object, f, j, 0xFF000000u);
    }
}
