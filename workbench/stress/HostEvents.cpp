// Host events of every code, valid and not, with option arguments of every shape a host might
// hand over: none, an empty list, lists with missing values, repeated, unknown and empty keys,
// integers of any value, and the wrong kind of argument altogether (a list where an integer is
// expected). Every list is ended by a null key and every pointer points at live memory: those
// two the interface promises.
#include <limits.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "workbench/host/Workbench.h"
#include "workbench/stress/StressRun.h"

namespace stress {

namespace {

const int32_t kValidCodes[] = {1, 2, 100, 101, 102, 110, 200, 201, 202, 210,
                               211, 212, 220, 221, 222, 230, 231, 240};
const int32_t kInvalidCodes[] = {0, -1, 3, 99, 103, 109, 111, 203, 209, 213, 219, 223,
                                 229, 232, 239, 241, 1000, INT_MIN, INT_MAX};

// Storage for one event's option argument; lives for the call.
struct EventOptions {
    std::vector<OptionPair> pairs;
    int32_t integers[8] = {};
    std::string text;
    void* argument = nullptr;
};

int32_t OddInteger(Random& rng) {
    return rng.pick({0, 1, -1, 2, 7, 1 << 30, INT_MIN, INT_MAX, 640, 480});
}

// An option list for code: the keys the event reads, with values of any kind, in any order,
// plus keys nobody reads. Now and then null, or only the terminator.
void BuildOptions(RunState& run, int32_t code, EventOptions& options) {
    Random& rng = run.rng;
    for (int32_t& value : options.integers) value = OddInteger(rng);
    options.text = rng.pick({std::string(""), std::string("scene.scene"), std::string(5000, 'f'),
                             std::string("シーン.scene")});

    if (code == kEventActivate || code == kEventMinimize) {
        // These take a pointer to an integer; a careless host may send a list instead.
        switch (rng.below(6)) {
        case 0: options.argument = nullptr; return;
        case 1: options.integers[0] = 0; break;
        case 2: options.integers[0] = 1; break;
        case 3: break;  // an odd integer
        case 4:
            options.pairs = {{"width", &options.integers[1]}, {nullptr, nullptr}};
            options.argument = options.pairs.data();
            return;
        default: options.integers[0] = rng.pick({0, 1}); break;
        }
        options.argument = &options.integers[0];
        return;
    }

    int32_t shape = rng.below(10);
    if (shape == 0) {
        options.argument = nullptr;
        return;
    }
    const char* keys[] = {"scene", "width", "height", "state", "size", "filename", "xml_elem",
                          "save_uid", "document", "index", "visibility", "", "Width", "result"};
    int32_t count = shape == 1 ? 0 : rng.between(1, 7);
    for (int32_t i = 0; i < count; ++i) {
        const char* key = keys[rng.below(static_cast<int32_t>(sizeof keys / sizeof keys[0]))];
        void* value = nullptr;
        std::string k = key;
        if (rng.chance(0.15)) {
            value = nullptr;  // a key without a value
        } else if (k == "filename") {
            value = const_cast<char*>(options.text.c_str());
        } else if (k == "scene") {
            value = rng.chance(0.5) ? static_cast<void*>(MQDoc_GetScene(wb::ActiveDocument(), 0))
                                    : static_cast<void*>(&options.integers[2]);
        } else if (k == "document") {
            value = wb::ActiveDocument();
        } else {
            value = &options.integers[static_cast<size_t>(rng.below(8))];
        }
        options.pairs.push_back({key, value});
    }
    options.pairs.push_back({nullptr, nullptr});
    options.argument = options.pairs.data();
}

}  // namespace

void SendRandomEvent(RunState& run, StepKind&) {
    Random& rng = run.rng;
    int32_t code;
    if (rng.chance(0.8)) {
        code = kValidCodes[rng.below(static_cast<int32_t>(sizeof kValidCodes / sizeof kValidCodes[0]))];
        // Exit and initialise stop and restart the panel; keep them rarer than the others.
        if ((code == kEventExit || code == kEventInitialize) && rng.chance(0.7)) code = kEventDraw;
    } else {
        code = kInvalidCodes[rng.below(static_cast<int32_t>(sizeof kInvalidCodes / sizeof kInvalidCodes[0]))];
    }
    EventOptions options;
    BuildOptions(run, code, options);
    ++run.counts.events;
    bool known = false;
    for (int32_t valid : kValidCodes) known = known || valid == code;
    if (!known) ++run.counts.unknownEvents;

    // The document: the active one mostly; now and then none, or the one it replaced.
    double which = rng.unit();
    HostDocument document = which < 0.9 ? wb::ActiveDocument() : which < 0.95 ? nullptr : run.retiredDocument;
    if (!document) ++run.counts.eventsWithoutDocument;
    snprintf(run.progress.action, sizeof run.progress.action, "host event %d (%s, %s)", code,
             document == wb::ActiveDocument() ? "active document" : document ? "replaced document" : "no document",
             options.argument ? "with an option argument" : "no option argument");
    SendEvent(run, document, code, options.argument);

    // After exit the host starts the station again sooner or later, as after a restart.
    if (code == kEventExit && rng.chance(0.7)) {
        SendEvent(run, wb::ActiveDocument(), kEventInitialize, nullptr);
        if (rng.chance(0.8)) ShowPanel(run, true);
    }
}

}  // namespace stress
