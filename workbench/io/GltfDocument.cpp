// glTF 2.0 files read with tinygltf. Every accessor, buffer view and index is checked against its
// buffer here: tinygltf checks a file's structure, not what its numbers point at.
#include "workbench/io/GltfDocument.h"

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "workbench/io/FileAccess.h"
#include "workbench/io/SceneFile.h"

namespace wb {
namespace detail {

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

namespace {

constexpr uint64_t kMaxFileBytes = 0x7FFFFFFFu;  // tinygltf takes sizes as unsigned int
// Elements of an accessor without a buffer view (all zero, or sparse): the file holds no bytes
// for them, so their count is bounded here.
constexpr uint64_t kMaxUnbackedElements = 1u << 24;

// The file access tinygltf gets: files in the scene's folder only, read through the host's own
// calls (UTF-8 names on Windows too).
struct FolderAccess {
    std::string base;
    std::vector<std::string> refused;  // paths that reach outside it

    bool allowed(const std::string& path) {
        if (InsideFolder(path, base)) return true;
        // Where a file is not in the scene's folder, tinygltf looks for it in the working folder
        // too ("./" and the URI): never read, and no reason to blame the URI for it.
        if (path.compare(0, 2, "./") == 0 && path.compare(0, base.size(), base) != 0) return false;
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

// The same, keeping an embedded image's bytes as they are, for a document that is written again.
bool KeepImageBytes(tinygltf::Image* image, const int, std::string*, std::string*, int, int,
                    const unsigned char* bytes, int size, void*) {
    image->image.assign(bytes, bytes + (size > 0 ? size : 0));
    image->as_is = true;
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
}  // namespace

bool ReadGltfAccessor(const tinygltf::Model& m, int index, std::vector<double>* out, int* components) {
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


bool ReadGltfDocument(const std::string& file, bool keepImageBytes, tinygltf::Model* model,
                      std::string* warnings, std::string* error) {
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
    loader.SetImageLoader(keepImageBytes ? &KeepImageBytes : &KeepImageUndecoded, nullptr);
    std::string err, warn;
    bool parsed = false;
    try {
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        parsed = binary ? loader.LoadBinaryFromMemory(model, &err, &warn, data,
                                                      static_cast<unsigned int>(bytes.size()), folder)
                        : loader.LoadASCIIFromString(model, &err, &warn, bytes.data(),
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
    if (warnings) *warnings = warn;
    return true;
}

}  // namespace detail
}  // namespace wb
