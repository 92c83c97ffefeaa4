// Wavefront OBJ/MTL scenes: loading with tinyobjloader into a new active document.
#include <math.h>
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <set>
#include <fstream>
#include <iterator>
#include <istream>
#include <streambuf>
#include <string>
#include <vector>

#include "tiny_obj_loader.h"
#include "workbench/host/Model.h"
#include "workbench/io/ObjMaterialFiles.h"
#include "workbench/io/SceneFile.h"
#include "workbench/io/SceneTextChecks.h"
#include "workbench/io/SplitLongPolygons.h"
#include "workbench/io/TextEncoding.h"
#include "workbench/io/TriangulatePolygon.h"
#include "workbench/io/WeldVertices.h"

using namespace wb::detail;

namespace {

// Builds one object's faces from tinyobj indices, with its own compact vertex list.
class ObjectBuilder {
public:
    ObjectBuilder(const tinyobj::attrib_t& attrib, std::vector<int32_t>& localIndex)
        : attrib_(attrib), local_(localIndex) {
        vertexCount_ = attrib.vertices.size() / 3;
        uvCount_ = attrib.texcoords.size() / 2;
        hasColors_ = attrib.colors.size() == attrib.vertices.size();
    }

    void begin(Object* o) { obj_ = o; }

    // Resets the shared local index table for the next object.
    void end() {
        for (size_t v : touched_) local_[v] = -1;
        touched_.clear();
    }

    // Adds a face of `count` (1..4) corners; false (nothing added) when an index is out of range
    // or a position is not finite.
    bool addFace(const tinyobj::index_t* objCorners, int count, int material) {
        // OBJ polygons face the side from which their corners run counter-clockwise; the host's
        // faces face the other way ((a - b) x (c - b) is their normal). Polygons are reversed on
        // the way in, so that models keep their outside out.
        if (count < 1 || count > 4) return false;
        tinyobj::index_t idx[4];
        for (int k = 0; k < count; ++k) idx[k] = objCorners[count >= 3 ? count - 1 - k : k];
        for (int k = 0; k < count; ++k) {
            const int vi = idx[k].vertex_index;
            if (vi < 0 || static_cast<size_t>(vi) >= vertexCount_) return false;
            const float* p = &attrib_.vertices[static_cast<size_t>(vi) * 3];
            if (!isfinite(p[0]) || !isfinite(p[1]) || !isfinite(p[2])) return false;
        }
        int32_t corners[4] = {0, 0, 0, 0};
        for (int k = 0; k < count; ++k) {
            const size_t vi = static_cast<size_t>(idx[k].vertex_index);
            if (local_[vi] < 0) {
                const float* p = &attrib_.vertices[vi * 3];
                local_[vi] = ObjAddVertex(obj_, HostPoint{p[0], p[1], p[2]});
                touched_.push_back(vi);
            }
            corners[k] = local_[vi];
        }
        const int32_t f = ObjAddFaceUnchecked(obj_, count, corners);
        Face& face = obj_->faces[f];
        face.material = material;
        Corner* c = obj_->corners.data() + face.first;
        for (int k = 0; k < count; ++k) {
            const int ti = idx[k].texcoord_index;
            if (ti >= 0 && static_cast<size_t>(ti) < uvCount_) {
                float u = attrib_.texcoords[static_cast<size_t>(ti) * 2];
                float v = attrib_.texcoords[static_cast<size_t>(ti) * 2 + 1];
                // OBJ's v runs up from the image bottom; the host's from the top.
                c[k].uv = HostUV{isfinite(u) ? u : 0.0f, isfinite(v) ? 1.0f - v : 0.0f};
            }
            if (hasColors_) {
                const float* col = &attrib_.colors[static_cast<size_t>(idx[k].vertex_index) * 3];
                c[k].color = PackColor(col[0], col[1], col[2]);
            }
        }
        return true;
    }

