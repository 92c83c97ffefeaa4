// The workbench renderer on small scenes: pictures compared with stored references, plus the
// properties a person looks for in them (an outline around the object, a blend, colours where
// the corners and UVs put them).
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include "tests/render/RenderScenes.h"
#include "tests/support/TestHost.h"
#include "workbench/host/Workbench.h"
#include "workbench/io/FileAccess.h"
#include "workbench/render/Render.h"

using namespace rendertest;

namespace {

RenderOptions SmallView() {
    RenderOptions options;
    options.width = 160;
    options.height = 120;
    return options;
}

RenderOptions FrontView() {
    RenderOptions options = SmallView();
    options.yaw = 0.0f;
    options.pitch = 0.0f;
    return options;
}

int32_t MaxChannel(const uint8_t* p) { return std::max({int32_t(p[0]), int32_t(p[1]), int32_t(p[2])}); }
bool IsDark(const uint8_t* p) { return MaxChannel(p) < 50; }

int32_t CountDark(const Picture& picture) {
    int32_t dark = 0;
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x) dark += IsDark(picture.at(x, y));
    return dark;
}

void ExpectColorNear(const uint8_t* p, int32_t r, int32_t g, int32_t b, int32_t tolerance) {
    EXPECT_NEAR(p[0], r, tolerance) << "red";
    EXPECT_NEAR(p[1], g, tolerance) << "green";
    EXPECT_NEAR(p[2], b, tolerance) << "blue";
}

// A material of the plug-in's kind: no ambient, full emission, so it shows its colour flat.
HostMaterial FlatDrawMaterial(float r, float g, float b, float alpha, int32_t* index) {
    HostMaterial mat = CreateDrawMaterial(index);
    MQMat_SetAmbient(mat, 0.0f);
    MQMat_SetEmission(mat, 1.0f);
    const HostRGB color = {r, g, b};
    MQMat_SetColor(mat, &color);
    MQMat_SetAlpha(mat, alpha);
    return mat;
}

// A skin-coloured sphere with a black inverted hull pushed 0.06 outward: the toon outline.
int32_t BuildOutlinedSphere() {
    FreshDocument();
    const int32_t ball = AddSphere("ball", 1.0f, 12, 16);
    SetAllFaceMaterials(MQDoc_GetObject(wb::ActiveDocument(), ball),
                        AddMaterial("skin", 1.0f, 0.78f, 0.6f));
    int32_t black = -1;
    FlatDrawMaterial(0.0f, 0.0f, 0.0f, 1.0f, &black);
    AddShellLayer(ball, 0.06f, true, black);
    return ball;
}

}  // namespace

TEST(RenderOutline, InvertedBlackLayerDrawsAnOutlineAroundTheSphere) {
    BuildOutlinedSphere();
    RenderStats stats;
    const Picture picture = Render(SmallView(), &stats);
    ExpectMatchesReference("sphere_outline", picture);

    EXPECT_EQ(stats.documentObjects, 1);
    EXPECT_EQ(stats.shellObjects, 1);
    EXPECT_EQ(stats.faces, 2 * 12 * 16);
    EXPECT_GT(stats.trianglesCulled, 0);

    // The middle shows the lit sphere; walking left along the middle row, the sphere gives way
    // to black before the background starts.
    const int32_t cx = picture.width / 2, cy = picture.height / 2;
    EXPECT_GT(MaxChannel(picture.at(cx, cy)), 150);
    int32_t x = cx;
    while (x > 0 && !IsBackground(picture.at(x, cy))) --x;
    ASSERT_GT(x, 0) << "the sphere must not fill the row";
    int32_t darkBeforeBackground = 0;
    for (int32_t k = x + 1; k <= x + 4; ++k) darkBeforeBackground += IsDark(picture.at(k, cy));
    EXPECT_GE(darkBeforeBackground, 1);
    EXPECT_GT(CountDark(picture), 150);  // a ring, not a speck

    RenderOptions withoutShells = SmallView();
    withoutShells.drawShells = false;
    EXPECT_EQ(CountDark(Render(withoutShells)), 0);

    // Without culling the hull's front hides the sphere: culling is what turns it into a rim.
    RenderOptions noCulling = SmallView();
    noCulling.cullBackFaces = false;
    EXPECT_TRUE(IsDark(Render(noCulling).at(cx, cy)));
}

