// workbench_bench: how fast the real Puffshell.dll redraws its shells in the workbench host, and
// what the host's own share of that is.
//
//   workbench_bench.exe [--out DIR] [--levels FIRST-LAST] [--leak N]
//       measures the icosahedron subdivided FIRST..LAST times (default 5-8: about 20k, 80k, 330k
//       and 1.3M triangles), each in a process of its own, then writes DIR/summary.json
//       (default out/bench) and prints a table with the targets
//   workbench_bench.exe --level K [--out DIR] [--leak N]
//       measures one mesh and writes DIR/level<K>.txt (what the first form runs)
//
// --leak N: redraws per case in the check that private memory does not grow (default 200).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <windows.h>

#include "workbench/bench/LevelRun.h"

namespace {

const double kMiB = 1024.0 * 1024.0;

struct Options {
    std::string outDir = "out/bench";
    int32_t level = -1;  // a child measuring one mesh
    int32_t firstLevel = 5;
    int32_t lastLevel = 8;
    int32_t leakRedraws = 200;
};

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (strcmp(arg, "--out") == 0 && value) {
            options->outDir = value;
            ++i;
        } else if (strcmp(arg, "--level") == 0 && value) {
            options->level = atoi(value);
            ++i;
        } else if (strcmp(arg, "--levels") == 0 && value) {
            if (sscanf(value, "%d-%d", &options->firstLevel, &options->lastLevel) != 2)
                options->firstLevel = options->lastLevel = atoi(value);
            ++i;
        } else if (strcmp(arg, "--leak") == 0 && value) {
            options->leakRedraws = atoi(value);
            ++i;
        } else {
            fprintf(stderr, "workbench_bench: unknown argument %s\n", arg);
            return false;
        }
    }
    if (options->firstLevel < 0 || options->lastLevel > 9 || options->firstLevel > options->lastLevel) {
        fprintf(stderr, "workbench_bench: levels must lie in 0..9\n");
        return false;
    }
    return true;
}

void MakeFolders(const std::string& path) {
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/' || path[i] == '\\')
            if (i > 0) CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

std::string LevelFile(const Options& options, int32_t level) {
    return options.outDir + "/level" + std::to_string(level) + ".txt";
}

// Runs this program with --level in a process of its own and waits for it.
bool RunChild(const Options& options, int32_t level) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --level " + std::to_string(level) +
                          " --out \"" + options.outDir + "\" --leak " +
                          std::to_string(options.leakRedraws);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode == 0;
}

// ---- the summary -----------------------------------------------------------------------------------

struct CaseRow {
    std::string mesh;
    int32_t level = 0;
    double triangles = 0, vertices = 0;
    std::string name;  // "black_frame" or "blur"
    int32_t layers = 0;
    double redraw = 0, redrawMedian = 0;
    double rebuild = 0, rebuildMedian = 0;
    double hostCopy = 0, hostCopyMedian = 0;
    double ratio = 0, ratioMedian = 0;
    double hostCalls = 0, ownRatio = 0;  // the draw pass's own host calls, replayed; redraw / them
    double peakMb = 0;
    double growthKb = -1;  // -1: not measured
    int32_t growthRedraws = 0;
};

CaseRow MakeCase(const Figures& f, const char* name, int32_t layers) {
    const std::string key(name);
    CaseRow row;
    row.level = static_cast<int32_t>(FigureOf(f, "level"));
    row.triangles = FigureOf(f, "triangles");
    row.vertices = FigureOf(f, "vertices");
    row.mesh = "ico" + std::to_string(row.level);
    row.name = key;
    row.layers = layers;
    row.redraw = FigureOf(f, key + "_redraw_min_ms");
    row.redrawMedian = FigureOf(f, key + "_redraw_median_ms");
    // A rebuild is what the events that mark one add to the redraw after them.
    row.rebuild = FigureOf(f, key + "_modified_redraw_min_ms") - row.redraw;
    row.rebuildMedian = FigureOf(f, key + "_modified_redraw_median_ms") - row.redrawMedian;
    row.hostCopy = FigureOf(f, key + "_host_copy_min_ms");
    row.hostCopyMedian = FigureOf(f, key + "_host_copy_median_ms");
    row.ratio = row.hostCopy > 0 ? row.redraw / row.hostCopy : 0.0;
    row.ratioMedian = row.hostCopyMedian > 0 ? row.redrawMedian / row.hostCopyMedian : 0.0;
    row.hostCalls = FigureOf(f, key + "_host_calls_min_ms");
    row.ownRatio = row.hostCalls > 0 ? row.redraw / row.hostCalls : 0.0;
    row.peakMb = FigureOf(f, key + "_peak_working_set") / kMiB;
    const double growth = FigureOf(f, key + "_private_growth", -1e300);
    if (growth > -1e299) {
        row.growthKb = growth / 1024.0;
        row.growthRedraws = static_cast<int32_t>(FigureOf(f, key + "_growth_redraws", 0));
    }
    return row;
}

