// glTF 2.0 binary (.glb) scenes: the active document as a game engine takes it, through tinygltf.
//
// One mesh per object, one primitive (triangles) per material; positions, normals (those of
// ShadingNormals, as in the OBJ files), UVs where the material has a texture, and COLOR_0 for
// materials that show vertex colours. Materials have the names of the OBJ files and give their
// colour, alpha and blend mode; a material lit by emission alone is unlit (KHR_materials_unlit);
// textures are embedded, PNG and JPEG as they are, other formats as PNG (and named so). Colours
// are the document's display (sRGB) values, converted to glTF's linear ones. Names, which the host
// keeps in code page 932, go out in UTF-8. Lines and points are left out.
#include <math.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "stb_image.h"
#include "stb_image_write.h"
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_FS
#include "tiny_gltf.h"
#include "workbench/host/Model.h"
#include "workbench/io/JpegTablesFit.h"
#include "workbench/io/SceneFile.h"
#include "workbench/io/ShadingNormals.h"
#include "workbench/io/TextEncoding.h"

using namespace wb::detail;

namespace {

constexpr int kFloat = TINYGLTF_COMPONENT_TYPE_FLOAT;

double Linear(double srgb) {
    if (!(srgb > 0.0)) return 0.0;
    if (srgb >= 1.0) return 1.0;
    return srgb <= 0.04045 ? srgb / 12.92 : pow((srgb + 0.055) / 1.055, 2.4);
}

// Appends data to the model's only buffer as a buffer view and an accessor; returns the accessor.
int AddAccessor(tinygltf::Model* model, const void* data, size_t bytes, int componentType, int type,
                size_t count, int target, const std::vector<double>& lo = {},
                const std::vector<double>& hi = {}) {
    std::vector<unsigned char>& buffer = model->buffers[0].data;
    while (buffer.size() % 4) buffer.push_back(0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = buffer.size();
    view.byteLength = bytes;
    view.target = target;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    buffer.insert(buffer.end(), p, p + bytes);
    model->bufferViews.push_back(view);
    tinygltf::Accessor accessor;
    accessor.bufferView = static_cast<int>(model->bufferViews.size()) - 1;
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    accessor.minValues = lo;
    accessor.maxValues = hi;
    model->accessors.push_back(accessor);
    return static_cast<int>(model->accessors.size()) - 1;
}

bool ReadFileBytes(const std::string& path, std::vector<unsigned char>* bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart > 0 && size.QuadPart < (256 << 20);
    if (ok) {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = ReadFile(h, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) && got == bytes->size();
    }
    CloseHandle(h);
    return ok;
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
            JpegTablesFit(file.data(), file.size()))
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
                image.name = HostToUtf8(path.substr(BaseNameStart(path)));
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

// The glTF material for a document material, named name; transparentCorners tells whether its
// vertex colours are not all opaque.
tinygltf::Material MakeMaterial(const Material& m, const std::string& name, bool vertexColors,
                                bool transparentCorners, Textures* textures, bool* usesUnlit) {
    tinygltf::Material out;
    out.name = HostToUtf8(name);
    bool textureAlpha = false;
    const int texture = m.texture.empty() ? -1 : textures->of(m.texture, &textureAlpha);
    std::vector<double> base = {Linear(m.color.r), Linear(m.color.g), Linear(m.color.b), m.alpha};
    // A texture or the vertex colours take the place of the colour, as in the host's view.
    if (texture >= 0 || vertexColors) base[0] = base[1] = base[2] = 1.0;
    out.pbrMetallicRoughness.baseColorFactor = base;
    out.pbrMetallicRoughness.metallicFactor = 0.0;
    out.pbrMetallicRoughness.roughnessFactor = 1.0;
    if (texture >= 0) {
        out.pbrMetallicRoughness.baseColorTexture.index = texture;
        out.pbrMetallicRoughness.baseColorTexture.texCoord = 0;
    }
    const bool blend = m.alpha < 1.0f || textureAlpha || (vertexColors && transparentCorners);
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

// One primitive's vertices, each (vertex, normal, UV, colour) once, and its triangles.
struct Primitive {
    std::vector<float> positions, normals, uvs, colors;
    std::vector<uint32_t> indices;
    std::unordered_map<std::string, uint32_t> index;
    bool transparentCorners = false;
};

// Adds the object's faces to primitives (by document material, -1 for none).
void GatherObject(const Object* o, const Document* d, std::map<int32_t, Primitive>* primitives) {
    std::vector<float> normals;
    ShadingNormals(o, &normals);
    const size_t faceCount = o->faces.size();
    std::string key;
    for (size_t f = 0; f < faceCount; ++f) {
        if (!ShadedFace(o, static_cast<int32_t>(f))) continue;
        const Face& face = o->faces[f];
        int32_t mat = face.material;
        if (mat < 0 || static_cast<size_t>(mat) >= d->materials.size() || !d->materials[mat]) mat = -1;
        const bool vertexColors = mat >= 0 && ShowsVertexColors(d->materials[mat]);
        Primitive& prim = (*primitives)[mat];
        const Corner* c = o->corners.data() + face.first;
        uint32_t corner[4];
        const int32_t count = std::min<int32_t>(face.count, 4);
        for (int32_t j = 0; j < count; ++j) {
            const int32_t at = face.count - 1 - j;  // glTF's front turns counter-clockwise
            const Corner& cc = c[at];
            const float* n = &normals[(static_cast<size_t>(face.first) + at) * 3];
            const uint32_t color = vertexColors ? cc.color : 0xFFFFFFFFu;
            if ((color >> 24) != 255) prim.transparentCorners = true;
            key.assign(reinterpret_cast<const char*>(&cc.vertex), 4);
            key.append(reinterpret_cast<const char*>(n), 12);
            key.append(reinterpret_cast<const char*>(&cc.uv), 8);
            key.append(reinterpret_cast<const char*>(&color), 4);
            const auto found = prim.index.find(key);
            if (found != prim.index.end()) {
                corner[j] = found->second;
                continue;
            }
            const uint32_t index = static_cast<uint32_t>(prim.positions.size() / 3);
            prim.index.emplace(key, index);
            const HostPoint& p = o->vertices[cc.vertex].p;
            prim.positions.insert(prim.positions.end(), {p.x, p.y, p.z});
            prim.normals.insert(prim.normals.end(), {n[0], n[1], n[2]});
            prim.uvs.insert(prim.uvs.end(), {cc.uv.u, cc.uv.v});
            prim.colors.insert(prim.colors.end(),
                               {static_cast<float>(Linear((color & 255) / 255.0)),
                                static_cast<float>(Linear(((color >> 8) & 255) / 255.0)),
                                static_cast<float>(Linear(((color >> 16) & 255) / 255.0)),
                                static_cast<float>((color >> 24) / 255.0)});
            corner[j] = index;
        }
        for (int32_t j = 1; j + 1 < count; ++j) prim.indices.insert(prim.indices.end(), {corner[0], corner[j], corner[j + 1]});
    }
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    return CloseHandle(h) && ok;
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
    std::map<int32_t, int> materialIndex;  // document material -> glTF material
    const std::vector<std::string> materialNames = SavedMaterialNames(d);
    bool usesUnlit = false;

    for (size_t oi = 0; oi < d->objects.size(); ++oi) {
        const Object* o = d->objects[oi];
        if (!o) continue;
        std::map<int32_t, Primitive> primitives;
        GatherObject(o, d, &primitives);
        tinygltf::Mesh mesh;
        mesh.name = HostToUtf8(o->name);
        for (auto& entry : primitives) {
            Primitive& prim = entry.second;
            if (prim.indices.empty()) continue;
            const int32_t mat = entry.first;
            const bool vertexColors = mat >= 0 && ShowsVertexColors(d->materials[mat]);
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
                // A material whose faces here have see-through corners is written once more,
                // blended, if its first use had none.
                const int32_t key = prim.transparentCorners && vertexColors ? -2 - mat : mat;
                auto known = materialIndex.find(key);
                if (known == materialIndex.end()) {
                    model.materials.push_back(MakeMaterial(*d->materials[mat], materialNames[mat], vertexColors,
                                                           prim.transparentCorners, &textures, &usesUnlit));
                    known = materialIndex.emplace(key, static_cast<int>(model.materials.size()) - 1).first;
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
            mesh.primitives.push_back(p);
        }
        if (mesh.primitives.empty()) continue;
        model.meshes.push_back(mesh);
        tinygltf::Node node;
        node.name = mesh.name;
        node.mesh = static_cast<int>(model.meshes.size()) - 1;
        model.nodes.push_back(node);
        model.scenes[0].nodes.push_back(static_cast<int>(model.nodes.size()) - 1);
    }
    if (usesUnlit) model.extensionsUsed.push_back("KHR_materials_unlit");
    // A scene with no node (a document of lines and points only) would go out as null, which no
    // reader takes for a scene; its name makes it an object.
    if (model.scenes[0].nodes.empty()) model.scenes[0].name = "empty";
    model.buffers[0].data.resize((model.buffers[0].data.size() + 3) & ~static_cast<size_t>(3), 0);
    if (model.buffers[0].data.empty()) model.buffers.clear();

    std::ostringstream stream;
    try {
        tinygltf::TinyGLTF writer;
        if (!writer.WriteGltfSceneToStream(&model, stream, /*prettyPrint=*/false, /*writeBinary=*/true))
            return Fail(error, file + ": glTF could not be written");
    } catch (const std::exception& e) {
        return Fail(error, file + ": glTF could not be written (" + e.what() + ")");
    }
    if (!WriteBytes(file, stream.str())) return Fail(error, file + ": cannot be written");
    if (error) error->clear();
    return true;
}

}  // namespace

bool SaveGltfScene(const char* path, std::string* error) {
    return FailOnOutOfMemory(SafeString(path), error, [&] { return SaveGltfSceneUnguarded(path, error); });
}

}  // namespace wb
