#include "geometry/ExtractColors.h"

#include <string>

#include "geometry/FacePoints.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"
#include "settings/TextureCache.h"

namespace {

const PackedColor kOpaqueWhite = 0xFFFFFFFFu;
const int32_t kPathSize = 260;
const uint32_t kMappingTexture = 1;

// A material channel 0..1 as a byte: the integer part of channel x 255.0, kept to its low 8 bits.
// Channels too large for an integer (or NaN) give 0.
uint32_t ChannelByte(float channel) {
    double scaled = channel * 255.0;
    if (!(scaled > -2147483648.0 && scaled < 2147483648.0)) return 0;
    return static_cast<uint32_t>(static_cast<int32_t>(scaled)) & 255;
}

}  // namespace

uint32_t HostToPackedColor(uint32_t hostColor) {
    // Host: red 0-7, green 8-15, blue 16-23, alpha 24-31. Packed: alpha 0-7, red 8-15, ...
    return (hostColor << 8) | (hostColor >> 24);
}

void ExtractColors(HostObject object) {
    if (!object) return;
    HostApi& host = Host();
    int32_t faceCount = host.MQObj_GetFaceCount(object);
    int32_t vertexCount = host.MQObj_GetVertexCount(object);
    ExpansionSettings& settings = Settings().findOrCreate(UniqueIdOf(object));
    PackedColor* colors = settings.replaceExtractedColors(vertexCount);
    if (!colors) return;
    vertexCount = settings.extractedColorCount;
    HostDocument document = currentDocument;
    std::string path;  // reused for every textured face

    for (int32_t f = 0; f < faceCount; ++f) {
        int32_t count = ReadFacePointCount(object, f);
        if (count < 3) continue;
        int32_t indices[kMaxFacePoints];
        ReadFaceIndices(object, f, count, indices);
        auto paintFace = [&](PackedColor color) {
            for (int32_t j = 0; j < count; ++j) {
                if (IsVertexIndex(indices[j], vertexCount)) colors[indices[j]] = color;
            }
        };

        int32_t materialIndex = host.MQObj_GetFaceMaterial(object, f);
        if (materialIndex < 0) {
            paintFace(kOpaqueWhite);
            continue;
        }
        HostUV uvs[kMaxFacePoints] = {};
        host.MQObj_GetFaceCoordinateArray(object, f, uvs);
        HostMaterial material = document ? host.MQDoc_GetMaterial(document, materialIndex) : nullptr;
        if (!material) {
            // An index naming no material counts as no material.
            paintFace(kOpaqueWhite);
            continue;
        }

        char textureName[kPathSize] = {};
        host.MQMat_GetTextureName(material, textureName, kPathSize);
        textureName[kPathSize - 1] = '\0';
        if (textureName[0]) {
            // An unresolved name leaves the path empty, which caches one empty image.
            char resolved[kPathSize] = {};
            host.MQDoc_FindMappingFile(document, resolved, textureName, kMappingTexture);
            resolved[kPathSize - 1] = '\0';
            path.assign(resolved);
            const HeightMapImage& image = Textures().imageFor(path);
            for (int32_t j = 0; j < count; ++j) {
                if (IsVertexIndex(indices[j], vertexCount))
                    colors[indices[j]] = image.sample(uvs[j].u, uvs[j].v);
            }
        } else if (host.MQMat_GetIntValue(material, kMaterialShowsVertexColor) == 1) {
            for (int32_t j = 0; j < count; ++j) {
                uint32_t hostColor = host.MQObj_GetFaceVertexColor(object, f, j);
                if (IsVertexIndex(indices[j], vertexCount)) colors[indices[j]] = HostToPackedColor(hostColor);
            }
        } else {
            HostRGB rgb = {0.0f, 0.0f, 0.0f};
            host.MQMat_GetColor(material, &rgb);
            paintFace(MakePackedColor(255, ChannelByte(rgb.r), ChannelByte(rgb.g), ChannelByte(rgb.b)));
        }
    }
}
