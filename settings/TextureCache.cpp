#include "settings/TextureCache.h"

namespace {
// The one cache of the process: constructed when the module loads, destroyed when it unloads.
TextureCache g_textures;
}  // namespace

TextureCache& Textures() { return g_textures; }

const HeightMapImage& TextureCache::imageFor(const std::string& path) {
    auto inserted = images_.try_emplace(path);
    HeightMapImage& image = inserted.first->second;
    // Loaded in place, once: a failed load stays cached as an empty image and is not retried.
    if (inserted.second) image.load(path.c_str());
    return image;
}