TEST(RenderTransparency, HalfTransparentLayerBlendsOverTheSphere) {
    FreshDocument();
    const int32_t ball = AddSphere("ball", 1.0f, 12, 16);
    SetAllFaceMaterials(MQDoc_GetObject(wb::ActiveDocument(), ball),
                        AddMaterial("white", 1.0f, 1.0f, 1.0f));
    int32_t blue = -1;
    FlatDrawMaterial(0.0f, 0.0f, 1.0f, 0.5f, &blue);
    AddShellLayer(ball, 0.1f, false, blue);

    RenderStats stats;
    const Picture picture = Render(SmallView(), &stats);
    ExpectMatchesReference("transparent_layer", picture);
    EXPECT_GT(stats.trianglesTransparent, 0);
    EXPECT_LT(stats.trianglesTransparent, stats.trianglesDrawn);  // the sphere stays opaque

    // The ray through the middle meets the same point of the sphere with or without the layer
    // (the fitted camera only moves along it), so the blend can be checked exactly.
    RenderOptions sphereOnly = SmallView();
    sphereOnly.drawShells = false;
    const Picture under = Render(sphereOnly);
    const int32_t cx = picture.width / 2, cy = picture.height / 2;
    const uint8_t* s = under.at(cx, cy);
    ExpectColorNear(picture.at(cx, cy), s[0] / 2, s[1] / 2, (s[2] + 255) / 2, 4);
}

TEST(RenderVertexColors, CornerColoursInterpolateAcrossTheFace) {
    FreshDocument();
    const int32_t square = AddSquare("square");
    HostObject obj = MQDoc_GetObject(wb::ActiveDocument(), square);
    const int32_t index = AddMaterial("painted", 0.2f, 0.2f, 0.2f);
    HostMaterial mat = MQDoc_GetMaterial(wb::ActiveDocument(), index);
    MQMat_SetIntValue(mat, kMaterialShowsVertexColor, 1);
    MQMat_SetAmbient(mat, 0.0f);
    MQMat_SetEmission(mat, 1.0f);
    SetAllFaceMaterials(obj, index);
    // Corners top-left, top-right, bottom-right, bottom-left: red, green, blue, white.
    const uint32_t colors[4] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu};
    for (int32_t k = 0; k < 4; ++k) MQObj_SetFaceVertexColor(obj, 0, k, colors[k]);

    const Picture picture = Render(FrontView());
    ExpectMatchesReference("vertex_colors", picture);

    int32_t x0, y0, x1, y1;
    ASSERT_TRUE(ForegroundBox(picture, &x0, &y0, &x1, &y1));
    ExpectColorNear(picture.at(x0 + 1, y0 + 1), 255, 0, 0, 30);
    ExpectColorNear(picture.at(x1 - 1, y0 + 1), 0, 255, 0, 30);
    ExpectColorNear(picture.at(x1 - 1, y1 - 1), 0, 0, 255, 30);
    ExpectColorNear(picture.at(x0 + 1, y1 - 1), 255, 255, 255, 30);
    // The square is split along its top-left to bottom-right diagonal: the middle mixes red
    // and blue only.
    ExpectColorNear(picture.at((x0 + x1 + 1) / 2, (y0 + y1 + 1) / 2), 128, 0, 128, 16);

    // Without the vertex-colour switch the material's own colour is shown, flat.
    MQMat_SetIntValue(mat, kMaterialShowsVertexColor, 0);
    const Picture plain = Render(FrontView());
    ExpectColorNear(plain.at((x0 + x1) / 2, (y0 + y1) / 2), 51, 51, 51, 2);
    ExpectColorNear(plain.at(x0 + 2, y0 + 2), 51, 51, 51, 2);
}