struct MeshRow {
    std::string mesh;
    double triangles = 0, vertices = 0;
    double mergeMs = 0, memcpyMs = 0, mergeVsMemcpy = 0, mergeMb = 0;  // into fresh memory
    double mergeReusedMs = 0, memcpyWarmMs = 0, mergeVsMemcpyWarm = 0;  // into memory in use
    double cacheAllBytesPerVertex = 0, cacheDirectionsBytesPerVertex = 0;
    double cacheMeasuredBytesPerVertex = 0;  // from private memory
    double peakMb = 0;
    // Nanoseconds per host call (per vertex for the read and write back, per face for the three
    // colours), on a draw object holding a copy of the mesh.
    double nsGetSetVertex = 0, nsPointCount = 0, nsPointArray = 0, nsInvert = 0, nsMaterial = 0,
           nsColors = 0;
};

MeshRow MakeMesh(const Figures& f) {
    MeshRow row;
    row.mesh = "ico" + std::to_string(static_cast<int32_t>(FigureOf(f, "level")));
    row.triangles = FigureOf(f, "triangles");
    row.vertices = FigureOf(f, "vertices");
    row.mergeMs = FigureOf(f, "merge_min_ms");
    row.memcpyMs = FigureOf(f, "memcpy_min_ms");
    row.mergeVsMemcpy = row.memcpyMs > 0 ? row.mergeMs / row.memcpyMs : 0.0;
    row.mergeMb = FigureOf(f, "merge_bytes") / kMiB;
    row.mergeReusedMs = FigureOf(f, "merge_reused_min_ms");
    row.memcpyWarmMs = FigureOf(f, "memcpy_warm_min_ms");
    row.mergeVsMemcpyWarm = row.memcpyWarmMs > 0 ? row.mergeReusedMs / row.memcpyWarmMs : 0.0;
    if (row.vertices > 0) {
        row.cacheAllBytesPerVertex = FigureOf(f, "push_cache_all_bytes") / row.vertices;
        row.cacheDirectionsBytesPerVertex = FigureOf(f, "push_cache_directions_bytes") / row.vertices;
        row.cacheMeasuredBytesPerVertex = FigureOf(f, "push_cache_all_private_bytes") / row.vertices;
    }
    row.peakMb = FigureOf(f, "peak_working_set") / kMiB;
    row.nsGetSetVertex = FigureOf(f, "call_ns_get_set_vertex");
    row.nsPointCount = FigureOf(f, "call_ns_face_point_count");
    row.nsPointArray = FigureOf(f, "call_ns_face_point_array");
    row.nsInvert = FigureOf(f, "call_ns_invert_face");
    row.nsMaterial = FigureOf(f, "call_ns_set_face_material");
    row.nsColors = FigureOf(f, "call_ns_set_face_vertex_color_x3");
    return row;
}

struct Target {
    std::string name;
    double value;
    double limit;
    bool met;
};

void AddTarget(std::vector<Target>* targets, const std::string& name, double value, double limit) {
    targets->push_back({name, value, limit, value <= limit});
}

std::vector<Target> EvaluateTargets(const std::vector<CaseRow>& cases,
                                    const std::vector<MeshRow>& meshes) {
    std::vector<Target> targets;
    auto findCase = [&](int32_t level, const std::string& name) -> const CaseRow* {
        for (const CaseRow& c : cases)
            if (c.level == level && c.name == name) return &c;
        return nullptr;
    };
    for (const CaseRow& c : cases)
        AddTarget(&targets, c.mesh + " " + c.name + " ratio", c.ratio, 1.2);
    if (const CaseRow* c = findCase(7, "black_frame")) {
        AddTarget(&targets, "ico7 black_frame redraw_ms", c->redraw, 25.0);
        AddTarget(&targets, "ico7 black_frame rebuild_ms", c->rebuild, 40.0);
    }
    for (const char* name : {"black_frame", "blur"}) {
        const CaseRow* small = findCase(7, name);
        const CaseRow* large = findCase(8, name);
        if (!small || !large) continue;
        if (small->redraw > 0)
            AddTarget(&targets, std::string("ico8/ico7 ") + name + " redraw", large->redraw / small->redraw, 4.6);
        if (small->rebuild > 0)
            AddTarget(&targets, std::string("ico8/ico7 ") + name + " rebuild", large->rebuild / small->rebuild, 4.6);
    }
    for (const MeshRow& m : meshes) {
        AddTarget(&targets, m.mesh + " push cache bytes/vertex", m.cacheAllBytesPerVertex, 32.0);
        AddTarget(&targets, m.mesh + " merge/memcpy, fresh memory", m.mergeVsMemcpy, 3.0);
        AddTarget(&targets, m.mesh + " merge/memcpy, memory in use", m.mergeVsMemcpyWarm, 3.0);
    }
    for (const CaseRow& c : cases) {
        if (c.growthKb < 0 && c.growthRedraws == 0) continue;
        AddTarget(&targets,
                  c.mesh + " " + c.name + " private growth KiB over " + std::to_string(c.growthRedraws) + " redraws",
                  c.growthKb, 0.0);
    }
    return targets;
}

