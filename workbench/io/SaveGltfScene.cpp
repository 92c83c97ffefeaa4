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
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <deque>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "stb_image.h"
#include "stb_image_write.h"
#include "workbench/io/TinyGltf.h"
#include "workbench/host/Model.h"
#include "workbench/io/ImageDataFits.h"
#include "workbench/io/JpegTablesFit.h"
#include "workbench/io/SavedMaterials.h"
#include "workbench/io/SceneFile.h"
#include "workbench/io/ShadingNormals.h"
#include "workbench/io/TextEncoding.h"
#include "workbench/io/WeldVertices.h"

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

// How the corners of a saved material's faces are see-through: whether any is, and the alpha
// they share (-1 while none was seen, -2 when they differ). Only for materials that show vertex
// colours.
struct CornerAlpha {
    bool transparent = false;
    int32_t shared = -1;
    void add(uint32_t color) {
        const int32_t a = static_cast<int32_t>(color >> 24);
        transparent = transparent || a != 255;
        shared = shared == -1 || shared == a ? a : -2;
    }
    // The alpha that goes into the material (then COLOR_0's alpha is 1), 255 for none.
    int32_t material() const { return shared >= 0 ? shared : 255; }
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
    std::vector<double> base = {Linear(m.color.r), Linear(m.color.g), Linear(m.color.b), alpha};
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

// One primitive's vertices, each (vertex, normal, UV, colour) once, and its triangles. uvs are
// kept for every vertex, as they tell vertices apart; colors only where the material shows them.
struct Primitive {
    std::vector<float> positions, normals, uvs, colors;
    std::vector<uint32_t> indices;
    std::vector<int32_t> sources;         // by vertex: the object's vertex it was made of
    std::vector<uint32_t> cornerColors;   // by vertex: the corner colour it was made of
};

// A corner as a vertex of a primitive: the object's vertex, the corner's normal, UV and colour,
// told apart by their bits (a -0 normal is not a 0 one).
struct CornerKey {
    int32_t vertex;
    const float* normal;
    HostUV uv;
    uint32_t color;
};

// The vertices of the primitives of one object by their CornerKey: an open-addressing hash table
// of (primitive, vertex index) pairs, with linear probing. A table of its own for this, rather
// than a map of keys held as strings: there is one look-up per corner, a few million in a large
// scene, and the map's allocations per key cost more than the rest of writing the file.
class CornerIndex {
public:
    // The vertex of prim (its key mat) that the key stands for, or -1 when there is none yet.
    int64_t find(const Primitive& prim, int32_t mat, const CornerKey& key, uint32_t hash) const {
        if (slots_.empty()) return -1;
        for (size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            const Slot& slot = slots_[at];
            if (slot.mat == kEmpty) return -1;
            if (slot.mat == mat && Same(prim, slot.index, key)) return slot.index;
        }
    }

    // Notes that vertex index of prim (its key mat) stands for a key of that hash.
    void add(int32_t mat, uint32_t index, uint32_t hash) {
        if ((used_ + 1) * 2 > slots_.size()) grow();
        place(Slot{mat, index, hash});
        ++used_;
    }

    static uint32_t Hash(int32_t mat, const CornerKey& key) {
        uint32_t words[8];
        words[0] = static_cast<uint32_t>(mat);
        words[1] = static_cast<uint32_t>(key.vertex);
        memcpy(&words[2], key.normal, 12);
        memcpy(&words[5], &key.uv, 8);
        words[7] = key.color;
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (uint32_t w : words) h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        return static_cast<uint32_t>(h >> 32) ^ static_cast<uint32_t>(h);
    }

private:
    static constexpr int32_t kEmpty = INT32_MIN;
    struct Slot {
        int32_t mat;
        uint32_t index;
        uint32_t hash;
    };

    static bool Same(const Primitive& prim, uint32_t index, const CornerKey& key) {
        return prim.sources[index] == key.vertex && prim.cornerColors[index] == key.color &&
               memcmp(&prim.normals[size_t{index} * 3], key.normal, 12) == 0 &&
               memcmp(&prim.uvs[size_t{index} * 2], &key.uv, 8) == 0;
    }

