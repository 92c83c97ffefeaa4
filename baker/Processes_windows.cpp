// The baking command's processes on Windows (see Processes.h). Each bake is a child process of
// this very program, started with an internal first argument ("--bake-child INDEX ARGUMENTS REPORT
// STOP", the numbers of three handles it inherits): it reads the run's arguments and its own
// staging from the first pipe, bakes, and writes its result on the second. Ctrl+C sets the run's
// stop event, which every child waits for on a thread of its own; a child moving its files into
// place finishes that first. The children belong to a job that ends them with the run, however
// it ends.
#include "baker/Processes.h"

#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>

#include "baker/Batch.h"
#include "baker/Report.h"
#include "plugin/HostApi.h"
#include "workbench/io/FileAccess.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace baker {

namespace {

const char kChildArgument[] = "--bake-child";

volatile LONG g_interrupted = 0;
HANDLE g_stop = nullptr;  // the run's stop event (manual reset), inherited by every child
HANDLE g_job = nullptr;   // the children's job: closed with the run, it ends them
SRWLOCK g_commit = SRWLOCK_INIT;  // held by a child while it moves its files into place
UINT g_consoleOutputCodePage = 0;

void RestoreConsoleCodePage() { SetConsoleOutputCP(g_consoleOutputCodePage); }

BOOL WINAPI OnRunControl(DWORD event) {
    InterlockedExchange(&g_interrupted, 1);
    if (g_stop) SetEvent(g_stop);
    // The console is closing: the system ends the run when this returns; give it the moment it
    // needs to remove what its bakes left.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(1000);
    return TRUE;
}

// A child's end, on the run's stop event or its own Ctrl+C: at once, but not while it moves its
// files into place.
void EndChild() {
    AcquireSRWLockExclusive(&g_commit);
    TerminateProcess(GetCurrentProcess(), kExitInterrupted);
}

BOOL WINAPI OnChildControl(DWORD) {
    EndChild();
    return TRUE;
}

DWORD WINAPI WatchStop(void* stop) {
    if (WaitForSingleObject(static_cast<HANDLE>(stop), INFINITE) == WAIT_OBJECT_0) EndChild();
    return 0;
}

std::wstring ThisProgram() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(n < path.size() ? n : 0);
    return path;
}

bool ParseHandle(const std::string& text, HANDLE* handle) {
    char* end = nullptr;
    const unsigned long long value = strtoull(text.c_str(), &end, 10);
    if (text.empty() || *end || value == 0) return false;
    *handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
    return true;
}

bool WriteAll(HANDLE out, const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(bytes.size() - sent < (1u << 20) ? bytes.size() - sent : 1u << 20);
        if (!WriteFile(out, bytes.data() + sent, chunk, &n, nullptr) || n == 0) return false;
        sent += n;
    }
    return true;
}

// What is in the pipe now into *text; with all, until its writer is gone.
void ReadPipe(HANDLE pipe, bool all, std::string* text) {
    for (;;) {
        DWORD available = 0;
        if (!all && (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0)) return;
        char buffer[4096];
        DWORD n = 0;
        if (!ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) || n == 0) return;
        text->append(buffer, n);
    }
}

// A pipe whose one end (reading or writing) a child inherits; the other stays the run's.
bool ChildPipe(bool childReads, HANDLE* childEnd, HANDLE* ownEnd) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16)) return false;
    *childEnd = childReads ? readEnd : writeEnd;
    *ownEnd = childReads ? writeEnd : readEnd;
    SetHandleInformation(*ownEnd, HANDLE_FLAG_INHERIT, 0);
    return true;
}

std::string WindowsError(const char* what) { return std::string(what) + " (Windows error " + std::to_string(GetLastError()) + ")"; }

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    int n = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n)) {
        for (int i = 0; i < n; ++i) arguments.push_back(wb::Utf8FromWide(wide[i]));
        LocalFree(wide);
    } else {
        for (int i = 0; i < argc; ++i) arguments.push_back(argv[i] ? argv[i] : "");
    }
    // Paths and messages are UTF-8; the console shows them so while the run lives.
    if (GetConsoleOutputCP() != CP_UTF8 && (g_consoleOutputCodePage = GetConsoleOutputCP()) != 0 &&
        SetConsoleOutputCP(CP_UTF8))
        atexit(RestoreConsoleCodePage);
    return arguments;
}

