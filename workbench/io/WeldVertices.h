// Vertices of one object that lie at the same place under different indices, as meshes from game
// engines and hard-edged models have them at every seam: a shell pushes each along its own faces'
// normal and tears there.
#pragma once

#include <stdint.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "workbench/host/Model.h"

namespace wb {
namespace detail {

// The tolerance of WeldVertices for an object: a millionth of its bounding box's largest side.
float WeldTolerance(const Object* o);

// Finds the vertices of o (none deleted, as a scene just loaded has them) that lie within
// tolerance of an earlier vertex on every axis and agree with it in everything else the shell
// reads per vertex (the vertex's colour and weight).
//   join  when true, the corners of such vertices name the earlier vertex instead and the
//         vertices are removed (the others keep their order); the corners keep their own UVs and
//         colours, which the host holds per corner. o->loaded then keeps the object as it was,
//         so that the files written later give the model as it came in (SavedObjects).
// Returns how many such vertices there are (were, when joined).
int32_t WeldVertices(Object* o, float tolerance, bool join);

// The objects the saved files write for d's objects, by slot (NULL for an empty one): each as it
// is, except an object the loader welded while it still begins with what the loader made of it
// (its vertices, faces and corners unchanged; a shell added to it comes after them): that one is
// written with the vertices, faces and corners its file gave it, and what was added after them,
// so that welding changes the shells only and the model's own vertices, normals, UVs and colours
// are written as they came in. storage holds the objects made for that (a deque: they never
// move).
std::vector<const Object*> SavedObjects(const Document* d, std::deque<Object>* storage);

// The warning for a scene file whose objects have such vertices: how many in all, and on which
// objects (the first eight, with their counts; objects gives name and count); joined says
// WeldVertices joined them.
std::string SharedVerticesWarning(const std::string& file,
                                  const std::vector<std::pair<std::string, int32_t>>& objects,
                                  bool joined);

}  // namespace detail
}  // namespace wb