    void place(const Slot& slot) {
        size_t at = slot.hash & (slots_.size() - 1);
        while (slots_[at].mat != kEmpty) at = (at + 1) & (slots_.size() - 1);
        slots_[at] = slot;
    }

    void grow() {
        std::vector<Slot> old(std::max<size_t>(64, slots_.size() * 2), Slot{kEmpty, 0, 0});
        old.swap(slots_);
        for (const Slot& slot : old)
            if (slot.mat != kEmpty) place(slot);
    }

    std::vector<Slot> slots_;
    size_t used_ = 0;
};

// Linear of each 8-bit sRGB value, as the vertex colours are written.
const float* LinearBytes() {
    static const std::vector<float> table = [] {
        std::vector<float> t(256);
        for (int i = 0; i < 256; ++i) t[i] = static_cast<float>(Linear(i / 255.0));
        return t;
    }();
    return table.data();
}

// Adds the object's faces to primitives, by saved material (faceMaterials, by face; -1 for
// none); corners (by saved material) gives the alpha that goes into the material instead.
void GatherObject(const Object* o, const Document* d, const MaterialTable& table,
                  const std::vector<int32_t>& faceMaterials,
                  const std::vector<CornerAlpha>& corners,
                  std::map<int32_t, Primitive>* primitives) {
    std::vector<float> normals;
    ShadingNormals(o, &normals);
    const float* linear = LinearBytes();
    CornerIndex known;
    const size_t faceCount = o->faces.size();
    for (size_t f = 0; f < faceCount; ++f) {
        if (!ShadedFace(o, static_cast<int32_t>(f))) continue;
        const Face& face = o->faces[f];
        const int32_t mat = faceMaterials[f];
        const bool vertexColors =
            mat >= 0 && ShowsVertexColors(d->materials[table.list()[mat].source]);
        const uint32_t opaque = vertexColors && corners[mat].material() != 255 ? 0xFF000000u : 0u;
        Primitive& prim = (*primitives)[mat];
        const Corner* c = o->corners.data() + face.first;
        uint32_t corner[4];
        const int32_t count = std::min<int32_t>(face.count, 4);
        for (int32_t j = 0; j < count; ++j) {
            const int32_t at = face.count - 1 - j;  // glTF's front turns counter-clockwise
            const Corner& cc = c[at];
            const float* n = &normals[(static_cast<size_t>(face.first) + at) * 3];
            const uint32_t color = vertexColors ? cc.color | opaque : 0xFFFFFFFFu;
            const CornerKey key{cc.vertex, n, cc.uv, color};
            const uint32_t hash = CornerIndex::Hash(mat, key);
            const int64_t found = known.find(prim, mat, key, hash);
            if (found >= 0) {
                corner[j] = static_cast<uint32_t>(found);
                continue;
            }
            const uint32_t index = static_cast<uint32_t>(prim.sources.size());
            const HostPoint& p = o->vertices[cc.vertex].p;
            prim.positions.insert(prim.positions.end(), {p.x, p.y, p.z});
            prim.normals.insert(prim.normals.end(), {n[0], n[1], n[2]});
            prim.uvs.insert(prim.uvs.end(), {cc.uv.u, cc.uv.v});
            prim.sources.push_back(cc.vertex);
            prim.cornerColors.push_back(color);
            if (vertexColors)
                prim.colors.insert(prim.colors.end(), {linear[color & 255], linear[(color >> 8) & 255],
                                                       linear[(color >> 16) & 255],
                                                       static_cast<float>((color >> 24) / 255.0)});
            known.add(mat, index, hash);
            corner[j] = index;
        }
        for (int32_t j = 1; j + 1 < count; ++j) prim.indices.insert(prim.indices.end(), {corner[0], corner[j], corner[j + 1]});
    }
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* out = wb::OpenFile(path, "wb");
    if (!out) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return fclose(out) == 0 && ok;
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

    for (size_t oi = 0; oi < objects.size(); ++oi) {
        const Object* o = objects[oi];
        if (!o) continue;
        std::map<int32_t, Primitive> primitives;
        GatherObject(o, d, table, faceMaterials[oi], corners, &primitives);
        tinygltf::Mesh mesh;
        mesh.name = SavedObjectName(o, oi);
        for (auto& entry : primitives) {
            Primitive& prim = entry.second;
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