    // Triangles (three corner indices each, in the polygon's order) for a polygon of count
    // corners; a polygon with a corner of no valid position is cut as a fan, whose triangles
    // with that corner addFace refuses.
    void triangulate(const tinyobj::index_t* objCorners, int count, std::vector<int32_t>* triangles) {
        points_.clear();
        for (int k = 0; k < count; ++k) {
            const int vi = objCorners[k].vertex_index;
            if (vi < 0 || static_cast<size_t>(vi) >= vertexCount_) break;
            const float* p = &attrib_.vertices[static_cast<size_t>(vi) * 3];
            points_.push_back(HostPoint{p[0], p[1], p[2]});
        }
        triangles->clear();
        if (points_.size() == static_cast<size_t>(count)) {
            TriangulatePolygon(points_.data(), points_.size(), triangles);
            return;
        }
        for (int k = 1; k + 1 < count; ++k) triangles->insert(triangles->end(), {0, k, k + 1});
    }

private:
    const tinyobj::attrib_t& attrib_;
    std::vector<int32_t>& local_;
    std::vector<size_t> touched_;
    Object* obj_ = nullptr;
    size_t vertexCount_ = 0;
    size_t uvCount_ = 0;
    bool hasColors_ = false;
    std::vector<HostPoint> points_;
};

// Text as a stream, read where it lies (an istringstream would copy it first).
class TextStream : public std::streambuf {
public:
    explicit TextStream(std::string* text) { setg(&(*text)[0], &(*text)[0], &(*text)[0] + text->size()); }
};

// A name or file name of the parsed text as the host holds it, with its original kept where the
// host's differs. Text parsed in code page 932 is the host's as it is.
void TakeName(const std::string& text, FileEncoding parsed, std::string* host,
              std::string* original) {
    original->clear();
    if (parsed == FileEncoding::Cp932) {
        *host = text;
        return;
    }
    TakeUtf8Name(text, host, original);
}

// A texture name of the parsed text, kept as its original; the host's name for it is one the
// plug-in can use: where code page 932 lacks a character of the name, the path of the file found
// in a form the byte-string calls can open.
void TakeTextureName(const std::string& text, FileEncoding parsed, const std::string& folder,
                     std::string* host, std::string* original) {
    TakeName(text, parsed, host, original);
    if (original->empty()) return;
    const std::string readable = wb::HostReadablePath(FindTextureFile(text, folder));
    if (!readable.empty()) *host = readable;
}

float Mean3(const float* v) { return (Clamp01(v[0]) + Clamp01(v[1]) + Clamp01(v[2])) / 3.0f; }

// One line per texture file that materials name but that is missing or empty (each file once).
void CheckTextures(const Document* d, const std::string& folder, std::vector<std::string>* warnings) {
    std::set<std::string> seen;
    for (const Material* m : d->materials) {
        if (!m) continue;
        const std::string material = OriginalText(m->name, m->nameOriginal);
        for (const std::string& name : {OriginalText(m->texture, m->textureOriginal),
                                        OriginalText(m->alphaTexture, m->alphaTextureOriginal),
                                        OriginalText(m->bumpTexture, m->bumpTextureOriginal)}) {
            if (name.empty() || !seen.insert(name).second) continue;
            const std::string path = FindTextureFile(name, folder);
            if (path.empty()) {
                warnings->push_back(folder + name + ": texture of material \"" + material +
                                    "\" not found");
                continue;
            }
            uint64_t size = 0;
            if (wb::FileSize(path, &size) && size == 0)
                warnings->push_back(path + ": texture of material \"" + material + "\" is empty");
        }
    }
}

// One line for the "usemtl" names that no material library defines (the faces after them have
// no material), with the first one and its line; empty when there is none.
std::string UnknownMaterialsWarning(const std::string& file, const ObjTextTrouble& trouble,
                                    const std::vector<tinyobj::material_t>& materials) {
    std::set<std::string> known = {kNoMaterial};
    for (const tinyobj::material_t& m : materials) known.insert(ObjName(m.name, 0, m.name.size()));
    TextTrouble unknown;
    std::string first;
    for (const auto& use : trouble.materialUses) {
        if (known.count(use.first)) continue;
        if (!unknown.count) first = use.first;
        unknown.add(use.second);
    }
    if (!unknown.count) return "";
    return file + ": line " + std::to_string(unknown.firstLine) + ": material \"" + first +
           "\" is in no material library; its faces have no material" +
           (unknown.count > 1 ? " (" + std::to_string(unknown.count) + " such names)" : "");
}


// What a scene file that is no OBJ file is, by its name's extension or its first bytes ("a glTF
// scene", "an FBX scene"); empty for any other file.
std::string OtherSceneKind(const std::string& file) {
    std::string ext = file.substr(BaseNameStart(file));
    const size_t dot = ext.rfind('.');
    ext = dot == std::string::npos ? "" : ext.substr(dot + 1);
    for (char& ch : ext) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    char bytes[18] = {};
    size_t got = 0;
    if (FILE* in = wb::OpenFile(file, "rb")) {
        got = fread(bytes, 1, sizeof bytes, in);
        fclose(in);
    }
    const std::string head(bytes, got);
    if (ext == "glb" || ext == "gltf" || head.compare(0, 4, "glTF") == 0) return "a glTF scene";
    if (ext == "fbx" || head.compare(0, 18, "Kaydara FBX Binary") == 0) return "an FBX scene";
    return "";
}

}  // namespace