bool WriteSummary(const std::string& path, const std::vector<CaseRow>& cases,
                  const std::vector<MeshRow>& meshes, const std::vector<Target>& targets) {
    FILE* out = fopen(path.c_str(), "w");
    if (!out) return false;
    fprintf(out, "{\n  \"note\": \"times in ms: minimum of the runs, *_median_ms the median; "
                 "rebuild = (event 221 + redraw) - redraw; ratio = redraw_ms / host_copy_ms; "
                 "peak_mb = peak working set of the mesh's own process\",\n");
    fprintf(out, "  \"cases\": [\n");
    for (size_t i = 0; i < cases.size(); ++i) {
        const CaseRow& c = cases[i];
        fprintf(out,
                "    {\"mesh\": \"%s\", \"triangles\": %.0f, \"vertices\": %.0f, \"case\": \"%s\", "
                "\"layers\": %d, \"redraw_ms\": %.3f, \"redraw_median_ms\": %.3f, "
                "\"rebuild_ms\": %.3f, \"rebuild_median_ms\": %.3f, \"host_copy_ms\": %.3f, "
                "\"host_copy_median_ms\": %.3f, \"ratio\": %.3f, \"ratio_median\": %.3f, "
                "\"draw_pass_host_calls_ms\": %.3f, \"redraw_vs_host_calls\": %.3f, "
                "\"peak_mb\": %.1f",
                c.mesh.c_str(), c.triangles, c.vertices, c.name.c_str(), c.layers, c.redraw,
                c.redrawMedian, c.rebuild, c.rebuildMedian, c.hostCopy, c.hostCopyMedian, c.ratio,
                c.ratioMedian, c.hostCalls, c.ownRatio, c.peakMb);
        if (c.growthRedraws > 0)
            fprintf(out, ", \"private_growth_kb\": %.1f, \"growth_redraws\": %d", c.growthKb,
                    c.growthRedraws);
        fprintf(out, "}%s\n", i + 1 < cases.size() ? "," : "");
    }
    fprintf(out, "  ],\n  \"meshes\": [\n");
    for (size_t i = 0; i < meshes.size(); ++i) {
        const MeshRow& m = meshes[i];
        fprintf(out,
                "    {\"mesh\": \"%s\", \"triangles\": %.0f, \"vertices\": %.0f, \"merge_ms\": %.3f, "
                "\"memcpy_ms\": %.3f, \"merge_vs_memcpy\": %.2f, \"merge_mb\": %.1f, "
                "\"merge_reused_ms\": %.3f, \"memcpy_warm_ms\": %.3f, "
                "\"merge_vs_memcpy_warm\": %.2f, "
                "\"push_cache_bytes_per_vertex\": %.2f, "
                "\"push_cache_directions_bytes_per_vertex\": %.2f, "
                "\"push_cache_private_bytes_per_vertex\": %.2f, \"peak_mb\": %.1f, "
                "\"ns_get_set_vertex\": %.2f, \"ns_face_point_count\": %.2f, "
                "\"ns_face_point_array\": %.2f, \"ns_invert_face\": %.2f, "
                "\"ns_set_face_material\": %.2f, \"ns_set_face_vertex_color_x3\": %.2f}%s\n",
                m.mesh.c_str(), m.triangles, m.vertices, m.mergeMs, m.memcpyMs, m.mergeVsMemcpy,
                m.mergeMb, m.mergeReusedMs, m.memcpyWarmMs, m.mergeVsMemcpyWarm,
                m.cacheAllBytesPerVertex, m.cacheDirectionsBytesPerVertex, m.cacheMeasuredBytesPerVertex,
                m.peakMb, m.nsGetSetVertex, m.nsPointCount, m.nsPointArray, m.nsInvert,
                m.nsMaterial, m.nsColors, i + 1 < meshes.size() ? "," : "");
    }
    fprintf(out, "  ],\n  \"targets\": [\n");
    for (size_t i = 0; i < targets.size(); ++i) {
        const Target& t = targets[i];
        fprintf(out, "    {\"target\": \"%s\", \"value\": %.3f, \"limit\": %.3f, \"met\": %s}%s\n",
                t.name.c_str(), t.value, t.limit, t.met ? "true" : "false",
                i + 1 < targets.size() ? "," : "");
    }
    fprintf(out, "  ]\n}\n");
    return fclose(out) == 0;
}

