// The host's image loader (MQ_LoadImage: BMP read by the host itself, PNG, JPEG and TGA through
// stb_image) and the plug-in's height map that adopts its blocks. The input is the file. Blocks
// handed out must hold what their header promises, and sampling them must stay inside them.
#include "settings/HeightMapImage.h"
#include "tests/fuzz/FuzzFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path =
        fuzz::WriteFile("image", std::string(reinterpret_cast<const char*>(data), size));
    void* header = nullptr;
    void* pixels = nullptr;
    if (!MQ_LoadImage(path.c_str(), &header, &pixels, 0)) {
        FUZZ_CHECK(!header && !pixels, "a failed load handed out blocks");
        return 0;
    }
    BITMAPINFOHEADER info;
    FUZZ_CHECK(LocalSize(header) >= sizeof info, "a header block of %zu bytes",
               static_cast<size_t>(LocalSize(header)));
    memcpy(&info, header, sizeof info);
    const int bits = info.biBitCount;
    FUZZ_CHECK(info.biWidth > 0 && info.biHeight > 0 && bits > 0 && bits <= 32,
               "%d x %d at %d bits", static_cast<int>(info.biWidth),
               static_cast<int>(info.biHeight), bits);
    // Rows of width x bits, rounded up to whole bytes, without padding.
    const uint64_t promised =
        (static_cast<uint64_t>(info.biWidth) * bits + 7) / 8 * static_cast<uint64_t>(info.biHeight);
    FUZZ_CHECK(LocalSize(pixels) >= promised, "%zu bytes for %llu",
               static_cast<size_t>(LocalSize(pixels)), static_cast<unsigned long long>(promised));

    HeightMapImage image;
    image.adopt(header, pixels);  // frees the blocks when it goes
    PackedColor sink = 0;
    for (float u : {0.0f, 0.3f, 0.999f, -0.5f})
        for (float v : {0.0f, 0.7f, 0.999f, 1.5f}) sink ^= image.sample(u, v);
    return static_cast<int>(sink & 0);
}
