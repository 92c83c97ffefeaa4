#include "workbench/io/SplitLongPolygons.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "workbench/io/TriangulatePolygon.h"

namespace wb {
namespace detail {

namespace {

// True when the line that runs to end (past its newline, if any) starts, after blanks at p, with
// the one-letter statement c followed by a blank. p is where the blanks end, which may lie past
// end or be npos when the rest of the text is blank.
bool IsStatement(const std::string& text, size_t p, size_t end, char c) {
    return p < end && end - p >= 2 && text[p] == c && (text[p + 1] == ' ' || text[p + 1] == '\t');
}

// True when a polygon line of the text has more than maxPoints points.
bool HasLongPolygon(const std::string& text, size_t maxPoints) {
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const size_t p = text.find_first_not_of(" \t", start);
        // Each point takes at least two characters: a digit and a space.
        if (end - start > 2 * maxPoints && IsStatement(text, p, end, 'f')) {
            size_t points = 0;
            for (size_t q = p + 1; q < end;) {
                q = text.find_first_not_of(" \t\r\n", q);
                if (q >= end) break;
                ++points;
                q = std::min(text.find_first_of(" \t\r\n", q), end);
            }
            if (points > maxPoints) return true;
        }
        start = end;
    }
    return false;
}

}  // namespace

bool SplitLongPolygons(const std::string& text, std::string* out) {
    const size_t kMaxPolygonPoints = 255;
    if (!HasLongPolygon(text, kMaxPolygonPoints)) return false;
    bool any = false;
    std::vector<HostPoint> positions;  // of the "v" lines so far, for the triangulation
    std::vector<std::string> points;
    std::vector<HostPoint> corners;
    std::vector<int32_t> triangles;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;  // past the line's end
        size_t p = text.find_first_not_of(" \t", start);
        const bool vertex = IsStatement(text, p, end, 'v');
        if (vertex) {
            const std::string line(text, p + 1, end - p - 1);
            HostPoint q{0.0f, 0.0f, 0.0f};
            sscanf(line.c_str(), "%f %f %f", &q.x, &q.y, &q.z);
            positions.push_back(q);
        }
        bool polygon = IsStatement(text, p, end, 'f');
        if (polygon) {
            points.clear();
            for (size_t q = p + 1; q < end;) {
                q = text.find_first_not_of(" \t\r\n", q);
                if (q >= end) break;
                size_t stop = std::min(text.find_first_of(" \t\r\n", q), end);
                points.emplace_back(text, q, stop - q);
                q = stop;
            }
            polygon = points.size() > kMaxPolygonPoints;
        }
        if (polygon && !any) {
            out->assign(text, 0, start);
            any = true;
        }
        if (polygon) {
            // The corners' positions (1-based or negative, relative indices); a corner that names
            // no vertex read so far leaves the polygon to a fan, whose bad triangles are skipped.
            corners.clear();
            for (const std::string& point : points) {
                const long long index = atoll(point.c_str());
                const long long count = static_cast<long long>(positions.size());
                const long long at = index > 0 ? index - 1 : count + index;
                if (index == 0 || at < 0 || at >= count) break;
                corners.push_back(positions[static_cast<size_t>(at)]);
            }
            triangles.clear();
            if (corners.size() == points.size())
                TriangulatePolygon(corners.data(), corners.size(), &triangles);
            if (triangles.empty())
                for (size_t k = 1; k + 1 < points.size(); ++k)
                    triangles.insert(triangles.end(),
                                     {0, static_cast<int32_t>(k), static_cast<int32_t>(k + 1)});
            for (size_t t = 0; t + 2 < triangles.size(); t += 3)
                *out += "f " + points[triangles[t]] + " " + points[triangles[t + 1]] + " " +
                        points[triangles[t + 2]] + "\n";
        } else if (any) {
            out->append(text, start, end - start);
        }
        start = end;
    }
    return any;
}

}  // namespace detail
}  // namespace wb
