#include "baker/Batch.h"

#include <stdio.h>

#include <chrono>
#include <map>
#include <thread>

#include "baker/Files.h"
#include "baker/OutputFiles.h"
#include "baker/Processes.h"
#include "baker/Report.h"

namespace baker {

namespace {

std::string BaseStem(const std::string& path) {
    const std::string name = BaseName(path);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool MakeFolders(const std::string& folder) {
    if (Exists(folder)) return IsFolder(folder);
    const size_t slash = LastSeparator(folder);
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) return false;
    std::string why;
    return MakeFolder(folder, false, &why);
}

}  // namespace

BakeResult BakeAndCommit(const Options& o, size_t index, const std::string& output, const std::string& staging,
                         const std::string& staged) {
    BakeResult r = BakeScene(o, o.inputs[index], staged);
    r.output = output;
    if (r.code == 0) {
        HoldInterrupt(true);
        std::string error;
        if (!CommitStaged(staging, output, &error)) {
            r.code = kExitFailed;
            r.error = error;
        }
        HoldInterrupt(false);
    }
    return r;
}

bool PlanOutputs(const Options& o, std::vector<std::string>* outputs, std::string* error) {
    outputs->clear();
    if (!o.outDir.empty() && !NamedAsSpelled(o.outDir, error)) {
        *error = "--out-dir " + *error;
        return false;
    }
    if (!o.outDir.empty() && !MakeFolders(o.outDir)) {
        *error = "--out-dir " + o.outDir + ": cannot be made";
        return false;
    }
    for (const std::string& input : o.inputs)
        outputs->push_back(o.output.empty() ? o.outDir + "/" + BaseStem(input) + o.outExtension : o.output);
    for (const std::string& output : *outputs) {
        const std::string folder = FolderOf(output);
        if (!IsFolder(folder)) {
            *error = output + ": its folder " + folder + " does not exist";
            return false;
        }
        if (Exists(output) && !IsRegularFile(output)) {
            *error = output + ": is in the way (not a regular file)";
            return false;
        }
    }
    const std::vector<std::string> inputs = InputFiles(o.inputs, o.heightMap);
    std::map<std::string, std::string> taken;  // output file (its NameKey) -> its input
    for (size_t i = 0; i < outputs->size(); ++i) {
        for (const std::string& file : OutputFilesOf((*outputs)[i])) {
            for (const std::string& in : inputs)
                if (file == in || SameFile(file, in)) {
                    *error = file + ": is an input of this run (" + in + "); choose another output";
                    return false;
                }
            if (!NamedAsSpelled(file, error)) return false;
            auto placed = taken.emplace(NameKey(file), o.inputs[i]);
            if (!placed.second) {
                *error = file + ": is the output of both " + placed.first->second + " and " + o.inputs[i];
                return false;
            }
        }
    }
    return true;
}

int RunBakes(const Options& o, const std::vector<std::string>& outputs, std::vector<BakeResult>* results) {
    const auto start = std::chrono::steady_clock::now();
    results->assign(o.inputs.size(), BakeResult());
    const bool terminal = ProgressOnTerminal();
    const size_t total = o.inputs.size();
    size_t done = 0;
    int64_t triangles = 0;
    auto finished = [&](size_t i) {
        ++done;
        triangles += (*results)[i].trianglesOut;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (terminal) {
            fprintf(stderr, "\r\033[K%s", ProgressLine(done, total, triangles, seconds).c_str());
            if (done == total) fputc('\n', stderr);
            fflush(stderr);
        } else {
            printf("%s\n", FileLine((*results)[i]).c_str());
            fflush(stdout);
        }
    };
    auto failed = [&](size_t i, const std::string& error) {
        (*results)[i].input = o.inputs[i];
        (*results)[i].output = outputs[i];
        (*results)[i].code = kExitFailed;
        (*results)[i].error = error;
        finished(i);
    };

    CatchInterrupt();
    const size_t jobs = static_cast<size_t>(o.jobs > 0 ? o.jobs : CoreCount());
    std::vector<ChildBake> running;
    size_t next = 0;
    while ((next < total || !running.empty()) && !Interrupted()) {
        while (next < total && running.size() < jobs && !Interrupted()) {
            const size_t i = next++;
            std::string staging, staged, error;
            ChildBake child;
            if (!StageOutput(outputs[i], &staging, &staged, &error)) {
                failed(i, error);
                continue;
            }
            if (!StartChildBake(o, i, outputs[i], staging, staged, &child, &error)) {
                DiscardStaged(staging);
                failed(i, error);
                continue;
            }
            running.push_back(child);
        }
        if (running.empty()) continue;
        std::vector<EndedBake> ended;
        WaitForChildBakes(&running, &ended);
        for (const EndedBake& end : ended) {
            DiscardStaged(end.child.staging);  // gone after a commit; what an end left otherwise
            const size_t index = end.child.index;
            BakeResult& r = (*results)[index];
            const bool decoded = DecodeResult(end.child.text, &r);
            // Ctrl+C reaches the bakes as it reaches the run, which may hear of it a moment later.
            for (int wait = 0; !decoded && end.interrupted && !Interrupted() && wait < 50; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (!decoded && end.interrupted && Interrupted()) continue;
            if (!decoded) {
                r.code = kExitFailed;
                r.error = !end.how.empty() ? end.how : "its bake ended without a result";
            }
            r.input = o.inputs[index];
            r.output = outputs[index];
            finished(index);
        }
    }
    if (Interrupted()) {
        StopChildBakes(&running);
        for (const ChildBake& child : running) DiscardStaged(child.staging);
        if (terminal) fputc('\n', stderr);
        fprintf(stderr, "puffshell: interrupted; files not finished were not written\n");
        return kExitInterrupted;
    }
    int code = kExitOk;
    for (const BakeResult& r : *results) {
        if (r.code == 0) continue;
        fprintf(stderr, "puffshell: %s\n", FailureText(r).c_str());
        code = total == 1 ? r.code : kExitFailed;
    }
    for (const BakeResult& r : *results)
        for (const std::string& warning : r.warnings) fprintf(stderr, "puffshell: warning: %s\n", warning.c_str());
    return code;
}

}  // namespace baker
