#include "geometry/FaceNormalBatch.h"

#include <float.h>
#include <xmmintrin.h>

#include "geometry/FaceNormal.h"

void NormalizeOrZeroBatch(float* x, float* y, float* z, int32_t count) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 largest = _mm_set1_ps(FLT_MAX);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 vx = _mm_loadu_ps(x + i), vy = _mm_loadu_ps(y + i), vz = _mm_loadu_ps(z + i);
        // (x*x + y*y) + z*z, as the scalar form adds them.
        const __m128 squares =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(vx, vx), _mm_mul_ps(vy, vy)), _mm_mul_ps(vz, vz));
        const __m128 length = _mm_sqrt_ps(squares);
        const __m128 usable = _mm_and_ps(_mm_cmpgt_ps(length, zero), _mm_cmple_ps(length, largest));
        const int lanes = _mm_movemask_ps(usable);
        // Lanes left to the scalar form divide by 1 meanwhile: nothing divides by zero, whatever
        // floating-point exceptions the host has unmasked.
        const __m128 divisor = _mm_or_ps(_mm_and_ps(usable, length), _mm_andnot_ps(usable, one));
        if (lanes == 15) {
            _mm_storeu_ps(x + i, _mm_div_ps(vx, divisor));
            _mm_storeu_ps(y + i, _mm_div_ps(vy, divisor));
            _mm_storeu_ps(z + i, _mm_div_ps(vz, divisor));
            continue;
        }
        float ox[4], oy[4], oz[4];
        _mm_storeu_ps(ox, vx);
        _mm_storeu_ps(oy, vy);
        _mm_storeu_ps(oz, vz);
        _mm_storeu_ps(x + i, _mm_div_ps(vx, divisor));
        _mm_storeu_ps(y + i, _mm_div_ps(vy, divisor));
        _mm_storeu_ps(z + i, _mm_div_ps(vz, divisor));
        for (int lane = 0; lane < 4; ++lane) {
            if (lanes & (1 << lane)) continue;
            const HostPoint n = NormalizeOrZero(HostPoint{ox[lane], oy[lane], oz[lane]});
            x[i + lane] = n.x;
            y[i + lane] = n.y;
            z[i + lane] = n.z;
        }
    }
    for (; i < count; ++i) {
        const HostPoint n = NormalizeOrZero(HostPoint{x[i], y[i], z[i]});
        x[i] = n.x;
        y[i] = n.y;
        z[i] = n.z;
    }
}

void FaceNormalBatch(const TriangleBatch& t, int32_t count, float* nx, float* ny, float* nz) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 bx = _mm_loadu_ps(t.bx + i), by = _mm_loadu_ps(t.by + i), bz = _mm_loadu_ps(t.bz + i);
        // u = a - b, w = c - b, n = u x w.
        const __m128 ux = _mm_sub_ps(_mm_loadu_ps(t.ax + i), bx);
        const __m128 uy = _mm_sub_ps(_mm_loadu_ps(t.ay + i), by);
        const __m128 uz = _mm_sub_ps(_mm_loadu_ps(t.az + i), bz);
        const __m128 wx = _mm_sub_ps(_mm_loadu_ps(t.cx + i), bx);
        const __m128 wy = _mm_sub_ps(_mm_loadu_ps(t.cy + i), by);
        const __m128 wz = _mm_sub_ps(_mm_loadu_ps(t.cz + i), bz);
        _mm_storeu_ps(nx + i, _mm_sub_ps(_mm_mul_ps(uy, wz), _mm_mul_ps(uz, wy)));
        _mm_storeu_ps(ny + i, _mm_sub_ps(_mm_mul_ps(uz, wx), _mm_mul_ps(ux, wz)));
        _mm_storeu_ps(nz + i, _mm_sub_ps(_mm_mul_ps(ux, wy), _mm_mul_ps(uy, wx)));
    }
    NormalizeOrZeroBatch(nx, ny, nz, i);
    for (; i < count; ++i) {
        const HostPoint n = FaceNormal(HostPoint{t.ax[i], t.ay[i], t.az[i]},
                                       HostPoint{t.bx[i], t.by[i], t.bz[i]},
                                       HostPoint{t.cx[i], t.cy[i], t.cz[i]});
        nx[i] = n.x;
        ny[i] = n.y;
        nz[i] = n.z;
    }
}
