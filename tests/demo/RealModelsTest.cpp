// The workbench program on real models from outside the project: every picture shows something,
// and frozen.obj loads again with the objects and faces the freeze left in the document.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>

#include <algorithm>
#include <string>

#include "tests/demo/DemoTestUtil.h"
#include "tests/workbench/WorkbenchTestUtil.h"
#include "workbench/app/DemoScript.h"
#include "workbench/host/Workbench.h"
#include "workbench/render/Render.h"

using namespace demotest;

namespace {

const char kModels[] = "/usr/share/assimp/models/OBJ/";

using wbtest::CountDocument;

// Every picture of the run is there and differs from an empty view.
void ExpectPicturesShowTheModel(const workbench::RunReport& report, const std::string& out) {
    for (const workbench::PictureRecord& record : report.pictures) {
        const rendertest::Picture picture = ReadPng(out + "\\" + record.file);
        ASSERT_EQ(picture.width, 160) << record.file;
        EXPECT_GT(CountForeground(picture), 300) << record.file;
        EXPECT_GT(record.stats.faces, 0) << record.file;
    }
    EXPECT_TRUE(report.panelPicture);
    EXPECT_GT(ReadPng(out + "\\panel.png").width, 100);
}

TEST(RealModels, SpiderRunsEveryEffectAndFreezesItsOutlinesAsNewObjects) {
    workbench::Options options = SmallRun(FreshFolder("spider"));
    options.scene = std::string(kModels) + "spider.obj";
    workbench::RunReport report;
    ASSERT_EQ(workbench::RunWorkbench(options, &report), workbench::kExitOk) << report.error;

    ASSERT_EQ(report.pictures.size(), 5u);  // before, black frame, colour trace, height map, blur
    ExpectPicturesShowTheModel(report, options.out);
    EXPECT_EQ(report.pictures[0].layers, 0);
    EXPECT_EQ(report.pictures[1].layers, report.sceneObjects);  // one outline per object
    EXPECT_EQ(report.pictures[4].layers, 5 * report.sceneObjects);

    // One black outline per object, frozen as a new object of the same faces.
    EXPECT_EQ(report.frozenShells, report.sceneObjects);
    EXPECT_EQ(report.frozenObjects, 2 * report.sceneObjects);
    EXPECT_EQ(report.frozenFaces, 2 * report.sceneFaces);
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene((options.out + "\\frozen.obj").c_str(), &error)) << error;
    const wbtest::Totals reloaded = CountDocument();
    EXPECT_EQ(reloaded.objects, report.frozenObjects);
    EXPECT_EQ(reloaded.faces, report.frozenFaces);
}

TEST(RealModels, WusonBlurredAndFrozenIntoItself) {
    workbench::Options options = SmallRun(FreshFolder("wuson"));
    options.scene = std::string(kModels) + "WusonOBJ.obj";
    options.preset = workbench::Preset::Blur;
    options.repeat = 3;
    options.freeze = workbench::FreezeMode::Add;
    workbench::RunReport report;
    ASSERT_EQ(workbench::RunWorkbench(options, &report), workbench::kExitOk) << report.error;

    ASSERT_EQ(report.pictures.size(), 2u);  // before, blur
    ExpectPicturesShowTheModel(report, options.out);
    EXPECT_EQ(report.pictures[1].layers, 3 * report.sceneObjects);

    // Added to the objects: the same objects, each with its three layers besides its own faces.
    EXPECT_EQ(report.frozenObjects, report.sceneObjects);
    EXPECT_EQ(report.frozenFaces, 4 * report.sceneFaces);
    // The saved file looks as the document did: the layers' colours and transparency included.
    RenderOptions view;
    view.width = 160;
    view.height = 120;
    view.drawShells = false;
    std::vector<uint8_t> frozen, loaded;
    ASSERT_TRUE(RenderView(wb::ActiveDocument(), view, &frozen, nullptr));
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene((options.out + "\\frozen.obj").c_str(), &error)) << error;
    const wbtest::Totals reloaded = CountDocument();
    EXPECT_EQ(reloaded.objects, report.frozenObjects);
    EXPECT_EQ(reloaded.faces, report.frozenFaces);
    ASSERT_TRUE(RenderView(wb::ActiveDocument(), view, &loaded, nullptr));
    int differing = 0;
    for (size_t i = 0; i + 3 < frozen.size(); i += 4)
        for (size_t k = 0; k < 3; ++k)
            if (abs(frozen[i + k] - loaded[i + k]) > 8) {
                ++differing;
                break;
            }
    EXPECT_LT(differing, 160 * 120 / 100);
}

