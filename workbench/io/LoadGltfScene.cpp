// glTF 2.0 scenes: a document read by ReadGltfDocument, its meshes made into a new active document.
#include "workbench/io/LoadGltfScene.h"

#include <math.h>
#include <string.h>

#include <string>
#include <vector>

#include <algorithm>

#include "workbench/host/Model.h"
#include "workbench/io/GltfDocument.h"
#include "workbench/io/SceneFile.h"
#include "workbench/io/TextEncoding.h"
#include "workbench/io/TinyGltf.h"
#include "workbench/io/WeldVertices.h"

using namespace wb::detail;

namespace {

// What a load leaves out, counted for its warnings.
struct LeftOut {
    size_t pointsAndLines = 0;  // primitives
    size_t badPrimitives = 0;   // no usable positions or indices, or an unknown mode
    size_t badAttributes = 0;   // TEXCOORD_0 or COLOR_0 that do not fit their positions
    size_t badFaces = 0;        // triangles with an index out of range or a position no number
};

// Room in v for extra more elements; at least doubling, so that many small additions stay linear.
template <class T>
void MakeRoom(std::vector<T>* v, size_t extra) {
    if (v->capacity() - v->size() < extra) v->reserve(std::max(v->size() + extra, 2 * v->capacity()));
}

// Adds primitive p's triangles to o, with their UVs and colours; material is the faces'.
// read, when given, gets the glTF vertex of each vertex added to o (primitive index pi).
void AddPrimitive(const tinygltf::Model& m, const tinygltf::Primitive& p, int32_t pi, int32_t material,
                  Object* o, LeftOut* left, std::vector<GltfVertex>* read) {
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
    if (mode > TINYGLTF_MODE_TRIANGLE_FAN || !ReadGltfAccessor(m, attribute("POSITION"), &pos, &n) || n != 3) {
        ++left->badPrimitives;
        return;
    }
    const size_t count = pos.size() / 3;
    if (attribute("TEXCOORD_0") >= 0 &&
        (!ReadGltfAccessor(m, attribute("TEXCOORD_0"), &uv, &uvN) || uvN != 2 || uv.size() != count * 2)) {
        ++left->badAttributes;
        uv.clear();
    }
    if (attribute("COLOR_0") >= 0 &&
        (!ReadGltfAccessor(m, attribute("COLOR_0"), &color, &colorN) || colorN < 3 ||
         color.size() != count * colorN)) {
        ++left->badAttributes;
        color.clear();
    }
    if (p.indices >= 0) {
        const int type = m.accessors.size() > static_cast<size_t>(p.indices)
                             ? m.accessors[p.indices].componentType : 0;
        if ((type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
             type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT) ||
            !ReadGltfAccessor(m, p.indices, &indices, &indexN) || indexN != 1) {
            ++left->badPrimitives;
            return;
        }
    } else {
        indices.resize(count);
        for (size_t i = 0; i < count; ++i) indices[i] = static_cast<double>(i);
    }
    std::vector<int32_t> local(count, -1);
    // Room for all of it at once: a large primitive grows the arrays once, not by doubling.
    const size_t triangles = mode == TINYGLTF_MODE_TRIANGLES ? indices.size() / 3 : indices.size();
    MakeRoom(&o->vertices, count);
    MakeRoom(&o->faces, triangles);
    MakeRoom(&o->corners, triangles * 3);
    if (read) MakeRoom(read, count);
    const auto corner = [&](size_t k, int32_t* out) {
        const double v = indices[k];
        if (!(v < static_cast<double>(count))) return false;
        const size_t i = static_cast<size_t>(v);
        if (local[i] < 0) {
            const HostPoint q{static_cast<float>(pos[i * 3]), static_cast<float>(pos[i * 3 + 1]),
                              static_cast<float>(pos[i * 3 + 2])};
            if (!isfinite(q.x) || !isfinite(q.y) || !isfinite(q.z)) return false;
            local[i] = ObjAddVertex(o, q);
            if (read) read->push_back(GltfVertex{pi, static_cast<uint32_t>(i)});
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

// The glTF vertices of each vertex of o, just added to the document (welded or not), from read,
// the glTF vertex of each vertex as read.
GltfObjectSource SourceOf(const Object* o, int32_t mesh, int32_t slot, const std::vector<GltfVertex>& read) {
    GltfObjectSource s;
    s.mesh = mesh;
    s.slot = slot;
    const size_t n = o->vertices.size();
    const std::vector<int32_t>* joined = o->loaded ? &o->loaded->joinedTo : nullptr;
    if (!joined || joined->size() != read.size()) {
        s.start.resize(n + 1);
        for (size_t v = 0; v <= n; ++v) s.start[v] = static_cast<uint32_t>(std::min(v, read.size()));
        s.members.assign(read.begin(), read.begin() + std::min(n, read.size()));
        return s;
    }
    // Counting sort by joined vertex; members keep the order read, so the first is the first read.
    s.start.assign(n + 1, 0);
    for (const int32_t v : *joined)
        if (v >= 0 && static_cast<size_t>(v) < n) ++s.start[v + 1];
    for (size_t v = 0; v < n; ++v) s.start[v + 1] += s.start[v];
    s.members.resize(s.start[n]);
    std::vector<uint32_t> next(s.start.begin(), s.start.end() - 1);
    for (size_t i = 0; i < read.size(); ++i) {
        const int32_t v = (*joined)[i];
        if (v >= 0 && static_cast<size_t>(v) < n) s.members[next[v]++] = read[i];
    }
    return s;
}

bool LoadGltfSceneUnguarded(const char* path, std::string* error, bool weld) {
    const std::string file = SafeString(path);
    tinygltf::Model model;
    std::string warn;
    if (!ReadGltfDocument(file, false, &model, &warn, error)) return false;
    return LoadGltfMeshes(model, file, weld, warn, nullptr, error);
}

}  // namespace

namespace wb {
namespace detail {

bool LoadGltfMeshes(const tinygltf::Model& model, const std::string& file, bool weld,
                    const std::string& warn, std::vector<GltfObjectSource>* sources,
                    std::string* error) {
    const std::string folder = file.substr(0, BaseNameStart(file));
    Document* d = NewDocumentObject();
    for (size_t i = 0; i < model.materials.size(); ++i) DocAddMaterial(d, TakeMaterial(model, i));
    LeftOut left;
    LoadedObjects loaded;
    if (sources) sources->clear();
    std::vector<GltfVertex> read;
    for (size_t mi = 0; mi < model.meshes.size(); ++mi) {
        const tinygltf::Mesh& mesh = model.meshes[mi];
        Object* o = NewObject();
        TakeUtf8Name(mesh.name.empty() ? "mesh" + std::to_string(mi + 1) : mesh.name, &o->name,
                     &o->nameOriginal);
        read.clear();
        for (size_t pi = 0; pi < mesh.primitives.size(); ++pi) {
            const tinygltf::Primitive& p = mesh.primitives[pi];
            const bool known = p.material >= 0 && static_cast<size_t>(p.material) < model.materials.size();
            AddPrimitive(model, p, static_cast<int32_t>(pi), known ? p.material : -1, o, &left,
                         sources ? &read : nullptr);
        }
        const size_t objects = d->objects.size();
        AddLoadedObject(d, o, weld, &loaded);
        if (sources && d->objects.size() > objects)
            sources->push_back(SourceOf(o, static_cast<int32_t>(mi), static_cast<int32_t>(objects), read));
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

}  // namespace detail

bool LoadGltfScene(const char* path, std::string* error, bool weld) {
    return FailOnOutOfMemory(SafeString(path), error,
                             [&] { return LoadGltfSceneUnguarded(path, error, weld); });
}

}  // namespace wb
