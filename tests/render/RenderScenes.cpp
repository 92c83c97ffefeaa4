#include "tests/render/RenderScenes.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "workbench/host/Workbench.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include "stb_image.h"
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#ifndef TEST_DATA_DIR
#error "TEST_DATA_DIR must name the source tree's tests/data folder"
#endif

namespace rendertest {

namespace {

HostPoint Sub(HostPoint a, HostPoint b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
HostPoint Cross(HostPoint a, HostPoint b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(HostPoint a, HostPoint b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
HostPoint Unit(HostPoint a) {
    const float len = sqrtf(Dot(a, a));
    return len > 0 ? HostPoint{a.x / len, a.y / len, a.z / len} : HostPoint{0, 0, 0};
}
// The host's face orientation: (a - b) x (c - b).
HostPoint FaceNormalOf(HostPoint a, HostPoint b, HostPoint c) {
    return Unit(Cross(Sub(a, b), Sub(c, b)));
}

HostObject SendCreateMessage(int32_t message, int32_t* index) {
    HostDocument doc = wb::ActiveDocument();
    int32_t visibility = 4;
    OptionPair options[] = {{"document", doc},
                            {message == kMessageCreateDrawObject ? "visibility" : "index",
                             message == kMessageCreateDrawObject ? static_cast<void*>(&visibility)
                                                                 : static_cast<void*>(index)},
                            {"result", nullptr},
                            {nullptr, nullptr}};
    HostMessage record = {1, 2, 0, options};
    MQ_SendMessage(message, &record);
    return static_cast<HostObject>(options[2].value);
}

}  // namespace

HostDocument FreshDocument() {
    HostDocument doc = wb::NewDocument();
    wb::Redraw();  // no plug-in is loaded: this only drops the last redraw's draw items
    return doc;
}

int32_t AddSphere(const char* name, float radius, int32_t rings, int32_t segments,
                  HostPoint center) {
    const float pi = 3.14159265f;
    std::vector<HostPoint> vertices;
    vertices.push_back({center.x, center.y + radius, center.z});
    for (int32_t r = 1; r < rings; ++r) {
        const float theta = pi * r / rings;
        for (int32_t s = 0; s < segments; ++s) {
            const float phi = 2.0f * pi * s / segments;
            vertices.push_back({center.x + radius * sinf(theta) * cosf(phi),
                                center.y + radius * cosf(theta),
                                center.z + radius * sinf(theta) * sinf(phi)});
        }
    }
    vertices.push_back({center.x, center.y - radius, center.z});
    const int32_t bottom = static_cast<int32_t>(vertices.size()) - 1;
    auto ringVertex = [&](int32_t r, int32_t s) { return 1 + (r - 1) * segments + (s % segments); };

    std::vector<std::vector<int32_t>> faces;
    for (int32_t s = 0; s < segments; ++s) {
        faces.push_back({0, ringVertex(1, s), ringVertex(1, s + 1)});
        faces.push_back({bottom, ringVertex(rings - 1, s + 1), ringVertex(rings - 1, s)});
        for (int32_t r = 1; r + 1 < rings; ++r)
            faces.push_back({ringVertex(r, s), ringVertex(r + 1, s), ringVertex(r + 1, s + 1),
                             ringVertex(r, s + 1)});
    }
    for (auto& face : faces) {
        HostPoint n = FaceNormalOf(vertices[face[0]], vertices[face[1]], vertices[face[2]]);
        HostPoint out = Sub(vertices[face[1]], center);
        if (Dot(n, out) < 0) std::reverse(face.begin(), face.end());
    }
    return wb::AddMeshObject(name, vertices, faces);
}

int32_t AddSquare(const char* name, bool facingPlusZ) {
    // (a - b) x (c - b) with a top-left, b top-right, c bottom-right points to +z.
    std::vector<HostPoint> vertices = {{-1, 1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, -1, 0}};
    std::vector<std::vector<int32_t>> faces = {facingPlusZ ? std::vector<int32_t>{0, 1, 2, 3}
                                                           : std::vector<int32_t>{3, 2, 1, 0}};
    const HostPoint n = FaceNormalOf(vertices[faces[0][0]], vertices[faces[0][1]],
                                     vertices[faces[0][2]]);
    if ((n.z > 0) != facingPlusZ) std::reverse(faces[0].begin(), faces[0].end());
    return wb::AddMeshObject(name, vertices, faces);
}

int32_t AddMaterial(const char* name, float r, float g, float b, float alpha) {
    HostMaterial mat = MQ_CreateMaterial();
    MQMat_SetName(mat, name);
    const HostRGB color = {r, g, b};
    MQMat_SetColor(mat, &color);
    MQMat_SetAlpha(mat, alpha);
    return MQDoc_AddMaterial(wb::ActiveDocument(), mat);
}

HostMaterial CreateDrawMaterial(int32_t* index) {
    *index = -1;
    return reinterpret_cast<HostMaterial>(SendCreateMessage(kMessageCreateDrawMaterial, index));
}

HostObject CreateDrawObject() { return SendCreateMessage(kMessageCreateDrawObject, nullptr); }

void SetAllFaceMaterials(HostObject obj, int32_t material) {
    const int32_t faces = MQObj_GetFaceCount(obj);
    for (int32_t f = 0; f < faces; ++f)
        if (MQObj_GetFacePointCount(obj, f) >= 3) MQObj_SetFaceMaterial(obj, f, material);
}

HostObject AddShellLayer(int32_t sourceIndex, float distance, bool invert, int32_t material) {
    HostObject source = MQDoc_GetObject(wb::ActiveDocument(), sourceIndex);
    HostObject layer = CreateDrawObject();
    MQObj_Merge(layer, source);
    const int32_t vertexCount = MQObj_GetVertexCount(layer);
    std::vector<HostPoint> points(vertexCount), normals(vertexCount, HostPoint{0, 0, 0});
    for (int32_t i = 0; i < vertexCount; ++i) MQObj_GetVertex(layer, i, &points[i]);
    const int32_t faceCount = MQObj_GetFaceCount(layer);
    for (int32_t f = 0; f < faceCount; ++f) {
        const int32_t n = MQObj_GetFacePointCount(layer, f);
        if (n < 3 || n > 4) continue;
        int32_t idx[4];
        MQObj_GetFacePointArray(layer, f, idx);
        const HostPoint fn = FaceNormalOf(points[idx[0]], points[idx[1]], points[idx[2]]);
        for (int32_t k = 0; k < n; ++k) {
            normals[idx[k]].x += fn.x;
            normals[idx[k]].y += fn.y;
            normals[idx[k]].z += fn.z;
        }
    }
    for (int32_t i = 0; i < vertexCount; ++i) {
        const HostPoint n = Unit(normals[i]);
        const HostPoint p = {points[i].x + n.x * distance, points[i].y + n.y * distance,
                             points[i].z + n.z * distance};
        MQObj_SetVertex(layer, i, &p);
    }
    for (int32_t f = 0; f < faceCount; ++f) {
        if (MQObj_GetFacePointCount(layer, f) < 3) continue;
        if (invert) MQObj_InvertFace(layer, f);
        MQObj_SetFaceMaterial(layer, f, material);
    }
    return layer;
}

Picture Render(const RenderOptions& options, RenderStats* stats) {
    Picture picture;
    picture.width = options.width;
    picture.height = options.height;
    EXPECT_TRUE(RenderView(wb::ActiveDocument(), options, &picture.rgba, stats));
    EXPECT_EQ(picture.rgba.size(), size_t(options.width) * options.height * 4);
    return picture;
}

bool IsBackground(const uint8_t* p) {
    return abs(p[0] - p[1]) <= 4 && abs(p[1] - p[2]) <= 8 && p[0] >= 150 && p[0] <= 215;
}

bool ForegroundBox(const Picture& picture, int32_t* x0, int32_t* y0, int32_t* x1, int32_t* y1) {
    *x0 = *y0 = INT32_MAX;
    *x1 = *y1 = -1;
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x)
            if (!IsBackground(picture.at(x, y))) {
                if (x < *x0) *x0 = x;
                if (y < *y0) *y0 = y;
                if (x > *x1) *x1 = x;
                if (y > *y1) *y1 = y;
            }
    return *x1 >= 0;
}

void ExpectMatchesReference(const char* name, const Picture& picture) {
    const std::string reference = std::string(TEST_DATA_DIR) + "/render/" + name + ".png";
    const char* update = getenv("PUFFSHELL_UPDATE_GOLDEN");
    if (update && strcmp(update, "1") == 0) {
        ASSERT_TRUE(WritePng(reference.c_str(), picture.width, picture.height, picture.rgba))
            << reference;
        return;
    }
    const std::string actual = std::string("render_") + name + ".actual.png";
    int w = 0, h = 0, channels = 0;
    stbi_uc* stored = stbi_load(reference.c_str(), &w, &h, &channels, 4);
    if (!stored) {
        WritePng(actual.c_str(), picture.width, picture.height, picture.rgba);
        FAIL() << "no reference picture " << reference
               << " (PUFFSHELL_UPDATE_GOLDEN=1 writes it); this run's picture is " << actual;
    }
    int32_t differing = 0, largest = 0;
    if (w == picture.width && h == picture.height) {
        for (size_t i = 0; i < size_t(w) * h; ++i) {
            int32_t worst = 0;
            for (int k = 0; k < 3; ++k)
                worst = std::max(worst, abs(int32_t(stored[4 * i + k]) - picture.rgba[4 * i + k]));
            largest = std::max(largest, worst);
            if (worst > 10) ++differing;
        }
    }
    stbi_image_free(stored);
    const bool sameSize = w == picture.width && h == picture.height;
    const bool close = sameSize && differing <= picture.width * picture.height / 500;
    if (!close) WritePng(actual.c_str(), picture.width, picture.height, picture.rgba);
    EXPECT_TRUE(sameSize) << reference << " is " << w << "x" << h;
    EXPECT_TRUE(close) << differing << " pixels differ from " << reference
                       << " (largest channel difference " << largest << "); see " << actual;
}

}  // namespace rendertest
