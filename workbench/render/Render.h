// The workbench's software renderer: draws what the modeller's view would show of a document,
// its visible objects together with the draw objects a plug-in made during the last redraw,
// into an RGBA image. Deterministic: the same document and options give the same pixels.
#pragma once

#include <stdint.h>

#include <vector>

#include "plugin/HostAbi.h"

struct RenderOptions {
    int32_t width = 640;    // image size in pixels, 1..8192 each
    int32_t height = 480;
    float yaw = 0.6f;       // camera heading around the vertical axis, radians (0: from +z)
    float pitch = 0.45f;    // camera elevation above the horizontal plane, radians
    float zoom = 1.0f;      // > 1 moves closer than the fitted view, < 1 farther away
    bool drawDocument = true;   // the document's visible objects
    bool drawShells = true;     // the host's current draw objects
    bool cullBackFaces = true;  // faces seen from behind are not drawn
    int32_t supersample = 2;    // samples per pixel along each axis, 1..4 (anti-aliasing)
};

struct RenderStats {
    int32_t documentObjects = 0;     // visible document objects read
    int32_t shellObjects = 0;        // draw objects read
    int32_t faces = 0;               // faces of three or more points read
    int32_t trianglesDrawn = 0;      // triangles that reached the rasteriser
    int32_t trianglesCulled = 0;     // triangles seen from behind
    int32_t trianglesTransparent = 0;
    int32_t texturesLoaded = 0;
};

// Renders doc (a null or unknown document gives just the background) into *rgba: height rows
// of width pixels, top row first, 4 bytes per pixel (red, green, blue, alpha = 255). The camera
// frames the bounding box of everything drawn, seen from options.yaw / pitch. Returns false
// (leaving *rgba empty) only for an invalid size or a null output. stats may be null.
bool RenderView(HostDocument doc, const RenderOptions& options, std::vector<uint8_t>* rgba,
                RenderStats* stats);

// Writes an image of RenderView's layout as a PNG file; false when rgba is too small or the
// file cannot be written.
bool WritePng(const char* path, int32_t width, int32_t height, const std::vector<uint8_t>& rgba);
