// Wavefront OBJ/MTL scenes: saving the active document, so that loading the files again gives the
// same picture: corner colours as "v x y z r g b", material colour, light factors and alpha, UVs
// where faces have them, and the textures the written materials use copied beside the files.
// Other readers get the normals the workbench shades with, and the materials that show vertex
// colours in a colour that shows them.
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "workbench/host/Model.h"
#include "workbench/io/SavedMaterials.h"
#include "workbench/io/SceneFile.h"
#include "workbench/io/ShadingNormals.h"
#include "workbench/io/TextEncoding.h"
#include "workbench/io/WeldVertices.h"

using namespace wb::detail;

namespace {

// A path in capitals, to compare paths as the file system does.
std::string UpperKey(const std::string& path) {
    std::wstring wide = wb::WideFromUtf8(path);
    if (!wide.empty()) CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    return wb::Utf8FromWide(wide);
}

// The three texture names of a material as the files give them (UTF-8, see OriginalText).
std::vector<std::string> TextureNames(const Material* m) {
    return {OriginalText(m->texture, m->textureOriginal),
            OriginalText(m->alphaTexture, m->alphaTextureOriginal),
            OriginalText(m->bumpTexture, m->bumpTextureOriginal)};
}

// Closes a file on every way out of the writer, running out of memory included, so that a file
// that failed half-way can be removed at once.
struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
using ScopedFile = std::unique_ptr<FILE, FileCloser>;

// Copies every texture the written materials name into folder (the saved file's) and gives the
// name to write for each (by its name in UTF-8): the copy's file name. A texture that cannot be
// found keeps its name; two different files of the same name get distinct copies, and no copy
// takes one of reservedNames (the caller's own files in that folder).
bool CopyTextures(const Document* d, const MaterialTable& table, const std::string& folder,
                  const std::vector<std::string>& reservedNames,
                  std::map<std::string, std::string>* written, std::string* error) {
    std::map<std::string, std::string> sourceOfTarget;  // upper-cased target path -> source
    for (const std::string& reserved : reservedNames) {
        const std::string full = wb::AbsolutePath(folder + reserved);
        if (!full.empty()) sourceOfTarget[UpperKey(full)] = std::string();  // no texture's path
    }
    for (const SavedMaterial* saved : table.inOrder()) {
        const Material* m = d->materials[saved->source];
        for (const std::string& name : TextureNames(m)) {
            if (name.empty() || written->count(name)) continue;
            const std::string source = FindTextureFile(name, State().textureFolder);
            if (source.empty()) {
                (*written)[name] = name;
                continue;
            }
            const std::string base = source.substr(BaseNameStart(source));
            const size_t dot = base.rfind('.');
            const std::string stem = dot == std::string::npos ? base : base.substr(0, dot);
            const std::string ext = dot == std::string::npos ? "" : base.substr(dot);
            std::string target;
            for (int k = 1;; ++k) {
                const std::string candidate = k == 1 ? base : stem + "_" + std::to_string(k) + ext;
                const std::string full = wb::AbsolutePath(folder + candidate);
                if (full.empty()) return Fail(error, folder + candidate + ": cannot be written");
                const std::string key = UpperKey(full);
                const auto taken = sourceOfTarget.find(key);
                if (taken == sourceOfTarget.end() || taken->second == source) {
                    sourceOfTarget[key] = source;
                    target = candidate;
                    if (UpperKey(source) != key && !wb::CopyFileTo(source, full))
                        return Fail(error, full + ": cannot be written");
                    break;
                }
            }
            (*written)[name] = target;
        }
    }
    return true;
}

// Writes the materials. One that shows vertex colours is written white, which the vertex colours
// multiply in other readers (the host ignores its colour meanwhile), with no emission colour,
// which readers would add to the vertex colours; its own colour goes into the private
// "vertex_colors" statement. When the OBJ file carries vertex colours, the other materials say
// that they do not show them: a reader of this host takes vertex colours for shown otherwise.
bool WriteMtl(const std::string& path, const Document* d, const MaterialTable& table,
              const std::map<std::string, std::string>& textures, bool colors,
              FileEncoding encoding) {
    ScopedFile file(wb::OpenFile(path, "wb"));
    if (!file) return false;
    FILE* mtl = file.get();
    fprintf(mtl, "# Puffshell workbench\n");
    auto textureName = [&](const std::string& name) {
        const auto found = textures.find(name);
        return Utf8ToFile(found == textures.end() ? name : found->second, encoding);
    };
    for (const SavedMaterial* saved : table.inOrder()) {
        const Material* m = d->materials[saved->source];
        const bool vertexColors = ShowsVertexColors(m);
        const HostRGB c = vertexColors ? HostRGB{1.0f, 1.0f, 1.0f} : m->color;
        const float emission = vertexColors ? 0.0f : m->emission;
        const float alpha = m->alpha * (saved->alpha / 255.0f);
        fprintf(mtl, "\nnewmtl %s\n", Utf8ToFile(saved->name, encoding).c_str());
        // Kd is the colour; Ka and Ke hold it as lit by the ambient and emission factors.
        fprintf(mtl, "Kd %.9g %.9g %.9g\n", c.r, c.g, c.b);
        fprintf(mtl, "Ka %.9g %.9g %.9g\n", c.r * m->ambient, c.g * m->ambient, c.b * m->ambient);
        fprintf(mtl, "Ke %.9g %.9g %.9g\n", c.r * emission, c.g * emission, c.b * emission);
        fprintf(mtl, "Ks %.9g %.9g %.9g\nNs %.9g\n", m->specular, m->specular, m->specular, m->power);
        fprintf(mtl, "d %.9g\n", alpha);
        fprintf(mtl, "%s %.9g %.9g %.9g\n", kMtlLightFactors, m->diffuse, m->ambient, m->emission);
        if (vertexColors)
            fprintf(mtl, "%s 1 %.9g %.9g %.9g\n", kMtlVertexColors, m->color.r, m->color.g, m->color.b);
        else if (colors)
            fprintf(mtl, "%s 0\n", kMtlVertexColors);
        const std::vector<std::string> texture = TextureNames(m);
        if (!texture[0].empty()) fprintf(mtl, "map_Kd %s\n", textureName(texture[0]).c_str());
        if (!texture[1].empty()) fprintf(mtl, "map_d %s\n", textureName(texture[1]).c_str());
        if (!texture[2].empty()) fprintf(mtl, "bump %s\n", textureName(texture[2]).c_str());
    }
    return fclose(file.release()) == 0;
}

bool HasUVs(const Corner* c, int32_t count) {
    for (int32_t k = 0; k < count; ++k)
        if (c[k].uv.u != 0.0f || c[k].uv.v != 0.0f) return true;
    return false;
}

// True when some corner of a live face has a colour other than white: then every vertex is
// written with a colour (readers take colours only when every vertex has one).
bool HasColors(const std::vector<const Object*>& objects) {
    for (const Object* o : objects) {
        if (!o) continue;
        for (size_t f = 0; f < o->faces.size(); ++f) {
            if (!FaceAlive(o, static_cast<int32_t>(f))) continue;
            const Face& face = o->faces[f];
            for (int32_t k = 0; k < face.count; ++k)
                if ((o->corners[face.first + k].color & 0xFFFFFFu) != 0xFFFFFFu) return true;
        }
    }
    return false;
}

// One object's "v" lines: each vertex once per colour its corners carry, in vertex order (a
// vertex no face uses once, in white). corner() gives a corner's OBJ index.
class ObjectVertices {
public:
    ObjectVertices(const Object* o, bool colors, int64_t base) : o_(o), colors_(colors), base_(base) {
        std::vector<uint8_t> used(o->vertices.size(), 0);
        for (size_t f = 0; f < o->faces.size(); ++f) {
            if (!FaceAlive(o, static_cast<int32_t>(f))) continue;
            const Face& face = o->faces[f];
            for (int32_t k = 0; k < face.count; ++k) {
                const Corner& c = o->corners[face.first + k];
                if (!ValidVertex(o, c.vertex)) continue;
                keys_.push_back(Key(c.vertex, c.color));
                used[c.vertex] = 1;
            }
        }
        for (size_t v = 0; v < o->vertices.size(); ++v)
            if (!used[v] && !o->vertices[v].deleted) keys_.push_back(Key(static_cast<int32_t>(v), 0xFFFFFFu));
        std::sort(keys_.begin(), keys_.end());
        keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
    }

