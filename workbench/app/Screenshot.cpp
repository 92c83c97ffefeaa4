// Window capture (the window DC copied into a 32-bit DIB) and PNG writing (stb_image_write).
#include "workbench/app/Screenshot.h"

#include <string.h>

#include "stb_image_write.h"

namespace workbench {

namespace {

struct FindState {
    HWND owner;
    HWND owned;
    HWND other;
};

BOOL CALLBACK FindProc(HWND hwnd, LPARAM lp) {
    FindState* s = reinterpret_cast<FindState*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || hwnd == s->owner || !IsWindowVisible(hwnd)) return TRUE;
    if (s->owner && GetWindow(hwnd, GW_OWNER) == s->owner) {
        if (!s->owned) s->owned = hwnd;
    } else if (!s->other) {
        s->other = hwnd;
    }
    return TRUE;
}

void AppendBytes(void* context, void* data, int size) {
    auto* buffer = static_cast<std::vector<uint8_t>*>(context);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    buffer->insert(buffer->end(), bytes, bytes + size);
}

}  // namespace

HWND FindPluginWindow(HWND owner) {
    FindState s{owner, nullptr, nullptr};
    EnumWindows(FindProc, reinterpret_cast<LPARAM>(&s));
    return s.owned ? s.owned : s.other;
}

bool CaptureWindow(HWND window, Picture* out, std::string* error) {
    RECT r;
    if (!window || !IsWindow(window) || !GetWindowRect(window, &r)) {
        if (error) *error = "no window to capture";
        return false;
    }
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192) {
        if (error) *error = "window has no usable size";
        return false;
    }
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    BITMAPINFO bi;
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (mem && dib && bits) {
        HGDIOBJ old = SelectObject(mem, dib);
        // Wine's PrintWindow leaves the child controls out, so copy the window's own surface
        // (frame included), or what the screen shows where the window is when that fails.
        HDC wdc = GetWindowDC(window);
        ok = wdc && BitBlt(mem, 0, 0, w, h, wdc, 0, 0, SRCCOPY);
        if (wdc) ReleaseDC(window, wdc);
        if (!ok) ok = BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != 0;
        GdiFlush();
        if (ok) {
            out->width = w;
            out->height = h;
            out->rgba.resize(static_cast<size_t>(w) * h * 4);
            const uint8_t* src = static_cast<const uint8_t*>(bits);
            for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
                out->rgba[i * 4 + 0] = src[i * 4 + 2];
                out->rgba[i * 4 + 1] = src[i * 4 + 1];
                out->rgba[i * 4 + 2] = src[i * 4 + 0];
                out->rgba[i * 4 + 3] = 255;
            }
        }
        SelectObject(mem, old);
    }
    if (dib) DeleteObject(dib);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (!ok && error) *error = "window capture failed";
    return ok;
}

bool WritePng(const Picture& picture, const std::string& path, std::string* error) {
    std::vector<uint8_t> png;
    if (picture.width <= 0 || picture.height <= 0 ||
        !stbi_write_png_to_func(AppendBytes, &png, picture.width, picture.height, 4,
                                picture.rgba.data(), picture.width * 4)) {
        if (error) *error = path + ": PNG encoding failed";
        return false;
    }
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) *error = path + ": cannot be written";
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(h, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
                    written == png.size();
    CloseHandle(h);
    if (!ok && error) *error = path + ": write error";
    return ok;
}

}  // namespace workbench
