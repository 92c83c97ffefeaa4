// The implementations of the header-only libraries the host uses: tinyobjloader (Debian's
// libtinyobjloader-dev ships a Linux library, which the mingw build cannot link) and stb_image.
// Compiled without warnings: the code is not ours.
#define TINYOBJLOADER_IMPLEMENTATION
#include "tiny_obj_loader.h"

// Images come from memory only (the host reads files itself, for code-page file names).
#define STBI_NO_STDIO
#define STBI_NO_THREAD_LOCALS
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS (1 << 15)
#define STB_IMAGE_IMPLEMENTATION
#include "stb_image.h"
