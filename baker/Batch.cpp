#include "baker/Batch.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>

#include "baker/OutputFiles.h"
#include "baker/Report.h"

namespace baker {

namespace {

volatile sig_atomic_t g_interrupted = 0;

// The run only notes Ctrl+C: it ends its bakes and removes what they left (see RunBakes).
void OnInterrupt(int) { g_interrupted = 1; }

std::string BaseStem(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool MakeFolders(const std::string& folder) {
    struct stat st;
    if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) return false;
    return mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST;
}

// The bake of one staged output in a process of its own: the result as one line on fd, the exit
// code its code. Ctrl+C ends it at once (the run removes its staging folder), except while its
// files are renamed into place, which is never left half done.
[[noreturn]] void BakeInChild(const Options& o, const std::string& input, const std::string& output,
                              const std::string& staging, const std::string& staged, int fd) {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    BakeResult r = BakeScene(o, input, staged);
    r.output = output;
    if (r.code == 0) {
        sigset_t block, before;
        sigemptyset(&block);
        sigaddset(&block, SIGINT);
        sigaddset(&block, SIGTERM);
        sigprocmask(SIG_BLOCK, &block, &before);
        std::string error;
        if (!CommitStaged(staging, output, &error)) {
            r.code = kExitFailed;
            r.error = error;
        }
        sigprocmask(SIG_SETMASK, &before, nullptr);
    }
    const std::string line = EncodeResult(r);
    for (size_t sent = 0; sent < line.size();) {
        const ssize_t n = write(fd, line.data() + sent, line.size() - sent);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    _exit(r.code);
}

}  // namespace

bool PlanOutputs(const Options& o, std::vector<std::string>* outputs, std::string* error) {
    outputs->clear();
    if (!o.outDir.empty() && !MakeFolders(o.outDir)) {
        *error = "--out-dir " + o.outDir + ": cannot be made";
        return false;
    }
    for (const std::string& input : o.inputs)
        outputs->push_back(o.output.empty() ? o.outDir + "/" + BaseStem(input) + o.outExtension : o.output);
    for (const std::string& output : *outputs) {
        struct stat st;
        const size_t slash = output.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : output.substr(0, slash);
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            *error = output + ": its folder " + folder + " does not exist";
            return false;
        }
        if (stat(output.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            *error = output + ": is in the way (not a regular file)";
            return false;
        }
    }
    const std::vector<std::string> inputs = InputFiles(o.inputs, o.heightMap);
    std::map<std::string, std::string> taken;  // output file -> its input
    for (size_t i = 0; i < outputs->size(); ++i) {
        for (const std::string& file : OutputFilesOf((*outputs)[i])) {
            for (const std::string& in : inputs)
                if (file == in || SameFile(file, in)) {
                    *error = file + ": is an input of this run (" + in + "); choose another output";
                    return false;
                }
            auto placed = taken.emplace(file, o.inputs[i]);
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
    const bool terminal = isatty(STDERR_FILENO) != 0;
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

    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const size_t jobs = static_cast<size_t>(o.jobs > 0 ? o.jobs : cores > 0 ? cores : 1);
    struct Child {
        pid_t pid;
        int fd;
        size_t index;
        std::string staging;
        std::string text;
    };
    std::vector<Child> running;
    auto end = [&running](size_t k, int* status) {
        close(running[k].fd);
        waitpid(running[k].pid, status, 0);
        DiscardStaged(running[k].staging);  // gone after a commit; what an end left otherwise
        running.erase(running.begin() + static_cast<long>(k));
    };
    size_t next = 0;
    while ((next < total || !running.empty()) && !g_interrupted) {
        while (next < total && running.size() < jobs && !g_interrupted) {
            const size_t i = next++;
            std::string staging, staged, error;
            int fds[2];
            if (!StageOutput(outputs[i], &staging, &staged, &error) || pipe(fds) != 0) {
                (*results)[i].input = o.inputs[i];
                (*results)[i].output = outputs[i];
                (*results)[i].code = kExitFailed;
                (*results)[i].error = error.empty() ? std::string("cannot start: ") + strerror(errno) : error;
                if (!staging.empty()) DiscardStaged(staging);
                finished(i);
                continue;
            }
            fflush(nullptr);
            const pid_t pid = fork();
            if (pid == 0) {
                close(fds[0]);
                BakeInChild(o, o.inputs[i], outputs[i], staging, staged, fds[1]);
            }
            close(fds[1]);
            if (pid < 0) {
                close(fds[0]);
                DiscardStaged(staging);
                (*results)[i].input = o.inputs[i];
                (*results)[i].output = outputs[i];
                (*results)[i].code = kExitFailed;
                (*results)[i].error = std::string("cannot start its bake: ") + strerror(errno);
                finished(i);
                continue;
            }
            running.push_back({pid, fds[0], i, staging, std::string()});
        }
        if (running.empty()) continue;
        std::vector<pollfd> polls;
        for (const Child& child : running) polls.push_back({child.fd, POLLIN, 0});
        if (poll(polls.data(), polls.size(), 100) < 0) continue;  // EINTR: the loop looks at Ctrl+C
        for (size_t k = running.size(); k-- > 0;) {
            if (!(polls[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            Child& child = running[k];
            char buffer[4096];
            const ssize_t n = read(child.fd, buffer, sizeof buffer);
            if (n > 0) {
                child.text.append(buffer, static_cast<size_t>(n));
                continue;
            }
            const size_t index = child.index;
            BakeResult& r = (*results)[index];
            const bool decoded = DecodeResult(child.text, &r);
            int status = 0;
            end(k, &status);
            if (!decoded) {
                r.code = kExitFailed;
                r.error = WIFSIGNALED(status) ? std::string("its bake ended by signal ") + strsignal(WTERMSIG(status))
                                              : "its bake ended without a result";
            }
            r.input = o.inputs[index];
            r.output = outputs[index];
            finished(index);
        }
    }
    if (g_interrupted) {
        for (const Child& child : running) kill(child.pid, SIGINT);
        while (!running.empty()) {
            int status = 0;
            end(running.size() - 1, &status);
        }
    }
    if (g_interrupted) {
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
