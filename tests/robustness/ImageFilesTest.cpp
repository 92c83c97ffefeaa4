// Image files of every kind (good, cut short, impossible sizes, depths and compressions the
// plug-in does not sample, top-down rows, a folder, a Japanese name, no image at all) through the
// host's loader, the plug-in's image sampling, the height-map buttons and colour extraction.
#include <math.h>
#include <string.h>

#include <limits>

#include "settings/HeightMapImage.h"
#include "tests/robustness/RobustnessFixture.h"

using namespace robustness;
using stressfiles::ImageCase;

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
const float kOddCoordinates[] = {0.0f, 0.5f, 0.999999f, 1.0f, -0.25f, -1e30f, 1e30f, 123456.7f, kNaN, kInf, -kInf};

int32_t HeaderInt(const void* header, size_t offset) {
    int32_t value;
    memcpy(&value, static_cast<const uint8_t*>(header) + offset, sizeof value);
    return value;
}

}  // namespace

TEST(ImageFiles, TheHostLoaderAcceptsExactlyTheReadableFilesAndDeliversConsistentBlocks) {
    for (const ImageCase& image : ImageCases()) {
        SCOPED_TRACE(image.name);
        void* header = reinterpret_cast<void*>(1);
        void* pixels = reinterpret_cast<void*>(1);
        int32_t loaded = Host().MQ_LoadImage(image.path.c_str(), &header, &pixels, 0);
        EXPECT_EQ(loaded != 0, image.loads);
        if (!loaded) {
            EXPECT_EQ(header, nullptr);
            EXPECT_EQ(pixels, nullptr);
            continue;
        }
        const int32_t width = HeaderInt(header, 4), height = HeaderInt(header, 8);
        uint16_t bitCount;
        memcpy(&bitCount, static_cast<uint8_t*>(header) + 14, 2);
        EXPECT_GT(width, 0);
        EXPECT_GT(height, 0);  // top-down files are delivered bottom-up
        EXPECT_EQ(bitCount, image.bitCount);
        EXPECT_GE(LocalSize(header), 40u);
        const uint64_t rowBytes = (static_cast<uint64_t>(width) * bitCount + 7) / 8;
        EXPECT_EQ(LocalSize(pixels), rowBytes * static_cast<uint64_t>(height));
        LocalFree(header);
        LocalFree(pixels);
    }
    EXPECT_EQ(wb::ImageBlocksAllocated(), wb::ImageBlocksFreed());
}

TEST(ImageFiles, TheHostLoaderRowsOfATopDownFileComeBottomUp) {
    // top-down.bmp holds PatternRows(4, 3, 24) with its first row at the top of the picture.
    std::vector<uint8_t> fileRows = stressfiles::PatternRows(4, 3, 24);
    std::string path = ImageFolder() + "top-down.bmp";
    ImageCases();
    void* header = nullptr;
    void* pixels = nullptr;
    ASSERT_TRUE(Host().MQ_LoadImage(path.c_str(), &header, &pixels, 0));
    const size_t stride = 12;  // 4 pixels of 3 bytes: no padding needed
    const uint8_t* delivered = static_cast<const uint8_t*>(pixels);
    for (int32_t row = 0; row < 3; ++row)
        EXPECT_EQ(memcmp(delivered + row * stride, &fileRows[(2 - row) * stride], stride), 0) << row;
    LocalFree(header);
    LocalFree(pixels);
}

TEST(ImageFiles, SamplingAnyFileAtAnyCoordinateStaysInsideItsBlocks) {
    // The plug-in's own image code (the DLL's is the same code): depths it does not sample give 0,
    // as do files that do not load; no coordinate leaves the pixel block.
    for (const ImageCase& image : ImageCases()) {
        SCOPED_TRACE(image.name);
        HeightMapImage picture;
        EXPECT_EQ(picture.load(image.path.c_str()), image.loads);
        bool sampled = image.bitCount == 8 || image.bitCount == 24 || image.bitCount == 32;
        bool anyColour = false;
        for (float u : kOddCoordinates) {
            for (float v : kOddCoordinates) {
                PackedColor c = picture.sample(u, v);
                if (!sampled) {
                    EXPECT_EQ(c, 0u) << u << ", " << v;
                }
                anyColour = anyColour || c != 0;
            }
        }
        if (sampled) {
            EXPECT_TRUE(anyColour);
        }
    }
    EXPECT_EQ(wb::ImageBlocksAllocated(), wb::ImageBlocksFreed());
}

