#include "workbench/render/GatherScene.h"

#include <math.h>
#include <string.h>

#include <map>
#include <utility>
#include <string>

#include "workbench/host/Workbench.h"
#include "workbench/render/ImageBlocksToRgba.h"
#include "workbench/render/Vec3.h"

namespace {

// Faces claiming more points than this are taken as broken and skipped.
const int32_t kMaxFacePoints = 1024;
const float kPi = 3.14159265f;

// Resolves face material indices to scene materials, creating each on first use.
struct MaterialResolver {
    HostDocument doc;
    RenderScene* scene;
    RenderStats* stats;
    int32_t documentCount;
    std::map<int32_t, int32_t> sceneIndexOf;      // face material index -> scene material
    std::map<int32_t, HostMaterial> drawMaterials;  // draw material index -> handle
    std::map<std::string, int32_t> textureOfPath;   // -1: could not be loaded

    int32_t loadTexture(HostMaterial mat) {
        char name[1024] = {0};
        MQMat_GetTextureName(mat, name, sizeof(name));
        name[sizeof(name) - 1] = 0;
        if (!name[0]) return -1;
        char path[MAX_PATH + 1] = {0};
        if (!MQDoc_FindMappingFile(doc, path, name, 1)) return -1;
        path[MAX_PATH] = 0;
        if (!path[0]) return -1;
        auto found = textureOfPath.find(path);
        if (found != textureOfPath.end()) return found->second;

        int32_t index = -1;
        void* header = nullptr;
        void* pixels = nullptr;
        if (MQ_LoadImage(path, &header, &pixels, 0)) {
            SceneTexture texture;
            if (ImageBlocksToRgba(header, pixels, &texture)) {
                index = static_cast<int32_t>(scene->textures.size());
                scene->textures.push_back(std::move(texture));
                if (stats) ++stats->texturesLoaded;
            }
        }
        if (header) LocalFree(header);
        if (pixels) LocalFree(pixels);
        textureOfPath[path] = index;
        return index;
    }

    int32_t addMaterial(HostMaterial mat) {
        SceneMaterial m;
        HostRGB c = {1.0f, 1.0f, 1.0f};
        MQMat_GetColor(mat, &c);
        const float channels[3] = {c.r, c.g, c.b};
        for (int k = 0; k < 3; ++k) m.color[k] = isfinite(channels[k]) ? channels[k] : 0.0f;
        m.alpha = MQMat_GetAlpha(mat);
        m.diffuse = MQMat_GetDiffuse(mat);
        m.ambient = MQMat_GetAmbient(mat);
        m.emission = MQMat_GetEmission(mat);
        float* values[4] = {&m.alpha, &m.diffuse, &m.ambient, &m.emission};
        for (float* v : values)
            if (!isfinite(*v)) *v = 0.0f;
        if (m.alpha > 1.0f) m.alpha = 1.0f;
        m.vertexColors = MQMat_GetIntValue(mat, kMaterialShowsVertexColor) != 0;
        m.texture = loadTexture(mat);
        scene->materials.push_back(m);
        return static_cast<int32_t>(scene->materials.size()) - 1;
    }

