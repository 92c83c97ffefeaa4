#include "workbench/stress/CrashGuard.h"

#include <signal.h>
#include <stdio.h>
#include <string.h>

namespace stress {

namespace {

RunProgress* g_progress = nullptr;
int32_t g_timeoutSeconds = 60;
volatile LONG g_reporting = 0;

struct ModuleRange {
    uintptr_t start = 0;
    uintptr_t end = 0;
};
ModuleRange g_modules[8];
volatile LONG g_moduleCount = 0;

ModuleRange RangeOf(HMODULE module) {
    ModuleRange range;
    if (!module) return range;
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    range.start = reinterpret_cast<uintptr_t>(base);
    range.end = range.start + nt->OptionalHeader.SizeOfImage;
    return range;
}

bool InWatchedModule(uintptr_t address) {
    for (LONG i = 0; i < g_moduleCount; ++i) {
        if (address >= g_modules[i].start && address < g_modules[i].end) return true;
    }
    return false;
}

#if defined(_WIN64)
// Walks up to 24 frames of the faulting stack with the x64 unwind tables; true when one of them is
// in a watched module.
bool StackTouchesWatchedModule(const CONTEXT* faulting) {
    CONTEXT context = *faulting;
    for (int frame = 0; frame < 24; ++frame) {
        uintptr_t pc = static_cast<uintptr_t>(context.Rip);
        if (!pc) return false;
        if (InWatchedModule(pc)) return true;
        DWORD64 imageBase = 0;
        PRUNTIME_FUNCTION function = RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
        if (!function) {
            // A leaf function: its return address is on top of the stack.
            context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
            context.Rsp += 8;
            continue;
        }
        void* handlerData = nullptr;
        DWORD64 establisher = 0;
        RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData,
                         &establisher, nullptr);
    }
    return false;
}
#else
// A 32-bit stack has no unwind tables, and optimised code keeps no frame-pointer chain. Instead
// the faulting address and every word of the faulting thread's stack, from its stack pointer up to
// 64 KB or the end of the committed stack region, are taken as candidate return addresses: true
// when one lies in a watched module, which is where every frame of a watched module leaves its
// return address.
bool StackTouchesWatchedModule(const CONTEXT* faulting) {
    if (InWatchedModule(static_cast<uintptr_t>(faulting->Eip))) return true;
    // Only committed, readable memory around the stack pointer is read: a stack pointer that a
    // fault corrupted, or an overflowed stack, ends the walk instead of faulting again.
    MEMORY_BASIC_INFORMATION region;
    const void* top = reinterpret_cast<const void*>(static_cast<uintptr_t>(faulting->Esp));
    if (!VirtualQuery(top, &region, sizeof region) || region.State != MEM_COMMIT ||
        (region.Protect & (PAGE_READWRITE | PAGE_READONLY)) == 0 || (region.Protect & PAGE_GUARD))
        return false;
    uintptr_t at = reinterpret_cast<uintptr_t>(top);
    uintptr_t regionEnd = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
    uintptr_t end = regionEnd - at > 65536 ? at + 65536 : regionEnd;
    for (; at + sizeof(DWORD) <= end; at += sizeof(DWORD)) {
        if (InWatchedModule(*reinterpret_cast<const DWORD*>(at))) return true;
    }
    return false;
}
#endif

bool IsFatalCode(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
    case 0xC0000374:  // heap corruption
    case 0xC0000409:  // stack buffer overrun / fail fast
        return true;
    default:
        return false;
    }
}

void WriteOut(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

// Reports the death of the run and ends the process. Only the first report is printed.
[[noreturn]] void ReportAndDie(const char* what) {
    if (InterlockedExchange(&g_reporting, 1) != 0) {
        Sleep(INFINITE);  // another thread is reporting; it ends the process
    }
    fflush(stdout);
    char text[512];
    RunProgress* p = g_progress;
    snprintf(text, sizeof text,
             "FAILURE at step %lld (sequence %lld, seed %llu) during %s: %s\n"
             "replay: workbench_stress.exe --seed %llu --steps %lld\n",
             p ? static_cast<long long>(p->steps + 1) : 0LL,
             p ? static_cast<long long>(p->sequences) : 0LL,
             p ? static_cast<unsigned long long>(p->seed) : 0ULL, p ? p->action : "?", what,
             p ? static_cast<unsigned long long>(p->seed) : 0ULL,
             p ? static_cast<long long>(p->steps + 1) : 0LL);
    WriteOut(text);
    if (p) {
        snprintf(text, sizeof text, "%lld steps, %lld sequences, %lld failures\n",
                 static_cast<long long>(p->steps), static_cast<long long>(p->sequences),
                 static_cast<long long>(p->failures + 1));
        WriteOut(text);
    }
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;) Sleep(INFINITE);
}