void PrintTables(const std::vector<CaseRow>& cases, const std::vector<MeshRow>& meshes,
                 const std::vector<Target>& targets) {
    printf("\n%-5s %9s %-12s %6s %17s %17s %17s %6s %9s %6s %8s %10s\n", "mesh", "triangles",
           "case", "layers", "redraw ms min/med", "rebuild ms", "host_copy ms", "ratio",
           "calls ms", "own", "peak MB", "growth KiB");
    for (const CaseRow& c : cases) {
        char growth[32] = "-";
        if (c.growthRedraws > 0) snprintf(growth, sizeof growth, "%.0f", c.growthKb);
        printf("%-5s %9.0f %-12s %6d %8.2f/%8.2f %8.2f/%8.2f %8.2f/%8.2f %6.2f %9.2f %6.2f %8.0f "
               "%10s\n",
               c.mesh.c_str(), c.triangles, c.name.c_str(), c.layers, c.redraw, c.redrawMedian,
               c.rebuild, c.rebuildMedian, c.hostCopy, c.hostCopyMedian, c.ratio, c.hostCalls,
               c.ownRatio, c.peakMb, growth);
    }
    printf("(calls ms: the draw pass's own host calls replayed without its arithmetic; "
           "own = redraw / calls)\n");
    printf("\n%-5s %9s %8s %23s %23s   %s\n", "mesh", "vertices", "copy MB",
           "fresh: merge/memcpy ms", "in use: merge/memcpy ms",
           "push cache B/vertex: all arrays, directions, private memory");
    for (const MeshRow& m : meshes)
        printf("%-5s %9.0f %8.1f %7.2f/%7.2f =%5.2f %7.2f/%7.2f =%5.2f   %6.2f %6.2f %6.2f\n",
               m.mesh.c_str(), m.vertices, m.mergeMb, m.mergeMs, m.memcpyMs, m.mergeVsMemcpy,
               m.mergeReusedMs, m.memcpyWarmMs, m.mergeVsMemcpyWarm, m.cacheAllBytesPerVertex,
               m.cacheDirectionsBytesPerVertex, m.cacheMeasuredBytesPerVertex);
    printf("\n%-5s  host call ns: %s\n", "mesh",
           "get+set vertex, point count, point array, invert, material, 3 corner colours");
    for (const MeshRow& m : meshes)
        printf("%-5s  %14.2f %12.2f %12.2f %7.2f %9.2f %17.2f\n", m.mesh.c_str(), m.nsGetSetVertex,
               m.nsPointCount, m.nsPointArray, m.nsInvert, m.nsMaterial, m.nsColors);
    printf("\ntargets:\n");
    for (const Target& t : targets)
        printf("  %-4s %-58s %10.3f  (<= %g)\n", t.met ? "ok" : "MISS", t.name.c_str(), t.value,
               t.limit);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) return 2;
    MakeFolders(options.outDir);

    if (options.level >= 0) {
        Figures figures;
        std::string error;
        if (!RunLevel(options.level, options.leakRedraws, &figures, &error)) {
            fprintf(stderr, "workbench_bench: level %d: %s\n", options.level, error.c_str());
            return 1;
        }
        return WriteFigures(LevelFile(options, options.level), figures) ? 0 : 1;
    }

    std::vector<CaseRow> cases;
    std::vector<MeshRow> meshes;
    for (int32_t level = options.firstLevel; level <= options.lastLevel; ++level) {
        printf("mesh ico%d: %d triangles\n", level, 20 << (2 * level));
        fflush(stdout);
        DeleteFileA(LevelFile(options, level).c_str());
        Figures figures;
        if (!RunChild(options, level) || !ReadFigures(LevelFile(options, level), &figures)) {
            fprintf(stderr, "workbench_bench: the measurement of ico%d failed\n", level);
            return 1;
        }
        cases.push_back(MakeCase(figures, "black_frame", 1));
        cases.push_back(MakeCase(figures, "blur", 5));
        meshes.push_back(MakeMesh(figures));
    }
    const std::vector<Target> targets = EvaluateTargets(cases, meshes);
    const std::string summary = options.outDir + "/summary.json";
    if (!WriteSummary(summary, cases, meshes, targets)) {
        fprintf(stderr, "workbench_bench: cannot write %s\n", summary.c_str());
        return 1;
    }
    PrintTables(cases, meshes, targets);
    printf("\nwritten: %s\n", summary.c_str());
    return 0;
}
