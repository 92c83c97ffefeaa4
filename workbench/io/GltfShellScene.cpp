#include "workbench/io/GltfShellScene.h"

#include <ctype.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <set>
#include <ostream>
#include <streambuf>

#include <nlohmann/json.hpp>

#include "workbench/io/GltfDocument.h"
#include "workbench/io/GltfPrimitives.h"
#include "workbench/io/GltfShellPrimitives.h"
#include "workbench/io/SceneFile.h"
#include "workbench/io/ShellLooks.h"
#include "workbench/io/WriteGltfFile.h"

namespace wb {

using namespace detail;

struct GltfShellScene {
    tinygltf::Model model;
    std::vector<GltfObjectSource> sources;  // by object, in document order
    size_t loadedMaterials = 0;             // the document's materials after the load
    std::string folder;
};

namespace {

constexpr uint64_t kMaxFileBytes = 0x7FFFFFFFu;

std::string PercentDecoded(const std::string& uri) {
    std::string out;
    for (size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
            isxdigit(static_cast<unsigned char>(uri[i + 2]))) {
            out += static_cast<char>(strtol(uri.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += uri[i];
        }
    }
    return out;
}

bool IsDataUri(const std::string& uri) { return uri.compare(0, 5, "data:") == 0; }

// The kind of image bytes hold, by their first bytes; empty when none that glTF or its
// extensions name.
std::string SniffedMimeType(const std::vector<unsigned char>& b) {
    if (b.size() > 8 && memcmp(b.data(), "\x89PNG", 4) == 0) return "image/png";
    if (b.size() > 3 && b[0] == 0xFF && b[1] == 0xD8) return "image/jpeg";
    if (b.size() > 12 && memcmp(b.data(), "RIFF", 4) == 0 && memcmp(b.data() + 8, "WEBP", 4) == 0) return "image/webp";
    if (b.size() > 12 && memcmp(b.data(), "\xABKTX 20\xBB", 8) == 0) return "image/ktx2";
    return "";
}

// Every buffer of out as one (its views moved along), so that a .glb holds them in its BIN chunk.
void MergeBuffers(tinygltf::Model* out) {
    if (out->buffers.size() <= 1) {
        for (tinygltf::Buffer& b : out->buffers) b.uri.clear();
        return;
    }
    std::vector<size_t> offset(out->buffers.size());
    tinygltf::Buffer merged;
    merged.name = out->buffers[0].name;
    for (size_t i = 0; i < out->buffers.size(); ++i) {
        while (merged.data.size() % 8) merged.data.push_back(0);
        offset[i] = merged.data.size();
        merged.data.insert(merged.data.end(), out->buffers[i].data.begin(), out->buffers[i].data.end());
    }
    for (tinygltf::BufferView& v : out->bufferViews) {
        if (v.buffer < 0 || static_cast<size_t>(v.buffer) >= offset.size()) continue;
        v.byteOffset += offset[v.buffer];
        v.buffer = 0;
    }
    out->buffers.assign(1, merged);
}

// Every image with its bytes in a buffer view; an external image file is read from the scene's
// folder. An image that cannot be read, or is of no kind glTF names, keeps its URI (a warning).
void EmbedImages(tinygltf::Model* out, const std::string& folder, std::vector<std::string>* warnings) {
    for (size_t i = 0; i < out->images.size(); ++i) {
        tinygltf::Image& image = out->images[i];
        if (image.bufferView >= 0) continue;
        std::vector<unsigned char> bytes;
        bytes.swap(image.image);
        image.as_is = false;
        if (bytes.empty() && !image.uri.empty() && !IsDataUri(image.uri)) {
            const std::string path = folder + PercentDecoded(image.uri);
            std::string file;
            if (InsideFolder(path, folder) && wb::ReadWholeFile(path, kMaxFileBytes, &file))
                bytes.assign(file.begin(), file.end());
        }
        std::string mime = image.mimeType.empty() ? SniffedMimeType(bytes) : image.mimeType;
        if (bytes.empty() || mime.empty()) {
            if (warnings)
                warnings->push_back("image " + std::to_string(i) + (image.uri.empty() ? "" : " (" + image.uri.substr(0, 64) + ")") +
                                    " could not be embedded: its reference is kept as it was");
            continue;
        }
        image.bufferView = AppendGltfData(out, bytes.data(), bytes.size(), 0);
        image.mimeType = mime;
        // An embedded file keeps its file's name, which editors show.
        if (image.name.empty() && !image.uri.empty() && !IsDataUri(image.uri))
            image.name = PercentDecoded(image.uri.substr(BaseNameStart(image.uri)));
        image.uri.clear();
    }
}

bool UsesTexture(const tinygltf::Material& m) {
    return m.pbrMetallicRoughness.baseColorTexture.index >= 0 ||
           m.pbrMetallicRoughness.metallicRoughnessTexture.index >= 0 || m.normalTexture.index >= 0 ||
           m.occlusionTexture.index >= 0 || m.emissiveTexture.index >= 0;
}

// A look the plug-in made, as a glTF material: its colour and alpha, single-sided, unlit when
// emission alone lights it.
tinygltf::Material LookMaterial(const Material& m, const std::string& name, bool* unlit) {
    tinygltf::Material out;
    out.name = name;
    const bool vertexColors = ShowsVertexColors(&m);
    out.pbrMetallicRoughness.baseColorFactor = {vertexColors ? 1.0 : LinearFromSrgb(m.color.r),
                                                vertexColors ? 1.0 : LinearFromSrgb(m.color.g),
                                                vertexColors ? 1.0 : LinearFromSrgb(m.color.b), Clamp01(m.alpha)};
    out.pbrMetallicRoughness.metallicFactor = 0.0;
    out.pbrMetallicRoughness.roughnessFactor = 1.0;
    out.alphaMode = m.alpha < 1.0f ? "BLEND" : "OPAQUE";
    out.doubleSided = false;
    if (m.emission >= 1.0f) {
        out.extensions["KHR_materials_unlit"] = tinygltf::Value(tinygltf::Value::Object());
        *unlit = true;
    } else if (m.emission > 0.0f && !vertexColors) {
        const std::vector<double>& b = out.pbrMetallicRoughness.baseColorFactor;
        out.emissiveFactor = {b[0] * m.emission, b[1] * m.emission, b[2] * m.emission};
    }
    return out;
}

// Where the document's materials go out: the input's own as they were, the plug-in's one per look.
ShellMaterialMap MapMaterials(const GltfShellScene& scene, const Document* d, tinygltf::Model* out) {
    ShellMaterialMap map;
    const size_t n = d->materials.size(), input = scene.model.materials.size();
    map.gltf.assign(n, -1);
    map.showsUv.assign(n, false);
    map.showsColors.assign(n, false);
    map.linearColors.assign(n, false);
    const MaterialLooks looks = SavedMaterialLooks(d);
    std::map<int32_t, int> made;  // look slot -> glTF material
    bool unlit = false;
    for (size_t i = 0; i < n; ++i) {
        const Material* m = d->materials[i];
        if (!m) continue;
        map.showsColors[i] = ShowsVertexColors(m);
        if (i < input) {
            map.gltf[i] = static_cast<int>(i);
            map.showsUv[i] = UsesTexture(scene.model.materials[i]);
        } else if (i >= scene.loadedMaterials) {
            map.linearColors[i] = true;
            const int32_t look = looks.look[i];
            auto known = made.find(look);
            if (known == made.end()) {
                out->materials.push_back(LookMaterial(*d->materials[look], looks.name[look], &unlit));
                known = made.emplace(look, static_cast<int>(out->materials.size()) - 1).first;
            }
            map.gltf[i] = known->second;
        }
    }
    const char* kUnlit = "KHR_materials_unlit";
    if (unlit && std::find(out->extensionsUsed.begin(), out->extensionsUsed.end(), kUnlit) == out->extensionsUsed.end())
        out->extensionsUsed.push_back(kUnlit);
    return map;
}

bool IsTriangles(const tinygltf::Primitive& p) {
    return p.mode < 0 || p.mode == TINYGLTF_MODE_TRIANGLES || p.mode == TINYGLTF_MODE_TRIANGLE_STRIP ||
           p.mode == TINYGLTF_MODE_TRIANGLE_FAN;
}

// A sibling of node `node` showing mesh: same parent (or the same scenes' root lists), transform,
// skin and morph weights, driven by twins of the node's animation channels.
void AddSibling(tinygltf::Model* out, int node, int mesh) {
    const tinygltf::Node& source = out->nodes[node];
    tinygltf::Node sibling;
    const std::string name = source.name.empty() ? out->meshes[source.mesh].name : source.name;
    sibling.name = (name.empty() ? "node" + std::to_string(node) : name) + " shell";
    sibling.mesh = mesh;
    sibling.skin = source.skin;
    sibling.weights = source.weights;
    sibling.matrix = source.matrix;
    sibling.translation = source.translation;
    sibling.rotation = source.rotation;
    sibling.scale = source.scale;
    const int index = static_cast<int>(out->nodes.size());
    out->nodes.push_back(sibling);
    for (tinygltf::Node& parent : out->nodes)
        if (std::find(parent.children.begin(), parent.children.end(), node) != parent.children.end()) {
            parent.children.push_back(index);
            break;
        }
    for (tinygltf::Scene& scene : out->scenes)
        if (std::find(scene.nodes.begin(), scene.nodes.end(), node) != scene.nodes.end()) scene.nodes.push_back(index);
    for (tinygltf::Animation& animation : out->animations) {
        const size_t channels = animation.channels.size();
        for (size_t c = 0; c < channels; ++c) {
            if (animation.channels[c].target_node != node) continue;
            tinygltf::AnimationChannel twin = animation.channels[c];
            twin.target_node = index;
            animation.channels.push_back(twin);
        }
    }
}

const GltfObjectSource* SourceAt(const GltfShellScene& scene, int32_t slot) {
    for (const GltfObjectSource& s : scene.sources)
        if (s.slot == slot) return &s;
    return nullptr;
}

bool SaveUnguarded(const GltfShellScene& scene, const std::vector<GltfShell>& shells, const std::string& file,
                   bool binary, std::string* error, std::vector<std::string>* warnings) {
    const Document* d = Active();
    tinygltf::Model out = scene.model;
    MergeBuffers(&out);
    EmbedImages(&out, scene.folder, warnings);
    const ShellMaterialMap materials = MapMaterials(scene, d, &out);
    for (const GltfShell& shell : shells) {
        const GltfObjectSource* source = SourceAt(scene, shell.sourceSlot);
        const Object* holder = shell.shellSlot >= 0 && static_cast<size_t>(shell.shellSlot) < d->objects.size()
                                   ? d->objects[shell.shellSlot] : nullptr;
        const std::string what = "the shell of object " + std::to_string(shell.sourceSlot + 1);
        if (!source || !holder || static_cast<size_t>(shell.sourceVertices) != source->vertexCount())
            return Fail(error, file + ": " + what + " cannot be traced to its glTF mesh (its object changed)");
        const size_t first = shell.placement == GltfShellPlacement::AddedToObject ? source->vertexCount() : 0;
        std::vector<tinygltf::Primitive> primitives;
        std::string why;
        if (!ShellPrimitives(scene.model, *source, holder, first, shell.layers, materials, &out, &primitives, &why))
            return Fail(error, file + ": " + what + ": " + why);
        tinygltf::Mesh& mesh = out.meshes[source->mesh];
        if (shell.placement == GltfShellPlacement::AddedToObject) {
            mesh.primitives.insert(mesh.primitives.end(), primitives.begin(), primitives.end());
        } else if (shell.placement == GltfShellPlacement::InPlaceOfObject) {
            mesh.primitives.erase(std::remove_if(mesh.primitives.begin(), mesh.primitives.end(), IsTriangles),
                                  mesh.primitives.end());
            mesh.primitives.insert(mesh.primitives.end(), primitives.begin(), primitives.end());
        } else if (!shell.nodes.empty() && !primitives.empty()) {
            tinygltf::Mesh own;
            own.name = (mesh.name.empty() ? "mesh" + std::to_string(source->mesh + 1) : mesh.name) + " shell";
            own.primitives = primitives;
            own.weights = mesh.weights;
            own.extras = mesh.extras;  // the targets' names
            const int index = static_cast<int>(out.meshes.size());
            out.meshes.push_back(own);
            for (const int32_t node : shell.nodes)
                if (node >= 0 && static_cast<size_t>(node) < scene.model.nodes.size() &&
                    out.nodes[node].mesh == source->mesh)
                    AddSibling(&out, node, index);
        }
    }
    if (!out.buffers.empty()) out.buffers[0].data.resize((out.buffers[0].data.size() + 3) & ~static_cast<size_t>(3), 0);

    if (!WriteGltfFile(&out, file, binary, error)) return false;
    if (error) error->clear();
    return true;
}

}  // namespace

std::shared_ptr<GltfShellScene> LoadGltfShellScene(const char* path, bool weld, std::string* error) {
    const std::string file = SafeString(path);
    auto scene = std::make_shared<GltfShellScene>();
    const bool ok = FailOnOutOfMemory(file, error, [&] {
        std::string warn;
        if (!ReadGltfDocument(file, true, &scene->model, &warn, error)) return false;
        // Compressed geometry reads as accessors without bytes: a shell of it would be made of zeros.
        for (const std::string& required : scene->model.extensionsRequired)
            if (required == "KHR_draco_mesh_compression" || required == "EXT_meshopt_compression")
                return Fail(error, file + ": its meshes are compressed (" + required + "), which is not read here");
        // A view past its buffer's end would, written again, read the bytes appended after it:
        // such a file cannot be given back as it was.
        const tinygltf::Model& m = scene->model;
        for (size_t i = 0; i < m.bufferViews.size(); ++i) {
            const tinygltf::BufferView& v = m.bufferViews[i];
            const size_t size = v.buffer >= 0 && static_cast<size_t>(v.buffer) < m.buffers.size()
                                    ? m.buffers[v.buffer].data.size() : 0;
            if (v.byteOffset > size || v.byteLength > size - v.byteOffset)
                return Fail(error, file + ": buffer view " + std::to_string(i) +
                                       " lies outside its buffer, so the file cannot be written again whole");
        }
        if (!LoadGltfMeshes(scene->model, file, weld, warn, &scene->sources, error)) return false;
        scene->loadedMaterials = Active()->materials.size();
        scene->folder = file.substr(0, BaseNameStart(file));
        return true;
    });
    return ok ? scene : nullptr;
}

std::vector<std::pair<int32_t, std::string>> GltfNodesOfObject(const GltfShellScene& scene, int32_t slot) {
    std::vector<std::pair<int32_t, std::string>> nodes;
    const GltfObjectSource* source = SourceAt(scene, slot);
    if (!source) return nodes;
    const tinygltf::Model& m = scene.model;
    for (size_t i = 0; i < m.nodes.size(); ++i)
        if (m.nodes[i].mesh == source->mesh)
            nodes.emplace_back(static_cast<int32_t>(i), m.nodes[i].name.empty() ? m.meshes[source->mesh].name : m.nodes[i].name);
    return nodes;
}

bool SaveGltfShellScene(const GltfShellScene& scene, const std::vector<GltfShell>& shells, const char* path,
                        bool binary, std::string* error, std::vector<std::string>* warnings) {
    const std::string file = SafeString(path);
    if (file.empty()) return Fail(error, "SaveGltfShellScene: no file name given");
    return FailOnOutOfMemory(file, error, [&] { return SaveUnguarded(scene, shells, file, binary, error, warnings); });
}

std::vector<std::string> GltfReferencedFiles(const char* path) {
    std::vector<std::string> files;
    const std::string file = SafeString(path);
    // A .glb's JSON chunk only (its BIN chunk may be large), a .gltf whole.
    std::string bytes;
    FILE* in = wb::IsRegularFile(file) ? wb::OpenFile(file, "rb") : nullptr;
    if (!in) return files;
    char header[20];
    const size_t got = fread(header, 1, sizeof header, in);
    uint32_t length = 0;
    if (got == sizeof header) memcpy(&length, header + 12, 4);
    const bool binary = got >= 4 && memcmp(header, "glTF", 4) == 0;
    fclose(in);
    if (binary) {
        if (got != sizeof header) return files;
        in = wb::OpenFile(file, "rb");
        if (!in) return files;
        const long size = fseek(in, 0, SEEK_END) == 0 ? ftell(in) : -1;
        bool ok = size >= 20 && length <= static_cast<unsigned long>(size) - 20;
        if (ok) bytes.resize(length);
        ok = ok && fseek(in, 20, SEEK_SET) == 0 && fread(&bytes[0], 1, length, in) == length;
        fclose(in);
        if (!ok) return files;
    } else if (!wb::ReadWholeFile(file, kMaxFileBytes, &bytes)) {
        return files;
    }
    const std::string folder = file.substr(0, BaseNameStart(file));
    try {
        const nlohmann::json j = nlohmann::json::parse(bytes, nullptr, false);
        if (j.is_discarded() || !j.is_object()) return files;
        for (const char* list : {"buffers", "images"}) {
            if (!j.contains(list) || !j[list].is_array()) continue;
            for (const nlohmann::json& item : j[list]) {
                if (!item.is_object() || !item.contains("uri") || !item["uri"].is_string()) continue;
                const std::string uri = item["uri"].get<std::string>();
                if (uri.empty() || IsDataUri(uri)) continue;
                files.push_back(folder + PercentDecoded(uri));
                if (PercentDecoded(uri) != uri) files.push_back(folder + uri);
            }
        }
    } catch (...) {
    }
    return files;
}

}  // namespace wb
