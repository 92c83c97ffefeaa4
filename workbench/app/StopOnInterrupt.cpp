#include "workbench/app/StopOnInterrupt.h"

#include <stddef.h>
#include <string.h>

#include <windows.h>

#include "workbench/app/DemoScript.h"

namespace workbench {

namespace {

// How long the console's handler waits for the stopper before it ends the process by itself.
constexpr DWORD kStopDeadlineMs = 1500;
constexpr size_t kPathBuffer = 2 * MAX_PATH;
constexpr int kMaxMadeFolders = 32;

CRITICAL_SECTION& PlaceLock() {
    static CRITICAL_SECTION lock;
    static const bool made = (InitializeCriticalSection(&lock), true);
    (void)made;
    return lock;
}

// Under PlaceLock(): whether a run is watched, and what to remove when it is stopped, copied into
// fixed storage. The stopper allocates nothing: the run's thread, stopped anywhere, may hold the
// C runtime's heap.
volatile LONG watching = 0;
char workFolder[kPathBuffer];
char madeFolders[kMaxMadeFolders][kPathBuffer];
int madeFolderCount = 0;

HANDLE runThread = nullptr;      // the thread that runs the script
HANDLE stopRequested = nullptr;  // set by the console's handler
HANDLE stopper = nullptr;        // the thread that stops the run
volatile LONG placing = 0;       // PlacingRunFiles held

void Say(const char* message) {
    // Straight to the handle: the C runtime's stream may be locked by the stopped thread.
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, static_cast<DWORD>(strlen(message)),
              &written, nullptr);
}

// Removes the file, folder or link at path (length characters in a buffer of kPathBuffer) with
// everything in a folder; a link goes as a link.
void RemoveEntry(char* path, size_t length, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryA(path);
        else
            DeleteFileA(path);
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path);
        return;
    }
    if (length + 3 > kPathBuffer) return;
    memcpy(path + length, "\\*", 3);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const size_t n = strlen(found.cFileName);
            if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..") ||
                length + 2 + n > kPathBuffer)
                continue;
            memcpy(path + length + 1, found.cFileName, n + 1);
            RemoveEntry(path, length + 1 + n, found.dwFileAttributes);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    path[length] = '\0';
    RemoveDirectoryA(path);
}

// Closes every file this process has open but its standard handles: the files the stopped
// thread was writing, so that they can be deleted. The process ends right after.
void CloseOpenFiles() {
    typedef LONG(NTAPI * QuerySystem)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QuerySystem>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return;
    struct Entry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO_EX
        void* object;
        ULONG_PTR process;
        ULONG_PTR handle;
        ULONG access;
        USHORT creatorBackTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct Table {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    const ULONG kExtendedHandleInformation = 64;
    const LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    for (SIZE_T size = 1 << 20; size <= (static_cast<SIZE_T>(1) << 30); size *= 4) {
        void* buffer = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!buffer) return;
        ULONG needed = 0;
        const LONG status =
            query(kExtendedHandleInformation, buffer, static_cast<ULONG>(size), &needed);
        if (status == 0) {
            const Table* table = static_cast<const Table*>(buffer);
            const ULONG_PTR fit = (size - offsetof(Table, entries)) / sizeof(Entry);
            const ULONG_PTR self = GetCurrentProcessId();
            for (ULONG_PTR i = 0; i < table->count && i < fit; ++i) {
                HANDLE handle = reinterpret_cast<HANDLE>(table->entries[i].handle);
                if (table->entries[i].process != self || handle == GetStdHandle(STD_INPUT_HANDLE) ||
                    handle == GetStdHandle(STD_OUTPUT_HANDLE) ||
                    handle == GetStdHandle(STD_ERROR_HANDLE))
                    continue;
                if (GetFileType(handle) == FILE_TYPE_DISK) CloseHandle(handle);
            }
        }
        VirtualFree(buffer, 0, MEM_RELEASE);
        if (status != kLengthMismatch) return;
    }
}

// The stopper's thread, made once: on each Ctrl+C it stops the watched run's thread (so nothing
// more is written), closes its files, removes its folders and ends the process. A run that has
// moved its files into place is not stopped.
DWORD WINAPI StopTheRun(void*) {
    for (;;) {
        WaitForSingleObject(stopRequested, INFINITE);
        EnterCriticalSection(&PlaceLock());
        if (watching) {
            SuspendThread(runThread);
            CloseOpenFiles();
            RemoveEntry(workFolder, strlen(workFolder), GetFileAttributesA(workFolder));
            for (int i = madeFolderCount - 1; i >= 0; --i)
                RemoveDirectoryA(madeFolders[i]);  // only empty ones go
            Say("workbench: interrupted; nothing written\n");
            TerminateProcess(GetCurrentProcess(), kExitInterrupted);
        }
        LeaveCriticalSection(&PlaceLock());
    }
}

// Runs on a thread of its own, which the console (or Wine, on SIGINT) starts for the event. The
// stopper ends the run; should it not within the deadline (the stopped thread holds something it
// needs), the process ends without it, and the next run into the same folder removes what is left.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    SetEvent(stopRequested);
    // Never half way through a move into place (the stopper waits for its end), nor after it.
    if (WaitForSingleObject(stopper, kStopDeadlineMs) == WAIT_TIMEOUT &&
        !InterlockedCompareExchange(&placing, 0, 0) &&
        InterlockedCompareExchange(&watching, 0, 0)) {
        Say("workbench: interrupted; nothing written (the run's own folder in --out goes with the "
            "next run)\n");
        TerminateProcess(GetCurrentProcess(), kExitInterrupted);
    }
    return TRUE;  // the run is over, or placing its files: let it end by itself
}

bool CopyPath(const std::string& path, char* into) {
    if (path.size() + 1 > MAX_PATH) return false;
    memcpy(into, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

void StopOnInterrupt(OutputFolder* folder) {
    EnterCriticalSection(&PlaceLock());
    InterlockedExchange(&watching, CopyPath(folder->work, workFolder) ? 1 : 0);
    madeFolderCount = 0;
    for (const std::string& made : folder->madeFolders)
        if (madeFolderCount < kMaxMadeFolders && CopyPath(made, madeFolders[madeFolderCount]))
            ++madeFolderCount;
    if (runThread) CloseHandle(runThread);
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &runThread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
    if (!stopRequested) stopRequested = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!stopper) stopper = CreateThread(nullptr, 0, StopTheRun, nullptr, 0, nullptr);
    LeaveCriticalSection(&PlaceLock());
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void EndStopOnInterrupt() {
    EnterCriticalSection(&PlaceLock());
    InterlockedExchange(&watching, 0);
    LeaveCriticalSection(&PlaceLock());
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

PlacingRunFiles::PlacingRunFiles() {
    EnterCriticalSection(&PlaceLock());
    InterlockedIncrement(&placing);
}
PlacingRunFiles::~PlacingRunFiles() {
    InterlockedDecrement(&placing);
    LeaveCriticalSection(&PlaceLock());
}

}  // namespace workbench
