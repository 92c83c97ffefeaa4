// The baking command's processes on Linux (see Processes.h): each bake a fork of the run, its
// report on a pipe, Ctrl+C by SIGINT (and SIGTERM).
#include "baker/Processes.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include "baker/Batch.h"
#include "baker/Report.h"
#include "workbench/common/BesideThisProgram.h"

namespace baker {

namespace {

volatile sig_atomic_t g_interrupted = 0;

// The run only notes Ctrl+C: it ends its bakes and removes what they left (see RunBakes).
void OnInterrupt(int) { g_interrupted = 1; }

// The bake of one staged output in a process of its own: the result as one line on fd, the exit
// code its code. Ctrl+C ends it at once (the run removes its staging folder), except while its
// files are renamed into place, which is never left half done.
[[noreturn]] void BakeInChild(const Options& o, size_t index, const std::string& output, const std::string& staging,
                              const std::string& staged, int fd) {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    const BakeResult r = BakeAndCommit(o, index, output, staging, staged);
    const std::string line = EncodeResult(r);
    for (size_t sent = 0; sent < line.size();) {
        const ssize_t n = write(fd, line.data() + sent, line.size() - sent);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    _exit(r.code);
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(argv[i] ? argv[i] : "");
    return arguments;
}

std::string HostModule() { return common::BesideThisProgram("WorkbenchHost.so"); }

bool RunChildBake(const std::vector<std::string>&, int*) { return false; }

void CatchInterrupt() {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return g_interrupted != 0; }

void HoldInterrupt(bool hold) {
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &block, nullptr);
}

bool ProgressOnTerminal() { return isatty(STDERR_FILENO) != 0; }

int32_t CoreCount() {
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    return cores > 0 ? static_cast<int32_t>(cores) : 1;
}

bool StartChildBake(const Options& o, size_t index, const std::string& output, const std::string& staging,
                    const std::string& staged, ChildBake* child, std::string* error) {
    int fds[2];
    if (pipe(fds) != 0) {
        *error = std::string("cannot start: ") + strerror(errno);
        return false;
    }
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        BakeInChild(o, index, output, staging, staged, fds[1]);
    }
    close(fds[1]);
    if (pid < 0) {
        *error = std::string("cannot start its bake: ") + strerror(errno);
        close(fds[0]);
        return false;
    }
    child->index = index;
    child->staging = staging;
    child->process = pid;
    child->channel = fds[0];
    return true;
}

void WaitForChildBakes(std::vector<ChildBake>* running, std::vector<EndedBake>* ended) {
    std::vector<pollfd> polls;
    for (const ChildBake& child : *running) polls.push_back({static_cast<int>(child.channel), POLLIN, 0});
    if (poll(polls.data(), polls.size(), 100) < 0) return;  // EINTR: the caller looks at Ctrl+C
    for (size_t k = running->size(); k-- > 0;) {
        if (!(polls[k].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ChildBake& child = (*running)[k];
        char buffer[4096];
        const ssize_t n = read(static_cast<int>(child.channel), buffer, sizeof buffer);
        if (n > 0) {
            child.text.append(buffer, static_cast<size_t>(n));
            continue;
        }
        close(static_cast<int>(child.channel));
        int status = 0;
        waitpid(static_cast<pid_t>(child.process), &status, 0);
        EndedBake end;
        end.child = child;
        if (WIFSIGNALED(status)) end.how = std::string("its bake ended by signal ") + strsignal(WTERMSIG(status));
        end.interrupted = WIFSIGNALED(status) && (WTERMSIG(status) == SIGINT || WTERMSIG(status) == SIGTERM);
        ended->push_back(end);
        running->erase(running->begin() + static_cast<long>(k));
    }
}

void StopChildBakes(std::vector<ChildBake>* running) {
    for (const ChildBake& child : *running) kill(static_cast<pid_t>(child.process), SIGINT);
    for (const ChildBake& child : *running) {
        close(static_cast<int>(child.channel));
        int status = 0;
        waitpid(static_cast<pid_t>(child.process), &status, 0);
    }
}

}  // namespace baker
