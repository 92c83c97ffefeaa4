// The draw pass: on every host redraw, builds each shown, enabled object's shell into draw
// objects that the host displays with the scene. The document is never changed.
#pragma once

#include "plugin/HostAbi.h"

void DrawPass(HostDocument document);
