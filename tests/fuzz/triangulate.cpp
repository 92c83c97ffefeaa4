// Ear clipping of one polygon, as the OBJ loader cuts polygons of more than four points: corners
// from the input (repeated, collinear, crossing, NaN or huge ones included) must always give
// n - 2 triangles of corner indices in range, and never a long run (libFuzzer's timeout).
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "workbench/io/TriangulatePolygon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Corners of three floats each; a byte 0xFF before a corner repeats an earlier one.
    std::vector<HostPoint> points;
    while (size > 0 && points.size() < 2000) {
        if (data[0] == 0xFF && size >= 2 && !points.empty()) {
            points.push_back(points[data[1] % points.size()]);
            data += 2;
            size -= 2;
            continue;
        }
        if (size < 12) break;
        HostPoint p;
        memcpy(&p, data, 12);
        points.push_back(p);
        data += 12;
        size -= 12;
    }
    std::vector<int32_t> triangles;
    wb::detail::TriangulatePolygon(points.data(), points.size(), &triangles);
    const size_t n = points.size();
    const size_t want = n >= 3 ? 3 * (n - 2) : 0;
    if (triangles.size() != want) {
        fprintf(stderr, "%zu corners gave %zu triangle indices, not %zu\n", n, triangles.size(),
                want);
        abort();
    }
    for (int32_t index : triangles)
        if (index < 0 || static_cast<size_t>(index) >= n) {
            fprintf(stderr, "corner index %d of %zu corners\n", index, n);
            abort();
        }
    return 0;
}
