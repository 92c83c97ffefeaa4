#include "geometry/FaceNormalBatch.h"

#include <float.h>
#include <stddef.h>
#include <xmmintrin.h>

#include <type_traits>

#include "geometry/FaceNormal.h"

// LoadPoints and StorePoints take four points as twelve floats in a row: x, y, z of each.
static_assert(std::is_standard_layout<HostPoint>::value && sizeof(HostPoint) == 3 * sizeof(float) &&
                  offsetof(HostPoint, x) == 0 && offsetof(HostPoint, y) == sizeof(float) &&
                  offsetof(HostPoint, z) == 2 * sizeof(float),
              "HostPoint is three packed floats");

namespace {

// NormalizeOrZero of the four vectors (x[i], y[i], z[i]).
inline void Normalize4(__m128& x, __m128& y, __m128& z) {
    // (x*x + y*y) + z*z, as the scalar form adds them.
    const __m128 squares =
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y)), _mm_mul_ps(z, z));
    const __m128 length = _mm_sqrt_ps(squares);
    const __m128 usable = _mm_and_ps(_mm_cmpgt_ps(length, _mm_setzero_ps()),
                                     _mm_cmple_ps(length, _mm_set1_ps(FLT_MAX)));
    const int lanes = _mm_movemask_ps(usable);
    // Lanes left to the scalar form divide by 1 meanwhile: nothing divides by zero, whatever
    // floating-point exceptions the host has unmasked.
    const __m128 divisor =
        _mm_or_ps(_mm_and_ps(usable, length), _mm_andnot_ps(usable, _mm_set1_ps(1.0f)));
    const __m128 nx = _mm_div_ps(x, divisor);
    const __m128 ny = _mm_div_ps(y, divisor);
    const __m128 nz = _mm_div_ps(z, divisor);
    if (lanes != 15) {
        float ox[4], oy[4], oz[4], rx[4], ry[4], rz[4];
        _mm_storeu_ps(ox, x);
        _mm_storeu_ps(oy, y);
        _mm_storeu_ps(oz, z);
        _mm_storeu_ps(rx, nx);
        _mm_storeu_ps(ry, ny);
        _mm_storeu_ps(rz, nz);
        for (int lane = 0; lane < 4; ++lane) {
            if (lanes & (1 << lane)) continue;
            const HostPoint n = NormalizeOrZero(HostPoint{ox[lane], oy[lane], oz[lane]});
            rx[lane] = n.x;
            ry[lane] = n.y;
            rz[lane] = n.z;
        }
        x = _mm_loadu_ps(rx);
        y = _mm_loadu_ps(ry);
        z = _mm_loadu_ps(rz);
        return;
    }
    x = nx;
    y = ny;
    z = nz;
}


