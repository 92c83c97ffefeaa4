#include "workbench/app/InteractiveView.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <vector>

#include "workbench/app/HostLoop.h"
#include "workbench/app/PanelSteps.h"
#include "workbench/host/Workbench.h"
#include "workbench/panel/PanelDriver.h"
#include "workbench/render/Render.h"

namespace workbench {

namespace {

const char kViewClass[] = "PuffshellWorkbenchView";
const float kPitchLimit = 1.5f;

// The one open view. The host's main window is borrowed for it: its window procedure is
// wrapped while the view is open, and its place, size and title are given back afterwards.
struct View {
    HWND main = nullptr;
    HWND child = nullptr;
    WNDPROC hostProc = nullptr;
    RECT hostRect = {};
    char hostTitle[256] = "";
    ViewState state;
    bool dirty = true;        // the picture no longer matches the document or the camera
    bool dragging = false;
    bool orbiting = false;    // left button: orbit; right button: zoom
    POINT last = {};
    int32_t width = 0;        // size of the picture in pixels
    int32_t height = 0;
    std::vector<uint8_t> bgra;
};
View* view = nullptr;

void UpdateTitle() {
    char title[256];
    snprintf(title, sizeof title,
             "Puffshell workbench - drag: orbit, wheel: zoom, P: panel - redraw %d (%.1f ms), %d layers",
             view->state.redraws, view->state.lastRedrawMs, static_cast<int>(wb::DrawObjects().size()));
    SetWindowTextA(view->main, title);
}

// Renders the document and the plug-in's shells at the view's size into view->bgra.
void RenderPicture() {
    RECT client;
    GetClientRect(view->child, &client);
    view->width = std::max<int32_t>(1, client.right);
    view->height = std::max<int32_t>(1, client.bottom);
    RenderOptions options;
    options.width = view->width;
    options.height = view->height;
    options.yaw = view->state.yaw;
    options.pitch = view->state.pitch;
    options.zoom = view->state.zoom;
    options.supersample = view->dragging ? 1 : 2;  // quick while the camera moves
    std::vector<uint8_t> rgba;
    if (!RenderView(wb::ActiveDocument(), options, &rgba, nullptr)) {
        view->bgra.assign(static_cast<size_t>(view->width) * view->height * 4, 0);
        return;
    }
    view->bgra.resize(rgba.size());
    for (size_t i = 0; i < rgba.size(); i += 4) {
        view->bgra[i] = rgba[i + 2];
        view->bgra[i + 1] = rgba[i + 1];
        view->bgra[i + 2] = rgba[i];
        view->bgra[i + 3] = 255;
    }
    ++view->state.renders;
    view->dirty = false;
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    if (view->dirty || client.right != view->width || client.bottom != view->height) RenderPicture();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = view->width;
    info.bmiHeader.biHeight = -view->height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, view->width, view->height, 0, 0, 0, view->height, view->bgra.data(),
                      &info, DIB_RGB_COLORS);
    EndPaint(window, &paint);
}

void Changed() {
    view->dirty = true;
    InvalidateRect(view->child, nullptr, FALSE);
}

void Orbit(float yaw, float pitch) {
    view->state.yaw += yaw;
    view->state.pitch = std::min(kPitchLimit, std::max(-kPitchLimit, view->state.pitch + pitch));
    Changed();
}

void Zoom(float factor) {
    view->state.zoom = std::min(50.0f, std::max(0.05f, view->state.zoom * factor));
    Changed();
}

bool OnKey(WPARAM key) {
    switch (key) {
        case VK_LEFT: Orbit(-0.1f, 0.0f); return true;
        case VK_RIGHT: Orbit(0.1f, 0.0f); return true;
        case VK_UP: Orbit(0.0f, 0.1f); return true;
        case VK_DOWN: Orbit(0.0f, -0.1f); return true;
        case VK_ADD: case VK_OEM_PLUS: Zoom(1.1f); return true;
        case VK_SUBTRACT: case VK_OEM_MINUS: Zoom(1.0f / 1.1f); return true;
        case VK_HOME:
            view->state.yaw = ViewState().yaw;
            view->state.pitch = ViewState().pitch;
            view->state.zoom = 1.0f;
            Changed();
            return true;
        case 'P':  // the panel back after it was closed: the station activated again
            wb::ActivatePlugin(true);
            return true;
        default: return false;
    }
}

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (!view) return DefWindowProcA(window, message, wp, lp);
    switch (message) {
        case WM_PAINT: Paint(window); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            SetFocus(window);
            SetCapture(window);
            view->dragging = true;
            view->orbiting = message == WM_LBUTTONDOWN;
            view->last = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            return 0;
        case WM_MOUSEMOVE:
            if (view->dragging) {
                const POINT at = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
                const int dx = at.x - view->last.x, dy = at.y - view->last.y;
                view->last = at;
                if (view->orbiting) Orbit(dx * 0.01f, dy * 0.01f);
                else Zoom(expf(-dy * 0.01f));
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_CAPTURECHANGED:
            if (view->dragging) {
                view->dragging = false;
                if (GetCapture() == window) ReleaseCapture();
                Changed();  // once more at full quality
            }
            return 0;
        case WM_MOUSEWHEEL:
            Zoom(powf(1.1f, static_cast<short>(HIWORD(wp)) / 120.0f));
            return 0;
        case WM_KEYDOWN:
            if (OnKey(wp)) return 0;
            break;
        default: break;
    }
    return DefWindowProcA(window, message, wp, lp);
}

// Wraps the host's main window while it shows the view: closing it ends the view, resizing it
// resizes the view; everything else goes to the host as before.
LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (!view) return DefWindowProcA(window, message, wp, lp);
    switch (message) {
        case WM_CLOSE:
            view->state.closed = true;
            return 0;
        case WM_SIZE:
            if (view->child) MoveWindow(view->child, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
            Changed();
            return 0;
        case WM_SETFOCUS:
            if (view->child) SetFocus(view->child);
            return 0;
        case WM_MOUSEWHEEL:  // the wheel goes to the focus window; pass it on to the view
            if (view->child) return SendMessageA(view->child, message, wp, lp);
            break;
        default: break;
    }
    return CallWindowProcA(view->hostProc, window, message, wp, lp);
}

bool RegisterViewClass() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, kViewClass, &wc)) return true;
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_SIZEALL);
    wc.lpszClassName = kViewClass;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace

