#include "workbench/bench/Report.h"

#include <stdio.h>

#include "workbench/bench/LevelRun.h"

namespace {

const double kMiB = 1024.0 * 1024.0;

// text as the contents of a JSON string.
std::string JsonText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
    return out;
}

// ---- rows ------------------------------------------------------------------------------------

struct CaseRow {
    std::string build;
    std::string mesh;  // "ico<level>" or a many-object document's name
    int32_t objects = 1;
    double triangles = 0, vertices = 0;
    std::string name;  // "black_frame" or "blur"
    int32_t layers = 0, built = 0;  // asked for per object; built in all
    double redraw = 0, redrawMedian = 0;
    double rebuild = 0, rebuildMedian = 0;
    double hostCopy = 0, hostCopyMedian = 0;
    double ratio = 0, ratioMedian = 0;
    double hostCalls = 0, ownRatio = 0;  // the draw pass's own host calls, replayed; redraw / them
    // The rebuild's own host calls, replayed; rebuild / them; calls checked equal to the
    // rebuild's (0 not checked, -1 different).
    double rebuildCalls = 0, rebuildOwnRatio = 0, rebuildCallsChecked = 0;
    double peakMb = 0;
    double growthKb = -1;  // -1: not measured
    int32_t growthRedraws = 0;
    // Many-object documents: (this - the single 1.3M-triangle mesh) / objects, in microseconds.
    bool perObject = false;
    double redrawPerObjectUs = 0, rebuildPerObjectUs = 0;
};

CaseRow MakeCase(const std::string& build, const std::string& mesh, const Figures& f,
                 const char* name) {
    const std::string key(name);
    CaseRow row;
    row.build = build;
    row.mesh = mesh;
    row.objects = static_cast<int32_t>(FigureOf(f, "objects", 1));
    row.triangles = FigureOf(f, "triangles");
    row.vertices = FigureOf(f, "vertices");
    row.name = key;
    row.layers = static_cast<int32_t>(FigureOf(f, key + "_layers_requested") / row.objects);
    row.built = static_cast<int32_t>(FigureOf(f, key + "_layers_built"));
    row.redraw = FigureOf(f, key + "_redraw_min_ms");
    row.redrawMedian = FigureOf(f, key + "_redraw_median_ms");
    row.rebuild = FigureOf(f, key + "_rebuild_min_ms");
    row.rebuildMedian = FigureOf(f, key + "_rebuild_median_ms");
    row.hostCopy = FigureOf(f, key + "_host_copy_min_ms");
    row.hostCopyMedian = FigureOf(f, key + "_host_copy_median_ms");
    row.ratio = row.hostCopy > 0 ? row.redraw / row.hostCopy : 0.0;
    row.ratioMedian = row.hostCopyMedian > 0 ? row.redrawMedian / row.hostCopyMedian : 0.0;
    row.hostCalls = FigureOf(f, key + "_host_calls_min_ms", 0.0);
    row.ownRatio = row.hostCalls > 0 ? row.redraw / row.hostCalls : 0.0;
    row.rebuildCalls = FigureOf(f, key + "_rebuild_calls_min_ms", 0.0);
    row.rebuildOwnRatio = row.rebuildCalls > 0 ? row.rebuild / row.rebuildCalls : 0.0;
    row.rebuildCallsChecked = FigureOf(f, key + "_rebuild_calls_checked", 0.0);
    row.peakMb = FigureOf(f, key + "_peak_working_set", 0.0) / kMiB;
    const double growth = FigureOf(f, key + "_private_growth", -1e300);
    if (growth > -1e299) {
        row.growthKb = growth / 1024.0;
        row.growthRedraws = static_cast<int32_t>(FigureOf(f, key + "_growth_redraws", 0));
    }
    return row;
}