void DescribeAddress(const void* address, char* text, size_t size);

LONG CALLBACK OnVectoredException(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (!IsFatalCode(record->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
    if (!StackTouchesWatchedModule(info->ContextRecord)) return EXCEPTION_CONTINUE_SEARCH;
    char where[MAX_PATH + 32];
    DescribeAddress(record->ExceptionAddress, where, sizeof where);
    char what[MAX_PATH + 160];
    snprintf(what, sizeof what, "exception 0x%08lX at %s (access to %p)",
             static_cast<unsigned long>(record->ExceptionCode), where,
             record->NumberParameters >= 2 ? reinterpret_cast<void*>(record->ExceptionInformation[1])
                                           : nullptr);
    ReportAndDie(what);
}

// "module+offset" of a code address, for the report.
void DescribeAddress(const void* address, char* text, size_t size) {
    HMODULE module = nullptr;
    char path[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(address), &module))
        GetModuleFileNameA(module, path, MAX_PATH);
    const char* name = strrchr(path, '\\');
    snprintf(text, size, "%s+0x%llx", name ? name + 1 : path,
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address) - reinterpret_cast<uintptr_t>(module)));
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
    char where[MAX_PATH + 32];
    DescribeAddress(info->ExceptionRecord->ExceptionAddress, where, sizeof where);
    char what[MAX_PATH + 160];
    snprintf(what, sizeof what, "unhandled exception 0x%08lX at %s (access to %p)",
             static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode), where,
             info->ExceptionRecord->NumberParameters >= 2
                 ? reinterpret_cast<void*>(info->ExceptionRecord->ExceptionInformation[1])
                 : nullptr);
    ReportAndDie(what);
}

void OnAbort(int) { ReportAndDie("abort (an uncaught C++ exception or a failed check)"); }

DWORD WINAPI Watchdog(void*) {
    for (;;) {
        Sleep(1000);
        RunProgress* p = g_progress;
        ULONGLONG started = p ? p->stepStartedMs : 0;
        if (!started) continue;
        ULONGLONG now = GetTickCount64();
        if (now > started && now - started > static_cast<ULONGLONG>(g_timeoutSeconds) * 1000) {
            char what[96];
            snprintf(what, sizeof what, "the step has not ended after %d s (a hang)", g_timeoutSeconds);
            ReportAndDie(what);
        }
    }
}

}  // namespace

void InstallCrashGuard(RunProgress* progress, int32_t stepTimeoutSeconds) {
    g_progress = progress;
    g_timeoutSeconds = stepTimeoutSeconds > 0 ? stepTimeoutSeconds : 60;
    WatchModule(GetModuleHandleA(nullptr));
    AddVectoredExceptionHandler(1, OnVectoredException);
    SetUnhandledExceptionFilter(OnUnhandledException);
    signal(SIGABRT, OnAbort);
    HANDLE thread = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    if (thread) CloseHandle(thread);
}

void WatchModule(HMODULE module) {
    ModuleRange range = RangeOf(module);
    if (!range.start) return;
    for (LONG i = 0; i < g_moduleCount; ++i) {
        if (g_modules[i].start == range.start) {
            g_modules[i] = range;
            return;
        }
    }
    if (g_moduleCount < static_cast<LONG>(sizeof g_modules / sizeof g_modules[0])) {
        g_modules[g_moduleCount] = range;
        InterlockedIncrement(&g_moduleCount);
    }
}

void PrintSummary(const RunProgress& progress) {
    printf("%lld steps, %lld sequences, %lld failures\n", static_cast<long long>(progress.steps),
           static_cast<long long>(progress.sequences), static_cast<long long>(progress.failures));
    fflush(stdout);
}

}  // namespace stress