namespace wb {
namespace detail {

void ShowVertexColors(Document* d, const std::vector<int8_t>& declared) {
    std::vector<uint8_t> colored(d->materials.size(), 0);
    int32_t added = -1;
    for (Object* o : d->objects) {
        if (!o) continue;
        for (Face& face : o->faces) {
            if (face.count < 3) continue;
            const Corner* c = o->corners.data() + face.first;
            bool any = false;
            for (int32_t k = 0; k < face.count && !any; ++k) any = (c[k].color & 0xFFFFFFu) != 0xFFFFFFu;
            if (!any) continue;
            if (face.material >= 0) {
                if (static_cast<size_t>(face.material) < colored.size()) colored[face.material] = 1;
                continue;
            }
            if (added < 0) {
                Material* m = NewMaterial();
                m->name = "vertex_colors";
                m->intValues.emplace_back(kMaterialShowsVertexColor, 1);
                added = DocAddMaterial(d, m);
            }
            face.material = added;
        }
    }
    for (size_t i = 0; i < colored.size(); ++i)
        if (colored[i] && (i >= declared.size() || declared[i] < 0) && d->materials[i])
            d->materials[i]->intValues.emplace_back(kMaterialShowsVertexColor, 1);
}

void AddLoadedObject(Document* d, Object* o, bool weld, LoadedObjects* loaded) {
    if (o->faces.empty()) {
        DestroyObject(o);
        return;
    }
    loaded->faces += o->faces.size();
    const int32_t shared = WeldVertices(o, WeldTolerance(o), weld);
    if (shared) loaded->sharedVertices.emplace_back(o->name, shared);
    DocAddObject(d, o);
}

void InstallLoadedScene(Document* d, const std::string& folder) {
    HostState& s = State();
    if (s.active) {
        ClearDocument(s.active);
        s.retired.push_back(s.active);
    }
    s.active = d;
    s.textureFolder = folder;
    // Frame the scene: look at the bounding box's centre from a distance that shows it whole.
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (const Object* o : d->objects) GrowBounds(o, lo, hi);
    float radius = 0.0f;
    for (int k = 0; k < 3; ++k) {
        d->scene.target[k] = (lo[k] + hi[k]) * 0.5f;
        radius = std::max(radius, (hi[k] - lo[k]) * 0.5f);
    }
    d->scene.distance = std::max(radius, 1e-3f) * 2.8f;
}

}  // namespace detail
}  // namespace wb

namespace wb {

namespace {

bool LoadObjSceneUnguarded(const char* path, std::string* error, bool weld) {
    const std::string file = SafeString(path);
    if (file.empty()) return Fail(error, "LoadObjScene: no file name given");
    if (!wb::IsRegularFile(file)) return Fail(error, file + ": no such file");
    const std::string kind = OtherSceneKind(file);
    if (!kind.empty()) return Fail(error, file + ": not an OBJ file (" + kind + ")");
    const std::string folder = file.substr(0, BaseNameStart(file));

    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    MaterialFiles materialFiles(folder);
    std::string warn, err;
    bool parsed = false;
    FileEncoding encoding = FileEncoding::Utf8;
    std::vector<std::string> textWarnings;
    ObjTextTrouble trouble;
    TextTrouble badFaces;
    try {
        std::string text;
        if (!ReadSceneText(file, nullptr, &text, &encoding, &textWarnings))
            return Fail(error, file + ": cannot be read");
        materialFiles.parseAs(encoding);
        ScanObjText(text, &trouble);
        RewriteObjStatements(
            &text, [&](const std::string& name) { return wb::IsRegularFile(materialFiles.pathOf(name)); },
            &badFaces);
        DropSkinWeights(&text);
        std::string split;
        if (SplitLongPolygons(text, &split)) text.swap(split);
        TextStream buffer(&text);
        std::istream stream(&buffer);
        parsed =
            tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &stream, &materialFiles,
                             /*triangulate=*/false, /*default_vcols_fallback=*/true);
    } catch (const std::exception& e) {
        return Fail(error, file + ": cannot be read (" + e.what() + ")");
    } catch (...) {
        return Fail(error, file + ": cannot be read");
    }
    if (!parsed) {
        while (!err.empty() && (err.back() == '\n' || err.back() == '\r')) err.pop_back();
        return Fail(error, file + ": not a readable OBJ file" + (err.empty() ? "" : " (" + err + ")"));
    }

