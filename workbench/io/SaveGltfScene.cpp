// glTF 2.0 binary (.glb) scenes: the active document as a game engine takes it, through tinygltf.
//
// One mesh per object, one primitive (triangles) per material; positions, normals (those of
// ShadingNormals, as in the OBJ files), UVs where the material has a texture, and COLOR_0 for
// materials that show vertex colours. Materials and meshes have the names of the OBJ files (a
// material's see-through copies too) and give their colour, alpha and blend mode, an alpha that
// all of a material's corners share in the material; a material lit by emission alone is unlit
// (KHR_materials_unlit); textures are embedded, PNG and JPEG as they are, other formats as PNG (and
// named so). Colours are the document's display (sRGB) values, converted to glTF's linear ones.
// Names go out in UTF-8, as the scene file gave them (see OriginalText). Lines and points are left
// out.
#include <math.h>
#include <stdio.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <deque>
#include <map>
#include <ostream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "stb_image.h"
#include "stb_image_write.h"
#include "workbench/io/TinyGltf.h"
#include "workbench/host/Model.h"
#include "workbench/io/GltfPrimitives.h"
#include "workbench/io/GltfShellPrimitives.h"
#include "workbench/io/ImageDataFits.h"
#include "workbench/io/JpegTablesFit.h"
#include "workbench/io/SavedMaterials.h"
#include "workbench/io/SceneFile.h"
#include "workbench/io/ShadingNormals.h"
#include "workbench/io/TextEncoding.h"
#include "workbench/io/WriteGltfFile.h"
#include "workbench/io/WeldVertices.h"

using namespace wb::detail;

namespace {

constexpr int kFloat = TINYGLTF_COMPONENT_TYPE_FLOAT;

// Appends data to the model's only buffer as a buffer view and an accessor; returns the accessor.
int AddAccessor(tinygltf::Model* model, const void* data, size_t bytes, int componentType, int type,
                size_t count, int target, const std::vector<double>& lo = {},
                const std::vector<double>& hi = {}) {
    return AppendGltfData(model, data, bytes, target, componentType, type, count, lo, hi);
}

bool ReadFileBytes(const std::string& path, std::vector<unsigned char>* bytes) {
    std::string file;
    if (!wb::ReadWholeFile(path, (256 << 20) - 1, &file) || file.empty()) return false;
    bytes->assign(file.begin(), file.end());
    return true;
}

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    const unsigned char* p = static_cast<const unsigned char*>(data);
    out->insert(out->end(), p, p + size);
}

// The document's textures as embedded images, each file once.
class Textures {
public:
    explicit Textures(tinygltf::Model* model) : model_(model) {}

    // The glTF texture for a material's texture name (-1 when it cannot be read); *alpha tells
    // whether the image has pixels that are not opaque.
    int of(const std::string& name, bool* alpha) {
        *alpha = false;
        const std::string path = FindTextureFile(name, State().textureFolder);
        if (path.empty()) return -1;
        const auto known = byPath_.find(path);
        if (known != byPath_.end()) {
            *alpha = known->second.second;
            return known->second.first;
        }
        int texture = -1;
        std::vector<unsigned char> file, encoded;
        int w = 0, h = 0, n = 0;
        stbi_uc* rgba = nullptr;
        if (ReadFileBytes(path, &file) && file.size() < 0x7FFFFFFF &&
            JpegTablesFit(file.data(), file.size()) && ImageDataFits(file.data(), file.size()))
            rgba = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, 4);
        // stb_image takes a BMP of height 0 for an image of no pixels; no reader takes the PNG
        // that would make.
        if (rgba && (w <= 0 || h <= 0)) {
            stbi_image_free(rgba);
            rgba = nullptr;
        }
        if (rgba) {
            for (size_t i = 3; i < static_cast<size_t>(w) * h * 4 && !*alpha; i += 4) *alpha = rgba[i] != 255;
            const bool png = file.size() > 8 && memcmp(file.data(), "\x89PNG", 4) == 0;
            const bool jpeg = file.size() > 3 && file[0] == 0xFF && file[1] == 0xD8;
            if (png || jpeg) {
                encoded.swap(file);
            } else if (!stbi_write_png_to_func(AppendBytes, &encoded, w, h, 4, rgba, w * 4)) {
                encoded.clear();
            }
            stbi_image_free(rgba);
            if (!encoded.empty()) {
                tinygltf::Image image;
                // The file's name, with the extension of what it holds now.
                image.name = path.substr(BaseNameStart(path));
                const size_t dot = image.name.rfind('.');
                if (!png && !jpeg) image.name = image.name.substr(0, dot) + ".png";
                image.mimeType = jpeg ? "image/jpeg" : "image/png";
                image.bufferView = static_cast<int>(model_->bufferViews.size());
                std::vector<unsigned char>& buffer = model_->buffers[0].data;
                while (buffer.size() % 4) buffer.push_back(0);
                tinygltf::BufferView view;
                view.buffer = 0;
                view.byteOffset = buffer.size();
                view.byteLength = encoded.size();
                buffer.insert(buffer.end(), encoded.begin(), encoded.end());
                model_->bufferViews.push_back(view);
                model_->images.push_back(image);
                tinygltf::Texture t;
                t.source = static_cast<int>(model_->images.size()) - 1;
                model_->textures.push_back(t);
                texture = static_cast<int>(model_->textures.size()) - 1;
            }
        }
        byPath_[path] = {texture, *alpha};
        return texture;
    }

