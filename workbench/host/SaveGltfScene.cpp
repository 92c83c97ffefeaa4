// glTF 2.0 binary (.glb) scenes: the active document as a game engine takes it, through tinygltf.
//
// One mesh per object, one primitive (triangles) per material; positions, normals (smoothed within
// the object's smoothing angle), UVs where faces have them, and COLOR_0 for materials that show
// vertex colours. Materials give their colour, alpha and blend mode; a material lit by emission
// alone is unlit (KHR_materials_unlit); textures are embedded, PNG and JPEG as they are, other
// formats as PNG. Colours are the document's display (sRGB) values, converted to glTF's linear
// ones. Names, which the host keeps in code page 932, go out in UTF-8. Lines and points are left
// out.
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
#include "workbench/host/SceneFile.h"
#include "workbench/host/TextEncoding.h"

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
        if (ReadFileBytes(path, &file) && file.size() < 0x7FFFFFFF)
            rgba = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, 4);
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
                image.name = HostToUtf8(path.substr(BaseNameStart(path)));
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

// The glTF material for a document material; faces tells whether its vertex colours are not
// all opaque.
tinygltf::Material MakeMaterial(const Material& m, bool vertexColors, bool transparentCorners,
                                Textures* textures, bool* usesUnlit) {
    tinygltf::Material out;
    out.name = HostToUtf8(m.name);
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
    bool hasUVs = false;
    bool transparentCorners = false;
};