    // A vertex with a coordinate that is no number has no place: the faces that use it are left
    // out, as those of a vertex at infinity are.
    for (size_t v : trouble.badVertices)
        if (v * 3 + 2 < attrib.vertices.size()) attrib.vertices[v * 3] = NAN;
    // A colour with a value that is no number is white, as that of a vertex without one.
    for (size_t v : trouble.badColorVertices)
        if (v * 3 + 2 < attrib.colors.size()) std::fill_n(attrib.colors.begin() + v * 3, 3, 1.0f);

    Document* d = NewDocumentObject();
    std::vector<int8_t> declaredVertexColors;
    d->cp932Files = encoding == FileEncoding::Cp932;
    for (const tinyobj::material_t& src : materials) {
        Material* m = NewMaterial();
        TakeName(ObjName(src.name, 0, src.name.size()), encoding, &m->name, &m->nameOriginal);
        m->color = HostRGB{Clamp01(src.diffuse[0]), Clamp01(src.diffuse[1]), Clamp01(src.diffuse[2])};
        m->alpha = isfinite(src.dissolve) ? Clamp01(src.dissolve) : 1.0f;
        TakeTextureName(src.diffuse_texname, encoding, folder, &m->texture, &m->textureOriginal);
        TakeTextureName(src.alpha_texname, encoding, folder, &m->alphaTexture,
                        &m->alphaTextureOriginal);
        TakeTextureName(src.bump_texname, encoding, folder, &m->bumpTexture,
                        &m->bumpTextureOriginal);
        m->specular = Mean3(src.specular);
        if (isfinite(src.shininess)) m->power = std::max(0.0f, src.shininess);
        // The host's own statements, written by SaveObjScene: its light factors exactly, and
        // whether the material shows its faces' vertex colours. Other files give ambient and
        // emission by the strength of Ka and Ke (a zero Ka keeps the host's default).
        float factors[3];
        const auto light = src.unknown_parameter.find(kMtlLightFactors);
        if (light != src.unknown_parameter.end() &&
            sscanf(light->second.c_str(), "%f %f %f", &factors[0], &factors[1], &factors[2]) == 3) {
            m->diffuse = Clamp01(factors[0]);
            m->ambient = Clamp01(factors[1]);
            m->emission = Clamp01(factors[2]);
        } else {
            const float ka = Mean3(src.ambient);
            if (ka > 0.0f) m->ambient = ka;
            m->emission = Mean3(src.emission);
        }
        // "vertex_colors 1 r g b": shows vertex colours, its own colour (which Kd does not hold
        // then) r g b; "vertex_colors 0": does not show them even where the file gives them.
        const auto shows = src.unknown_parameter.find(kMtlVertexColors);
        int flag = -1;
        float own[3];
        if (shows != src.unknown_parameter.end()) {
            const int got = sscanf(shows->second.c_str(), "%d %f %f %f", &flag, &own[0], &own[1], &own[2]);
            flag = got >= 1 && flag != 0 ? 1 : 0;
            if (flag) m->intValues.emplace_back(kMaterialShowsVertexColor, 1);
            if (flag && got == 4) m->color = HostRGB{Clamp01(own[0]), Clamp01(own[1]), Clamp01(own[2])};
        }
        declaredVertexColors.push_back(static_cast<int8_t>(flag));
        DocAddMaterial(d, m);
    }
    const int materialCount = static_cast<int>(materials.size());
    auto materialOf = [&](const std::vector<int>& ids, size_t f) {
        if (f >= ids.size()) return -1;
        const int id = ids[f];
        return (id >= 0 && id < materialCount) ? id : -1;
    };

