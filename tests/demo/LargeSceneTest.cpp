#include <stdlib.h>
// The 32-bit workbench on the bench's largest scene: 1,310,720 triangles with four layers of black
// frame, which the plug-in builds in a 32-bit process; the pictures must be drawn beside them.
// Runs in the 32-bit build's test program, where this machine runs 32-bit programs (make test
// says why where it does not); a 64-bit process has room to spare.
#include <gtest/gtest.h>

#include <stdio.h>

#include <vector>

#include "tests/demo/DemoTestUtil.h"
#include "workbench/app/DemoScript.h"
#include "workbench/bench/Icosphere.h"

using namespace demotest;

namespace {

TEST(LargeScene, FourLayersOfBlackFrameOnTheBenchsLargestMeshAreDrawnIn32Bit) {
    // Under qemu-user emulation this scene takes 6 to over 30 minutes, past what a test run can
    // give it; the 32-bit paths it checks run natively wherever the kernel runs 32-bit programs.
    if (getenv("PUFFSHELL_TIME_SCALE"))
        GTEST_SKIP() << "too slow under qemu-user emulation (6 to over 30 minutes): runs where the kernel runs 32-bit programs";
    if (sizeof(void*) != 4)
        GTEST_SKIP() << "memory runs short only in a 32-bit process: the 32-bit build's test program runs this";
    const std::string folder = FreshFolder("large_scene");
    std::vector<HostPoint> vertices;
    std::vector<int32_t> triangles;
    MakeIcosphere(8, vertices, triangles);
    const std::string scene = folder + "\\ico8.obj";
    FILE* obj = fopen(scene.c_str(), "wb");
    ASSERT_NE(obj, nullptr);
    for (const HostPoint& p : vertices) fprintf(obj, "v %.6f %.6f %.6f\n", p.x, p.y, p.z);
    for (size_t t = 0; t + 2 < triangles.size(); t += 3)
        fprintf(obj, "f %d %d %d\n", triangles[t] + 1, triangles[t + 1] + 1, triangles[t + 2] + 1);
    fclose(obj);
    const size_t faces = triangles.size() / 3;
    std::vector<HostPoint>().swap(vertices);
    std::vector<int32_t>().swap(triangles);

    workbench::Options options = SmallRun(folder + "\\out");
    options.scene = scene;
    options.preset = workbench::Preset::BlackFrame;
    options.repeat = 4;
    options.width = 64;
    options.height = 48;
    workbench::RunReport report;
    // The pictures come first; the freeze after them may not fit, which the run must then say.
    const int code = workbench::RunWorkbench(options, &report);
    ASSERT_TRUE(code == workbench::kExitOk ||
                (code == workbench::kExitFailed &&
                 report.error.find("does not fit") != std::string::npos))
        << code << ": " << report.error;
    ASSERT_EQ(report.pictures.size(), 2u);
    EXPECT_EQ(report.pictures[1].stats.faces, static_cast<int32_t>(5 * faces));  // the mesh and 4 layers
}

}  // namespace
