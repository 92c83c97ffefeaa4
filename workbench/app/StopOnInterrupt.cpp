#include "workbench/app/StopOnInterrupt.h"

#include <string.h>

#include <windows.h>

#include "workbench/app/DemoScript.h"

namespace workbench {

namespace {

CRITICAL_SECTION& PlaceLock() {
    static CRITICAL_SECTION lock;
    static const bool made = (InitializeCriticalSection(&lock), true);
    (void)made;
    return lock;
}

volatile LONG watching = 0;  // Ctrl+C ends the process (changed under PlaceLock())
volatile LONG installed = 0;

// Runs on a thread of its own, which the console (or Wine, on SIGINT) starts for the event. It
// allocates nothing and takes no lock but PlaceLock(), which only a move into place holds.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    EnterCriticalSection(&PlaceLock());  // never half way through a move into place
    if (InterlockedCompareExchange(&watching, 0, 0)) {
        // Straight to the handle: the C runtime's stream may be locked by the run's thread.
        static const char kMessage[] = "workbench: interrupted; nothing written\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), kMessage, sizeof kMessage - 1, &written, nullptr);
        TerminateProcess(GetCurrentProcess(), kExitInterrupted);
    }
    LeaveCriticalSection(&PlaceLock());
    return TRUE;  // the run is over: the process ends by itself, with the run's own code
}

}  // namespace

void StopOnInterrupt() {
    EnterCriticalSection(&PlaceLock());
    InterlockedExchange(&watching, 1);
    LeaveCriticalSection(&PlaceLock());
    if (!InterlockedExchange(&installed, 1)) SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void EndStopOnInterrupt() {
    EnterCriticalSection(&PlaceLock());
    InterlockedExchange(&watching, 0);
    LeaveCriticalSection(&PlaceLock());
}

PlacingRunFiles::PlacingRunFiles() { EnterCriticalSection(&PlaceLock()); }
PlacingRunFiles::~PlacingRunFiles() { LeaveCriticalSection(&PlaceLock()); }

}  // namespace workbench