    std::vector<int32_t> localIndex(attrib.vertices.size() / 3, -1);
    ObjectBuilder builder(attrib, localIndex);
    size_t skipped = 0;
    LoadedObjects loaded;
    std::vector<int32_t> triangles;
    for (size_t si = 0; si < shapes.size(); ++si) {
        const tinyobj::shape_t& shape = shapes[si];
        Object* o = NewObject();
        const std::string name = ObjName(shape.name, 0, shape.name.size());
        TakeName(name.empty() ? "obj" + std::to_string(si + 1) : name, encoding, &o->name,
                 &o->nameOriginal);
        builder.begin(o);
        // Polygons: 1..4 points as they are, more split into triangles by ear clipping.
        const auto& mesh = shape.mesh;
        // Room for them at once (about: a split polygon takes more), not by doubling as they come.
        o->faces.reserve(mesh.num_face_vertices.size() + shape.points.indices.size());
        o->corners.reserve(mesh.indices.size() + shape.points.indices.size());
        size_t offset = 0;
        for (size_t f = 0; f < mesh.num_face_vertices.size(); ++f) {
            const int n = mesh.num_face_vertices[f];
            if (offset + n > mesh.indices.size()) {
                ++skipped;
                break;
            }
            const tinyobj::index_t* idx = mesh.indices.data() + offset;
            offset += n;
            const int mat = materialOf(mesh.material_ids, f);
            if (n >= 1 && n <= 4) {
                if (!builder.addFace(idx, n, mat)) ++skipped;
            } else if (n > 4) {
                builder.triangulate(idx, n, &triangles);
                for (size_t t = 0; t + 2 < triangles.size(); t += 3) {
                    const tinyobj::index_t tri[3] = {idx[triangles[t]], idx[triangles[t + 1]], idx[triangles[t + 2]]};
                    if (!builder.addFace(tri, 3, mat)) ++skipped;
                }
            }
        }
        // Poly-lines as 2-point faces, points as 1-point faces.
        offset = 0;
        for (int n : shape.lines.num_line_vertices) {
            if (n < 0 || offset + static_cast<size_t>(n) > shape.lines.indices.size()) break;
            const tinyobj::index_t* idx = shape.lines.indices.data() + offset;
            offset += static_cast<size_t>(n);
            for (int k = 0; k + 1 < n; ++k)
                if (!builder.addFace(idx + k, 2, -1)) ++skipped;
        }
        for (const tinyobj::index_t& p : shape.points.indices)
            if (!builder.addFace(&p, 1, -1)) ++skipped;
        builder.end();
        AddLoadedObject(d, o, weld, &loaded);
    }
    if (loaded.faces == 0) {
        ClearDocument(d);
        delete d;
        return Fail(error, file + ": no usable faces" +
                               (skipped ? " (" + std::to_string(skipped) + " faces with bad indices or coordinates)" : ""));
    }

    ShowVertexColors(d, declaredVertexColors);

    InstallLoadedScene(d, folder);
    // Warnings, one line each, naming the file: libraries and textures that are not there, faces
    // that could not be used. The scene is loaded all the same.
    std::vector<std::string> warnings = textWarnings;
    warnings.insert(warnings.end(), materialFiles.warnings().begin(), materialFiles.warnings().end());
    for (const std::string& missing : materialFiles.missing())
        warnings.push_back(missing + ": material library not found");
    CheckTextures(d, folder, &warnings);
    for (const std::string& w :
         {TroubleWarning(
              file, trouble.badCoordinates,
              "vertices with a coordinate that is no finite number; faces using them are left out"),
          TroubleWarning(file, trouble.fewCoordinates,
                         "vertices with fewer than three coordinates, the missing ones read as 0"),
          TroubleWarning(file, trouble.shortFaces,
                         "faces of fewer than three points, left out (\"l\" makes lines)"),
          TroubleWarning(file, badFaces,
                         "faces with a corner that is no index (0, not a number, or an empty "
                         "texture or normal index), left out"),
          TroubleWarning(file, trouble.badColors,
                         "vertex colours with a value that is no finite number, read as white"),
          UnknownMaterialsWarning(file, trouble, materials)})
        if (!w.empty()) warnings.push_back(w);
    if (!loaded.sharedVertices.empty())
        warnings.push_back(SharedVerticesWarning(file, loaded.sharedVertices, weld));
    if (skipped) warnings.push_back(file + ": skipped " + std::to_string(skipped) + " faces with bad indices or coordinates");
    if (error) {
        error->clear();
        for (const std::string& w : warnings) *error += (error->empty() ? "" : "\n") + w;
    }
    return true;
}

}  // namespace

bool LoadObjScene(const char* path, std::string* error, bool weld) {
    return FailOnOutOfMemory(SafeString(path), error,
                             [&] { return LoadObjSceneUnguarded(path, error, weld); });
}

}  // namespace wb