private:
    tinygltf::Model* model_;
    std::map<std::string, std::pair<int, bool>> byPath_;
};

// The glTF material for a saved material of document material m, named name; corners tells how
// its faces' vertex colours are see-through.
tinygltf::Material MakeMaterial(const Material& m, const std::string& name, bool vertexColors,
                                const CornerAlpha& corners, Textures* textures, bool* usesUnlit) {
    tinygltf::Material out;
    out.name = name;
    bool textureAlpha = false;
    const std::string textureName = OriginalText(m.texture, m.textureOriginal);
    const int texture = textureName.empty() ? -1 : textures->of(textureName, &textureAlpha);
    // An alpha that every corner shares is the material's as well, for readers that leave the
    // vertex colours out; what a reader taking both shows is the same.
    const double alpha = m.alpha * (vertexColors ? corners.material() / 255.0 : 1.0);
    std::vector<double> base = {LinearFromSrgb(m.color.r), LinearFromSrgb(m.color.g), LinearFromSrgb(m.color.b), alpha};
    // A texture or the vertex colours take the place of the colour, as in the host's view.
    if (texture >= 0 || vertexColors) base[0] = base[1] = base[2] = 1.0;
    out.pbrMetallicRoughness.baseColorFactor = base;
    out.pbrMetallicRoughness.metallicFactor = 0.0;
    out.pbrMetallicRoughness.roughnessFactor = 1.0;
    if (texture >= 0) {
        out.pbrMetallicRoughness.baseColorTexture.index = texture;
        out.pbrMetallicRoughness.baseColorTexture.texCoord = 0;
    }
    const bool blend = alpha < 1.0 || textureAlpha || (vertexColors && corners.transparent);
    out.alphaMode = blend ? "BLEND" : "OPAQUE";
    if (m.emission >= 1.0f) {
        // Emission alone lights it fully: shown as it is, whatever the lights.
        out.extensions["KHR_materials_unlit"] = tinygltf::Value(tinygltf::Value::Object());
        *usesUnlit = true;
    } else if (m.emission > 0.0f && !vertexColors) {
        const double e = m.emission;
        out.emissiveFactor = {base[0] * e, base[1] * e, base[2] * e};
    }
    return out;
}


}  // namespace

