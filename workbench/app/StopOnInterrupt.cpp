#include "workbench/app/StopOnInterrupt.h"

#include <windows.h>

#include "workbench/app/DemoScript.h"

namespace workbench {

namespace {

CRITICAL_SECTION& WriteLock() {
    static CRITICAL_SECTION lock;
    static const bool made = (InitializeCriticalSection(&lock), true);
    (void)made;
    return lock;
}

OutputFolder* watched = nullptr;  // under WriteLock()
volatile LONG interrupted = 0;

// With WriteLock() held: the run's files go, and so does the process.
void DiscardAndEnd() {
    DiscardOutputFolder(watched);
    // Straight to the handle: the C runtime's stream may be locked by the interrupted thread.
    static const char kMessage[] = "workbench: interrupted; nothing written\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kMessage, sizeof kMessage - 1, &written, nullptr);
    TerminateProcess(GetCurrentProcess(), kExitInterrupted);
}

// Runs on a thread of its own, which the console (or Wine, on SIGINT) starts for the event. It
// ends the run at once unless a file is being written; then the writer ends it as soon as the
// file is written, before it does anything else (under xvfb-run the X server is going away).
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    InterlockedExchange(&interrupted, 1);
    if (!TryEnterCriticalSection(&WriteLock())) return TRUE;
    if (watched) DiscardAndEnd();
    LeaveCriticalSection(&WriteLock());  // the run is over: let it end by itself
    return TRUE;
}

}  // namespace

void StopOnInterrupt(OutputFolder* folder) {
    EnterCriticalSection(&WriteLock());
    watched = folder;
    InterlockedExchange(&interrupted, 0);
    LeaveCriticalSection(&WriteLock());
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void EndStopOnInterrupt() {
    EnterCriticalSection(&WriteLock());
    watched = nullptr;
    LeaveCriticalSection(&WriteLock());
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

WritingRunFiles::WritingRunFiles() { EnterCriticalSection(&WriteLock()); }
WritingRunFiles::~WritingRunFiles() {
    if (InterlockedCompareExchange(&interrupted, 0, 0) && watched) DiscardAndEnd();
    LeaveCriticalSection(&WriteLock());
}

}  // namespace workbench
