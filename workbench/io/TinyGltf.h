// tinygltf as the host builds it, the same in every file that uses it (the class's inline code
// differs with these switches): no image decoding or encoding of its own (the host does that),
// no external images read, and no file access but the callbacks the host gives it.
#pragma once

#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#define TINYGLTF_NO_FS
#include "tiny_gltf.h"
