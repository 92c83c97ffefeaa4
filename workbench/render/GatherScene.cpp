#include "workbench/render/GatherScene.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <utility>
#include <string>

#include "workbench/render/ShadeCorners.h"
#include "workbench/host/Workbench.h"
#include "workbench/render/ImageBlocksToRgba.h"
#include "workbench/render/SceneTriangles.h"

namespace {

const int32_t kMaxFacePoints = wb::kMaxShadedFacePoints;

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

void GrowBoundsByMesh(const SceneMesh& mesh, RenderScene* scene) {
    ForEachMeshTriangle(mesh, [scene](const SceneTriangle& tri, const SceneTriangleRef&) {
        for (int c = 0; c < 3; ++c) GrowBounds(scene, tri.position[c]);
    });
}

// Reads obj into a new mesh at the end of scene->meshes. Each array is sized once from a first
// count of the faces: a growing array holds its old and its new copy at once.
void AddObject(HostObject obj, bool shell, MaterialResolver* materials, RenderScene* scene,
               RenderStats* stats) {
    scene->meshes.emplace_back();
    SceneMesh& mesh = scene->meshes.back();
    mesh.shell = shell;
    int32_t vertexCount = MQObj_GetVertexCount(obj);
    if (vertexCount < 0) vertexCount = 0;
    mesh.positions.resize(static_cast<size_t>(vertexCount) * 3);
    std::vector<uint8_t> finite(static_cast<size_t>(vertexCount));
    for (int32_t i = 0; i < vertexCount; ++i) {
        HostPoint p = {0.0f, 0.0f, 0.0f};
        MQObj_GetVertex(obj, i, &p);
        Vec3Set(&mesh.positions[3 * static_cast<size_t>(i)], p.x, p.y, p.z);
        finite[i] = isfinite(p.x) && isfinite(p.y) && isfinite(p.z);
    }

    const int32_t faceCount = std::max(0, MQObj_GetFaceCount(obj));
    size_t maxFaces = 0, maxCorners = 0;
    for (int32_t f = 0; f < faceCount; ++f) {
        const int32_t n = MQObj_GetFacePointCount(obj, f);
        if (n < 3 || n > kMaxFacePoints) continue;
        ++maxFaces;
        maxCorners += static_cast<size_t>(n);
    }
    mesh.faceStart.reserve(maxFaces + 1);
    mesh.faceMaterial.reserve(maxFaces);
    mesh.faceNormals.reserve(maxFaces * 3);
    mesh.faceSplit.reserve(maxFaces);
    mesh.points.reserve(maxCorners);
    mesh.faceStart.push_back(0);

    // Read every drawable face first: the smoothed normals need all faces around a vertex. UVs
    // and colours are read only for the faces whose material shows them (the others draw the
    // same without), into arrays made at the first such face.
    std::vector<HostUV> uvs;
    for (int32_t f = 0; f < faceCount; ++f) {
        const int32_t n = MQObj_GetFacePointCount(obj, f);
        if (n < 3 || n > kMaxFacePoints) continue;
        const size_t start = mesh.points.size();
        mesh.points.resize(start + static_cast<size_t>(n), -1);
        int32_t* points = &mesh.points[start];
        MQObj_GetFacePointArray(obj, f, points);
        bool usable = true;
        for (int32_t k = 0; k < n; ++k)
            if (points[k] < 0 || points[k] >= vertexCount || !finite[points[k]]) usable = false;
        if (!usable) {
            mesh.points.resize(start);
            continue;
        }
        const int32_t material = materials->resolve(MQObj_GetFaceMaterial(obj, f));
        const SceneMaterial& shown = scene->materials[static_cast<size_t>(material)];
        if (shown.texture >= 0) {
            if (mesh.uvs.empty()) mesh.uvs.assign(maxCorners * 2, 0.0f);
            uvs.assign(static_cast<size_t>(n), HostUV{0.0f, 0.0f});
            MQObj_GetFaceCoordinateArray(obj, f, uvs.data());
            for (int32_t k = 0; k < n; ++k) {
                mesh.uvs[2 * (start + k)] = isfinite(uvs[k].u) ? uvs[k].u : 0.0f;
                mesh.uvs[2 * (start + k) + 1] = isfinite(uvs[k].v) ? uvs[k].v : 0.0f;
            }
        }
        if (shown.vertexColors) {
            if (mesh.colors.empty()) mesh.colors.assign(maxCorners, 0u);
            for (int32_t k = 0; k < n; ++k) mesh.colors[start + k] = MQObj_GetFaceVertexColor(obj, f, k);
        }
        float normal[3];
        bool split = false;
        wb::FaceShadingNormal(mesh.positions.data(), points, n, normal, &split);
        mesh.faceNormals.insert(mesh.faceNormals.end(), normal, normal + 3);
        mesh.faceSplit.push_back(split ? 1 : 0);
        mesh.faceMaterial.push_back(material);
        mesh.faceStart.push_back(static_cast<int32_t>(mesh.points.size()));
    }
    if (stats) stats->faces += mesh.faceCount();

    // Smoothing: a corner takes the mean of the normals of the faces around its vertex unless
    // that bends away from its own face by more than the object's smoothing angle.
    if (MQObj_GetShading(obj) != 0) {
        mesh.minCos = wb::ShadingMinCos(MQObj_GetSmoothAngle(obj));
        wb::VertexShadingNormals(vertexCount, mesh.faceStart.data(), mesh.faceCount(), mesh.points.data(),
                                 mesh.faceNormals.data(), &mesh.vertexNormals);
    }
    if (MQObj_GetMirrorType(obj) != 0) mesh.mirrorAxes = static_cast<uint32_t>(MQObj_GetMirrorAxis(obj)) & 7u;
    GrowBoundsByMesh(mesh, scene);
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
