// Polygons too long for the OBJ reader, cut before it reads them.
#pragma once

#include <string>

namespace wb {
namespace detail {

// tinyobjloader keeps each polygon's point count in one byte: a polygon of more than 255 points
// would come out with a wrong count and its points, and those of the faces after it, misread.
// Such polygons are rewritten as the triangles that ear clipping makes of them, as the loader
// does with every polygon of more than four points.
//   text  an OBJ file's text
//   out   gets the text with those polygons rewritten
// False (and *out untouched) when the text has none.
bool SplitLongPolygons(const std::string& text, std::string* out);

}  // namespace detail
}  // namespace wb