// Loaded already, as the program imports it: the plug-in binds the same module.
std::string HostModule() { return "WorkbenchHost.dll"; }

bool RunChildBake(const std::vector<std::string>& arguments, int* code) {
    if (arguments.size() < 2 || arguments[1] != kChildArgument) return false;
    *code = kExitBadInput;
    HANDLE input = nullptr, report = nullptr, stop = nullptr;
    char* end = nullptr;
    const unsigned long index = arguments.size() == 6 ? strtoul(arguments[2].c_str(), &end, 10) : 0;
    if (arguments.size() != 6 || !end || *end || !ParseHandle(arguments[3], &input) ||
        !ParseHandle(arguments[4], &report) || !ParseHandle(arguments[5], &stop) ||
        GetFileType(input) != FILE_TYPE_PIPE || GetFileType(report) != FILE_TYPE_PIPE ||
        WaitForSingleObject(stop, 0) == WAIT_FAILED) {
        fprintf(stderr, "puffshell: %s is for the program's own use\n", kChildArgument);
        return true;
    }
    SetConsoleCtrlHandler(OnChildControl, TRUE);
    if (HANDLE watcher = CreateThread(nullptr, 0, WatchStop, stop, 0, nullptr)) CloseHandle(watcher);

    // staging, staged, output, then the run's arguments after the program's name, each ending in a
    // NUL character.
    std::string text;
    ReadPipe(input, true, &text);
    CloseHandle(input);
    std::vector<std::string> fields;
    for (size_t at = 0; at < text.size();) {
        const size_t nul = text.find('\0', at);
        if (nul == std::string::npos) break;
        fields.push_back(text.substr(at, nul - at));
        at = nul + 1;
    }
    BakeResult r;
    Options options;
    std::string error;
    std::vector<const char*> args = {arguments[0].c_str()};
    for (size_t i = 3; i < fields.size(); ++i) args.push_back(fields[i].c_str());
    if (fields.size() < 3 ||
        ParseCommandLine(static_cast<int>(args.size()), args.data(), &options, &error) != ParseResult::Run ||
        index >= options.inputs.size()) {
        r.code = kExitFailed;
        r.error = "its bake was not given the run's command line" + (error.empty() ? "" : ": " + error);
    } else if (!BindHostApi(HostModule().c_str())) {
        r.code = kExitFailed;
        r.error = HostModule() + " beside the program is missing or incomplete";
    } else {
        r = BakeAndCommit(options, index, fields[2], fields[0], fields[1]);
    }
    WriteAll(report, EncodeResult(r));
    CloseHandle(report);
    *code = r.code;
    return true;
}

void CatchInterrupt() {
    if (!g_stop) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        g_stop = CreateEventW(&inherit, TRUE, FALSE, nullptr);
    }
    SetConsoleCtrlHandler(OnRunControl, TRUE);
}

bool Interrupted() { return InterlockedCompareExchange(&g_interrupted, 0, 0) != 0; }

void HoldInterrupt(bool hold) {
    if (hold)
        AcquireSRWLockExclusive(&g_commit);
    else
        ReleaseSRWLockExclusive(&g_commit);
}