    void write(FILE* out) const {
        for (uint64_t k : keys_) {
            const HostPoint& p = o_->vertices[k >> 32].p;
            if (!colors_) {
                fprintf(out, "v %.9g %.9g %.9g\n", p.x, p.y, p.z);
                continue;
            }
            const uint32_t c = static_cast<uint32_t>(k);
            fprintf(out, "v %.9g %.9g %.9g %.6g %.6g %.6g\n", p.x, p.y, p.z, (c & 255) / 255.0,
                    ((c >> 8) & 255) / 255.0, ((c >> 16) & 255) / 255.0);
        }
    }

    // The OBJ index of a corner of a live face.
    long long corner(const Corner& c) const {
        const auto at = std::lower_bound(keys_.begin(), keys_.end(), Key(c.vertex, c.color));
        return static_cast<long long>(base_ + (at - keys_.begin()));
    }

    size_t count() const { return keys_.size(); }

private:
    uint64_t Key(int32_t vertex, uint32_t color) const {
        return (static_cast<uint64_t>(vertex) << 32) | (colors_ ? (color & 0xFFFFFFu) : 0u);
    }

    const Object* o_;
    bool colors_;
    int64_t base_;
    std::vector<uint64_t> keys_;  // (vertex << 32) | colour, sorted
};

}  // namespace