HWND OpenInteractiveView(int32_t width, int32_t height, std::string* error) {
    if (view) return view->main;
    HWND panelWindow = panel::FindPanel();
    HWND main = wb::MainWindow();
    if (!panelWindow || !main || !RegisterViewClass()) {
        *error = !panelWindow ? "the interactive view needs the plug-in's panel"
                              : "the interactive view's window cannot be made";
        return nullptr;
    }
    view = new View;
    view->main = main;
    GetWindowRect(main, &view->hostRect);
    GetWindowTextA(main, view->hostTitle, sizeof view->hostTitle);
    view->hostProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MainProc)));

    // The main window right of the panel, its client area width x height.
    RECT panelRect;
    GetWindowRect(panelWindow, &panelRect);
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(main, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(main, GWL_EXSTYLE)));
    SetWindowPos(main, nullptr, panelRect.right + 4, panelRect.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(main, &client);
    view->child = CreateWindowExA(0, kViewClass, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                                  client.bottom, main, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!view->child) {
        CloseInteractiveView();
        *error = "the interactive view's window cannot be made";
        return nullptr;
    }
    ShowWindow(main, SW_SHOW);
    ShowWindow(panelWindow, SW_SHOW);
    SetFocus(view->child);
    UpdateTitle();
    Changed();
    return main;
}

bool StepInteractiveView() {
    if (!view) return false;
    // A freeze as a new object made on the panel meanwhile appends the shell of the selected
    // row's object: named as in a scripted run.
    HostDocument doc = wb::ActiveDocument();
    const int32_t objects = MQDoc_GetObjectCount(doc);
    const int32_t row = panel::SelectedRow();
    HostObject source = row >= 0 ? RowObject(row) : nullptr;
    std::vector<double> times;
    int32_t redraws = AnswerRefreshes(&times);
    if (source && MQDoc_GetObjectCount(doc) > objects) {
        std::vector<std::pair<int32_t, HostObject>> shells;
        for (int32_t slot = objects; slot < MQDoc_GetObjectCount(doc); ++slot) shells.emplace_back(slot, source);
        NameFrozenShells(shells);
        redraws += AnswerRefreshes(&times);
    }
    // A bare X server (no window manager) may unmap the view when its title bar is dragged: it is
    // shown again at once, without taking the focus from the panel.
    if (!IsWindowVisible(view->main) || IsIconic(view->main)) ShowWindow(view->main, SW_SHOWNOACTIVATE);
    if (redraws > 0) {
        view->state.redraws += redraws;
        view->state.lastRedrawMs = times.back();
        UpdateTitle();
        Changed();
    }
    if (view->dirty && view->child) UpdateWindow(view->child);
    return !view->state.closed;
}

void CloseInteractiveView() {
    if (!view) return;
    if (view->child) DestroyWindow(view->child);
    if (view->main && IsWindow(view->main)) {
        SetWindowLongPtrA(view->main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(view->hostProc));
        SetWindowTextA(view->main, view->hostTitle);
        const RECT& r = view->hostRect;
        SetWindowPos(view->main, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    delete view;
    view = nullptr;
}

HWND InteractiveViewWindow() { return view ? view->child : nullptr; }

const ViewState& InteractiveViewState() {
    static const ViewState none;
    return view ? view->state : none;
}

bool RunInteractiveView(int32_t width, int32_t height, std::string* error) {
    if (!OpenInteractiveView(width, height, error)) return false;
    while (StepInteractiveView()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    CloseInteractiveView();
    return true;
}

}  // namespace workbench