struct MeshRow {
    std::string build;
    std::string mesh;
    double triangles = 0, vertices = 0;
    double layerCostMb = 0, layersThatFit = 0;  // the draw pass's estimate and what this process holds
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

MeshRow MakeMesh(const std::string& build, const std::string& mesh, const Figures& f) {
    MeshRow row;
    row.build = build;
    row.mesh = mesh;
    row.triangles = FigureOf(f, "triangles");
    row.vertices = FigureOf(f, "vertices");
    row.layerCostMb = FigureOf(f, "layer_cost_bytes", 0.0) / kMiB;
    row.layersThatFit = FigureOf(f, "layers_that_fit", 0.0);
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

struct ListRow {
    std::string build;
    int32_t rows = 0;
    double fill = 0, fillMedian = 0, refill = 0, refillMedian = 0;
};

struct Target {
    std::string build;
    std::string name;
    double value;
    double limit;
    bool met;
};

struct Rows {
    std::vector<CaseRow> cases;
    std::vector<MeshRow> meshes;
    std::vector<ListRow> lists;
    std::vector<Target> targets;
};

// ---- targets ---------------------------------------------------------------------------------

void AddTarget(std::vector<Target>* targets, const std::string& build, const std::string& name,
               double value, double limit) {
    targets->push_back({build, name, value, limit, value <= limit});
}

const CaseRow* FindCase(const std::vector<CaseRow>& cases, const std::string& build,
                        const std::string& mesh, const std::string& name) {
    for (const CaseRow& c : cases)
        if (c.build == build && c.mesh == mesh && c.name == name) return &c;
    return nullptr;
}

void EvaluateTargets(const std::string& build, Rows* rows) {
    std::vector<Target>& targets = rows->targets;
    const std::vector<CaseRow>& cases = rows->cases;
    for (const CaseRow& c : cases)
        if (c.build == build && c.objects == 1)
            AddTarget(&targets, build, c.mesh + " " + c.name + " ratio", c.ratio, 1.2);
    // The rebuild against its own host calls, on the meshes where its arithmetic could show.
    for (const char* mesh : {"ico7", "ico8", "many2000"}) {
        for (const char* name : {"black_frame", "blur"}) {
            const CaseRow* c = FindCase(cases, build, mesh, name);
            if (c && c->rebuildCalls > 0)
                AddTarget(&targets, build, std::string(mesh) + " " + name + " rebuild / its host calls",
                          c->rebuildOwnRatio, 1.3);
        }
    }
    for (const CaseRow& c : cases)
        if (c.build == build && c.rebuildCallsChecked < 0)
            AddTarget(&targets, build, c.mesh + " " + c.name + " rebuild replay differs from the rebuild",
                      1.0, 0.0);
    if (const CaseRow* c = FindCase(cases, build, "ico7", "black_frame")) {
        AddTarget(&targets, build, "ico7 black_frame redraw_ms", c->redraw, 25.0);
        AddTarget(&targets, build, "ico7 black_frame rebuild_ms", c->rebuild, 40.0);
    }
    for (const char* name : {"black_frame", "blur"}) {
        const CaseRow* small = FindCase(cases, build, "ico7", name);
        const CaseRow* large = FindCase(cases, build, "ico8", name);
        const CaseRow* many = FindCase(cases, build, "many2000", name);
        if (small && large && small->redraw > 0)
            AddTarget(&targets, build, std::string("ico8/ico7 ") + name + " redraw",
                      large->redraw / small->redraw, 4.6);
        if (small && large && small->rebuild > 0)
            AddTarget(&targets, build, std::string("ico8/ico7 ") + name + " rebuild",
                      large->rebuild / small->rebuild, 4.6);
        if (many && large && large->redraw > 0)
            AddTarget(&targets, build, std::string("many2000/ico8 ") + name + " redraw",
                      many->redraw / large->redraw, 1.3);
        if (many && large && large->rebuild > 0)
            AddTarget(&targets, build, std::string("many2000/ico8 ") + name + " rebuild",
                      many->rebuild / large->rebuild, 1.3);
    }
    for (const MeshRow& m : rows->meshes) {
        if (m.build != build) continue;
        AddTarget(&targets, build, m.mesh + " push cache bytes/vertex", m.cacheAllBytesPerVertex, 28.0);
        AddTarget(&targets, build, m.mesh + " merge/memcpy, fresh memory", m.mergeVsMemcpy, 3.0);
        AddTarget(&targets, build, m.mesh + " merge/memcpy, memory in use", m.mergeVsMemcpyWarm, 3.0);
    }
    for (const CaseRow& c : cases) {
        if (c.build != build || (c.growthKb < 0 && c.growthRedraws == 0)) continue;
        AddTarget(&targets, build,
                  c.mesh + " " + c.name + " private growth KiB over " +
                      std::to_string(c.growthRedraws) + " redraws",
                  c.growthKb, 0.0);
    }
    for (const ListRow& l : rows->lists) {
        if (l.build != build) continue;
        AddTarget(&targets, build, "object list fill, " + std::to_string(l.rows) + " rows, ms", l.fill, 100.0);
        AddTarget(&targets, build, "object list refill, " + std::to_string(l.rows) + " rows, ms", l.refill, 100.0);
    }
}

Rows MakeRows(const std::vector<BuildFigures>& builds) {
    Rows rows;
    for (const BuildFigures& b : builds) {
        for (const auto& run : b.runs) {
            const std::string& name = run.first;
            const Figures& f = run.second;
            if (name.rfind("list", 0) == 0) {
                ListRow l;
                l.build = b.build;
                l.rows = static_cast<int32_t>(FigureOf(f, "objects"));
                l.fill = FigureOf(f, "list_fill_min_ms");
                l.fillMedian = FigureOf(f, "list_fill_median_ms");
                l.refill = FigureOf(f, "list_refill_min_ms");
                l.refillMedian = FigureOf(f, "list_refill_median_ms");
                rows.lists.push_back(l);
                continue;
            }
            rows.cases.push_back(MakeCase(b.build, name, f, "black_frame"));
            rows.cases.push_back(MakeCase(b.build, name, f, "blur"));
            if (name.rfind("ico", 0) == 0) rows.meshes.push_back(MakeMesh(b.build, name, f));
        }
        // Per object: the many-object document against the single mesh of about as many
        // triangles.
        for (CaseRow& c : rows.cases) {
            if (c.build != b.build || c.objects <= 1) continue;
            const CaseRow* single = FindCase(rows.cases, b.build, "ico8", c.name);
            if (!single) continue;
            c.perObject = true;
            c.redrawPerObjectUs = (c.redraw - single->redraw) * 1000.0 / c.objects;
            c.rebuildPerObjectUs = (c.rebuild - single->rebuild) * 1000.0 / c.objects;
        }
        EvaluateTargets(b.build, &rows);
    }
    return rows;
}

// ---- output ----------------------------------------------------------------------------------

bool WriteSummary(const std::string& path, const std::vector<BuildFigures>& builds,
                  const Rows& rows) {
    FILE* out = fopen(path.c_str(), "w");
    if (!out) return false;
    fprintf(out, "{\n  \"note\": \"times in ms: minimum of the runs, *_median_ms the median; "
                 "rebuild = the draw pass's rebuild (object list compared, push cache rebuilt) "
                 "timed on its own; rebuild_host_calls_ms = the rebuild's own host calls replayed without its "
                 "arithmetic, rebuild_vs_host_calls = rebuild_ms / rebuild_host_calls_ms; "
                 "draw_pass_host_calls_ms = the same for the redraw; ratio = redraw_ms / host_copy_ms; layers per object asked "
                 "for, layers_built in all; per_object_us = (document - ico8) / objects; "
                 "peak_mb = peak working set of the run's own process\",\n");
    fprintf(out, "  \"builds\": [\n");
    for (size_t i = 0; i < builds.size(); ++i) {
        fprintf(out, "    {\"build\": \"%s\", \"run\": %s", builds[i].build.c_str(),
                builds[i].notRun.empty() ? "true" : "false");
        if (!builds[i].notRun.empty()) fprintf(out, ", \"why_not\": \"%s\"", JsonText(builds[i].notRun).c_str());
        fprintf(out, "}%s\n", i + 1 < builds.size() ? "," : "");
    }
    fprintf(out, "  ],\n  \"cases\": [\n");
    for (size_t i = 0; i < rows.cases.size(); ++i) {
        const CaseRow& c = rows.cases[i];
        fprintf(out,
                "    {\"build\": \"%s\", \"mesh\": \"%s\", \"objects\": %d, \"triangles\": %.0f, "
                "\"vertices\": %.0f, \"case\": \"%s\", \"layers\": %d, \"layers_built\": %d, "
                "\"redraw_ms\": %.3f, \"redraw_median_ms\": %.3f, "
                "\"rebuild_ms\": %.3f, \"rebuild_median_ms\": %.3f, \"host_copy_ms\": %.3f, "
                "\"host_copy_median_ms\": %.3f, \"ratio\": %.3f, \"ratio_median\": %.3f, "
                "\"draw_pass_host_calls_ms\": %.3f, \"redraw_vs_host_calls\": %.3f, "
                "\"rebuild_host_calls_ms\": %.3f, \"rebuild_vs_host_calls\": %.3f, "
                "\"rebuild_calls_checked\": %.0f, \"peak_mb\": %.1f",
                c.build.c_str(), c.mesh.c_str(), c.objects, c.triangles, c.vertices, c.name.c_str(),
                c.layers, c.built, c.redraw, c.redrawMedian, c.rebuild, c.rebuildMedian,
                c.hostCopy, c.hostCopyMedian, c.ratio, c.ratioMedian, c.hostCalls, c.ownRatio,
                c.rebuildCalls, c.rebuildOwnRatio, c.rebuildCallsChecked, c.peakMb);
        if (c.perObject)
            fprintf(out, ", \"redraw_per_object_us\": %.2f, \"rebuild_per_object_us\": %.2f",
                    c.redrawPerObjectUs, c.rebuildPerObjectUs);
        if (c.growthRedraws > 0)
            fprintf(out, ", \"private_growth_kb\": %.1f, \"growth_redraws\": %d", c.growthKb,
                    c.growthRedraws);
        fprintf(out, "}%s\n", i + 1 < rows.cases.size() ? "," : "");
    }
    fprintf(out, "  ],\n  \"meshes\": [\n");
    for (size_t i = 0; i < rows.meshes.size(); ++i) {
        const MeshRow& m = rows.meshes[i];
        fprintf(out,
                "    {\"build\": \"%s\", \"mesh\": \"%s\", \"triangles\": %.0f, \"vertices\": %.0f, "
                "\"layer_cost_mb\": %.1f, \"layers_that_fit\": %.0f, \"merge_ms\": %.3f, \"memcpy_ms\": %.3f, \"merge_vs_memcpy\": %.2f, "
                "\"merge_mb\": %.1f, \"merge_reused_ms\": %.3f, \"memcpy_warm_ms\": %.3f, "
                "\"merge_vs_memcpy_warm\": %.2f, \"push_cache_bytes_per_vertex\": %.2f, "
                "\"push_cache_directions_bytes_per_vertex\": %.2f, "
                "\"push_cache_private_bytes_per_vertex\": %.2f, \"peak_mb\": %.1f, "
                "\"ns_get_set_vertex\": %.2f, \"ns_face_point_count\": %.2f, "
                "\"ns_face_point_array\": %.2f, \"ns_invert_face\": %.2f, "
                "\"ns_set_face_material\": %.2f, \"ns_set_face_vertex_color_x3\": %.2f}%s\n",
                m.build.c_str(), m.mesh.c_str(), m.triangles, m.vertices, m.layerCostMb,
                m.layersThatFit, m.mergeMs, m.memcpyMs,
                m.mergeVsMemcpy, m.mergeMb, m.mergeReusedMs, m.memcpyWarmMs, m.mergeVsMemcpyWarm,
                m.cacheAllBytesPerVertex, m.cacheDirectionsBytesPerVertex,
                m.cacheMeasuredBytesPerVertex, m.peakMb, m.nsGetSetVertex, m.nsPointCount,
                m.nsPointArray, m.nsInvert, m.nsMaterial, m.nsColors,
                i + 1 < rows.meshes.size() ? "," : "");
    }
    fprintf(out, "  ],\n  \"object_lists\": [\n");
    for (size_t i = 0; i < rows.lists.size(); ++i) {
        const ListRow& l = rows.lists[i];
        fprintf(out,
                "    {\"build\": \"%s\", \"rows\": %d, \"fill_ms\": %.3f, \"fill_median_ms\": %.3f, "
                "\"refill_ms\": %.3f, \"refill_median_ms\": %.3f}%s\n",
                l.build.c_str(), l.rows, l.fill, l.fillMedian, l.refill, l.refillMedian,
                i + 1 < rows.lists.size() ? "," : "");
    }
    fprintf(out, "  ],\n  \"targets\": [\n");
    for (size_t i = 0; i < rows.targets.size(); ++i) {
        const Target& t = rows.targets[i];
        fprintf(out,
                "    {\"build\": \"%s\", \"target\": \"%s\", \"value\": %.3f, \"limit\": %.3f, "
                "\"met\": %s}%s\n",
                t.build.c_str(), t.name.c_str(), t.value, t.limit, t.met ? "true" : "false",
                i + 1 < rows.targets.size() ? "," : "");
    }
    fprintf(out, "  ]\n}\n");
    return fclose(out) == 0;
}

void PrintTables(const std::vector<BuildFigures>& builds, const Rows& rows) {
    for (const BuildFigures& b : builds)
        if (!b.notRun.empty()) printf("\nThe %s build was not run: %s\n", b.build.c_str(), b.notRun.c_str());
    printf("\n%-5s %-8s %9s %-11s %9s %17s %17s %17s %6s %8s %5s %7s %13s %8s\n", "build", "mesh",
           "triangles", "case", "layers", "redraw ms min/med", "rebuild ms", "host_copy ms",
           "ratio", "calls ms", "own", "peak MB", "us/object r/b", "growth");
    for (const CaseRow& c : rows.cases) {
        char growth[32] = "-", perObject[32] = "-", layers[32];
        if (c.growthRedraws > 0) snprintf(growth, sizeof growth, "%.0f", c.growthKb);
        if (c.perObject)
            snprintf(perObject, sizeof perObject, "%.1f/%.1f", c.redrawPerObjectUs, c.rebuildPerObjectUs);
        snprintf(layers, sizeof layers, "%d/%d", c.built, c.layers * c.objects);
        printf("%-5s %-8s %9.0f %-11s %9s %8.2f/%8.2f %8.2f/%8.2f %8.2f/%8.2f %6.2f %8.2f %5.2f %7.0f "
               "%13s %8s\n",
               c.build.c_str(), c.mesh.c_str(), c.triangles, c.name.c_str(), layers, c.redraw,
               c.redrawMedian, c.rebuild, c.rebuildMedian, c.hostCopy, c.hostCopyMedian, c.ratio,
               c.hostCalls, c.ownRatio, c.peakMb, perObject, growth);
    }
    printf("(layers: built/asked for; rebuild: the pass's rebuild timed on its own; calls ms: the "
           "draw pass's own host calls replayed without its arithmetic; own = redraw / calls; "
           "us/object: (document - ico8) / objects, redraw/rebuild)\n");
    printf("\n%-5s %-8s %-11s %10s %14s %6s %10s %14s %6s %8s\n", "build", "mesh", "case",
           "redraw ms", "its calls ms", "own", "rebuild ms", "its calls ms", "own", "checked");
    for (const CaseRow& c : rows.cases) {
        char checked[32] = "-";
        if (c.rebuildCallsChecked > 0) snprintf(checked, sizeof checked, "%.0f", c.rebuildCallsChecked);
        if (c.rebuildCallsChecked < 0) snprintf(checked, sizeof checked, "DIFFERS");
        printf("%-5s %-8s %-11s %10.2f %14.2f %6.2f %10.2f %14.2f %6.2f %8s\n", c.build.c_str(),
               c.mesh.c_str(), c.name.c_str(), c.redraw, c.hostCalls, c.ownRatio, c.rebuild,
               c.rebuildCalls, c.rebuildOwnRatio, checked);
    }
    printf("(its calls: the host calls of the redraw and of the rebuild, replayed in their order "
           "without the plug-in's arithmetic; own = plug-in / its calls; checked: calls of the "
           "replay found equal to a recorded rebuild's)\n");
    printf("\n%-5s %-5s %9s %8s %23s %23s   %s\n", "build", "mesh", "vertices", "copy MB",
           "fresh: merge/memcpy ms", "in use: merge/memcpy ms",
           "push cache B/vertex: all arrays, directions, private memory");
    for (const MeshRow& m : rows.meshes)
        printf("%-5s %-5s %9.0f %8.1f %7.2f/%7.2f =%5.2f %7.2f/%7.2f =%5.2f   %6.2f %6.2f %6.2f\n",
               m.build.c_str(), m.mesh.c_str(), m.vertices, m.mergeMb, m.mergeMs, m.memcpyMs,
               m.mergeVsMemcpy, m.mergeReusedMs, m.memcpyWarmMs, m.mergeVsMemcpyWarm,
               m.cacheAllBytesPerVertex, m.cacheDirectionsBytesPerVertex,
               m.cacheMeasuredBytesPerVertex);
    printf("\n%-5s %-5s %14s %16s\n", "build", "mesh", "layer cost MB", "layers that fit");
    for (const MeshRow& m : rows.meshes)
        printf("%-5s %-5s %14.1f %16.0f\n", m.build.c_str(), m.mesh.c_str(), m.layerCostMb,
               m.layersThatFit);
    printf("(the draw pass's estimate of one layer, and the most layers it builds in the run's "
           "process as it stands)\n");
    printf("\n%-5s %-5s  host call ns: %s\n", "build", "mesh",
           "get+set vertex, point count, point array, invert, material, 3 corner colours");
    for (const MeshRow& m : rows.meshes)
        printf("%-5s %-5s  %14.2f %12.2f %12.2f %7.2f %9.2f %17.2f\n", m.build.c_str(),
               m.mesh.c_str(), m.nsGetSetVertex, m.nsPointCount, m.nsPointArray, m.nsInvert,
               m.nsMaterial, m.nsColors);
    if (!rows.lists.empty()) {
        printf("\n%-5s %6s %21s %21s\n", "build", "rows", "list fill ms min/med",
               "refill ms min/med");
        for (const ListRow& l : rows.lists)
            printf("%-5s %6d %10.2f/%10.2f %10.2f/%10.2f\n", l.build.c_str(), l.rows, l.fill,
                   l.fillMedian, l.refill, l.refillMedian);
    }
    printf("\ntargets:\n");
    for (const Target& t : rows.targets)
        printf("  %-4s %-5s %-58s %10.3f  (<= %g)\n", t.met ? "ok" : "MISS", t.build.c_str(),
               t.name.c_str(), t.value, t.limit);
}

}  // namespace

bool Report(const std::vector<BuildFigures>& builds, const std::string& summaryPath) {
    const Rows rows = MakeRows(builds);
    if (!WriteSummary(summaryPath, builds, rows)) {
        fprintf(stderr, "workbench_bench: cannot write %s\n", summaryPath.c_str());
        return false;
    }
    PrintTables(builds, rows);
    printf("\nwritten: %s\n", summaryPath.c_str());
    return true;
}
