// TextureCache: texture images by resolved file path (case-sensitive, byte order), loaded once at
// first use by colour extraction and kept until the module unloads, failures included.
#pragma once

#include <map>
#include <string>

#include "settings/HeightMapImage.h"

class TextureCache {
public:
    // The image for path: loaded on first use (a failed load stays as an empty image).
    const HeightMapImage& imageFor(const std::string& path);
    size_t size() const { return images_.size(); }
    void clear() { images_.clear(); }

private:
    std::map<std::string, HeightMapImage> images_;
};

TextureCache& Textures();