    int32_t resolve(int32_t faceMaterial) {
        if (faceMaterial < 0) return 0;
        auto known = sceneIndexOf.find(faceMaterial);
        if (known != sceneIndexOf.end()) return known->second;
        HostMaterial mat = nullptr;
        if (faceMaterial < documentCount) {
            mat = MQDoc_GetMaterial(doc, faceMaterial);
        } else {
            auto draw = drawMaterials.find(faceMaterial);
            if (draw != drawMaterials.end()) mat = draw->second;
        }
        const int32_t index = mat ? addMaterial(mat) : 0;
        sceneIndexOf[faceMaterial] = index;
        return index;
    }
};

void GrowBounds(RenderScene* scene, const float* p) {
    for (int k = 0; k < 3; ++k) {
        if (scene->boundsMin[k] > scene->boundsMax[k]) {
            scene->boundsMin[k] = scene->boundsMax[k] = p[k];
        } else {
            if (p[k] < scene->boundsMin[k]) scene->boundsMin[k] = p[k];
            if (p[k] > scene->boundsMax[k]) scene->boundsMax[k] = p[k];
        }
    }
}

// One face read from the host, with the corners of its triangles.
struct FaceData {
    std::vector<int32_t> points;
    std::vector<HostUV> uvs;
    std::vector<uint32_t> colors;
    std::vector<int32_t> triangles;  // corner indices, three per triangle
    float normal[3];                 // the face's unit normal (sum of its triangles')
    int32_t material;
};

// Splits a face of n >= 3 corners into triangles, in the face's point order.
void TriangulateFace(const std::vector<HostPoint>& positions, FaceData* face) {
    const int32_t n = static_cast<int32_t>(face->points.size());
    face->triangles.clear();
    if (n == 4) {
        float p[4][3];
        for (int i = 0; i < 4; ++i) {
            const HostPoint& q = positions[face->points[i]];
            Vec3Set(p[i], q.x, q.y, q.z);
        }
        float na[3], nb[3], nc[3], nd[3];
        TriangleFrontNormal(p[0], p[1], p[2], na);
        TriangleFrontNormal(p[0], p[2], p[3], nb);
        TriangleFrontNormal(p[1], p[2], p[3], nc);
        TriangleFrontNormal(p[1], p[3], p[0], nd);
        if (Vec3Dot(nc, nd) > Vec3Dot(na, nb))
            face->triangles = {1, 2, 3, 1, 3, 0};
        else
            face->triangles = {0, 1, 2, 0, 2, 3};
    } else {
        for (int32_t i = 1; i + 1 < n; ++i) {
            face->triangles.push_back(0);
            face->triangles.push_back(i);
            face->triangles.push_back(i + 1);
        }
    }
    Vec3Set(face->normal, 0.0f, 0.0f, 0.0f);
    for (size_t t = 0; t + 2 < face->triangles.size(); t += 3) {
        float p[3][3], n3[3];
        for (int k = 0; k < 3; ++k) {
            const HostPoint& q = positions[face->points[face->triangles[t + k]]];
            Vec3Set(p[k], q.x, q.y, q.z);
        }
        TriangleFrontNormal(p[0], p[1], p[2], n3);
        for (int k = 0; k < 3; ++k) face->normal[k] += n3[k];
    }
    Vec3Normalize(face->normal);
}

// A mirrored object shows, besides itself, its reflection in the plane of every axis set in
// axisBits (1: x, 2: y, 4: z) through the object's origin, and in each combination of those
// planes. Triangles from firstTriangle on are the object's own.
void AddMirrorCopies(size_t firstTriangle, uint32_t axisBits, RenderScene* scene) {
    const size_t lastTriangle = scene->triangles.size();
    for (uint32_t mask = 1; mask < 8; ++mask) {
        if ((mask & ~axisBits) != 0) continue;
        float sign[3];
        int flips = 0;
        for (int k = 0; k < 3; ++k) {
            const bool flip = (mask >> k) & 1;
            sign[k] = flip ? -1.0f : 1.0f;
            flips += flip;
        }
        for (size_t i = firstTriangle; i < lastTriangle; ++i) {
            SceneTriangle tri = scene->triangles[i];
            for (int c = 0; c < 3; ++c)
                for (int k = 0; k < 3; ++k) {
                    tri.position[c][k] *= sign[k];
                    tri.normal[c][k] *= sign[k];
                }
            if (flips % 2) {  // a reflection turns the winding around: keep the front outside
                std::swap(tri.position[1], tri.position[2]);
                std::swap(tri.normal[1], tri.normal[2]);
                std::swap(tri.uv[1], tri.uv[2]);
                std::swap(tri.color[1], tri.color[2]);
            }
            for (int c = 0; c < 3; ++c) GrowBounds(scene, tri.position[c]);
            scene->triangles.push_back(tri);
        }
    }
}

void AddObject(HostObject obj, bool shell, MaterialResolver* materials, RenderScene* scene,
               RenderStats* stats) {
    int32_t vertexCount = MQObj_GetVertexCount(obj);
    if (vertexCount < 0) vertexCount = 0;
    std::vector<HostPoint> positions(static_cast<size_t>(vertexCount));
    std::vector<uint8_t> finite(static_cast<size_t>(vertexCount));
    for (int32_t i = 0; i < vertexCount; ++i) {
        HostPoint p = {0.0f, 0.0f, 0.0f};
        MQObj_GetVertex(obj, i, &p);
        positions[i] = p;
        finite[i] = isfinite(p.x) && isfinite(p.y) && isfinite(p.z);
    }

    // Read every drawable face first: the smoothed normals need all faces around a vertex.
    std::vector<FaceData> faces;
    int32_t faceCount = MQObj_GetFaceCount(obj);
    for (int32_t f = 0; f < faceCount; ++f) {
        const int32_t n = MQObj_GetFacePointCount(obj, f);
        if (n < 3 || n > kMaxFacePoints) continue;
        FaceData face;
        face.points.assign(n, -1);
        face.uvs.assign(n, HostUV{0.0f, 0.0f});
        MQObj_GetFacePointArray(obj, f, face.points.data());
        MQObj_GetFaceCoordinateArray(obj, f, face.uvs.data());
        bool usable = true;
        for (int32_t v : face.points)
            if (v < 0 || v >= vertexCount || !finite[v]) usable = false;
        if (!usable) continue;
        face.colors.resize(n);
        for (int32_t k = 0; k < n; ++k) face.colors[k] = MQObj_GetFaceVertexColor(obj, f, k);
        face.material = materials->resolve(MQObj_GetFaceMaterial(obj, f));
        TriangulateFace(positions, &face);
        faces.push_back(std::move(face));
    }
    if (stats) stats->faces += static_cast<int32_t>(faces.size());

    // Smoothing: a corner takes the mean of the normals of the faces around its vertex unless
    // that bends away from its own face by more than the object's smoothing angle.
    const bool smooth = MQObj_GetShading(obj) != 0;
    float angle = MQObj_GetSmoothAngle(obj);
    if (!isfinite(angle) || angle < 0.0f) angle = 0.0f;
    if (angle > 180.0f) angle = 180.0f;
    const float minCos = cosf(angle * kPi / 180.0f);
    std::vector<float> vertexNormals(static_cast<size_t>(vertexCount) * 3, 0.0f);
    if (smooth) {
        for (const FaceData& face : faces)
            for (int32_t v : face.points)
                for (int k = 0; k < 3; ++k) vertexNormals[3 * v + k] += face.normal[k];
        for (int32_t v = 0; v < vertexCount; ++v) Vec3Normalize(&vertexNormals[3 * v]);
    }

    const size_t firstTriangle = scene->triangles.size();
    for (const FaceData& face : faces) {
        for (size_t t = 0; t + 2 < face.triangles.size(); t += 3) {
            SceneTriangle tri;
            for (int k = 0; k < 3; ++k) {
                const int32_t corner = face.triangles[t + k];
                const int32_t v = face.points[corner];
                const HostPoint& q = positions[v];
                Vec3Set(tri.position[k], q.x, q.y, q.z);
                const float* normal = face.normal;
                if (smooth && Vec3Dot(&vertexNormals[3 * v], face.normal) >= minCos)
                    normal = &vertexNormals[3 * v];
                Vec3Set(tri.normal[k], normal[0], normal[1], normal[2]);
                const HostUV uv = face.uvs[corner];
                tri.uv[k][0] = isfinite(uv.u) ? uv.u : 0.0f;
                tri.uv[k][1] = isfinite(uv.v) ? uv.v : 0.0f;
                tri.color[k] = face.colors[corner];
                GrowBounds(scene, tri.position[k]);
            }
            tri.material = face.material;
            tri.shell = shell;
            scene->triangles.push_back(tri);
        }
    }
    if (MQObj_GetMirrorType(obj) != 0)
        AddMirrorCopies(firstTriangle, MQObj_GetMirrorAxis(obj), scene);
}

}  // namespace

