#pragma once

#include "plugin/HostAbi.h"
#include "workbench/render/Render.h"
#include "workbench/render/RenderScene.h"

// Reads what a view of doc shows, through the host functions only, into scene (replaced):
//   drawDocument: every visible document object;
//   drawShells:   every visible draw object of the host's last redraw, when doc is the
//                 workbench's active document (draw objects belong to its redraw).
// Faces of three or more points become triangles (fans, a quadrilateral split along the
// diagonal whose two halves agree better); points, lines and faces with an index out of range
// or a non-finite corner are left out. An object with a mirror type also shows its reflections
// in the planes of its mirror axes (1: x, 2: y, 4: z, through its origin). Face materials
// resolve to document materials or, at indices past the document's, to draw materials;
// anything else draws with the default material (scene->materials[0]). Textures are loaded
// through MQDoc_FindMappingFile and MQ_LoadImage, once per path. Counts go to stats (may be
// null; only its gathering fields are written: documentObjects, shellObjects, faces,
// texturesLoaded).
void GatherScene(HostDocument doc, bool drawDocument, bool drawShells, RenderScene* scene,
                 RenderStats* stats);
