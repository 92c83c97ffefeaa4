#include "workbench/render/Render.h"

// The PNG writer's implementation, private to this file so that no other module's copy of it
// can clash at link time.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
// Paths are UTF-8, as everywhere in the workbench.
#define STBIW_WINDOWS_UTF8
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include "stb_image_write.h"
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

bool WritePng(const char* path, int32_t width, int32_t height, const std::vector<uint8_t>& rgba) {
    if (!path || !path[0] || width < 1 || height < 1) return false;
    if (rgba.size() < static_cast<size_t>(width) * height * 4) return false;
    return stbi_write_png(path, width, height, 4, rgba.data(), width * 4) != 0;
}
