// The implementations of the header-only libraries the host uses: tinyobjloader (Debian's
// libtinyobjloader-dev ships a Linux library, which the mingw build cannot link), stb_image,
// stb_image_write and tinygltf. Compiled without warnings: the code is not ours.
#define TINYOBJLOADER_IMPLEMENTATION
#include "tiny_obj_loader.h"

// Images come from memory only (the host reads files itself, for code-page file names).
#define STBI_NO_STDIO
#define STBI_NO_THREAD_LOCALS
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_TGA
#define STBI_ONLY_BMP  // for glTF's embedded textures; MQ_LoadImage reads BMP files itself
#define STBI_MAX_DIMENSIONS (1 << 15)
#define STB_IMAGE_IMPLEMENTATION
// stb_image copies zero bytes to a null pointer at times (a PNG whose first image data chunk is
// empty): harmless in practice, but undefined, and a compiler may build on it. Its copies go
// through this guard.
#include <string.h>
static inline void* CopyBytes(void* to, const void* from, size_t n) {
    return n ? memcpy(to, from, n) : to;
}
#define memcpy CopyBytes
#include "stb_image.h"
#undef memcpy

// PNG encoding into memory, for textures that glTF cannot embed as they are.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

// glTF reading and writing: files and images are read and written by the host.
#define TINYGLTF_IMPLEMENTATION
#include "workbench/io/TinyGltf.h"
