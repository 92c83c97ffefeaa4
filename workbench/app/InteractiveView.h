// The interactive 3D view: the workbench's main window shows the document with the plug-in's
// shells beside Puffshell's panel, so that a person can try every control. Drag with the left
// mouse button to orbit, turn the wheel (or drag with the right button) to zoom; the arrow keys
// orbit and +/- zoom too, Home resets the view. The view redraws whenever the plug-in asks for it.
#pragma once

#include <stdint.h>

#include <string>

#include <windows.h>

namespace workbench {

// The camera and what the view has shown so far.
struct ViewState {
    float yaw = 0.6f;
    float pitch = 0.45f;
    float zoom = 1.0f;
    int32_t redraws = 0;          // plug-in redraws answered since the view opened
    int32_t renders = 0;          // pictures rendered into the view
    double lastRedrawMs = 0.0;
    bool closed = false;          // the person closed the window
};

// Shows the view: the workbench's main window, moved beside the panel, with a client area of
// width x height holding the 3D view. Null with *error when there is no panel or no window.
HWND OpenInteractiveView(int32_t width, int32_t height, std::string* error);
// One turn of the loop: dispatches pending messages (the panel's included), answers the plug-in's
// refreshes with redraws and repaints the view when anything changed. False once the view was
// closed.
bool StepInteractiveView();
// Gives the main window back to the host as it was and forgets the view.
void CloseInteractiveView();
// The view's window (null when closed) and state.
HWND InteractiveViewWindow();
const ViewState& InteractiveViewState();

// Open, loop until the person closes the window, close. False with *error when it cannot open.
// (Ctrl+C in the terminal ends the process, as in a scripted run: see StopOnInterrupt.h.)
bool RunInteractiveView(int32_t width, int32_t height, std::string* error);

}  // namespace workbench