// Four points from p (48 bytes) as their x, y and z components.
void LoadPoints(const HostPoint* p, __m128& x, __m128& y, __m128& z) {
    const float* f = &p->x;
    const __m128 r0 = _mm_loadu_ps(f), r1 = _mm_loadu_ps(f + 4), r2 = _mm_loadu_ps(f + 8);
    // r0 = x0 y0 z0 x1, r1 = y1 z1 x2 y2, r2 = z2 x3 y3 z3
    const __m128 x23 = _mm_shuffle_ps(r1, r2, _MM_SHUFFLE(1, 1, 2, 2));
    x = _mm_shuffle_ps(r0, x23, _MM_SHUFFLE(2, 0, 3, 0));
    const __m128 y01 = _mm_shuffle_ps(r0, r1, _MM_SHUFFLE(0, 0, 1, 1));
    const __m128 y23 = _mm_shuffle_ps(r1, r2, _MM_SHUFFLE(2, 2, 3, 3));
    y = _mm_shuffle_ps(y01, y23, _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 z01 = _mm_shuffle_ps(r0, r1, _MM_SHUFFLE(1, 1, 2, 2));
    const __m128 z23 = _mm_shuffle_ps(r2, r2, _MM_SHUFFLE(3, 3, 0, 0));
    z = _mm_shuffle_ps(z01, z23, _MM_SHUFFLE(2, 0, 2, 0));
}

// The inverse of LoadPoints.
void StorePoints(HostPoint* p, __m128 x, __m128 y, __m128 z) {
    float* f = &p->x;
    const __m128 r0 = _mm_shuffle_ps(_mm_shuffle_ps(x, y, _MM_SHUFFLE(0, 0, 0, 0)),
                                     _mm_shuffle_ps(z, x, _MM_SHUFFLE(1, 1, 0, 0)),
                                     _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 r1 = _mm_shuffle_ps(_mm_shuffle_ps(y, z, _MM_SHUFFLE(1, 1, 1, 1)),
                                     _mm_shuffle_ps(x, y, _MM_SHUFFLE(2, 2, 2, 2)),
                                     _MM_SHUFFLE(2, 0, 2, 0));
    const __m128 r2 = _mm_shuffle_ps(_mm_shuffle_ps(z, x, _MM_SHUFFLE(3, 3, 2, 2)),
                                     _mm_shuffle_ps(y, z, _MM_SHUFFLE(3, 3, 3, 3)),
                                     _MM_SHUFFLE(2, 0, 2, 0));
    _mm_storeu_ps(f, r0);
    _mm_storeu_ps(f + 4, r1);
    _mm_storeu_ps(f + 8, r2);
}

}  // namespace

SSE_STACK_REALIGN void NormalizeOrZeroBatch(float* x, float* y, float* z, int32_t count) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128 vx = _mm_loadu_ps(x + i), vy = _mm_loadu_ps(y + i), vz = _mm_loadu_ps(z + i);
        Normalize4(vx, vy, vz);
        _mm_storeu_ps(x + i, vx);
        _mm_storeu_ps(y + i, vy);
        _mm_storeu_ps(z + i, vz);
    }
    for (; i < count; ++i) {
        const HostPoint n = NormalizeOrZero(HostPoint{x[i], y[i], z[i]});
        x[i] = n.x;
        y[i] = n.y;
        z[i] = n.z;
    }
}

SSE_STACK_REALIGN void FaceNormalBatch(const HostPoint* a, const HostPoint* b, const HostPoint* c,
                                       int32_t count, float* nx, float* ny, float* nz) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128 ax, ay, az, bx, by, bz, cx, cy, cz;
        LoadPoints(a + i, ax, ay, az);
        LoadPoints(b + i, bx, by, bz);
        LoadPoints(c + i, cx, cy, cz);
        // u = a - b, w = c - b, n = u x w.
        const __m128 ux = _mm_sub_ps(ax, bx), uy = _mm_sub_ps(ay, by), uz = _mm_sub_ps(az, bz);
        const __m128 wx = _mm_sub_ps(cx, bx), wy = _mm_sub_ps(cy, by), wz = _mm_sub_ps(cz, bz);
        _mm_storeu_ps(nx + i, _mm_sub_ps(_mm_mul_ps(uy, wz), _mm_mul_ps(uz, wy)));
        _mm_storeu_ps(ny + i, _mm_sub_ps(_mm_mul_ps(uz, wx), _mm_mul_ps(ux, wz)));
        _mm_storeu_ps(nz + i, _mm_sub_ps(_mm_mul_ps(ux, wy), _mm_mul_ps(uy, wx)));
    }
    NormalizeOrZeroBatch(nx, ny, nz, i);
    for (; i < count; ++i) {
        const HostPoint n = FaceNormal(a[i], b[i], c[i]);
        nx[i] = n.x;
        ny[i] = n.y;
        nz[i] = n.z;
    }
}

SSE_STACK_REALIGN void NormalizePointsBatch(HostPoint* points, int32_t count) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128 x, y, z;
        LoadPoints(points + i, x, y, z);
        Normalize4(x, y, z);
        StorePoints(points + i, x, y, z);
    }
    for (; i < count; ++i) points[i] = NormalizeOrZero(points[i]);
}