namespace wb {

namespace {

bool SaveGltfSceneUnguarded(const char* path, std::string* error) {
    const std::string file = SafeString(path);
    if (file.empty()) return Fail(error, "SaveGltfScene: no file name given");
    const Document* d = Active();
    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "Puffshell workbench";
    model.buffers.resize(1);
    model.scenes.resize(1);
    model.defaultScene = 0;
    Textures textures(&model);
    std::map<int32_t, int> materialIndex;  // saved material -> glTF material
    bool usesUnlit = false;

    // The saved materials of the faces, named as in the OBJ files, and how their corners are
    // see-through, over the whole document.
    std::deque<Object> rebuilt;
    const std::vector<const Object*> objects = SavedObjects(d, &rebuilt);
    MaterialTable table(d);
    std::vector<std::vector<int32_t>> faceMaterials(objects.size());
    std::vector<CornerAlpha> corners;
    for (size_t oi = 0; oi < objects.size(); ++oi) {
        const Object* o = objects[oi];
        if (!o) continue;
        faceMaterials[oi].assign(o->faces.size(), -1);
        for (size_t f = 0; f < o->faces.size(); ++f) {
            if (!ShadedFace(o, static_cast<int32_t>(f))) continue;
            const Face& face = o->faces[f];
            const int32_t mat = faceMaterials[oi][f] = table.of(o, face);
            if (mat < 0 || !ShowsVertexColors(d->materials[table.list()[mat].source])) continue;
            if (corners.size() <= static_cast<size_t>(mat)) corners.resize(mat + 1);
            for (int32_t k = 0; k < face.count; ++k)
                corners[mat].add(o->corners[face.first + k].color);
        }
    }
    corners.resize(table.list().size());

    // Every object's primitives first, so that the buffer is made once at the size they need
    // (growing it as it fills would copy it over and over); each primitive is let go of once its
    // bytes are in the buffer.
    std::vector<std::map<int32_t, GltfPrimitive>> gathered(objects.size());
    size_t bytes = 0;
    for (size_t oi = 0; oi < objects.size(); ++oi) {
        if (!objects[oi]) continue;
        GatherGltfPrimitives(objects[oi], d, table, faceMaterials[oi], corners, &gathered[oi]);
        for (auto& entry : gathered[oi]) {
            GltfPrimitive& prim = entry.second;
            std::vector<GltfVertexKey>().swap(prim.keys);  // needed only while gathering
            bytes += 4 * (prim.positions.size() + prim.normals.size() + prim.uvs.size() +
                          prim.colors.size() + prim.indices.size() + 5);
        }
    }
    model.buffers[0].data.reserve(bytes);

    for (size_t oi = 0; oi < objects.size(); ++oi) {
        const Object* o = objects[oi];
        if (!o) continue;
        std::map<int32_t, GltfPrimitive> primitives;
        primitives.swap(gathered[oi]);
        tinygltf::Mesh mesh;
        mesh.name = SavedObjectName(o, oi);
        for (auto& entry : primitives) {
            GltfPrimitive& prim = entry.second;
            if (prim.indices.empty()) continue;
            const int32_t mat = entry.first;
            const int32_t source = mat >= 0 ? table.list()[mat].source : -1;
            const bool vertexColors = mat >= 0 && ShowsVertexColors(d->materials[source]);
            const size_t count = prim.positions.size() / 3;
            std::vector<double> lo(3, HUGE_VAL), hi(3, -HUGE_VAL);
            for (size_t i = 0; i < count; ++i)
                for (int k = 0; k < 3; ++k) {
                    lo[k] = std::min(lo[k], static_cast<double>(prim.positions[i * 3 + k]));
                    hi[k] = std::max(hi[k], static_cast<double>(prim.positions[i * 3 + k]));
                }
            tinygltf::Primitive p;
            p.mode = TINYGLTF_MODE_TRIANGLES;
            if (mat >= 0) {
                auto known = materialIndex.find(mat);
                if (known == materialIndex.end()) {
                    model.materials.push_back(MakeMaterial(*d->materials[source],
                                                           table.list()[mat].name, vertexColors,
                                                           corners[mat], &textures, &usesUnlit));
                    known = materialIndex.emplace(mat, static_cast<int>(model.materials.size()) - 1)
                                .first;
                }
                p.material = known->second;
            }
            p.attributes["POSITION"] = AddAccessor(&model, prim.positions.data(), prim.positions.size() * 4, kFloat,
                                                   TINYGLTF_TYPE_VEC3, count, TINYGLTF_TARGET_ARRAY_BUFFER, lo, hi);
            p.attributes["NORMAL"] = AddAccessor(&model, prim.normals.data(), prim.normals.size() * 4, kFloat,
                                                 TINYGLTF_TYPE_VEC3, count, TINYGLTF_TARGET_ARRAY_BUFFER);
            if (p.material >= 0 && model.materials[p.material].pbrMetallicRoughness.baseColorTexture.index >= 0)
                p.attributes["TEXCOORD_0"] = AddAccessor(&model, prim.uvs.data(), prim.uvs.size() * 4, kFloat,
                                                         TINYGLTF_TYPE_VEC2, count, TINYGLTF_TARGET_ARRAY_BUFFER);
            if (vertexColors)
                p.attributes["COLOR_0"] = AddAccessor(&model, prim.colors.data(), prim.colors.size() * 4, kFloat,
                                                      TINYGLTF_TYPE_VEC4, count, TINYGLTF_TARGET_ARRAY_BUFFER);
            p.indices = AddAccessor(&model, prim.indices.data(), prim.indices.size() * 4,
                                    TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                                    prim.indices.size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
            mesh.primitives.push_back(std::move(p));
            prim = GltfPrimitive();
        }
        if (mesh.primitives.empty()) continue;
        tinygltf::Node node;
        node.name = mesh.name;
        model.meshes.push_back(std::move(mesh));
        node.mesh = static_cast<int>(model.meshes.size()) - 1;
        model.nodes.push_back(std::move(node));
        model.scenes[0].nodes.push_back(static_cast<int>(model.nodes.size()) - 1);
    }
    if (usesUnlit) model.extensionsUsed.push_back("KHR_materials_unlit");
    // A scene with no node (a document of lines and points only) would go out as null, which no
    // reader takes for a scene; its name makes it an object.
    if (model.scenes[0].nodes.empty()) model.scenes[0].name = "empty";
    model.buffers[0].data.resize((model.buffers[0].data.size() + 3) & ~static_cast<size_t>(3), 0);
    if (model.buffers[0].data.empty()) model.buffers.clear();

    if (!WriteGltfFile(&model, file, /*binary=*/true, error)) return false;
    if (error) error->clear();
    return true;
}

}  // namespace

bool SaveGltfScene(const char* path, std::string* error) {
    return FailOnOutOfMemory(SafeString(path), error, [&] { return SaveGltfSceneUnguarded(path, error); });
}

}  // namespace wb
