// Pictures of windows and pixel buffers as PNG files.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include <windows.h>

namespace workbench {

// An RGBA picture, rows top-down.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
};

// Captures a window (frame included) as it is drawn now. False with *error on failure.
bool CaptureWindow(HWND window, Picture* out, std::string* error);
// Writes a picture as PNG (file name in the ANSI code page). False with *error on failure.
bool WritePng(const Picture& picture, const std::string& path, std::string* error);

// The plug-in's panel: a visible top-level window of this process owned by `owner`, else any
// other visible top-level window of this process; NULL if there is none.
HWND FindPluginWindow(HWND owner);

}  // namespace workbench
