#include "baker/BakeScene.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <chrono>
#include <new>
#include <sstream>

#include "freeze/FreezeShell.h"
#include "geometry/VertexPushCache.h"
#include "native/PanelStandIn.h"
#include "plugin/HostApi.h"
#include "plugin/ModuleState.h"
#include "settings/SettingsStore.h"
#include "workbench/app/SceneBuilder.h"
#include "workbench/host/Workbench.h"
#include "workbench/io/FileAccess.h"
#include "workbench/io/GltfShellScene.h"

namespace baker {

bool IsGltfFile(const std::string& path) {
    const auto ends = [&path](const char* tail) {
        const size_t n = strlen(tail);
        return path.size() > n && strcasecmp(path.c_str() + path.size() - n, tail) == 0;
    };
    return ends(".gltf") || ends(".glb");
}

bool MatchesPattern(const char* p, const char* s) {
    for (; *p; ++p, ++s) {
        if (*p == '*') {
            while (p[1] == '*') ++p;
            if (!p[1]) return true;
            for (const char* rest = s; *rest; ++rest)
                if (MatchesPattern(p + 1, rest)) return true;
            return MatchesPattern(p + 1, s + strlen(s));
        }
        if (!*s) return false;
        if (*p == '?') continue;
        if (*p == '[') {
            const char* q = p + 1;
            const bool negate = *q == '!' || *q == '^';
            if (negate) ++q;
            bool found = false;
            const char* start = q;
            for (; *q && (*q != ']' || q == start); ++q) {
                if (q[1] == '-' && q[2] && q[2] != ']') {
                    if (static_cast<unsigned char>(*s) >= static_cast<unsigned char>(*q) &&
                        static_cast<unsigned char>(*s) <= static_cast<unsigned char>(q[2]))
                        found = true;
                    q += 2;
                } else if (*q == *s) {
                    found = true;
                }
            }
            if (*q != ']') {  // no closing bracket: "[" stands for itself
                if (*s != '[') return false;
                continue;
            }
            if (found == negate) return false;
            p = q;
            continue;
        }
        if (*p == '\\' && p[1]) ++p;
        if (*p != *s) return false;
    }
    return !*s;
}

namespace {

// The panel keeps what its number edits show: the push with two decimals, the height-map scale
// with one, read back from that text as the edit handler reads it.
float AsThePanelKeeps(float value, const char* format) {
    char text[64];
    snprintf(text, sizeof text, format, value);
    return static_cast<float>(strtod(text, nullptr));
}

bool MatchesName(const Options& o, const std::string& name) {
    if (o.objects.empty()) return true;
    for (const std::string& pattern : o.objects)
        if (MatchesPattern(pattern.c_str(), name.c_str())) return true;
    return false;
}

// The glTF nodes of the object in slot that --objects chooses: all of them when the object's
// (its mesh's) name matches, else those whose own name does.
std::vector<int32_t> ChosenNodes(const Options& o, const wb::GltfShellScene& gltf, HostObject object, int32_t slot) {
    const bool all = MatchesName(o, wb::ObjectOriginalName(object));
    std::vector<int32_t> nodes;
    for (const auto& node : wb::GltfNodesOfObject(gltf, slot))
        if (all || MatchesName(o, node.second)) nodes.push_back(node.first);
    return nodes;
}

// Triangles of the active document's faces (a face of n >= 3 points counts n - 2).
int64_t Triangles(HostDocument doc) {
    HostApi& host = Host();
    int64_t triangles = 0;
    for (int32_t i = 0; i < host.MQDoc_GetObjectCount(doc); ++i) {
        HostObject object = host.MQDoc_GetObject(doc, i);
        if (!object) continue;
        for (int32_t f = 0; f < host.MQObj_GetFaceCount(object); ++f) {
            const int32_t n = host.MQObj_GetFacePointCount(object, f);
            if (n >= 3) triangles += n - 2;
        }
    }
    return triangles;
}

bool EndsWith(const std::string& text, const char* tail) {
    const size_t n = strlen(tail);
    return text.size() >= n && strcasecmp(text.c_str() + text.size() - n, tail) == 0;
}

void AddWarnings(const std::string& text, std::vector<std::string>* warnings) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) warnings->push_back(line);
}

// The settings of each chosen object as the panel leaves them after its preset button and the
// numbers typed after it (the push cache is rebuilt once for all of them): the black frame first for a clean start, then the preset, then the
// distance (while the push is on) and the layer count; the height map on top.
void SetUpShell(const Options& o, HostObject object, float distance, float heightScale,
                const std::string& heightMapFile) {
    WriteShellPreset(object, ShellPreset::BlackFrame);
    if (o.preset != ShellPreset::BlackFrame) WriteShellPreset(object, o.preset);
    ExpansionSettings& s = SettingsOf(object);
    if (s.normalPush) s.pushDistance = distance;
    if (o.repeat > 0) s.repeatCount = o.repeat;
    if (!heightMapFile.empty()) {
        s.heightMapOn = 1;
        s.heightMapScale = heightScale;
        s.heightMapFile = heightMapFile;
    }
}

}  // namespace