TEST(ImageFiles, BlocksSmallerThanTheirHeaderClaimsAreReadOnlyAsFarAsTheyGo) {
    // A careless host's blocks: a header claiming 1000 x 1000 over a pixel block of 16 bytes, and a
    // header block shorter than a BITMAPINFOHEADER.
    HeightMapImage picture;
    testhost::ImageBlocks claimed = testhost::MakeImageBlocks(1000, 1000, 24, std::vector<uint8_t>(16, 200));
    picture.adopt(claimed.header, claimed.pixels);
    for (float u : kOddCoordinates)
        for (float v : kOddCoordinates) picture.sample(u, v);
    EXPECT_EQ(picture.sample(0.0f, 0.9999f), 0xC8C8C8FFu);  // bottom-left pixel: inside the block
    EXPECT_EQ(picture.sample(0.5f, 0.5f), 0u);          // beyond the block
    testhost::ImageBlocks shortHeader =
        testhost::MakeImageBlocks(2, 2, 24, std::vector<uint8_t>(12, 7), /*headerSize=*/12);
    picture.adopt(shortHeader.header, shortHeader.pixels);
    EXPECT_EQ(picture.sample(0.0f, 0.0f), 0u);
    picture.release();
    EXPECT_TRUE(picture.empty());
}

TEST_F(RealPluginTest, EveryFileThroughTheHeightMapButtonsLoadsOrSaysSo) {
    // A quad with UVs over the whole picture, its shell on and its height map switched on.
    int32_t quad = testhost::AddUnitQuad("quad");
    testhost::SetFaceUVs(quad, 0, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    Open();
    panel::ClickRow(0);
    panel::TickRow(0, true);
    wb::ProcessMessages();
    panel::Click(IDC_HEIGHT_MAP_ON);
    wb::ProcessMessages();
    ASSERT_TRUE(panel::Enabled(IDC_BROWSE_HEIGHT_MAP));

    for (const ImageCase& image : ImageCases()) {
        // Wine's open-file dialog cannot take a name longer than MAX_PATH, and typing a folder's
        // name into it opens the folder: both stay with the loader tests above.
        if (image.path.size() >= MAX_PATH || image.name == "folder.bmp") continue;
        SCOPED_TRACE(image.name);
        ASSERT_TRUE(panel::ChooseFile(IDC_BROWSE_HEIGHT_MAP, image.path));
        std::string said;
        bool box = MessageBoxDuring([] { panel::Click(IDC_LOAD_HEIGHT_MAP); }, &said);
        EXPECT_EQ(box, !image.loads);
        if (box) {
            EXPECT_EQ(said, "なんか読み込み失敗");
        }
        wb::ProcessMessages();
        DrawSummary draws = SummarizeDrawObjects();
        EXPECT_EQ(draws.layers, 1u);
        EXPECT_TRUE(draws.allFinite);
    }
    // The record holds one height map at most: the last good one, or none.
    EXPECT_LE(wb::ImageBlocksAllocated() - wb::ImageBlocksFreed(), 2);
}

TEST_F(RealPluginTest, EveryFileAsATextureGivesColoursOrNoneToColourExtraction) {
    // One quad per file, its face textured with the file; every quad in one object, so that one
    // extraction reads them all. Texture names are resolved against the image folder; the
    // Japanese name and the folder come in by base name, the long name by its full path.
    const std::vector<ImageCase>& images = ImageCases();
    std::vector<HostPoint> vertices;
    std::vector<std::vector<int32_t>> faces;
    for (size_t i = 0; i < images.size(); ++i) {
        float x = static_cast<float>(i);
        int32_t base = static_cast<int32_t>(vertices.size());
        vertices.insert(vertices.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x + 1, 1, 0}, {x, 1, 0}});
        faces.push_back({base, base + 1, base + 2, base + 3});
    }
    int32_t index = wb::AddMeshObject("quads", vertices, faces);
    HostObject object = testhost::ObjectAt(index);
    for (size_t i = 0; i < images.size(); ++i) {
        const std::string& path = images[i].path;
        std::string name = path.size() >= MAX_PATH || path.empty() ? path : path.substr(path.find_last_of('\\') + 1);
        int32_t material = AddTexturedMaterial(name);
        int32_t face = static_cast<int32_t>(i);
        Host().MQObj_SetFaceMaterial(object, face, material);
        testhost::SetFaceUVs(index, face, {{0.1f, 0.1f}, {0.9f, 0.1f}, {0.9f, 0.9f}, {kNaN, 1e30f}});
    }
    Open();
    panel::ClickRow(0);
    panel::TickRow(0, true);
    panel::Click(IDC_PRESET_COLOR_TRACE);  // extracts the colours and draws them
    wb::ProcessMessages();
    DrawSummary draws = SummarizeDrawObjects();
    EXPECT_EQ(draws.layers, 1u);
    EXPECT_TRUE(draws.allFinite);

    // The layer's corner colours: the sampled texture for files the plug-in samples, transparent
    // black for every other file (half brightness, so 0 stays 0).
    std::vector<HostObject> layers = wb::DrawObjects();
    ASSERT_EQ(layers.size(), 1u);
    for (size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(images[i].name);
        bool sampled = images[i].bitCount == 8 || images[i].bitCount == 24 || images[i].bitCount == 32;
        uint32_t color = Host().MQObj_GetFaceVertexColor(layers[0], static_cast<int32_t>(i), 1);
        // (An empty texture name means no texture: that face shows its material's colour.)
        if (!sampled && !images[i].path.empty()) {
            EXPECT_EQ(color, 0u);
        }
    }
    // Every texture stays cached while the plug-in is loaded; TearDown checks they go with it.
}