void Normalize(float* n) {
    const float len = sqrtf(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (len > 0.0f && isfinite(len)) {
        for (int k = 0; k < 3; ++k) n[k] /= len;
    } else {
        n[0] = 0.0f;
        n[1] = 1.0f;
        n[2] = 0.0f;
    }
}

// The unit front normal of a live face: the Newell normal of its corners taken in reverse (the
// host's faces face the side from which their corners run clockwise).
void FaceNormal(const Object* o, const Face& face, float* n) {
    n[0] = n[1] = n[2] = 0.0f;
    const Corner* c = o->corners.data() + face.first;
    for (int32_t k = 0; k < face.count; ++k) {
        const HostPoint& a = o->vertices[c[face.count - 1 - k].vertex].p;
        const HostPoint& b = o->vertices[c[(2 * face.count - 2 - k) % face.count].vertex].p;
        n[0] += (a.y - b.y) * (a.z + b.z);
        n[1] += (a.z - b.z) * (a.x + b.x);
        n[2] += (a.x - b.x) * (a.y + b.y);
    }
    Normalize(n);
}

// Adds the object's faces to primitives (by document material, -1 for none).
void GatherObject(const Object* o, const Document* d, std::map<int32_t, Primitive>* primitives) {
    // Face normals, and the faces around each vertex for the smoothed normals.
    const size_t faceCount = o->faces.size();
    std::vector<float> faceNormals(faceCount * 3, 0.0f);
    std::vector<uint8_t> live(faceCount, 0);
    std::vector<uint32_t> start(o->vertices.size() + 1, 0), around;
    for (size_t f = 0; f < faceCount; ++f) {
        const Face& face = o->faces[f];
        if (face.count < 3 || !FaceAlive(o, static_cast<int32_t>(f))) continue;
        bool ok = true;
        for (int32_t k = 0; k < face.count; ++k) ok = ok && ValidVertex(o, o->corners[face.first + k].vertex);
        if (!ok) continue;
        live[f] = 1;
        FaceNormal(o, face, &faceNormals[f * 3]);
        for (int32_t k = 0; k < face.count; ++k) ++start[o->corners[face.first + k].vertex + 1];
    }
    for (size_t v = 0; v < o->vertices.size(); ++v) start[v + 1] += start[v];
    around.resize(start.back());
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (size_t f = 0; f < faceCount; ++f) {
        if (!live[f]) continue;
        const Face& face = o->faces[f];
        for (int32_t k = 0; k < face.count; ++k) around[fill[o->corners[face.first + k].vertex]++] = static_cast<uint32_t>(f);
    }
    const bool smooth = o->shading != 0;
    const float cosLimit = cosf(std::min(180.0f, std::max(0.0f, o->smoothAngle)) * 3.14159265f / 180.0f);

    std::string key;
    for (size_t f = 0; f < faceCount; ++f) {
        if (!live[f]) continue;
        const Face& face = o->faces[f];
        int32_t mat = face.material;
        if (mat < 0 || static_cast<size_t>(mat) >= d->materials.size() || !d->materials[mat]) mat = -1;
        const bool vertexColors = mat >= 0 && ShowsVertexColors(d->materials[mat]);
        Primitive& prim = (*primitives)[mat];
        const Corner* c = o->corners.data() + face.first;
        bool faceUVs = false;
        for (int32_t k = 0; k < face.count; ++k) faceUVs = faceUVs || c[k].uv.u != 0.0f || c[k].uv.v != 0.0f;
        prim.hasUVs = prim.hasUVs || faceUVs;
        const float* fn = &faceNormals[f * 3];
        uint32_t corner[4];
        const int32_t count = std::min<int32_t>(face.count, 4);
        for (int32_t j = 0; j < count; ++j) {
            const Corner& cc = c[face.count - 1 - j];  // glTF's front turns counter-clockwise
            float n[3] = {fn[0], fn[1], fn[2]};
            if (smooth) {
                n[0] = n[1] = n[2] = 0.0f;
                for (uint32_t a = start[cc.vertex]; a < start[cc.vertex + 1]; ++a) {
                    const float* g = &faceNormals[around[a] * 3];
                    if (g[0] * fn[0] + g[1] * fn[1] + g[2] * fn[2] < cosLimit - 1e-6f) continue;
                    for (int k = 0; k < 3; ++k) n[k] += g[k];
                }
                Normalize(n);
            }
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
            const uint32_t at = static_cast<uint32_t>(prim.positions.size() / 3);
            prim.index.emplace(key, at);
            const HostPoint& p = o->vertices[cc.vertex].p;
            prim.positions.insert(prim.positions.end(), {p.x, p.y, p.z});
            prim.normals.insert(prim.normals.end(), {n[0], n[1], n[2]});
            prim.uvs.insert(prim.uvs.end(), {cc.uv.u, cc.uv.v});
            prim.colors.insert(prim.colors.end(),
                               {static_cast<float>(Linear((color & 255) / 255.0)),
                                static_cast<float>(Linear(((color >> 8) & 255) / 255.0)),
                                static_cast<float>(Linear(((color >> 16) & 255) / 255.0)),
                                static_cast<float>((color >> 24) / 255.0)});
            corner[j] = at;
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

bool SaveGltfScene(const char* path, std::string* error) {
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
            p.attributes["POSITION"] = AddAccessor(&model, prim.positions.data(), prim.positions.size() * 4, kFloat,
                                                   TINYGLTF_TYPE_VEC3, count, TINYGLTF_TARGET_ARRAY_BUFFER, lo, hi);
            p.attributes["NORMAL"] = AddAccessor(&model, prim.normals.data(), prim.normals.size() * 4, kFloat,
                                                 TINYGLTF_TYPE_VEC3, count, TINYGLTF_TARGET_ARRAY_BUFFER);
            const bool textured = mat >= 0 && !d->materials[mat]->texture.empty();
            if (prim.hasUVs || textured)
                p.attributes["TEXCOORD_0"] = AddAccessor(&model, prim.uvs.data(), prim.uvs.size() * 4, kFloat,
                                                         TINYGLTF_TYPE_VEC2, count, TINYGLTF_TARGET_ARRAY_BUFFER);
            if (vertexColors)
                p.attributes["COLOR_0"] = AddAccessor(&model, prim.colors.data(), prim.colors.size() * 4, kFloat,
                                                      TINYGLTF_TYPE_VEC4, count, TINYGLTF_TARGET_ARRAY_BUFFER);
            p.indices = AddAccessor(&model, prim.indices.data(), prim.indices.size() * 4,
                                    TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR,
                                    prim.indices.size(), TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
            if (mat >= 0) {
                // A material whose faces here have see-through corners is written once more,
                // blended, if its first use had none.
                const int32_t key = prim.transparentCorners && vertexColors ? -2 - mat : mat;
                auto known = materialIndex.find(key);
                if (known == materialIndex.end()) {
                    model.materials.push_back(MakeMaterial(*d->materials[mat], vertexColors,
                                                           prim.transparentCorners, &textures, &usesUnlit));
                    known = materialIndex.emplace(key, static_cast<int>(model.materials.size()) - 1).first;
                }
                p.material = known->second;
            }
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

}  // namespace wb
