#include "tests/demo/DemoTestUtil.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>

#include <windows.h>

#include "workbench/common/RemoveFolder.h"
#include "workbench/panel/PanelDriver.h"

// PNG reading for this file only (the renderer tests' helper keeps its own copy private too).
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace demotest {

namespace {

void RemoveFolderContents(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            common::RemoveFolder(path);  // a link as a link
        else
            DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::string ReadWholeFile(const std::string& path) {
    std::string text;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    fclose(file);
    return text;
}

}  // namespace

std::string FreshFolder(const char* name) {
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    std::string root = std::string(temp) + "puffshell_demo_test";
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string folder = root + "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    RemoveFolderContents(folder);
    return folder;
}

void WriteSphereObj(const std::string& path, const char* textureFile) {
    const int32_t segments = 16, rings = 10;
    const float pi = 3.14159265f, radius = 10.0f;
    const std::string mtlPath = path.substr(0, path.rfind('.')) + ".mtl";
    const std::string mtlName = mtlPath.substr(mtlPath.find_last_of("\\/") + 1);
    FILE* mtl = fopen(mtlPath.c_str(), "wb");
    ASSERT_NE(mtl, nullptr) << mtlPath;
    fprintf(mtl, "newmtl skin\nKd %s\n", textureFile ? "1 1 1" : "0.8 0.75 0.7");
    if (textureFile) fprintf(mtl, "map_Kd %s\n", textureFile);
    fclose(mtl);

    FILE* obj = fopen(path.c_str(), "wb");
    ASSERT_NE(obj, nullptr) << path;
    fprintf(obj, "mtllib %s\no sphere\nusemtl skin\n", mtlName.c_str());
    // Grid points (i, j), i around, j from the top pole down; the poles are one vertex each.
    auto vertexOf = [&](int32_t i, int32_t j) {
        if (j == 0) return 1;
        if (j == rings) return 2 + (rings - 1) * segments;
        return 2 + (j - 1) * segments + (i % segments);
    };
    for (int32_t j = 0; j <= rings; ++j) {
        const int32_t columns = (j == 0 || j == rings) ? 1 : segments;
        for (int32_t i = 0; i < columns; ++i) {
            const float a = 2 * pi * i / segments, b = pi * j / rings;
            fprintf(obj, "v %g %g %g\n", radius * sinf(b) * cosf(a), radius * cosf(b),
                    -radius * sinf(b) * sinf(a));
        }
    }
    for (int32_t j = 0; j <= rings; ++j)
        for (int32_t i = 0; i <= segments; ++i)
            fprintf(obj, "vt %g %g\n", static_cast<float>(i) / segments, 1.0f - static_cast<float>(j) / rings);
    auto uvOf = [&](int32_t i, int32_t j) { return 1 + j * (segments + 1) + i; };
    for (int32_t j = 0; j < rings; ++j)
        for (int32_t i = 0; i < segments; ++i) {
            // Counter-clockwise seen from outside.
            const int32_t corners[4][2] = {{i, j}, {i, j + 1}, {i + 1, j + 1}, {i + 1, j}};
            fputs("f", obj);
            for (const auto& c : corners) {
                if ((j == 0 && c[1] == 0 && c[0] == i + 1) || (j == rings - 1 && c[1] == rings && c[0] == i + 1))
                    continue;  // the pole once per triangle
                fprintf(obj, " %d/%d", vertexOf(c[0], c[1]), uvOf(c[0], c[1]));
            }
            fputs("\n", obj);
        }
    fclose(obj);
}

rendertest::Picture ReadPng(const std::string& path) {
    rendertest::Picture picture;
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &w, &h, &channels, 4);
    if (!pixels) return picture;
    picture.width = w;
    picture.height = h;
    picture.rgba.assign(pixels, pixels + static_cast<size_t>(w) * h * 4);
    stbi_image_free(pixels);
    return picture;
}

int32_t CountForeground(const rendertest::Picture& picture) {
    int32_t count = 0;
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x) count += rendertest::IsBackground(picture.at(x, y)) ? 0 : 1;
    return count;
}

workbench::Options SmallRun(const std::string& out) {
    workbench::Options options;
    options.out = out;
    options.width = 160;
    options.height = 120;
    return options;
}

ProgramRun RunWorkbenchExe(const std::string& arguments) {
    ProgramRun run;
    const std::string folder = FreshFolder("exe_output");
    const std::string outputPath = folder + "\\output.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(output, INVALID_HANDLE_VALUE);
    if (output == INVALID_HANDLE_VALUE) return run;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::string command = "\"" + panel::BesideThisProgram("workbench.exe") + "\" " + arguments;
    PROCESS_INFORMATION process = {};
    const bool started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process) != 0;
    CloseHandle(output);
    EXPECT_TRUE(started) << command;
    if (!started) return run;
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0) << command;
    DWORD code = 99;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.exitCode = code;
    run.output = ReadWholeFile(outputPath);
    return run;
}

}  // namespace demotest