TEST(RenderTexture, TextureQuadrantsLandWhereTheUVsPutThemWithVZeroAtTheTop) {
    FreshDocument();
    // 4 x 4 pixels, bottom row first, blue-green-red bytes: the top half red | green, the
    // bottom half blue | yellow.
    std::vector<uint8_t> pixels;
    for (int32_t row = 0; row < 4; ++row)
        for (int32_t col = 0; col < 4; ++col) {
            const bool top = row >= 2, left = col < 2;
            const uint8_t bgr[4][3] = {{255, 0, 0}, {0, 255, 255}, {0, 0, 255}, {0, 255, 0}};
            const uint8_t* c = bgr[(top ? 2 : 0) + (left ? 0 : 1)];
            pixels.insert(pixels.end(), c, c + 3);
        }
    testhost::WriteBmp("quadrants.bmp", 4, 4, 24, pixels);
    wb::SetTextureFolder(testhost::TempFolder().c_str());

    const int32_t square = AddSquare("square");
    HostObject obj = MQDoc_GetObject(wb::ActiveDocument(), square);
    const int32_t index = AddMaterial("textured", 1.0f, 1.0f, 1.0f);
    HostMaterial mat = MQDoc_GetMaterial(wb::ActiveDocument(), index);
    MQMat_SetTextureName(mat, "quadrants.bmp");
    MQMat_SetAmbient(mat, 0.0f);
    MQMat_SetEmission(mat, 1.0f);
    SetAllFaceMaterials(obj, index);
    const HostUV uvs[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    MQObj_SetFaceCoordinateArray(obj, 0, uvs);

    const int64_t allocated = wb::ImageBlocksAllocated(), freed = wb::ImageBlocksFreed();
    RenderStats stats;
    const Picture picture = Render(FrontView(), &stats);
    EXPECT_EQ(stats.texturesLoaded, 1);
    EXPECT_EQ(wb::ImageBlocksAllocated() - allocated, 2);
    EXPECT_EQ(wb::ImageBlocksFreed() - freed, 2) << "both image blocks released";
    ExpectMatchesReference("texture", picture);

    int32_t x0, y0, x1, y1;
    ASSERT_TRUE(ForegroundBox(picture, &x0, &y0, &x1, &y1));
    const int32_t w = x1 - x0, h = y1 - y0;
    ExpectColorNear(picture.at(x0 + w / 4, y0 + h / 4), 255, 0, 0, 20);
    ExpectColorNear(picture.at(x0 + 3 * w / 4, y0 + h / 4), 0, 255, 0, 20);
    ExpectColorNear(picture.at(x0 + w / 4, y0 + 3 * h / 4), 0, 0, 255, 20);
    ExpectColorNear(picture.at(x0 + 3 * w / 4, y0 + 3 * h / 4), 255, 255, 0, 20);

    // A texture that cannot be found leaves the material's colour.
    MQMat_SetTextureName(mat, "no-such-file.bmp");
    const Picture missing = Render(FrontView(), &stats);
    EXPECT_EQ(stats.texturesLoaded, 0);
    ExpectColorNear(missing.at((x0 + x1) / 2, (y0 + y1) / 2), 255, 255, 255, 2);
}

TEST(RenderCulling, AFaceSeenFromBehindIsCulledUnlessCullingIsOff) {
    FreshDocument();
    AddSquare("away", false);
    RenderStats stats;
    int32_t x0, y0, x1, y1;
    EXPECT_FALSE(ForegroundBox(Render(FrontView(), &stats), &x0, &y0, &x1, &y1));
    EXPECT_EQ(stats.trianglesCulled, 2);
    EXPECT_EQ(stats.trianglesDrawn, 0);

    RenderOptions noCulling = FrontView();
    noCulling.cullBackFaces = false;
    EXPECT_TRUE(ForegroundBox(Render(noCulling, &stats), &x0, &y0, &x1, &y1));
    EXPECT_EQ(stats.trianglesDrawn, 2);

    FreshDocument();
    AddSquare("toward", true);
    EXPECT_TRUE(ForegroundBox(Render(FrontView(), &stats), &x0, &y0, &x1, &y1));
    EXPECT_EQ(stats.trianglesCulled, 0);
}

TEST(RenderMirror, AMirroredObjectShowsItsReflectionFacingTheSameWay) {
    FreshDocument();
    // A square right of the y axis, facing the front camera.
    const int32_t index = wb::AddMeshObject(
        "half", {{0.5f, 0.5f, 0}, {1.5f, 0.5f, 0}, {1.5f, -0.5f, 0}, {0.5f, -0.5f, 0}},
        {{0, 1, 2, 3}});
    HostObject obj = MQDoc_GetObject(wb::ActiveDocument(), index);
    MQObj_SetMirrorType(obj, 1);
    MQObj_SetMirrorAxis(obj, 1);

    RenderStats stats;
    const Picture picture = Render(FrontView(), &stats);
    EXPECT_EQ(stats.trianglesDrawn, 4);
    EXPECT_EQ(stats.trianglesCulled, 0);
    int32_t x0, y0, x1, y1;
    ASSERT_TRUE(ForegroundBox(picture, &x0, &y0, &x1, &y1));
    EXPECT_NEAR(x0 + x1, picture.width - 1, 2) << "the pair is centred on the mirror plane";
    EXPECT_TRUE(IsBackground(picture.at(picture.width / 2, picture.height / 2)));
    EXPECT_FALSE(IsBackground(picture.at(x0 + 3, picture.height / 2)));

    MQObj_SetMirrorType(obj, 0);
    Render(FrontView(), &stats);
    EXPECT_EQ(stats.trianglesDrawn, 2);
}

TEST(RenderCamera, FramesASmallObjectFarFromTheOriginAndZoomMovesCloser) {
    FreshDocument();
    const int32_t ball = AddSphere("speck", 0.01f, 8, 12, {1000.0f, -500.0f, 300.0f});
    SetAllFaceMaterials(MQDoc_GetObject(wb::ActiveDocument(), ball),
                        AddMaterial("orange", 1.0f, 0.5f, 0.1f));
    int32_t x0, y0, x1, y1;
    const Picture picture = Render(SmallView());
    ASSERT_TRUE(ForegroundBox(picture, &x0, &y0, &x1, &y1));
    EXPECT_GT(y1 - y0, picture.height * 3 / 4);
    EXPECT_GE(y0, 2);
    EXPECT_LE(y1, picture.height - 3);
    EXPECT_NEAR((x0 + x1) / 2, picture.width / 2, 2);

    RenderOptions zoomed = SmallView();
    zoomed.zoom = 0.5f;
    ASSERT_TRUE(ForegroundBox(Render(zoomed), &x0, &y0, &x1, &y1));
    EXPECT_LT(y1 - y0, picture.height / 2);
}

TEST(RenderDocument, HiddenObjectsAndTheDrawSwitchesDecideWhatIsRead) {
    FreshDocument();
    const int32_t shown = AddSphere("shown", 1.0f, 6, 8);
    const int32_t hidden = AddSphere("hidden", 1.0f, 6, 8, {3.0f, 0.0f, 0.0f});
    MQObj_SetVisible(MQDoc_GetObject(wb::ActiveDocument(), hidden), 0);
    int32_t black = -1;
    FlatDrawMaterial(0.0f, 0.0f, 0.0f, 1.0f, &black);
    AddShellLayer(shown, 0.05f, true, black);

    RenderStats stats;
    Render(SmallView(), &stats);
    EXPECT_EQ(stats.documentObjects, 1);
    EXPECT_EQ(stats.shellObjects, 1);
    EXPECT_EQ(stats.faces, 2 * 6 * 8);

    RenderOptions shellsOnly = SmallView();
    shellsOnly.drawDocument = false;
    Render(shellsOnly, &stats);
    EXPECT_EQ(stats.documentObjects, 0);
    EXPECT_EQ(stats.shellObjects, 1);

    // Draw objects belong to the active document's redraw; another document has none.
    RenderOptions options = SmallView();
    std::vector<uint8_t> rgba;
    EXPECT_TRUE(RenderView(nullptr, options, &rgba, &stats));
    EXPECT_EQ(stats.shellObjects, 0);
    EXPECT_EQ(stats.faces, 0);
}

TEST(RenderRobustness, BadGeometryAndBadOptionsGiveAPictureWithoutCrashing) {
    FreshDocument();
    const float nan = NAN;
    const int32_t index = wb::AddMeshObject(
        "broken", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {nan, 0, 0}, {0, 0, 1}},
        {{0, 1, 2, 3}, {0, 1}, {2}, {0, 4, 1}, {0, 1, 5}});
    HostObject obj = MQDoc_GetObject(wb::ActiveDocument(), index);
    wb::AddRawFace(obj, {0, 1, 99});                                  // index out of range
    wb::AddRawFace(obj, {});                                           // no points
    const int32_t many = wb::AddRawFace(obj, {0, 1, 5, 2, 3, 0, 5});  // more than four points
    MQObj_SetFaceMaterial(obj, 4, 999);                                // no such material
    const int32_t textured = AddMaterial("garbage texture", 1, 1, 1);
    testhost::WriteBmp("tiny.bmp", 1, 1, 8, {7});
    FILE* junk = wb::OpenFile(testhost::TempFolder() + "junk.bmp", "wb");
    ASSERT_TRUE(junk);
    fputs("BM this is not a bitmap", junk);
    fclose(junk);
    wb::SetTextureFolder(testhost::TempFolder().c_str());
    MQMat_SetTextureName(MQDoc_GetMaterial(wb::ActiveDocument(), textured), "junk.bmp");
    MQObj_SetFaceMaterial(obj, 0, textured);
    const int32_t tiny = AddMaterial("tiny texture", 1, 1, 1);
    MQMat_SetTextureName(MQDoc_GetMaterial(wb::ActiveDocument(), tiny), "tiny.bmp");
    MQObj_SetFaceMaterial(obj, many, tiny);

    const int64_t allocated = wb::ImageBlocksAllocated(), freed = wb::ImageBlocksFreed();
    RenderStats stats;
    const Picture picture = Render(SmallView(), &stats);
    EXPECT_EQ(stats.faces, 3);  // the quadrilateral, the good triangle, the seven-point polygon
    EXPECT_EQ(stats.texturesLoaded, 1);
    EXPECT_EQ(wb::ImageBlocksFreed() - freed, wb::ImageBlocksAllocated() - allocated);
    int32_t x0, y0, x1, y1;
    EXPECT_TRUE(ForegroundBox(picture, &x0, &y0, &x1, &y1));

    std::vector<uint8_t> rgba(3, 0);
    RenderOptions bad = SmallView();
    for (int32_t size : {0, -5, 8193}) {
        bad.width = size;
        EXPECT_FALSE(RenderView(wb::ActiveDocument(), bad, &rgba, nullptr)) << size;
        EXPECT_TRUE(rgba.empty());
    }
    EXPECT_FALSE(RenderView(wb::ActiveDocument(), SmallView(), nullptr, nullptr));
    RenderOptions odd = SmallView();
    odd.yaw = nan;
    odd.pitch = 1e30f;
    odd.zoom = -3.0f;
    odd.supersample = 99;
    EXPECT_TRUE(RenderView(wb::ActiveDocument(), odd, &rgba, nullptr));
    odd.zoom = 100.0f;  // the camera inside the geometry: the near plane clips
    odd.supersample = 0;
    EXPECT_TRUE(RenderView(wb::ActiveDocument(), odd, &rgba, nullptr));
    EXPECT_FALSE(WritePng("", 1, 1, rgba));
    EXPECT_FALSE(WritePng("render_too_small.png", 200, 200, rgba));
}

