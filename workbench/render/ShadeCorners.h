// The one rule by which the workbench shades a polygon object: its renderer draws with it and its
// files (frozen.obj's vn, the .glb's NORMAL) carry what it gives, so that other tools show the
// same rounded or hard edges as the workbench's pictures.
//
// A face's normal is the unit sum of its triangles' front normals; a vertex's normal the unit
// mean of the normals of ALL faces around it; a corner of a smooth object takes its vertex's
// normal when that bends away from its face's normal by no more than the smoothing angle, and
// its face's normal otherwise. A corner of a flat object takes its face's normal.
#pragma once

#include <stdint.h>

#include <vector>

#include "workbench/render/Vec3.h"
#include "workbench/host/Workbench.h"

namespace wb {

// Faces claiming more points than this are taken as broken: they are neither drawn nor smoothed.
const int32_t kMaxShadedFacePoints = 1024;

// The corners (0 .. n - 1 within the face) of triangle t of a face of n points: a fan around
// corner 0, or for a quadrilateral split along 1-3 the triangles (1, 2, 3) and (1, 3, 0).
inline void FaceTriangleCorners(int32_t n, bool split, int32_t t, int32_t* corners) {
    if (n == 4 && split) {
        static const int32_t kSplit[2][3] = {{1, 2, 3}, {1, 3, 0}};
        for (int k = 0; k < 3; ++k) corners[k] = kSplit[t][k];
        return;
    }
    corners[0] = 0;
    corners[1] = t + 1;
    corners[2] = t + 2;
}

// The normal of a face of n >= 3 points.
//
// positions: 3 floats per vertex. points: the face's n vertex indices, in the host's order.
// normal: its unit normal, the unit sum of its triangles' front normals ((a - b) x (c - b)), or
//   (0, 0, 0) for a face without area. *split: true when a quadrilateral is split along the
//   diagonal 1-3 (its two halves agree better so); its triangles are FaceTriangleCorners'.
WORKBENCH_API void FaceShadingNormal(const float* positions, const int32_t* points, int32_t n,
                                     float* normal, bool* split);

// The least cosine between a corner's vertex normal and its face's normal for which the corner
// is smoothed, for a smoothing angle in degrees (not finite or below 0: 0; above 180: 180).
WORKBENCH_API float ShadingMinCos(float angle);

// vertexNormals: 3 floats for each of vertexCount vertices, the unit mean of the faceNormals of
//   the faces around it ((0, 0, 0) for a vertex of no face). Face f has the vertex indices
//   points[faceStart[f] .. faceStart[f + 1] - 1], f < faceCount; every index < vertexCount.
WORKBENCH_API void VertexShadingNormals(int32_t vertexCount, const int32_t* faceStart,
                                        int32_t faceCount, const int32_t* points,
                                        const float* faceNormals, std::vector<float>* vertexNormals);

// The normal a corner is shaded with: vertexNormal (nullptr for a flat object) when it bends
// away from faceNormal by no more than minCos, else faceNormal.
inline const float* CornerShadingNormal(const float* vertexNormal, const float* faceNormal, float minCos) {
    return vertexNormal && Vec3Dot(vertexNormal, faceNormal) >= minCos ? vertexNormal : faceNormal;
}

// Every corner's normal at once, for the files.
//
// positions: 3 floats per vertex, vertexCount of them, finite. faceStart, faceCount, points: the
//   faces, as for VertexShadingNormals. smooth: the object's shading is smooth; angle: its
//   smoothing angle in degrees.
// cornerNormals: 3 floats per entry of points, the normal its corner is shaded with.
WORKBENCH_API void CornerShadingNormals(const float* positions, int32_t vertexCount,
                                        const int32_t* faceStart, int32_t faceCount,
                                        const int32_t* points, bool smooth, float angle,
                                        std::vector<float>* cornerNormals);

}  // namespace wb
