// Plain data that the workbench's software renderer works on: what it read from the host
// (triangles, materials, textures) and the camera it looks through. Filled by GatherScene and
// FitCamera, consumed by RasterizeScene; nothing here refers back to host handles.
#pragma once

#include <stdint.h>

#include <vector>

// A texture as 8-bit RGBA, top row first (texture coordinate v = 0 is the top of the image).
struct SceneTexture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4 bytes
    bool hasAlpha = false;      // some texel has alpha below 255
};

// How one material shades. Index 0 of RenderScene::materials is the stand-in for faces without
// a (valid) material.
struct SceneMaterial {
    float color[3] = {1.0f, 1.0f, 1.0f};
    float alpha = 1.0f;
    float diffuse = 0.8f;
    float ambient = 0.6f;
    float emission = 0.0f;
    bool vertexColors = false;  // the faces' vertex colours replace the colour
    int32_t texture = -1;       // index into RenderScene::textures, or -1
};

// One triangle of a drawn face, corners in the face's point order (a quadrilateral becomes two
// triangles). Its front is the side that FaceNormal (a - b) x (c - b) points to. Made on the fly
// from a SceneMesh (see SceneTriangles.h); the scene keeps no triangles of its own.
struct SceneTriangle {
    float position[3][3];
    float normal[3][3];  // per corner, unit length (smoothed across the object where it is soft)
    float uv[3][2];
    uint32_t color[3];   // face-vertex colours: red bits 0-7, green 8-15, blue 16-23, alpha 24-31
    int32_t material;    // index into RenderScene::materials
    bool shell;          // from one of the host's draw objects
};

// One drawn object as flat arrays, some 40 bytes a triangle and 60 a quadrilateral (plus 8 per
// corner for UVs and 4 for colours, kept only when one of its materials shows them): a scene of
// millions of faces fits beside the document in a 32-bit process. Faces of three or more points
// only; a face of n points draws n - 2 triangles.
struct SceneMesh {
    std::vector<float> positions;      // 3 per vertex of the object, as read
    std::vector<float> vertexNormals;  // 3 per vertex: the mean of its faces' normals; empty: flat
    float minCos = 1.0f;               // a corner takes its vertex normal when it bends away from
                                       // its face's normal by no more than this cosine
    std::vector<int32_t> faceStart;    // per face and one more: its first entry in points
    std::vector<int32_t> faceMaterial; // per face: index into RenderScene::materials
    std::vector<float> faceNormals;    // 3 per face: the unit sum of its triangles' normals
    std::vector<uint8_t> faceSplit;    // per face: 1 for a quadrilateral split along 1-3
    std::vector<int32_t> points;       // vertex index per face corner
    std::vector<float> uvs;            // 2 per face corner (finite); empty: no textured material
    std::vector<uint32_t> colors;      // per face corner; empty: no material shows them
    uint32_t mirrorAxes = 0;           // reflections drawn too (1: x, 2: y, 4: z, combined)
    bool shell = false;                // one of the host's draw objects

    int32_t faceCount() const { return static_cast<int32_t>(faceMaterial.size()); }
};

struct RenderScene {
    std::vector<SceneMesh> meshes;  // drawn in order, each with its reflections after it
    std::vector<SceneMaterial> materials;
    std::vector<SceneTexture> textures;
    // Bounds of every drawn triangle's corners; empty when boundsMin > boundsMax.
    float boundsMin[3] = {1.0f, 1.0f, 1.0f};
    float boundsMax[3] = {-1.0f, -1.0f, -1.0f};
};

// A perspective camera. Camera space: x along right, y along up, depth along forward.
struct RenderCamera {
    float eye[3];
    float right[3];
    float up[3];
    float forward[3];
    float fovY;       // full vertical field of view, radians
    float nearDepth;  // nothing closer than this depth is drawn
};