void GatherScene(HostDocument doc, bool drawDocument, bool drawShells, RenderScene* scene,
                 RenderStats* stats) {
    if (!scene) return;
    *scene = RenderScene();
    scene->materials.push_back(SceneMaterial());
    if (!doc) return;

    MaterialResolver materials{doc, scene, stats, MQDoc_GetMaterialCount(doc), {}, {}, {}};
    if (materials.documentCount < 0) materials.documentCount = 0;
    const bool shells = drawShells && doc == wb::ActiveDocument();
    if (shells)
        for (HostMaterial m : wb::DrawMaterials()) {
            const int32_t index = wb::DrawMaterialIndex(m);
            if (m && index >= materials.documentCount) materials.drawMaterials[index] = m;
        }

    if (drawDocument) {
        const int32_t count = MQDoc_GetObjectCount(doc);
        for (int32_t i = 0; i < count; ++i) {
            HostObject obj = MQDoc_GetObject(doc, i);
            if (!obj || !MQObj_GetVisible(obj)) continue;
            AddObject(obj, false, &materials, scene, stats);
            if (stats) ++stats->documentObjects;
        }
    }
    if (shells) {
        for (HostObject obj : wb::DrawObjects()) {
            if (!obj || !MQObj_GetVisible(obj)) continue;
            AddObject(obj, true, &materials, scene, stats);
            if (stats) ++stats->shellObjects;
        }
    }
}