TEST(RenderDeterminism, TheSameSceneGivesTheSamePixels) {
    BuildOutlinedSphere();
    RenderOptions options = SmallView();
    options.yaw = 2.0f;
    options.pitch = -0.3f;
    const Picture first = Render(options);
    const Picture second = Render(options);
    EXPECT_TRUE(first.rgba == second.rgba);
    // The picture file round-trips through the PNG writer.
    EXPECT_TRUE(WritePng("render_determinism.png", first.width, first.height, first.rgba));
}

TEST(RenderRealModel, ATexturedModelFromOutsideGetsItsOutline) {
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene("/usr/share/assimp/models/OBJ/spider.obj", &error)) << error;
    wb::Redraw();
    int32_t black = -1;
    FlatDrawMaterial(0.0f, 0.0f, 0.0f, 1.0f, &black);
    const int32_t count = MQDoc_GetObjectCount(wb::ActiveDocument());
    for (int32_t i = 0; i < count; ++i)
        if (MQDoc_GetObject(wb::ActiveDocument(), i)) AddShellLayer(i, 0.6f, true, black);

    RenderStats stats;
    const Picture picture = Render(SmallView(), &stats);
    EXPECT_GT(stats.texturesLoaded, 0);
    EXPECT_GT(stats.shellObjects, 0);
    EXPECT_GT(CountDark(picture), 0);
}
