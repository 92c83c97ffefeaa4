// Wavefront OBJ/MTL scenes: saving the active document.
#include <stdio.h>

#include <set>
#include <string>
#include <vector>

#include "workbench/host/Model.h"
#include "workbench/host/SceneFile.h"

using namespace wb::detail;

namespace {

// Names usable after usemtl/newmtl: no white space, unique, never empty.
std::vector<std::string> MaterialNames(const Document* d) {
    std::vector<std::string> names(d->materials.size());
    std::set<std::string> used;
    for (size_t i = 0; i < d->materials.size(); ++i) {
        if (!d->materials[i]) continue;
        std::string n = d->materials[i]->name;
        for (char& ch : n)
            if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n') ch = '_';
        if (n.empty() || used.count(n)) n = "material" + std::to_string(i);
        while (used.count(n)) n += "_";
        used.insert(n);
        names[i] = n;
    }
    return names;
}

}  // namespace

namespace wb {

bool SaveObjScene(const char* path, std::string* error) {
    const std::string file = SafeString(path);
    if (file.empty()) return Fail(error, "SaveObjScene: no file name given");
    const size_t base = BaseNameStart(file);
    size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot < base) dot = file.size();
    const std::string mtlPath = file.substr(0, dot) + ".mtl";
    const std::string mtlName = mtlPath.substr(base);

    const Document* d = Active();
    const std::vector<std::string> names = MaterialNames(d);

    FILE* mtl = fopen(mtlPath.c_str(), "wb");
    if (!mtl) return Fail(error, mtlPath + ": cannot be written");
    fprintf(mtl, "# Puffshell workbench\n");
    for (size_t i = 0; i < d->materials.size(); ++i) {
        const Material* m = d->materials[i];
        if (!m) continue;
        fprintf(mtl, "\nnewmtl %s\nKd %g %g %g\nd %g\n", names[i].c_str(), m->color.r, m->color.g,
                m->color.b, m->alpha);
        if (!m->texture.empty()) fprintf(mtl, "map_Kd %s\n", m->texture.c_str());
    }
    const bool mtlOk = fclose(mtl) == 0;

    FILE* out = fopen(file.c_str(), "wb");
    if (!out) return Fail(error, file + ": cannot be written");
    fprintf(out, "# Puffshell workbench\nmtllib %s\n", mtlName.c_str());
    size_t vBase = 1, tBase = 1;
    for (size_t oi = 0; oi < d->objects.size(); ++oi) {
        const Object* o = d->objects[oi];
        if (!o) continue;
        fprintf(out, "\no %s\n", o->name.empty() ? ("obj" + std::to_string(oi + 1)).c_str() : o->name.c_str());
        std::vector<int64_t> remap(o->vertices.size(), -1);
        size_t written = 0;
        for (size_t v = 0; v < o->vertices.size(); ++v) {
            if (o->vertices[v].deleted) continue;
            const HostPoint& p = o->vertices[v].p;
            fprintf(out, "v %g %g %g\n", p.x, p.y, p.z);
            remap[v] = static_cast<int64_t>(vBase + written++);
        }
        int32_t currentMaterial = -2;
        size_t uvs = 0;
        for (size_t f = 0; f < o->faces.size(); ++f) {
            if (!FaceAlive(o, static_cast<int32_t>(f))) continue;
            const Face& face = o->faces[f];
            const Corner* c = o->corners.data() + face.first;
            bool ok = true;
            for (int32_t k = 0; k < face.count; ++k)
                ok = ok && ValidVertex(o, c[k].vertex) && remap[c[k].vertex] >= 0;
            if (!ok) continue;
            int32_t mat = face.material;
            if (mat < 0 || static_cast<size_t>(mat) >= d->materials.size() || !d->materials[mat]) mat = -1;
            if (mat != currentMaterial && face.count >= 3) {
                if (mat >= 0) fprintf(out, "usemtl %s\n", names[mat].c_str());
                currentMaterial = mat;
            }
            if (face.count == 1) {
                fprintf(out, "p %lld\n", static_cast<long long>(remap[c[0].vertex]));
                continue;
            }
            // Polygons go out counter-clockwise, as OBJ readers expect (the reverse of the load).
            const bool reverse = face.count >= 3;
            for (int32_t j = 0; j < face.count; ++j) {
                const Corner& corner = c[reverse ? face.count - 1 - j : j];
                fprintf(out, "vt %g %g\n", corner.uv.u, 1.0f - corner.uv.v);
            }
            fputs(face.count == 2 ? "l" : "f", out);
            for (int32_t j = 0; j < face.count; ++j)
                fprintf(out, " %lld/%lld",
                        static_cast<long long>(remap[c[reverse ? face.count - 1 - j : j].vertex]),
                        static_cast<long long>(tBase + uvs + j));
            fputc('\n', out);
            uvs += static_cast<size_t>(face.count);
        }
        vBase += written;
        tBase += uvs;
    }
    const bool objOk = fclose(out) == 0;
    if (!objOk || !mtlOk) return Fail(error, file + ": write error");
    if (error) error->clear();
    return true;
}

}  // namespace wb
