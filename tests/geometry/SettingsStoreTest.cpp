// The settings records, their store and the texture cache: defaults, lookups and the ownership
// of image blocks and extracted colours.
#include "tests/geometry/GeometryFixture.h"

class SettingsStoreTest : public GeometryTest {
protected:
    std::string Bmp(const char* name) { return testhost::WriteBmp(name, 2, 1, 8, {10, 20}); }
};

TEST_F(SettingsStoreTest, FindNeverInsertsAndFindOrCreateInsertsDefaults) {
    EXPECT_EQ(Settings().find(42), nullptr);
    EXPECT_EQ(Settings().size(), 0u);
    ExpansionSettings& record = Settings().findOrCreate(42);
    EXPECT_EQ(Settings().find(42), &record);
    EXPECT_EQ(&Settings().findOrCreate(42), &record);
    EXPECT_EQ(record.enabled, 0);
    EXPECT_EQ(record.invertFaces, 0);
    EXPECT_EQ(record.normalPush, 1);
    EXPECT_EQ(record.pushDistance, 1.0f);
    EXPECT_EQ(record.repeatCount, 1);
    EXPECT_EQ(record.transparency, 0);
    EXPECT_EQ(record.brightness, 100);
    EXPECT_EQ(record.colorMode, 0);
    EXPECT_EQ(record.heightMapOn, 0);
    EXPECT_EQ(record.vertexColorPush, 0);
    EXPECT_EQ(record.vertexColorScale, 1.0f);
    EXPECT_EQ(record.heightMapScale, 1.0f);
    EXPECT_TRUE(record.heightMapFile.empty());
    EXPECT_TRUE(record.heightMap.empty());
    EXPECT_EQ(record.extractedColors, nullptr);
    EXPECT_EQ(record.extractedColorCount, 0);
}

TEST_F(SettingsStoreTest, ResetAndClearReleaseImagesAndColoursOnce) {
    std::string file = Bmp("reset.bmp");
    int64_t allocated = wb::ImageBlocksAllocated(), freed = wb::ImageBlocksFreed();
    ExpansionSettings& record = Settings().findOrCreate(7);
    for (int32_t id = 100; id < 140; ++id) Settings().findOrCreate(id);  // the record stays put
    record.enabled = 1;
    record.pushDistance = -3.0f;
    record.heightMapFile = file;
    ASSERT_TRUE(record.heightMap.load(file.c_str()));
    ASSERT_NE(record.replaceExtractedColors(3), nullptr);
    EXPECT_EQ(record.extractedColorCount, 3);
    EXPECT_EQ(record.extractedColors[2], 0u);

    record.resetToDefaults();
    EXPECT_EQ(Settings().find(7), &record);
    EXPECT_EQ(record.enabled, 0);
    EXPECT_EQ(record.pushDistance, 1.0f);
    EXPECT_TRUE(record.heightMapFile.empty());
    EXPECT_TRUE(record.heightMap.empty());
    EXPECT_EQ(record.extractedColors, nullptr);
    EXPECT_EQ(record.extractedColorCount, 0);
    EXPECT_EQ(wb::ImageBlocksFreed() - freed, 2);
    record.resetToDefaults();  // nothing left to free
    EXPECT_EQ(wb::ImageBlocksFreed() - freed, 2);

    ASSERT_TRUE(Settings().findOrCreate(8).heightMap.load(file.c_str()));
    SettingsSnapshot snapshot = TakeSnapshot(Settings().findOrCreate(8));
    EXPECT_NE(snapshot.heightMapPixels, nullptr);  // a view, released by the record alone
    Settings().clear();
    EXPECT_EQ(Settings().size(), 0u);
    EXPECT_EQ(wb::ImageBlocksAllocated() - allocated, 4);
    EXPECT_EQ(wb::ImageBlocksFreed() - freed, 4);
}

TEST_F(SettingsStoreTest, TextureCacheLoadsEachPathOnceFailuresIncluded) {
    std::string file = Bmp("texture.bmp");
    std::string missing = testhost::TempFolder() + "no-such-texture.bmp";
    int64_t allocated = wb::ImageBlocksAllocated(), freed = wb::ImageBlocksFreed();
    std::vector<std::string> calls = testhost::RecordNames([&] {
        const HeightMapImage& first = Textures().imageFor(file);
        EXPECT_EQ(&Textures().imageFor(file), &first);
        EXPECT_EQ(first.sample(0.75f, 0.0f), 0x141414FFu);
        EXPECT_TRUE(Textures().imageFor(missing).empty());
        EXPECT_TRUE(Textures().imageFor(missing).empty());
    });
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "MQ_LoadImage"), 2);
    EXPECT_EQ(Textures().size(), 2u);
    // Letter case makes another path (the same file on a case-insensitive file system).
    std::string upper = file;
    upper.replace(upper.size() - 11, 7, "TEXTURE");
    Textures().imageFor(upper);
    EXPECT_EQ(Textures().size(), 3u);
    Textures().clear();
    EXPECT_EQ(wb::ImageBlocksFreed() - freed, wb::ImageBlocksAllocated() - allocated);
}