BakeResult BakeScene(const Options& o, const std::string& input, const std::string& output) {
    const auto start = std::chrono::steady_clock::now();
    BakeResult r;
    r.input = input;
    r.output = output;
    auto fail = [&r](int code, const std::string& message) {
        r.code = code;
        r.error = message;
        return r;
    };
    try {
        HostApi& host = Host();
        Settings().clear();
        standin::SelectObject(nullptr);
        workbench::SceneInfo scene;
        std::string error, warning;
        // A glTF file is kept whole, to be written again with its shells; its vertices are split
        // at every seam, so it is welded for the push unless --no-weld says otherwise.
        const bool gltfIn = IsGltfFile(input);
        if (EndsWith(output, ".gltf") && !gltfIn)
            return fail(2, output + ": a .gltf output is written for a glTF input only; give .glb or .obj");
        std::shared_ptr<wb::GltfShellScene> gltf;
        if (gltfIn) {
            gltf = wb::LoadGltfShellScene(input.c_str(), o.weld != 0, &warning);
            if (!gltf) return fail(2, warning);
            workbench::DescribeActiveDocument(&scene);
        } else if (!workbench::LoadSceneFile(input, o.weld == 1, &scene, &error, &warning)) {
            return fail(2, error);
        }
        AddWarnings(warning, &r.warnings);
        const bool gltfOut = IsGltfFile(output);
        HostDocument doc = wb::ActiveDocument();
        currentDocument = doc;
        r.objects = scene.objects;
        r.trianglesIn = Triangles(doc);

        // A loaded scene's push is a fortieth of its radius unless --distance says otherwise,
        // its height-map scale a tenth, each as the panel's edit keeps it.
        const float distance = AsThePanelKeeps(
            o.hasDistance ? o.distance : workbench::ScaledToScene(scene.radius, 1.0f / 40.0f, 2), "%0.2f");
        const float heightScale = AsThePanelKeeps(workbench::ScaledToScene(scene.radius, 0.1f, 1), "%0.1f");
        std::string heightMapFile;
        if (!o.heightMap.empty()) {
            heightMapFile = wb::HostReadablePath(wb::AbsolutePath(o.heightMap));
            if (heightMapFile.empty())
                return fail(2, o.heightMap + ": no such file, or its name cannot be given to the plug-in");
        }

        // The chosen objects, as they are before the first freeze appends anything.
        std::vector<HostObject> chosen;
        std::vector<wb::GltfShell> shells;  // by chosen object, for the glTF writer
        for (int32_t i = 0; i < host.MQDoc_GetObjectCount(doc); ++i) {
            HostObject object = host.MQDoc_GetObject(doc, i);
            if (!object) continue;
            wb::GltfShell shell;
            shell.sourceSlot = i;
            if (gltf) shell.nodes = ChosenNodes(o, *gltf, object, i);
            if (!shell.nodes.empty() || MatchesName(o, wb::ObjectOriginalName(object))) {
                chosen.push_back(object);
                shells.push_back(shell);
            }
        }
        if (!o.objects.empty() && chosen.empty()) r.warnings.push_back("no object's name matches --objects");
        for (HostObject object : chosen) {
            SetUpShell(o, object, distance, heightScale, heightMapFile);
            if (heightMapFile.empty()) continue;
            ExpansionSettings& s = SettingsOf(object);
            if (!s.heightMap.load(s.heightMapFile.c_str()))
                return fail(2, o.heightMap + ": the plug-in could not load it as a height map");
        }
        RebuildPushCache(doc);

        // The freeze of each, placed as the freeze dialog (or quick freeze) places it.
        freezeAsNewObject = o.freeze == FreezeMode::New;
        freezeReplaces = o.freeze != FreezeMode::Add;
        freezeResetColors = o.freeze == FreezeMode::Quick;
        std::vector<std::pair<int32_t, HostObject>> unnamed;
        std::vector<wb::GltfShell> frozen;
        for (size_t c = 0; c < chosen.size(); ++c) {
            HostObject object = chosen[c];
            if (!SettingsOf(object).enabled) continue;
            standin::SelectObject(object);
            const int32_t slots = host.MQDoc_GetObjectCount(doc);
            wb::GltfShell shell = shells[c];
            shell.sourceVertices = host.MQObj_GetVertexCount(object);
            shell.layers = SettingsOf(object).repeatCount;
            if (!FreezeShell(doc)) {
                const std::string name = wb::ObjectOriginalName(object);
                return fail(1, freezeDidNotFit ? "the shell of " + name + " does not fit in memory: lower --repeat"
                                               : "the plug-in froze nothing for " + name);
            }
            ++r.shells;
            const bool added = host.MQDoc_GetObjectCount(doc) == slots + 1;
            if (added) unnamed.emplace_back(slots, object);
            shell.placement = o.freeze == FreezeMode::New   ? wb::GltfShellPlacement::NewObject
                              : o.freeze == FreezeMode::Add ? wb::GltfShellPlacement::AddedToObject
                                                            : wb::GltfShellPlacement::InPlaceOfObject;
            shell.shellSlot = o.freeze == FreezeMode::New ? (added ? slots : -1) : shell.sourceSlot;
            frozen.push_back(shell);
        }
        standin::SelectObject(nullptr);
        for (const auto& shell : unnamed)
            if (HostObject object = host.MQDoc_GetObject(doc, shell.first))
                wb::NameAfterObject(object, shell.second, " shell");

        const bool glb = EndsWith(output, ".glb");
        bool saved = false;
        if (gltf && gltfOut) {
            saved = wb::SaveGltfShellScene(*gltf, frozen, output.c_str(), glb, &error, &r.warnings);
        } else {
            if (gltf) r.warnings.push_back(input + ": an OBJ keeps no skins, morph targets, animation or node transforms");
            saved = glb ? wb::SaveGltfScene(output.c_str(), &error) : wb::SaveObjScene(output.c_str(), &error);
        }
        if (!saved) return fail(1, error.empty() ? output + ": cannot be written" : error);
        r.trianglesOut = Triangles(doc);
    } catch (const std::bad_alloc&) {
        return fail(1, input + ": out of memory");
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
}

}  // namespace baker
