// DisplaceVertices: pushes one layer copy of a shell out along the source's push directions.
#pragma once

#include <stdint.h>

#include "plugin/HostAbi.h"

struct PushCacheCatchUp;

// Moves every vertex i of copy (a copy of the document object at sourceIndex in
// currentDocument, vertices in the source's order) to p + (n x d) x multiple, where n is the
// cached push direction and d the source's push distance: pushDistance (if normalPush) +
// heightMapScale x height blue (if the cache has heights) + red x 1/255 x vertexColorScale (if the
// cache has vertex colours). Vertices the cache does not cover stay where they are. The cache is
// only read unless catchUp is given: then an entry built for another object, or for another
// vertex count than the copy's, has the cache caught up first (CatchUpPushCache). Returns true.
bool DisplaceVertices(HostObject copy, int32_t sourceIndex, float layerMultiple,
                      PushCacheCatchUp* catchUp = nullptr);

// The layer rule: layer k (from 0) of repeatCount is pushed with k + 1, or repeatCount - k when
// faces are inverted (outermost first).
float LayerMultiple(int32_t layer, int32_t repeatCount, bool invertFaces);
