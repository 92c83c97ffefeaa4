// The SSE face normals against the scalar rule, bit for bit: triangles and vectors from the input,
// with zero, NaN, infinite, huge and tiny components mixed into the same group of four.
#include <float.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "geometry/FaceNormal.h"
#include "geometry/FaceNormalBatch.h"

namespace {

// One coordinate from the input: a selector byte, then (for some kinds) four bytes of a float.
// The special values come often enough that a group of four mixes them with ordinary lanes.
float TakeCoordinate(const uint8_t*& p, const uint8_t* end) {
    if (p >= end) return 0.0f;
    const uint8_t kind = *p++;
    float raw = 0.0f;
    if (end - p >= 4) {
        memcpy(&raw, p, 4);
        p += 4;
    }
    switch (kind % 10) {
        case 0:
            return 0.0f;
        case 1:
            return NAN;
        case 2:
            return kind & 16 ? INFINITY : -INFINITY;
        case 3:
            return kind & 16 ? FLT_MAX : -FLT_MAX;
        case 4:
            return ldexpf(static_cast<float>(kind), 100);  // squares overflow
        case 5:
            return ldexpf(static_cast<float>(kind), -100);  // squares underflow
        case 6:
            return static_cast<float>(kind >> 4);  // small integers: zero cross products
        default:
            return raw;
    }
}

bool SameBits(float a, float b) { return memcmp(&a, &b, sizeof a) == 0; }

void Mismatch(const char* what, int32_t i, const HostPoint& want, float x, float y, float z) {
    fprintf(stderr, "%s %d: scalar (%a, %a, %a), batch (%a, %a, %a)\n", what, i, want.x, want.y,
            want.z, x, y, z);
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    std::vector<HostPoint> a, b, c;
    while (p < end && a.size() < 64) {
        HostPoint t[3];
        for (HostPoint& q : t) {
            q.x = TakeCoordinate(p, end);
            q.y = TakeCoordinate(p, end);
            q.z = TakeCoordinate(p, end);
        }
        a.push_back(t[0]);
        b.push_back(t[1]);
        c.push_back(t[2]);
    }
    const int32_t count = static_cast<int32_t>(a.size());
    std::vector<float> nx(count), ny(count), nz(count);
    FaceNormalBatch(a.data(), b.data(), c.data(), count, nx.data(), ny.data(), nz.data());
    for (int32_t i = 0; i < count; ++i) {
        const HostPoint want = FaceNormal(a[i], b[i], c[i]);
        if (!SameBits(want.x, nx[i]) || !SameBits(want.y, ny[i]) || !SameBits(want.z, nz[i]))
            Mismatch("FaceNormalBatch", i, want, nx[i], ny[i], nz[i]);
    }
    // The corners as vectors, through both normalising batches.
    std::vector<HostPoint> points = a;
    NormalizePointsBatch(points.data(), count);
    std::vector<float> x(count), y(count), z(count);
    for (int32_t i = 0; i < count; ++i) {
        x[i] = a[i].x;
        y[i] = a[i].y;
        z[i] = a[i].z;
    }
    NormalizeOrZeroBatch(x.data(), y.data(), z.data(), count);
    for (int32_t i = 0; i < count; ++i) {
        const HostPoint want = NormalizeOrZero(a[i]);
        const HostPoint& got = points[i];
        if (!SameBits(want.x, got.x) || !SameBits(want.y, got.y) || !SameBits(want.z, got.z))
            Mismatch("NormalizePointsBatch", i, want, got.x, got.y, got.z);
        if (!SameBits(want.x, x[i]) || !SameBits(want.y, y[i]) || !SameBits(want.z, z[i]))
            Mismatch("NormalizeOrZeroBatch", i, want, x[i], y[i], z[i]);
    }
    return 0;
}
