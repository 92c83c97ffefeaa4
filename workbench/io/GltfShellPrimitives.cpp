#include "workbench/io/GltfShellPrimitives.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include "workbench/io/GltfPrimitives.h"
#include "workbench/io/ShadingNormals.h"

namespace wb {
namespace detail {

namespace {

constexpr int kFloat = TINYGLTF_COMPONENT_TYPE_FLOAT;

// One attribute of every primitive of the source mesh, read once: values by primitive (empty
// where a primitive lacks it) and their component count.
struct SourceAttribute {
    std::vector<std::vector<double>> values;
    int components = 0;
    int componentType = kFloat;  // of JOINTS_n: the widest the source uses
};

// The value of glTF vertex v of a, components of them (zeros where its primitive lacks it).
void ValueOf(const SourceAttribute& a, const GltfVertex& v, double* out) {
    for (int k = 0; k < a.components; ++k) out[k] = 0.0;
    if (v.primitive < 0 || static_cast<size_t>(v.primitive) >= a.values.size()) return;
    const std::vector<double>& values = a.values[v.primitive];
    const size_t at = static_cast<size_t>(v.vertex) * a.components;
    if (at + a.components > values.size()) return;
    for (int k = 0; k < a.components; ++k) out[k] = values[at + k];
}

// The attribute named name of every primitive of mesh (or of morph target t of each, t >= 0).
SourceAttribute ReadSource(const tinygltf::Model& m, const tinygltf::Mesh& mesh, const std::string& name, int t) {
    SourceAttribute a;
    a.values.resize(mesh.primitives.size());
    for (size_t pi = 0; pi < mesh.primitives.size(); ++pi) {
        const tinygltf::Primitive& p = mesh.primitives[pi];
        const std::map<std::string, int>* attributes = &p.attributes;
        if (t >= 0) {
            if (static_cast<size_t>(t) >= p.targets.size()) continue;
            attributes = &p.targets[t];
        }
        const auto it = attributes->find(name);
        if (it == attributes->end()) continue;
        int n = 0;
        std::vector<double> values;
        if (!ReadGltfAccessor(m, it->second, &values, &n) || (a.components && n != a.components)) continue;
        a.components = n;
        a.values[pi].swap(values);
        if (name.compare(0, 7, "JOINTS_") == 0) {
            const int type = m.accessors[it->second].componentType;
            if (a.componentType == kFloat || type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT)
                a.componentType = type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT
                                      ? TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT
                                      : TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE;
        }
    }
    return a;
}

void Bounds(const std::vector<float>& values, int components, std::vector<double>* lo, std::vector<double>* hi) {
    lo->assign(components, HUGE_VAL);
    hi->assign(components, -HUGE_VAL);
    for (size_t i = 0; i + components <= values.size(); i += components)
        for (int k = 0; k < components; ++k) {
            (*lo)[k] = std::min((*lo)[k], static_cast<double>(values[i + k]));
            (*hi)[k] = std::max((*hi)[k], static_cast<double>(values[i + k]));
        }
}

// One output primitive: its vertices (each a host vertex with one normal, UV and colour) and the
// glTF vertex each copies its skin and morph data from.
struct Gathered {
    std::vector<float> positions, normals, uvs, colors;
    std::vector<GltfVertex> from;
    std::vector<uint32_t> indices;
    // The output vertices of each host vertex, as a chain: the first by host vertex, the next by
    // output vertex (kNone ends it); each compared by its normal, UV and colour.
    std::vector<uint32_t> first, next;
    std::vector<uint32_t> colorOf;
};

constexpr uint32_t kNone = 0xFFFFFFFFu;

}  // namespace

int AppendGltfData(tinygltf::Model* out, const void* bytes, size_t size, int target, int componentType,
                   int type, size_t count, const std::vector<double>& lo, const std::vector<double>& hi) {
    if (out->buffers.empty()) out->buffers.resize(1);
    std::vector<unsigned char>& buffer = out->buffers[0].data;
    while (buffer.size() % 4) buffer.push_back(0);
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = buffer.size();
    view.byteLength = size;
    view.target = target;
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    buffer.insert(buffer.end(), p, p + size);
    out->bufferViews.push_back(view);
    if (type <= 0) return static_cast<int>(out->bufferViews.size()) - 1;
    tinygltf::Accessor accessor;
    accessor.bufferView = static_cast<int>(out->bufferViews.size()) - 1;
    accessor.componentType = componentType;
    accessor.type = type;
    accessor.count = count;
    accessor.minValues = lo;
    accessor.maxValues = hi;
    out->accessors.push_back(accessor);
    return static_cast<int>(out->accessors.size()) - 1;
}

bool ShellPrimitives(const tinygltf::Model& document, const GltfObjectSource& source, const Object* shell,
                     size_t first, int32_t layers, const ShellMaterialMap& materials,
                     tinygltf::Model* out, std::vector<tinygltf::Primitive>* primitives, std::string* error) {
    const size_t n = source.vertexCount();
    const size_t end = first + static_cast<size_t>(std::max(layers, 0)) * n;
    if (n == 0 || layers <= 0 || source.mesh < 0 || static_cast<size_t>(source.mesh) >= document.meshes.size() ||
        shell->vertices.size() != end) {
        if (error)
            *error = "the shell holds " + std::to_string(shell->vertices.size() - std::min(first, shell->vertices.size())) +
                     " vertices where " + std::to_string(layers) + " layers of " + std::to_string(n) +
                     " were expected, so its vertices cannot be traced to the mesh's";
        return false;
    }
    const tinygltf::Mesh& mesh = document.meshes[source.mesh];

    // The source's skin sets and morph targets, as every triangle primitive of the mesh has them.
    std::vector<std::pair<std::string, SourceAttribute>> skin;
    size_t targets = 0;
    for (const tinygltf::Primitive& p : mesh.primitives) {
        targets = std::max(targets, p.targets.size());
        for (const auto& attribute : p.attributes) {
            const std::string& name = attribute.first;
            if (name.compare(0, 7, "JOINTS_") != 0 && name.compare(0, 8, "WEIGHTS_") != 0) continue;
            bool known = false;
            for (const auto& s : skin) known = known || s.first == name;
            if (!known) skin.emplace_back(name, ReadSource(document, mesh, name, -1));
        }
    }
    // Targets move positions and normals; tangents the shell does not have.
    std::vector<std::pair<SourceAttribute, SourceAttribute>> morph(targets);
    for (size_t t = 0; t < targets; ++t)
        morph[t] = {ReadSource(document, mesh, "POSITION", static_cast<int>(t)),
                    ReadSource(document, mesh, "NORMAL", static_cast<int>(t))};

    std::vector<float> normals;
    ShadingNormals(shell, &normals);
    std::vector<uint32_t> corner;
    std::map<int, Gathered> byMaterial;  // by document material (-1 none)
    for (size_t f = 0; f < shell->faces.size(); ++f) {
        if (!ShadedFace(shell, static_cast<int32_t>(f))) continue;
        const Face& face = shell->faces[f];
        const Corner* c = shell->corners.data() + face.first;
        bool inShell = true;
        for (int32_t k = 0; k < face.count; ++k)
            inShell = inShell && static_cast<size_t>(c[k].vertex) >= first && static_cast<size_t>(c[k].vertex) < end;
        if (!inShell) continue;
        const int mat = face.material >= 0 && static_cast<size_t>(face.material) < materials.gltf.size() ? face.material : -1;
        const bool uv = mat >= 0 && materials.showsUv[mat], colors = mat >= 0 && materials.showsColors[mat];
        const bool linear = mat >= 0 && materials.linearColors[mat];
        Gathered& g = byMaterial[mat];
        if (g.first.empty()) {
            g.first.assign(shell->vertices.size(), kNone);
            const size_t expected = end - first;  // a shell of one material: about one each
            g.positions.reserve(expected * 3);
            g.normals.reserve(expected * 3);
            g.uvs.reserve(expected * 2);
            g.colors.reserve(expected * 4);
            g.from.reserve(expected);
            g.next.reserve(expected);
            g.colorOf.reserve(expected);
        }
        corner.resize(face.count);
        for (int32_t j = 0; j < face.count; ++j) {
            const int32_t at = face.count - 1 - j;  // glTF's front turns counter-clockwise
            const Corner& cc = c[at];
            const float* nrm = &normals[(static_cast<size_t>(face.first) + at) * 3];
            const HostUV texture = uv ? cc.uv : HostUV{0.0f, 0.0f};
            const uint32_t color = colors ? cc.color : 0xFFFFFFFFu;
            uint32_t found = g.first[cc.vertex];
            for (; found != kNone; found = g.next[found])
                if (memcmp(&g.normals[found * 3], nrm, 12) == 0 && memcmp(&g.uvs[found * 2], &texture, 8) == 0 &&
                    g.colorOf[found] == color)
                    break;
            if (found != kNone) {
                corner[j] = found;
                continue;
            }
            const uint32_t index = static_cast<uint32_t>(g.from.size());
            g.next.push_back(g.first[cc.vertex]);
            g.first[cc.vertex] = index;
            g.colorOf.push_back(color);
            const HostPoint& p = shell->vertices[cc.vertex].p;
            g.positions.insert(g.positions.end(), {p.x, p.y, p.z});
            g.normals.insert(g.normals.end(), {nrm[0], nrm[1], nrm[2]});
            g.uvs.insert(g.uvs.end(), {texture.u, texture.v});
            auto channel = [&](int shift) {
                const double v = ((color >> shift) & 255) / 255.0;
                return static_cast<float>(linear && shift < 24 ? LinearFromSrgb(v) : v);
            };
            g.colors.insert(g.colors.end(), {channel(0), channel(8), channel(16), channel(24)});
            const size_t s = (static_cast<size_t>(cc.vertex) - first) % n;
            g.from.push_back(source.start[s] < source.start[s + 1] ? source.members[source.start[s]]
                                                                   : GltfVertex{-1, 0});
            corner[j] = index;
        }
        for (int32_t j = 1; j + 1 < face.count; ++j)
            g.indices.insert(g.indices.end(), {corner[0], corner[j], corner[j + 1]});
    }

    constexpr int kVertices = TINYGLTF_TARGET_ARRAY_BUFFER;
    for (auto& entry : byMaterial) {
        Gathered& g = entry.second;
        std::vector<uint32_t>().swap(g.first);
        std::vector<uint32_t>().swap(g.next);
        if (g.indices.empty()) continue;
        const int mat = entry.first;
        const size_t count = g.from.size();
        tinygltf::Primitive p;
        p.mode = TINYGLTF_MODE_TRIANGLES;
        p.material = mat >= 0 ? materials.gltf[mat] : -1;
        std::vector<double> lo, hi;
        Bounds(g.positions, 3, &lo, &hi);
        p.attributes["POSITION"] = AppendGltfData(out, g.positions.data(), g.positions.size() * 4, kVertices, kFloat,
                                                  TINYGLTF_TYPE_VEC3, count, lo, hi);
        p.attributes["NORMAL"] = AppendGltfData(out, g.normals.data(), g.normals.size() * 4, kVertices, kFloat,
                                                TINYGLTF_TYPE_VEC3, count);
        if (mat >= 0 && materials.showsUv[mat])
            p.attributes["TEXCOORD_0"] = AppendGltfData(out, g.uvs.data(), g.uvs.size() * 4, kVertices, kFloat,
                                                        TINYGLTF_TYPE_VEC2, count);
        if (mat >= 0 && materials.showsColors[mat])
            p.attributes["COLOR_0"] = AppendGltfData(out, g.colors.data(), g.colors.size() * 4, kVertices, kFloat,
                                                     TINYGLTF_TYPE_VEC4, count);
        for (const auto& s : skin) {
            const SourceAttribute& a = s.second;
            if (a.components != 4) continue;
            double v[4];
            if (s.first[0] == 'J') {
                const bool wide = a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
                std::vector<uint16_t> shorts;
                std::vector<uint8_t> bytes;
                for (const GltfVertex& from : g.from) {
                    ValueOf(a, from, v);
                    for (int k = 0; k < 4; ++k) {
                        const double j = std::max(0.0, std::min(wide ? 65535.0 : 255.0, v[k]));
                        wide ? shorts.push_back(static_cast<uint16_t>(j)) : bytes.push_back(static_cast<uint8_t>(j));
                    }
                }
                p.attributes[s.first] =
                    wide ? AppendGltfData(out, shorts.data(), shorts.size() * 2, kVertices, a.componentType,
                                          TINYGLTF_TYPE_VEC4, count)
                         : AppendGltfData(out, bytes.data(), bytes.size(), kVertices, a.componentType,
                                          TINYGLTF_TYPE_VEC4, count);
            } else {
                std::vector<float> weights;
                for (const GltfVertex& from : g.from) {
                    ValueOf(a, from, v);
                    for (int k = 0; k < 4; ++k) weights.push_back(static_cast<float>(v[k]));
                }
                p.attributes[s.first] = AppendGltfData(out, weights.data(), weights.size() * 4, kVertices, kFloat,
                                                       TINYGLTF_TYPE_VEC4, count);
            }
        }
        for (const auto& target : morph) {
            std::map<std::string, int> t;
            const std::pair<const char*, const SourceAttribute*> kinds[] = {{"POSITION", &target.first},
                                                                            {"NORMAL", &target.second}};
            for (const auto& kind : kinds) {
                // Every target moves the positions, if only by nothing.
                const bool present = kind.second->components == 3;
                if (!present && kind.first[0] != 'P') continue;
                std::vector<float> deltas;
                double v[3] = {0.0, 0.0, 0.0};
                for (const GltfVertex& from : g.from) {
                    if (present) ValueOf(*kind.second, from, v);
                    for (int k = 0; k < 3; ++k) deltas.push_back(static_cast<float>(v[k]));
                }
                std::vector<double> dlo, dhi;
                if (kind.first[0] == 'P') Bounds(deltas, 3, &dlo, &dhi);
                t[kind.first] = AppendGltfData(out, deltas.data(), deltas.size() * 4, kVertices, kFloat,
                                               TINYGLTF_TYPE_VEC3, count, dlo, dhi);
            }
            p.targets.push_back(t);
        }
        p.indices = AppendGltfData(out, g.indices.data(), g.indices.size() * 4, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER,
                                   TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TYPE_SCALAR, g.indices.size());
        primitives->push_back(p);
    }
    return true;
}

}  // namespace detail
}  // namespace wb
