// Steps shared by the benchmark's measurements: binding the workbench host, loading the plug-in,
// what the host pays for shell layers without any plug-in arithmetic, and the plug-in's rebuild
// timed on its own.
#pragma once

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "plugin/HostAbi.h"
#include "workbench/bench/Harness.h"
#include "workbench/common/BesideThisProgram.h"

// Named figures of one run, in the order measured ("key" -> value; times in ms, memory in bytes
// unless the key says otherwise).
typedef std::vector<std::pair<std::string, double>> Figures;

void Add(Figures* figures, const std::string& key, double value);
// key_min_ms, key_median_ms and key_runs.
void AddStats(Figures* figures, const std::string& key, const RunStats& stats);
// One line of progress on standard output.
void Progress(const std::string& run, const char* what);

using common::BesideThisProgram;
// Binds Host() to the workbench's host module, as the plug-in binds it.
bool BindWorkbench(std::string* error);
// Loads Puffshell.dll from beside the program, shows its panel and settles. False with *error.
bool StartPlugin(std::string* error);
// Lets the panel and the host handle everything pending, redraws included.
void Settle();

// How many layers each source got in a redraw: the draw pass goes through the objects in
// document order and builds up to `requested` layers of each; when the process cannot hold a
// layer, that object gets no more and objects of the same size after it none at all. So `built`
// draw objects in all stand for full shells of the first objects and the rest of one more.
std::vector<int32_t> LayersPerSource(size_t sources, int32_t requested, size_t built);

// What any plug-in pays the host for shells of sources (layers[i] layers of sources[i]), without
// arithmetic of its own: a draw object (message 200), a merge, every vertex read and written back
// unchanged, every face inverted and then every face given material, in the order the draw pass
// calls them.
void HostCopy(HostDocument document, const std::vector<HostObject>& sources,
              const std::vector<int32_t>& layers, int32_t material);
// HostCopy timed with the host's own redraw before it (which frees the previous layers), while
// the plug-in draws no shell: the same host work a plug-in redraw pays.
RunStats TimeHostCopy(int32_t runs, HostDocument document, const std::vector<HostObject>& sources,
                      const std::vector<int32_t>& layers, int32_t material);

// Every host call the draw pass makes for the shells of sources (layers[i] layers of sources[i]),
// replayed in its order with none of its arithmetic (vertices written back unchanged, one colour
// for every corner), timed with the host's redraw before it: what the plug-in's redraw costs the
// host, so that redraw minus this is the plug-in's own work.
//   inverted  the black frame: point count + invert for every face, then point count + material;
//             otherwise (blur) point count + material, then point count, points and a colour per
//             corner
RunStats TimeDrawPassCalls(int32_t runs, HostDocument document,
                           const std::vector<HostObject>& sources,
                           const std::vector<int32_t>& layers, int32_t material, bool inverted);

// The rebuild a draw pass makes after the document changed (the object list compared with the
// document, then the push cache rebuilt for every switched-on object), timed on its own, and the
// host calls it makes replayed without its arithmetic (ReplayRebuildCalls). This program runs the
// plug-in's own code (the static library the DLL is made of) with every object of document
// switched on in its own settings store, as the panel switched them on in the plug-in's, so no
// redraw enters the figures. Rebuild and replay alternate run by run, so that both see the same
// machine. On documents of at most checkFaces faces the replay's calls are first recorded and
// compared with the rebuild's. Host() must be bound; the store is emptied after.
struct RebuildTimes {
    RunStats rebuild;
    RunStats replay;
    int64_t checkedCalls = 0;  // calls found equal; 0 when not checked, -1 when they differ
};
RebuildTimes TimeRebuild(int32_t runs, HostDocument document, int64_t checkFaces = 200000);
// key_rebuild_* and key_rebuild_calls_* (AddStats), and key_rebuild_calls_checked.
void AddRebuild(Figures* figures, const std::string& key, const RebuildTimes& times);
