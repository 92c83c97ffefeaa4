// The call recorder: every host function logs its call here while recording is on.
#include "workbench/host/Recorder.h"

namespace wb {
namespace detail {

bool g_recording = false;

namespace {
std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}
}  // namespace

void RecordLine(std::string line) { Calls().push_back(std::move(line)); }

}  // namespace detail

void StartRecording() { detail::g_recording = true; }

void StopRecording() { detail::g_recording = false; }

std::vector<std::string> RecordedCalls() { return detail::Calls(); }

void ClearRecordedCalls() { detail::Calls().clear(); }

std::vector<std::string> RecordedCallNames() {
    std::vector<std::string> names;
    names.reserve(detail::Calls().size());
    for (const std::string& line : detail::Calls()) names.push_back(line.substr(0, line.find('(')));
    return names;
}

}  // namespace wb
