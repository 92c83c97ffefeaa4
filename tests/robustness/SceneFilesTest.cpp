// Scene files no modeller should hand over (the malformed files of Debian's assimp test set,
// faces with indices outside the file, coordinates that are not numbers, a polygon of 100,000
// points) loaded into the workbench, then the real plug-in over whatever document came of them:
// every shell switched on, drawn, blurred and frozen.
#include <math.h>
#include <stdio.h>

#include <string>

#include "tests/robustness/RobustnessFixture.h"

using namespace robustness;

namespace {

std::string WriteText(const char* name, const std::string& text) {
    std::string path = ImageFolder() + name;
    ImageCases();  // makes the folder
    stressfiles::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
    return path;
}

// Every vertex of every object of the active document is finite.
bool DocumentFinite() {
    HostDocument doc = wb::ActiveDocument();
    for (int32_t i = 0; i < Host().MQDoc_GetObjectCount(doc); ++i) {
        for (const HostPoint& p : testhost::VertexPositions(Host().MQDoc_GetObject(doc, i)))
            if (!isfinite(p.x) || !isfinite(p.y) || !isfinite(p.z)) return false;
    }
    return true;
}

}  // namespace

class SceneFilesTest : public RealPluginTest {
protected:
    // The plug-in over the active document: every row on, the first object blurred (five layers
    // in extracted colours), everything drawn, the first object frozen in place.
    void RunPluginOverScene(const std::string& scene) {
        SCOPED_TRACE(scene);
        bool finiteScene = DocumentFinite();
        Open();
        int32_t rows = panel::RowCount();
        for (int32_t row = 0; row < rows; ++row) panel::TickRow(row, true);
        wb::ProcessMessages();
        if (rows > 0) {
            panel::ClickRow(0);
            panel::Click(IDC_PRESET_BLUR);
            wb::ProcessMessages();
        }
        DrawSummary draws = SummarizeDrawObjects();
        if (finiteScene) {
            EXPECT_TRUE(draws.allFinite);
        }
        EXPECT_EQ(draws.layers, rows > 0 ? static_cast<size_t>(rows + 4) : 0u);
        if (rows > 0) {
            panel::Click(IDC_QUICK_FREEZE);
            wb::SendEvent(kEventObjectModified, nullptr);
            wb::ProcessMessages();
            if (finiteScene) {
                EXPECT_TRUE(DocumentFinite());
            }
        }
        wb::UnloadPlugin();
    }
};

TEST_F(SceneFilesTest, TheMalformedFilesOfTheAssimpSetLoadOrFailWithAMessage) {
    const std::string folder = "Z:\\usr\\share\\assimp\\models\\invalid\\";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "assimp-testmodels is installed";
    int32_t files = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string path = folder + found.cFileName;
        ++files;
        std::string error;
        if (wb::LoadObjScene(path.c_str(), &error)) {
            RunPluginOverScene(path);
        } else {
            EXPECT_NE(error.find(found.cFileName), std::string::npos) << error;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_GE(files, 10);
}

TEST_F(SceneFilesTest, FacesWithIndicesOutsideTheFileAreDropped) {
    std::string path = WriteText("indices.obj",
                                 "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
                                 "f 1 2 3\nf 1 2 9\nf -7 1 2\nf 2 4 3\nf 1 2 2147483647\n");
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &error)) << error;
    HostObject object = testhost::ObjectAt(0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(Host().MQObj_GetFaceCount(object), 2);
    RunPluginOverScene(path);

    // Index 0 names no vertex in OBJ: the file is refused, with its name in the message.
    std::string zero = WriteText("zero.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n");
    EXPECT_FALSE(wb::LoadObjScene(zero.c_str(), &error));
    EXPECT_NE(error.find("zero.obj"), std::string::npos) << error;
}

TEST_F(SceneFilesTest, CoordinatesThatAreNotNumbersNeverReachTheDocument) {
    std::string path = WriteText("nan.obj",
                                 "v 0 0 0\nv nan 0 0\nv 0 inf 0\nv 1 1 0\nv 1e39 0 0\nv 0 0 1\n"
                                 "f 1 2 3\nf 1 4 6\nf 1 5 4\nf 1 3 4\n");
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &error)) << error;
    EXPECT_TRUE(DocumentFinite());
    EXPECT_GE(Host().MQObj_GetFaceCount(testhost::ObjectAt(0)), 1);
    RunPluginOverScene(path);
}

TEST_F(SceneFilesTest, APolygonOfAHundredThousandPointsBecomesTriangles) {
    const int32_t points = 100000;
    std::string text;
    text.reserve(static_cast<size_t>(points) * 40);
    char line[96];
    for (int32_t i = 0; i < points; ++i) {
        double angle = 6.283185307179586 * i / points;
        snprintf(line, sizeof line, "v %.7f %.7f 0\n", cos(angle), sin(angle));
        text += line;
    }
    text += "f";
    for (int32_t i = 1; i <= points; ++i) {
        snprintf(line, sizeof line, " %d", i);
        text += line;
    }
    text += "\n";
    std::string path = WriteText("circle.obj", text);
    std::string error;
    ASSERT_TRUE(wb::LoadObjScene(path.c_str(), &error)) << error;
    HostObject object = testhost::ObjectAt(0);
    EXPECT_EQ(Host().MQObj_GetVertexCount(object), points);
    EXPECT_EQ(Host().MQObj_GetFaceCount(object), points - 2);
    RunPluginOverScene(path);
}