TEST(RealModels, VertexColouredCubeShowsItsColoursAndKeepsThemInEveryFile) {
    workbench::Options options = SmallRun(FreshFolder("vertex_colours"));
    options.scene = std::string(kModels) + "cube_with_vertexcolors.obj";
    options.preset = workbench::Preset::BothSides;
    options.save = options.out + "\\cube.glb";
    workbench::RunReport report;
    ASSERT_EQ(workbench::RunWorkbench(options, &report), workbench::kExitOk) << report.error;
    // The cube's corners are green, blue, purple...: the first picture shows colours, not grey.
    const rendertest::Picture before = ReadPng(options.out + "\\" + report.pictures[0].file);
    int32_t coloured = 0;
    for (size_t i = 0; i + 3 < before.rgba.size(); i += 4) {
        const uint8_t* p = &before.rgba[i];
        coloured += std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]}) > 40;
    }
    EXPECT_GT(coloured, 300);
    // The glTF file has them as well.
    FILE* glb = fopen(options.save.c_str(), "rb");
    ASSERT_NE(glb, nullptr);
    std::string bytes(4096, '\0');
    bytes.resize(fread(&bytes[0], 1, bytes.size(), glb));
    fclose(glb);
    EXPECT_NE(bytes.find("\"COLOR_0\""), std::string::npos);
    EXPECT_NE(bytes.find("\"materials\""), std::string::npos);
}

// A hard-edged cube of 24 vertices (each face its own four) and a UV sphere whose seam and poles
// are split, as game meshes come: with --weld the copies of a corner are one vertex, pushed once,
// and the frozen outline is closed; without it the copies are pushed apart.
TEST(RealModels, WeldedSplitMeshesGiveClosedShells) {
    const std::string scene = FreshFolder("split_meshes") + "\\split.obj";
    // assimp's box.obj with a vertex of each face's own at each of its corners.
    const float corner[8][3] = {{-1, -1, 1}, {-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1},
                                {1, -1, 1},  {1, -1, -1},  {1, 1, -1},  {1, 1, 1}};
    const int faces[6][4] = {{4, 3, 2, 1}, {2, 6, 5, 1}, {3, 7, 6, 2},
                             {8, 7, 3, 4}, {5, 8, 4, 1}, {6, 7, 8, 5}};
    std::string text = "o cube\n", faceLines;
    for (int f = 0; f < 6; ++f) {
        faceLines += "f";
        for (int k = 0; k < 4; ++k) {
            const float* p = corner[faces[f][k] - 1];
            text += "v " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " " +
                    std::to_string(p[2]) + "\n";
            faceLines += " " + std::to_string(4 * f + k + 1);
        }
        faceLines += "\n";
    }
    text += faceLines;
    // The sphere: 9 rows of 13 points, the last column over the first, both poles split.
    text += "o sphere\n";
    const int columns = 13, rows = 9;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const float a = 6.2831853f * i / (columns - 1), b = 3.1415926f * j / (rows - 1);
            text += "v " + std::to_string(4 + sinf(b) * cosf(a)) + " " + std::to_string(cosf(b)) +
                    " " + std::to_string(-sinf(b) * sinf(a)) + "\n";
        }
    for (int j = 0; j + 1 < rows; ++j)
        for (int i = 0; i + 1 < columns; ++i) {
            const int v = 25 + j * columns + i;
            text += "f " + std::to_string(v) + " " + std::to_string(v + columns) + " " +
                    std::to_string(v + columns + 1) + " " + std::to_string(v + 1) + "\n";
        }
    ASSERT_TRUE(wbtest::WriteText(scene, text));

    for (const bool weld : {false, true}) {
        workbench::Options options = SmallRun(FreshFolder(weld ? "split_welded" : "split_torn"));
        options.scene = scene;
        options.weld = weld;
        options.preset = workbench::Preset::BlackFrame;
        workbench::RunReport report;
        ASSERT_EQ(workbench::RunWorkbench(options, &report), workbench::kExitOk) << report.error;
        std::string warnings;
        ASSERT_TRUE(wb::LoadObjScene((options.out + "\\frozen.obj").c_str(), &warnings))
            << warnings;
        // Each model keeps its own vertices (24 and 117); its outline has a vertex at each place
        // (8 and 86) when welded, else a vertex for each copy, pushed apart.
        std::vector<int32_t> vertices;
        for (int32_t i = 0; i < MQDoc_GetObjectCount(wb::ActiveDocument()); ++i)
            vertices.push_back(MQObj_GetVertexCount(MQDoc_GetObject(wb::ActiveDocument(), i)));
        std::sort(vertices.begin(), vertices.end());
        EXPECT_EQ(vertices, weld ? std::vector<int32_t>({8, 24, 86, 117})
                                 : std::vector<int32_t>({24, 24, 117, 117}));
    }
}

}  // namespace