namespace wb {

namespace {

bool SaveObjSceneUnguarded(const char* path, std::string* error,
                           const std::vector<std::string>& reservedNames) {
    const std::string file = SafeString(path);
    if (file.empty()) return Fail(error, "SaveObjScene: no file name given");
    const size_t base = BaseNameStart(file);
    size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot < base) dot = file.size();
    const std::string mtlPath = file.substr(0, dot) + ".mtl";
    const std::string mtlName = mtlPath.substr(base);
    const Document* d = Active();
    // Names go out in the encoding the scene came in (UTF-8 for a scene made here).
    const FileEncoding encoding = d->cp932Files ? FileEncoding::Cp932 : FileEncoding::Utf8;

    // Stage 1: the materials each face is written with, and the textures beside the file.
    std::deque<Object> rebuilt;
    const std::vector<const Object*> objects = SavedObjects(d, &rebuilt);
    MaterialTable table(d);
    std::vector<std::vector<int32_t>> faceMaterials(objects.size());
    for (size_t oi = 0; oi < objects.size(); ++oi) {
        const Object* o = objects[oi];
        if (!o) continue;
        faceMaterials[oi].assign(o->faces.size(), -1);
        for (size_t f = 0; f < o->faces.size(); ++f)
            if (FaceAlive(o, static_cast<int32_t>(f))) faceMaterials[oi][f] = table.of(o, o->faces[f]);
    }
    std::map<std::string, std::string> textures;
    if (!CopyTextures(d, table, file.substr(0, base), reservedNames, &textures, error)) return false;
    const bool colors = HasColors(objects);
    if (!WriteMtl(mtlPath, d, table, textures, colors, encoding)) return Fail(error, mtlPath + ": cannot be written");

