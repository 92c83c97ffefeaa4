// Documents of many objects: the real Puffshell.dll in the workbench host, every object's shell
// switched on through the panel, and the object list of a document of thousands of objects. Each
// run in a process of its own.
#pragma once

#include <stdint.h>

#include <string>

#include "workbench/bench/BenchSteps.h"

// The documents measured: `objects` tori of 2 x rings x sides triangles each.
struct ManyObjectDocument {
    const char* name;  // "many2000", ...
    int32_t objects;
    int32_t rings, sides;
};
extern const ManyObjectDocument kManyObjectDocuments[2];

// Redraw, rebuild and host copy of the document, black frame and blur on every object.
bool RunDocument(const ManyObjectDocument& document, Figures* figures, std::string* error);

// Filling the object list with `objects` rows (single-triangle objects): when the panel is shown
// and when a redraw finds that an object was added.
bool RunObjectList(int32_t objects, Figures* figures, std::string* error);
