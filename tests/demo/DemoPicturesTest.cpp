// The workbench program's pictures of small scenes, compared with stored references: the script run
// in-process on a sphere written as an OBJ file, a preset chosen through the real panel, and the
// picture it wrote read back. Beside the reference, what a person looks for: a dark ring around
// the sphere, faint layers, colours from the texture.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>

#include "tests/demo/DemoTestUtil.h"
#include "workbench/app/DemoImages.h"
#include "workbench/app/DemoScript.h"

using namespace demotest;
using rendertest::Picture;

namespace {

int32_t Brightest(const uint8_t* p) { return std::max({int32_t(p[0]), int32_t(p[1]), int32_t(p[2])}); }

// On the middle row from the left: the pixels that differ from the background at the row's start
// but by less than 25 in every channel, before the first one that differs more (the object).
int32_t SoftEdgeWidth(const Picture& picture) {
    const int32_t y = picture.height / 2;
    const uint8_t* background = picture.at(0, y);
    int32_t tinted = 0;
    for (int32_t x = 0; x < picture.width; ++x) {
        const uint8_t* p = picture.at(x, y);
        int32_t difference = 0;
        for (int k = 0; k < 3; ++k) difference = std::max(difference, std::abs(p[k] - background[k]));
        if (difference >= 25) break;
        if (difference > 0) ++tinted;
    }
    return tinted;
}

// The second pixel that is not background, going along column x from the top (down) or from the
// bottom (up): the first solid one after the anti-aliased edge.
const uint8_t* SecondFromEdge(const Picture& picture, int32_t x, bool fromTop) {
    int32_t seen = 0;
    for (int32_t i = 0; i < picture.height; ++i) {
        const uint8_t* p = picture.at(x, fromTop ? i : picture.height - 1 - i);
        if (!rendertest::IsBackground(p) && ++seen == 2) return p;
    }
    return picture.at(x, 0);
}

void ExpectColour(const uint8_t* p, int32_t r, int32_t g, int32_t b, const char* where) {
    EXPECT_NEAR(p[0], r, 8) << where;
    EXPECT_NEAR(p[1], g, 8) << where;
    EXPECT_NEAR(p[2], b, 8) << where;
}

struct Pictures {
    Picture before;  // before.png
    Picture after;   // the preset's picture
};

// Runs the script on the sphere with one preset and reads back its pictures.
Pictures PresetPictures(const char* folderName, workbench::Preset preset, const char* texture,
                        workbench::RunReport* report) {
    const std::string folder = FreshFolder(folderName);
    if (texture) {
        // The top half of the texture red, the bottom half blue: the sphere's upper half red,
        // its lower half blue.
        workbench::RgbImage image;
        image.width = 4;
        image.height = 8;
        for (int32_t y = 0; y < image.height; ++y)
            for (int32_t x = 0; x < image.width; ++x) {
                const bool top = y < image.height / 2;
                image.rgb.insert(image.rgb.end(), {uint8_t(top ? 230 : 30), 40, uint8_t(top ? 30 : 230)});
            }
        std::string error;
        EXPECT_TRUE(workbench::WriteBmp24(folder + "\\" + texture, image, &error)) << error;
    }
    WriteSphereObj(folder + "\\sphere.obj", texture);
    workbench::Options options = SmallRun(folder + "\\out");
    options.scene = folder + "\\sphere.obj";
    options.preset = preset;
    options.hasDistance = true;  // a twentieth of the radius: wide enough for small pictures
    options.distance = 0.5f;
    EXPECT_EQ(workbench::RunWorkbench(options, report), workbench::kExitOk) << report->error;
    return {ReadPng(options.out + "\\before.png"),
            ReadPng(options.out + "\\" + workbench::PresetPictureName(preset))};
}

TEST(DemoPictures, BlackFrameDrawsADarkRingAroundTheSphere) {
    workbench::RunReport report;
    const Pictures pictures = PresetPictures("outline", workbench::Preset::BlackFrame, nullptr, &report);
    const Picture& picture = pictures.after;
    ASSERT_EQ(picture.width, 160);
    rendertest::ExpectMatchesReference("demo_black_frame", picture);
    ASSERT_EQ(report.pictures.size(), 2u);  // before.png, black_frame.png
    EXPECT_EQ(report.pictures[1].layers, 1);
    EXPECT_EQ(report.pictures[1].stats.faces, 2 * kSphereFaces);

    // Along the middle row: background, then dark outline pixels, then the lit sphere, and the
    // same mirrored on the right.
    const int32_t y = picture.height / 2;
    int32_t firstDark = -1, lastDark = -1;
    for (int32_t x = 0; x < picture.width; ++x)
        if (Brightest(picture.at(x, y)) < 50) {
            if (firstDark < 0) firstDark = x;
            lastDark = x;
        }
    ASSERT_GE(firstDark, 0) << "no outline on the middle row";
    ASSERT_GE(firstDark, 2);
    EXPECT_TRUE(rendertest::IsBackground(picture.at(firstDark - 2, y)));
    EXPECT_GT(Brightest(picture.at(picture.width / 2, y)), 150) << "the sphere shows inside";
    EXPECT_GT(lastDark - firstDark, 40);
}

TEST(DemoPictures, BlurDrawsFiveFaintLayersAroundTheSphere) {
    workbench::RunReport report;
    const Pictures pictures = PresetPictures("blur", workbench::Preset::Blur, nullptr, &report);
    const Picture& picture = pictures.after;
    ASSERT_EQ(picture.width, 160);
    rendertest::ExpectMatchesReference("demo_blur", picture);
    ASSERT_EQ(report.pictures.size(), 2u);
    EXPECT_EQ(report.pictures[1].layers, 5);
    EXPECT_GT(report.pictures[1].stats.trianglesTransparent, 0);

    // A soft edge: on the middle row the faint layers tint several pixels between the
    // background and the sphere, where the sphere alone has a hard edge. No pixel is dark.
    EXPECT_GE(SoftEdgeWidth(picture), 6);
    EXPECT_LE(SoftEdgeWidth(pictures.before), 2);
    int32_t dark = 0;
    for (size_t i = 0; i < picture.rgba.size(); i += 4) dark += Brightest(&picture.rgba[i]) < 40 ? 1 : 0;
    EXPECT_EQ(dark, 0);
}

TEST(DemoPictures, ColourTraceOutlinesTheSphereInItsTexturesColoursAtHalfBrightness) {
    workbench::RunReport report;
    const Pictures pictures = PresetPictures("trace", workbench::Preset::ColourTrace, "halves.bmp", &report);
    const Picture& picture = pictures.after;
    ASSERT_EQ(picture.width, 160);
    rendertest::ExpectMatchesReference("demo_colour_trace", picture);
    EXPECT_EQ(report.pictures.at(1).layers, 1);

    // The rim is the texture's colour at half brightness, unlit: (230, 40, 30) / 2 at the top,
    // where the sphere is red, and (30, 40, 230) / 2 at the bottom, where it is blue. Without
    // the trace the same pixels are the sphere's own lit red and shaded blue.
    const int32_t x = picture.width / 2;
    ExpectColour(SecondFromEdge(picture, x, true), 115, 20, 15, "top rim");
    ExpectColour(SecondFromEdge(picture, x, false), 15, 20, 115, "bottom rim");
    EXPECT_GT(SecondFromEdge(pictures.before, x, true)[0], 180) << "the sphere's own red is lit";
    EXPECT_LT(SecondFromEdge(pictures.before, x, false)[2], 90) << "and its blue underside shaded";
}

}  // namespace
