// stb_image_write's implementation for the workbench program (PNG pictures). Compiled without
// warnings: the code is not ours.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"
