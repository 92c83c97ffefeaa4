// Carries an object's mirror and patch settings over to a layer built from it, so that a shell
// layer is mirrored and subdivided like its source.
#pragma once

#include "plugin/HostAbi.h"

// Copies mirror type, mirror axis, mirror distance, patch type and patch segment, in that order,
// from source to layer.
void CopyMirrorAndPatch(HostObject source, HostObject layer);
