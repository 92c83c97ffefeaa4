// Scenes and image checks for the renderer's tests: meshes built through the host functions,
// shell layers made the way the plug-in makes them (draw objects and draw materials requested
// with messages 200 and 201), and comparison with stored reference pictures.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "plugin/HostAbi.h"
#include "workbench/render/Render.h"

namespace rendertest {

// A fresh active document with no draw objects left from an earlier redraw.
HostDocument FreshDocument();

// A UV sphere around center in the active document, every face turned so that its FaceNormal
// points outward. Returns its document index.
int32_t AddSphere(const char* name, float radius, int32_t rings, int32_t segments,
                  HostPoint center = {0.0f, 0.0f, 0.0f});
// A 2 x 2 square in the z = 0 plane centred on the origin, facing +z (toward the default
// front camera) or -z; corners top-left, top-right, bottom-right, bottom-left. Returns its index.
int32_t AddSquare(const char* name, bool facingPlusZ = true);

// A document material; returns its index.
int32_t AddMaterial(const char* name, float r, float g, float b, float alpha = 1.0f);
// A draw material (message 201) with its index in *index.
HostMaterial CreateDrawMaterial(int32_t* index);
// A draw object (message 200).
HostObject CreateDrawObject();
// Every face of three or more points of obj gets material.
void SetAllFaceMaterials(HostObject obj, int32_t material);

// A shell layer of the object at sourceIndex, as the plug-in builds one: a draw object holding
// a copy of the source, each vertex pushed by distance along its normal (the mean of the unit
// FaceNormals around it), faces inverted when invert, all faces given material.
HostObject AddShellLayer(int32_t sourceIndex, float distance, bool invert, int32_t material);

// A picture and one of its pixels.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* at(int32_t x, int32_t y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};
Picture Render(const RenderOptions& options, RenderStats* stats = nullptr);
// Whether a pixel is the background's neutral grey.
bool IsBackground(const uint8_t* pixel);
// The box of pixels that are not background; false when there is none.
bool ForegroundBox(const Picture& picture, int32_t* x0, int32_t* y0, int32_t* x1, int32_t* y1);

// Compares picture with tests/data/render/<name>.png: fails when more than 1 pixel in 500
// differs by more than 10 in a channel (and writes render_<name>.actual.png in the working
// folder to look at). With PUFFSHELL_UPDATE_GOLDEN=1 it rewrites the reference instead.
void ExpectMatchesReference(const char* name, const Picture& picture);

}  // namespace rendertest