bool ProgressOnTerminal() {
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(err, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) || SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

int32_t CoreCount() {
    const DWORD cores = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    return cores > 0 ? static_cast<int32_t>(cores) : 1;
}

bool StartChildBake(const Options&, size_t index, const std::string& output, const std::string& staging,
                    const std::string& staged, ChildBake* child, std::string* error) {
    if (!g_stop) {
        *error = "cannot start its bake: no stop event";
        return false;
    }
    if (!g_job) {
        g_job = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (g_job) SetInformationJobObject(g_job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    HANDLE childInput, ownInput, childReport, ownReport;
    if (!ChildPipe(true, &childInput, &ownInput)) {
        *error = WindowsError("cannot start its bake: no pipe");
        return false;
    }
    if (!ChildPipe(false, &childReport, &ownReport)) {
        *error = WindowsError("cannot start its bake: no pipe");
        CloseHandle(childInput);
        CloseHandle(ownInput);
        return false;
    }
    const std::wstring program = ThisProgram();
    std::wstring line = L"\"" + program + L"\" " + wb::WideFromUtf8(kChildArgument) + L" " +
                        std::to_wstring(index) + L" " +
                        std::to_wstring(reinterpret_cast<uintptr_t>(childInput)) + L" " +
                        std::to_wstring(reinterpret_cast<uintptr_t>(childReport)) + L" " +
                        std::to_wstring(reinterpret_cast<uintptr_t>(g_stop));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    const bool ok = CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                                   nullptr, &startup, &started) != 0;
    if (!ok) *error = WindowsError("cannot start its bake");
    CloseHandle(childInput);
    CloseHandle(childReport);
    if (!ok) {
        CloseHandle(ownInput);
        CloseHandle(ownReport);
        return false;
    }
    if (g_job) AssignProcessToJobObject(g_job, started.hProcess);  // where jobs nest not, it runs without
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);

    std::string fields = staging + '\0' + staged + '\0' + output + '\0';
    int n = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n)) {
        for (int i = 1; i < n; ++i) fields += wb::Utf8FromWide(wide[i]) + '\0';
        LocalFree(wide);
    }
    WriteAll(ownInput, fields);  // a child that cannot read it reports so
    CloseHandle(ownInput);
    child->index = index;
    child->staging = staging;
    child->process = reinterpret_cast<intptr_t>(started.hProcess);
    child->channel = reinterpret_cast<intptr_t>(ownReport);
    return true;
}

void WaitForChildBakes(std::vector<ChildBake>* running, std::vector<EndedBake>* ended) {
    std::vector<HANDLE> waits = {g_stop};
    for (const ChildBake& child : *running)
        if (waits.size() < MAXIMUM_WAIT_OBJECTS) waits.push_back(reinterpret_cast<HANDLE>(child.process));
    WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, 100);
    for (size_t k = running->size(); k-- > 0;) {
        ChildBake& child = (*running)[k];
        HANDLE process = reinterpret_cast<HANDLE>(child.process), report = reinterpret_cast<HANDLE>(child.channel);
        const bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        ReadPipe(report, gone, &child.text);  // a long report must not fill the pipe
        if (!gone) continue;
        DWORD exitCode = 0;
        GetExitCodeProcess(process, &exitCode);
        CloseHandle(report);
        CloseHandle(process);
        EndedBake end;
        end.child = child;
        end.interrupted = exitCode == static_cast<DWORD>(kExitInterrupted);
        if (end.interrupted) {
            end.how = "its bake was interrupted";
        } else if (exitCode >= 0xC0000000u) {
            char how[64];
            snprintf(how, sizeof how, "its bake ended by exception 0x%08lX", static_cast<unsigned long>(exitCode));
            end.how = how;
        }
        ended->push_back(end);
        running->erase(running->begin() + static_cast<long>(k));
    }
}

void StopChildBakes(std::vector<ChildBake>* running) {
    if (g_stop) SetEvent(g_stop);
    const ULONGLONG until = GetTickCount64() + 3000;
    for (const ChildBake& child : *running) {
        HANDLE process = reinterpret_cast<HANDLE>(child.process);
        const ULONGLONG now = GetTickCount64();
        if (WaitForSingleObject(process, now < until ? static_cast<DWORD>(until - now) : 0) != WAIT_OBJECT_0) {
            TerminateProcess(process, kExitInterrupted);
            WaitForSingleObject(process, 1000);
        }
        CloseHandle(reinterpret_cast<HANDLE>(child.channel));
        CloseHandle(process);
    }
}

}  // namespace baker
