// glTF 2.0 scenes: loading with tinygltf into a new active document. Every accessor, buffer view
// and index is checked against its buffer here: tinygltf checks a file's structure, not what its
// numbers point at.
#include "workbench/io/LoadGltfScene.h"

#include <math.h>
#include <string.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "workbench/host/Model.h"
#include "workbench/io/SceneFile.h"
#include "workbench/io/TextEncoding.h"
#include "workbench/io/TinyGltf.h"
#include "workbench/io/WeldVertices.h"

using namespace wb::detail;

namespace {

constexpr uint64_t kMaxFileBytes = 0x7FFFFFFFu;  // tinygltf takes sizes as unsigned int
// Elements of an accessor without a buffer view (all zero, or sparse): the file holds no bytes
// for them, so their count is bounded here.
constexpr uint64_t kMaxUnbackedElements = 1u << 24;

// True when path, which tinygltf made of base and a URI, names a file in base or below it: no
// ".." step, no absolute path, no drive or scheme.
bool InsideFolder(const std::string& path, const std::string& base) {
    if (path.compare(0, base.size(), base) != 0) return false;
    std::string rest = path.substr(base.size());
    if (!base.empty() && base.back() != '/' && !rest.empty() && rest[0] == '/') rest.erase(0, 1);
    if (rest.empty() || rest[0] == '/' || rest[0] == '\\' || rest.find(':') != std::string::npos)
        return false;
    for (size_t start = 0; start <= rest.size();) {
        size_t end = rest.find_first_of("/\\", start);
        if (end == std::string::npos) end = rest.size();
        if (end - start == 2 && rest.compare(start, 2, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

// The file access tinygltf gets: files in the scene's folder only, read through the host's own
// calls (UTF-8 names on Windows too).
struct FolderAccess {
    std::string base;
    std::vector<std::string> refused;  // paths that reach outside it

    bool allowed(const std::string& path) {
        if (InsideFolder(path, base)) return true;
        refused.push_back(path.compare(0, base.size(), base) == 0 ? path.substr(base.size()) : path);
        return false;
    }
};

bool FileExistsIn(const std::string& path, void* user) {
    return static_cast<FolderAccess*>(user)->allowed(path) && wb::IsRegularFile(path);
}

std::string SamePath(const std::string& path, void*) { return path; }

bool ReadFileIn(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user) {
    std::string bytes;
    if (!static_cast<FolderAccess*>(user)->allowed(path) ||
        !wb::ReadWholeFile(path, kMaxFileBytes, &bytes)) {
        if (err) *err += path + ": cannot be read\n";
        return false;
    }
    out->assign(bytes.begin(), bytes.end());
    return true;
}

bool WriteNothing(std::string*, const std::string&, const std::vector<unsigned char>&, void*) {
    return false;
}

// Images are not decoded: the host reads a material's texture from its file itself.
bool KeepImageUndecoded(tinygltf::Image*, const int, std::string*, std::string*, int, int,
                        const unsigned char*, int, void*) {
    return true;
}

// tinygltf hands an image's buffer view to the image loader by the address of its first byte,
// without checking that the byte is in its buffer: such a file is refused before it is parsed.
bool ImageViewsInBuffers(const std::string& jsonText) {
    try {
        const nlohmann::json j = nlohmann::json::parse(jsonText, nullptr, false);
        if (j.is_discarded() || !j.is_object() || !j.contains("images") || !j["images"].is_array())
            return true;
        const nlohmann::json& views = j.contains("bufferViews") ? j["bufferViews"] : nlohmann::json();
        const nlohmann::json& buffers = j.contains("buffers") ? j["buffers"] : nlohmann::json();
        for (const nlohmann::json& image : j["images"]) {
            if (!image.is_object() || !image.contains("bufferView")) continue;
            const nlohmann::json& v = image["bufferView"];
            if (!v.is_number_unsigned() || !views.is_array() || v.get<uint64_t>() >= views.size())
                continue;  // tinygltf refuses it
            const nlohmann::json& view = views[v.get<size_t>()];
            if (!view.is_object() || !view.contains("buffer") || !view["buffer"].is_number_unsigned())
                continue;
            const uint64_t b = view["buffer"].get<uint64_t>();
            if (!buffers.is_array() || b >= buffers.size()) continue;
            const nlohmann::json& buffer = buffers[b];
            const uint64_t offset = view.contains("byteOffset") && view["byteOffset"].is_number_unsigned()
                                        ? view["byteOffset"].get<uint64_t>() : 0;
            const uint64_t length = buffer.is_object() && buffer.contains("byteLength") &&
                                            buffer["byteLength"].is_number_unsigned()
                                        ? buffer["byteLength"].get<uint64_t>() : 0;
            if (offset >= length) return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

int ComponentCount(int type) {
    switch (type) {
        case TINYGLTF_TYPE_SCALAR: return 1;
        case TINYGLTF_TYPE_VEC2: return 2;
        case TINYGLTF_TYPE_VEC3: return 3;
        case TINYGLTF_TYPE_VEC4: return 4;
        default: return 0;  // matrices are no vertex attribute the host reads
    }
}

int ComponentBytes(int componentType) {
    switch (componentType) {
        case TINYGLTF_COMPONENT_TYPE_BYTE:
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return 1;
        case TINYGLTF_COMPONENT_TYPE_SHORT:
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return 2;
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
        case TINYGLTF_COMPONENT_TYPE_FLOAT: return 4;
        default: return 0;
    }
}

double ComponentValue(const unsigned char* p, int componentType, bool normalized) {
    switch (componentType) {
        case TINYGLTF_COMPONENT_TYPE_BYTE: {
            int8_t v;
            memcpy(&v, p, 1);
            return normalized ? std::max(v / 127.0, -1.0) : v;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return normalized ? p[0] / 255.0 : p[0];
        case TINYGLTF_COMPONENT_TYPE_SHORT: {
            int16_t v;
            memcpy(&v, p, 2);
            return normalized ? std::max(v / 32767.0, -1.0) : v;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
            uint16_t v;
            memcpy(&v, p, 2);
            return normalized ? v / 65535.0 : v;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
            uint32_t v;
            memcpy(&v, p, 4);
            return normalized ? v / 4294967295.0 : v;
        }
        default: {
            float v;
            memcpy(&v, p, 4);
            return v;
        }
    }
}

// The first byte of count elements of elementBytes each, offset bytes into buffer view
// viewIndex, and their stride (the view's, or tight when it has none or strided is false); NULL
// when any of them lies outside the view or the view outside its buffer.
const unsigned char* ViewBytes(const tinygltf::Model& m, int viewIndex, uint64_t offset,
                               uint64_t count, uint64_t elementBytes, bool strided, uint64_t* stride) {
    if (viewIndex < 0 || static_cast<size_t>(viewIndex) >= m.bufferViews.size()) return nullptr;
    const tinygltf::BufferView& view = m.bufferViews[viewIndex];
    if (view.buffer < 0 || static_cast<size_t>(view.buffer) >= m.buffers.size()) return nullptr;
    const std::vector<unsigned char>& data = m.buffers[view.buffer].data;
    if (view.byteOffset > data.size() || view.byteLength > data.size() - view.byteOffset)
        return nullptr;
    *stride = strided && view.byteStride ? view.byteStride : elementBytes;
    if (*stride < elementBytes || offset > view.byteLength) return nullptr;
    if (count == 0) return data.data();
    if (count > view.byteLength ||
        (count - 1) * *stride + elementBytes > view.byteLength - offset)
        return nullptr;
    return data.data() + view.byteOffset + offset;
}

// The values of accessor index (components by element, in *components), sparse ones applied and
// normalised integers in 0..1 or -1..1; false when the accessor is missing or lies outside its
// buffers.
bool ReadAccessor(const tinygltf::Model& m, int index, std::vector<double>* out, int* components) {
    if (index < 0 || static_cast<size_t>(index) >= m.accessors.size()) return false;
    const tinygltf::Accessor& a = m.accessors[index];
    const int n = ComponentCount(a.type), bytes = ComponentBytes(a.componentType);
    if (n == 0 || bytes == 0) return false;
    *components = n;
    const uint64_t elementBytes = static_cast<uint64_t>(n) * bytes;
    const bool normalized = a.normalized && a.componentType != TINYGLTF_COMPONENT_TYPE_FLOAT;
    if (a.bufferView >= 0) {
        uint64_t stride = 0;
        const unsigned char* p = ViewBytes(m, a.bufferView, a.byteOffset, a.count, elementBytes, true, &stride);
        if (!p) return false;
        out->resize(a.count * n);
        for (size_t e = 0; e < a.count; ++e)
            for (int k = 0; k < n; ++k)
                (*out)[e * n + k] = ComponentValue(p + e * stride + k * bytes, a.componentType, normalized);
    } else {
        if (a.count > kMaxUnbackedElements) return false;
        out->assign(a.count * n, 0.0);
    }
    if (!a.sparse.isSparse) return true;
    const auto& s = a.sparse;
    const int indexBytes = ComponentBytes(s.indices.componentType);
    if (s.count < 0 || static_cast<size_t>(s.count) > a.count || s.indices.byteOffset < 0 ||
        s.values.byteOffset < 0 || indexBytes == 0 ||
        s.indices.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT ||
        s.indices.componentType == TINYGLTF_COMPONENT_TYPE_BYTE ||
        s.indices.componentType == TINYGLTF_COMPONENT_TYPE_SHORT)
        return false;
    uint64_t indexStride = 0, valueStride = 0;
    const unsigned char* at = ViewBytes(m, s.indices.bufferView, s.indices.byteOffset, s.count,
                                        indexBytes, false, &indexStride);
    const unsigned char* values = ViewBytes(m, s.values.bufferView, s.values.byteOffset, s.count,
                                            elementBytes, false, &valueStride);
    if (!at || !values) return false;
    for (int e = 0; e < s.count; ++e) {
        const double target = ComponentValue(at + e * indexStride, s.indices.componentType, false);
        if (target >= static_cast<double>(a.count)) return false;
        const size_t t = static_cast<size_t>(target);
        for (int k = 0; k < n; ++k)
            (*out)[t * n + k] = ComponentValue(values + e * valueStride + k * bytes, a.componentType, normalized);
    }
    return true;
}

// What a load leaves out, counted for its warnings.
struct LeftOut {
    size_t pointsAndLines = 0;  // primitives
    size_t badPrimitives = 0;   // no usable positions or indices, or an unknown mode
    size_t badAttributes = 0;   // TEXCOORD_0 or COLOR_0 that do not fit their positions
    size_t badFaces = 0;        // triangles with an index out of range or a position no number
};

// Adds primitive p's triangles to o, with their UVs and colours; material is the faces'.
void AddPrimitive(const tinygltf::Model& m, const tinygltf::Primitive& p, int32_t material,
                  Object* o, LeftOut* left) {
    const int mode = p.mode < 0 ? TINYGLTF_MODE_TRIANGLES : p.mode;
    if (mode == TINYGLTF_MODE_POINTS || mode == TINYGLTF_MODE_LINE ||
        mode == TINYGLTF_MODE_LINE_LOOP || mode == TINYGLTF_MODE_LINE_STRIP) {
        ++left->pointsAndLines;
        return;
    }
    std::vector<double> pos, uv, color, indices;
    int n = 0, uvN = 0, colorN = 0, indexN = 0;
    const auto attribute = [&](const char* name) {
        const auto it = p.attributes.find(name);
        return it == p.attributes.end() ? -1 : it->second;
    };
    if (mode > TINYGLTF_MODE_TRIANGLE_FAN || !ReadAccessor(m, attribute("POSITION"), &pos, &n) || n != 3) {
        ++left->badPrimitives;
        return;
    }
    const size_t count = pos.size() / 3;
    if (attribute("TEXCOORD_0") >= 0 &&
        (!ReadAccessor(m, attribute("TEXCOORD_0"), &uv, &uvN) || uvN != 2 || uv.size() != count * 2)) {
        ++left->badAttributes;
        uv.clear();
    }
    if (attribute("COLOR_0") >= 0 &&
        (!ReadAccessor(m, attribute("COLOR_0"), &color, &colorN) || colorN < 3 ||
         color.size() != count * colorN)) {
        ++left->badAttributes;
        color.clear();
    }
    if (p.indices >= 0) {
        const int type = m.accessors.size() > static_cast<size_t>(p.indices)
                             ? m.accessors[p.indices].componentType : 0;
        if ((type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
             type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT) ||
            !ReadAccessor(m, p.indices, &indices, &indexN) || indexN != 1) {
            ++left->badPrimitives;
            return;
        }
    } else {
        indices.resize(count);
        for (size_t i = 0; i < count; ++i) indices[i] = static_cast<double>(i);
    }
    std::vector<int32_t> local(count, -1);
    const auto corner = [&](size_t k, int32_t* out) {
        const double v = indices[k];
        if (!(v < static_cast<double>(count))) return false;
        const size_t i = static_cast<size_t>(v);
        if (local[i] < 0) {
            const HostPoint q{static_cast<float>(pos[i * 3]), static_cast<float>(pos[i * 3 + 1]),
                              static_cast<float>(pos[i * 3 + 2])};
            if (!isfinite(q.x) || !isfinite(q.y) || !isfinite(q.z)) return false;
            local[i] = ObjAddVertex(o, q);
        }
        *out = local[i];
        return true;
    };
    const auto addTriangle = [&](size_t a, size_t b, size_t c, bool joiner) {
        // A strip or fan repeats an index to join its runs: no face there.
        if (joiner && (indices[a] == indices[b] || indices[b] == indices[c] || indices[a] == indices[c]))
            return;
        // glTF triangles face the side from which they run counter-clockwise; the host's faces
        // the other way, so their corners are reversed.
        const size_t from[3] = {c, b, a};
        int32_t v[3];
        for (int k = 0; k < 3; ++k)
            if (!corner(from[k], &v[k])) {
                ++left->badFaces;
                return;
            }
        const int32_t f = ObjAddFaceUnchecked(o, 3, v);
        o->faces[f].material = material;
        Corner* c3 = o->corners.data() + o->faces[f].first;
        for (int k = 0; k < 3; ++k) {
            const size_t i = static_cast<size_t>(indices[from[k]]);
            if (!uv.empty()) {
                // glTF's v runs down from the image top, as the host's does.
                const float u = static_cast<float>(uv[i * 2]), w = static_cast<float>(uv[i * 2 + 1]);
                c3[k].uv = HostUV{isfinite(u) ? u : 0.0f, isfinite(w) ? w : 0.0f};
            }
            if (!color.empty()) {
                const double* col = &color[i * colorN];
                c3[k].color = PackColor(static_cast<float>(col[0]), static_cast<float>(col[1]),
                                        static_cast<float>(col[2]));
            }
        }
    };
    const size_t k = indices.size();
    if (mode == TINYGLTF_MODE_TRIANGLES) {
        for (size_t t = 0; t + 2 < k; t += 3) addTriangle(t, t + 1, t + 2, false);
    } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
        // Every other triangle of a strip runs the other way round.
        for (size_t t = 0; t + 2 < k; ++t)
            t % 2 ? addTriangle(t + 1, t, t + 2, true) : addTriangle(t, t + 1, t + 2, true);
    } else {
        for (size_t t = 1; t + 1 < k; ++t) addTriangle(0, t, t + 1, true);
    }
}

// Material i of the file as the host holds it: its name, base colour factor, and its base colour
// texture's file name where that is a plain file name in the scene's folder.
Material* TakeMaterial(const tinygltf::Model& m, size_t i) {
    const tinygltf::Material& src = m.materials[i];
    Material* mat = NewMaterial();
    TakeUtf8Name(src.name.empty() ? "material" + std::to_string(i + 1) : src.name, &mat->name,
                 &mat->nameOriginal);
    const std::vector<double>& f = src.pbrMetallicRoughness.baseColorFactor;
    if (f.size() == 4) {
        mat->color = HostRGB{Clamp01(static_cast<float>(f[0])), Clamp01(static_cast<float>(f[1])),
                             Clamp01(static_cast<float>(f[2]))};
        mat->alpha = isfinite(f[3]) ? Clamp01(static_cast<float>(f[3])) : 1.0f;
    }
    const int t = src.pbrMetallicRoughness.baseColorTexture.index;
    if (t >= 0 && static_cast<size_t>(t) < m.textures.size()) {
        const int s = m.textures[t].source;
        if (s >= 0 && static_cast<size_t>(s) < m.images.size()) {
            const std::string& uri = m.images[s].uri;
            if (!uri.empty() && uri.find('%') == std::string::npos && InsideFolder(uri, ""))
                TakeUtf8Name(uri, &mat->texture, &mat->textureOriginal);
        }
    }
    return mat;
}

void AddCountWarning(std::vector<std::string>* warnings, const std::string& file, size_t count,
                     const std::string& what) {
    if (count) warnings->push_back(file + ": " + std::to_string(count) + " " + what);
}

bool LoadGltfSceneUnguarded(const char* path, std::string* error, bool weld) {
    const std::string file = SafeString(path);
    if (file.empty()) return Fail(error, "LoadGltfScene: no file name given");
    if (!wb::IsRegularFile(file)) return Fail(error, file + ": no such file");
    const std::string folder = file.substr(0, BaseNameStart(file));
    std::string bytes;
    if (!wb::ReadWholeFile(file, kMaxFileBytes, &bytes)) return Fail(error, file + ": cannot be read");

    const bool binary = bytes.compare(0, 4, "glTF") == 0;
    std::string json = bytes;
    if (binary) {
        uint32_t length = 0;
        if (bytes.size() >= 20) memcpy(&length, bytes.data() + 12, 4);
        json = bytes.size() >= 20 && length <= bytes.size() - 20 ? bytes.substr(20, length) : "";
    }
    if (!ImageViewsInBuffers(json))
        return Fail(error, file + ": not a readable glTF file (an image's buffer view lies outside its buffer)");

    FolderAccess access{folder, {}};
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks(tinygltf::FsCallbacks{&FileExistsIn, &SamePath, &ReadFileIn, &WriteNothing, &access});
    loader.SetImageLoader(&KeepImageUndecoded, nullptr);
    tinygltf::Model model;
    std::string err, warn;
    bool parsed = false;
    try {
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        parsed = binary ? loader.LoadBinaryFromMemory(&model, &err, &warn, data,
                                                      static_cast<unsigned int>(bytes.size()), folder)
                        : loader.LoadASCIIFromString(&model, &err, &warn, bytes.data(),
                                                     static_cast<unsigned int>(bytes.size()), folder);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        parsed = false;
    }
    if (!access.refused.empty())
        return Fail(error, file + ": refers to \"" + access.refused.front() +
                               "\", outside the scene's folder; such files are not read");
    if (!parsed) {
        const size_t end = err.find('\n');
        err = err.substr(0, end);
        return Fail(error, file + ": not a readable glTF file" + (err.empty() ? "" : " (" + err + ")"));
    }

    Document* d = NewDocumentObject();
    for (size_t i = 0; i < model.materials.size(); ++i) DocAddMaterial(d, TakeMaterial(model, i));
    LeftOut left;
    LoadedObjects loaded;
    for (size_t mi = 0; mi < model.meshes.size(); ++mi) {
        const tinygltf::Mesh& mesh = model.meshes[mi];
        Object* o = NewObject();
        TakeUtf8Name(mesh.name.empty() ? "mesh" + std::to_string(mi + 1) : mesh.name, &o->name,
                     &o->nameOriginal);
        for (const tinygltf::Primitive& p : mesh.primitives) {
            const bool known = p.material >= 0 && static_cast<size_t>(p.material) < model.materials.size();
            AddPrimitive(model, p, known ? p.material : -1, o, &left);
        }
        AddLoadedObject(d, o, weld, &loaded);
    }
    if (loaded.faces == 0) {
        ClearDocument(d);
        delete d;
        return Fail(error, file + ": no usable faces");
    }
    ShowVertexColors(d, {});
    InstallLoadedScene(d, folder);

    std::vector<std::string> warnings;
    for (size_t start = 0; start < warn.size();) {
        const size_t end = std::min(warn.find('\n', start), warn.size());
        if (end > start) warnings.push_back(file + ": " + warn.substr(start, end - start));
        start = end + 1;
    }
    AddCountWarning(&warnings, file, left.pointsAndLines, "point or line primitives left out");
    AddCountWarning(&warnings, file, left.badPrimitives,
                    "primitives left out (positions or indices missing or outside their buffers, or an unknown mode)");
    AddCountWarning(&warnings, file, left.badAttributes,
                    "TEXCOORD_0 or COLOR_0 attributes that do not fit their positions, left out");
    AddCountWarning(&warnings, file, left.badFaces,
                    "triangles with an index out of range or a position that is no number, left out");
    if (!loaded.sharedVertices.empty()) warnings.push_back(SharedVerticesWarning(file, loaded.sharedVertices, weld));
    if (error) {
        error->clear();
        for (const std::string& w : warnings) *error += (error->empty() ? "" : "\n") + w;
    }
    return true;
}

}  // namespace

namespace wb {

bool LoadGltfScene(const char* path, std::string* error, bool weld) {
    return FailOnOutOfMemory(SafeString(path), error,
                             [&] { return LoadGltfSceneUnguarded(path, error, weld); });
}

}  // namespace wb
