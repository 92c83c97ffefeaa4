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
    const int32_t brightness = settings.brightness;
    const int32_t transparency = settings.transparency;

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
            host.MQObj_SetFaceVertexColor(
                object, f, j, ExtractedToHostColor(colors[indices[j]], brightness, transparency));
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
