// workbench.exe: runs the plug-in on the default scene the way the modeller does and saves
// pictures of what it shows.
//
//   workbench [--plugin PATH] [--out DIR]
//
// Loads Puffshell.dll from the program's folder (or PATH), activates its panel, lets it redraw,
// saves a picture of the panel as DIR/panel.png (default out/demo/), and unloads it.
#include <stdio.h>
#include <string.h>

#include <string>

#include "workbench/app/SceneBuilder.h"
#include "workbench/app/Screenshot.h"
#include "workbench/host/Workbench.h"

namespace {

struct Options {
    std::string plugin;
    std::string out = "out\\demo";
};

void Usage() {
    printf("usage: workbench [--plugin PATH] [--out DIR]\n"
           "  --plugin PATH  the plug-in DLL (default: Puffshell.dll beside workbench.exe)\n"
           "  --out DIR      folder for the pictures (default: out\\demo)\n");
}

// 0: run, 1: error, 2: help shown.
int ParseArgs(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--plugin" || a == "--out") && i + 1 < argc) {
            (a == "--plugin" ? o->plugin : o->out) = argv[++i];
        } else if (a == "--help" || a == "-h") {
            Usage();
            return 2;
        } else {
            fprintf(stderr, "workbench: unknown argument %s\n", a.c_str());
            Usage();
            return 1;
        }
    }
    if (o->plugin.empty()) {
        char exe[MAX_PATH] = "";
        DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string dir = (n > 0 && n < MAX_PATH) ? std::string(exe, n) : std::string();
        const size_t slash = dir.find_last_of("\\/");
        dir = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
        o->plugin = dir + "Puffshell.dll";
    }
    return 0;
}

bool MakeFolders(const std::string& path) {
    std::string partial;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (!partial.empty() && partial.back() != ':') {
                if (!CreateDirectoryA(partial.c_str(), nullptr) &&
                    GetLastError() != ERROR_ALREADY_EXISTS)
                    return false;
            }
        }
        if (i < path.size()) partial += path[i];
    }
    return true;
}

// Lets the plug-in's windows settle: messages, redraws and paints.
void Settle() {
    for (int i = 0; i < 10; ++i) {
        wb::ProcessMessages();
        Sleep(20);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int parsed = ParseArgs(argc, argv, &options);
    if (parsed) return parsed == 2 ? 0 : 1;

    const int32_t objects = workbench::BuildDefaultScene();
    printf("workbench: default scene with %d objects\n", objects);

    std::string error;
    if (!wb::LoadPlugin(options.plugin.c_str(), &error)) {
        fprintf(stderr, "workbench: %s\n", error.c_str());
        return 1;
    }
    printf("workbench: loaded %s (\"%s\", type %d)\n", options.plugin.c_str(),
           wb::PluginName().c_str(), wb::PluginType());

    int status = 0;
    wb::ActivatePlugin(true);
    Settle();
    printf("workbench: %d redraws, %zu draw objects\n", wb::RedrawCount(), wb::DrawObjects().size());

    if (!MakeFolders(options.out)) {
        fprintf(stderr, "workbench: cannot create %s\n", options.out.c_str());
        status = 1;
    } else {
        HWND panel = workbench::FindPluginWindow(wb::MainWindow());
        workbench::Picture picture;
        const std::string path = options.out + "\\panel.png";
        if (!panel) {
            fprintf(stderr, "workbench: the plug-in shows no window\n");
            status = 1;
        } else if (!workbench::CaptureWindow(panel, &picture, &error) ||
                   !workbench::WritePng(picture, path, &error)) {
            fprintf(stderr, "workbench: %s\n", error.c_str());
            status = 1;
        } else {
            printf("workbench: wrote %s (%dx%d)\n", path.c_str(), picture.width, picture.height);
        }
    }

    wb::UnloadPlugin();
    wb::PumpWindowMessages();
    return status;
}