    // Stage 2: the objects. Polygons go out counter-clockwise, as OBJ readers expect (the reverse
    // of the load, which makes the host's own turning order).
    ScopedFile objFile(wb::OpenFile(file, "wb"));
    if (!objFile) return Fail(error, file + ": cannot be written");
    FILE* out = objFile.get();
    fprintf(out, "# Puffshell workbench\nmtllib %s\n", Utf8ToFile(mtlName, encoding).c_str());
    int64_t vBase = 1, tBase = 1, nBase = 1;
    int32_t currentMaterial = -1;  // readers keep a material across objects
    std::unordered_map<uint64_t, int64_t> uvIndex;
    std::unordered_map<std::string, int64_t> normalIndex;
    std::vector<int64_t> uv, normal;
    std::vector<float> normals;
    std::string key;
    for (size_t oi = 0; oi < objects.size(); ++oi) {
        const Object* o = objects[oi];
        if (!o) continue;
        // A name with no original other than the host's goes into a code page 932 file as the host
        // holds it, bytes that form no character included; any other as the glb names it.
        const std::string host = Sanitized(o->name);
        const std::string name = encoding == FileEncoding::Cp932 && o->nameOriginal.empty() &&
                                         !host.empty()
                                     ? host
                                     : Utf8ToFile(SavedObjectName(o, oi), encoding);
        fprintf(out, "\no %s\n", name.c_str());
        const ObjectVertices vertices(o, colors, vBase);
        vertices.write(out);
        uvIndex.clear();
        normalIndex.clear();
        ShadingNormals(o, &normals);
        for (size_t f = 0; f < o->faces.size(); ++f) {
            if (!FaceAlive(o, static_cast<int32_t>(f))) continue;
            const Face& face = o->faces[f];
            const Corner* c = o->corners.data() + face.first;
            bool ok = true;
            for (int32_t k = 0; k < face.count; ++k) ok = ok && ValidVertex(o, c[k].vertex);
            if (!ok) continue;
            const int32_t mat = faceMaterials[oi][f];
            if (mat != currentMaterial && face.count >= 3) {
                const std::string name =
                    mat >= 0 ? Utf8ToFile(table.list()[mat].name, encoding) : kNoMaterial;
                fprintf(out, "usemtl %s\n", name.c_str());
                currentMaterial = mat;
            }
            if (face.count == 1) {
                fprintf(out, "p %lld\n", vertices.corner(c[0]));
                continue;
            }
            const bool reverse = face.count >= 3;
            auto at = [&](int32_t j) -> const Corner& { return c[reverse ? face.count - 1 - j : j]; };
            // Texture coordinates only for faces that have them, each pair written once.
            const bool uvs = HasUVs(c, face.count);
            uv.assign(static_cast<size_t>(face.count), 0);
            for (int32_t j = 0; uvs && j < face.count; ++j) {
                const float u = at(j).uv.u, v = 1.0f - at(j).uv.v;
                uint32_t bits[2];
                memcpy(&bits[0], &u, 4);
                memcpy(&bits[1], &v, 4);
                const uint64_t key = (static_cast<uint64_t>(bits[0]) << 32) | bits[1];
                const auto found = uvIndex.find(key);
                if (found != uvIndex.end()) {
                    uv[j] = found->second;
                    continue;
                }
                fprintf(out, "vt %.9g %.9g\n", u, v);
                uv[j] = tBase++;
                uvIndex[key] = uv[j];
            }
            // Polygons carry the normals the workbench shades them with, each written once.
            const bool shaded = face.count >= 3;
            normal.assign(static_cast<size_t>(face.count), 0);
            for (int32_t j = 0; shaded && j < face.count; ++j) {
                const float* n = &normals[static_cast<size_t>(&at(j) - o->corners.data()) * 3];
                key.assign(reinterpret_cast<const char*>(n), 12);
                const auto found = normalIndex.find(key);
                if (found != normalIndex.end()) {
                    normal[j] = found->second;
                    continue;
                }
                fprintf(out, "vn %.6g %.6g %.6g\n", n[0], n[1], n[2]);
                normal[j] = nBase++;
                normalIndex.emplace(key, normal[j]);
            }
            fputs(face.count == 2 ? "l" : "f", out);
            for (int32_t j = 0; j < face.count; ++j) {
                const long long v = vertices.corner(at(j));
                if (uvs && shaded)
                    fprintf(out, " %lld/%lld/%lld", v, static_cast<long long>(uv[j]), static_cast<long long>(normal[j]));
                else if (uvs)
                    fprintf(out, " %lld/%lld", v, static_cast<long long>(uv[j]));
                else if (shaded)
                    fprintf(out, " %lld//%lld", v, static_cast<long long>(normal[j]));
                else
                    fprintf(out, " %lld", v);
            }
            fputc('\n', out);
        }
        vBase += static_cast<int64_t>(vertices.count());
    }
    const bool objOk = fclose(objFile.release()) == 0;
    if (!objOk) return Fail(error, file + ": write error");
    if (error) error->clear();
    return true;
}

}  // namespace

bool SaveObjScene(const char* path, std::string* error, const std::vector<std::string>& reservedNames) {
    return FailOnOutOfMemory(SafeString(path), error,
                             [&] { return SaveObjSceneUnguarded(path, error, reservedNames); });
}

}  // namespace wb
