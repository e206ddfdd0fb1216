// Probe functions of rvprobe.dll, a test-only DLL built from the same core
// library and entry function as the setup library, so that a test program
// can watch the per-thread records across real loads and unloads. Never
// part of the shipped DLL.
#include "base/rvalloc.h"
#include "base/rvplatform.h"
#include "base/perthred.h"
#include <cstdint>
#include <windows.h>

extern RvCriticalSection profileLock;

namespace {
// Where the live allocation count is written when the DLL is unloaded.
volatile long* unloadReport = nullptr;
// Whether it is also printed, for a process that ends with the DLL loaded.
bool printAtUnload = false;

// Static objects are destroyed by the runtime after the entry function's
// process detach work, so this sees what that work left allocated.
struct UnloadReporter {
    ~UnloadReporter() {
        if (unloadReport)
            *unloadReport = rvAllocLive();
        if (printAtUnload) {
            char line[40];
            DWORD n = static_cast<DWORD>(wsprintfA(line, "live at unload %ld\n", rvAllocLive()));
            WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, n, &n, nullptr);
        }
    }
} unloadReporter;
} // namespace

extern "C" {

// Number of per-thread records in the list.
long probeThreadRecordCount() {
    long n = 0;
    for (RvThreadInfo* info = threadInfoList; info; info = info->next)
        ++n;
    return n;
}

// Reads slot 0 from the calling thread, which gives the thread its record
// when it has none. 1 when the thread has a record afterwards, else 0.
int probeTouchSlot() {
    (void)threadSlot(0);
    uint32_t self = platCurrentThreadId();
    for (RvThreadInfo* info = threadInfoList; info; info = info->next)
        if (info->threadId == self)
            return 1;
    return 0;
}

// Number of records that belong to threadId (more than 1 would be a
// duplicate).
long probeRecordsOfThread(uint32_t threadId) {
    long n = 0;
    for (RvThreadInfo* info = threadInfoList; info; info = info->next)
        n += info->threadId == threadId;
    return n;
}

long probeAllocLive() {
    return rvAllocLive();
}

void probeReportLiveAtUnload(volatile long* out) {
    unloadReport = out;
}

void probePrintLiveAtUnload() {
    printAtUnload = true;
}

// Takes the library's locks, says so through the event, and keeps them
// until the process ends. A thread procedure is __stdcall on i686, which a
// lambda cannot be.
static DWORD WINAPI holdLocks(void* held) {
    profileLock.enter();
    threadListLock.enter();
    SetEvent(static_cast<HANDLE>(held));
    Sleep(INFINITE);
    return 0;
}

// Starts a thread that takes the library's locks and keeps them until the
// process ends; returns once they are held.
int probeHoldLocksOnAThread() {
    static HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, holdLocks, held, 0, nullptr);
    if (!thread)
        return 0;
    CloseHandle(thread);
    return WaitForSingleObject(held, 10000) == WAIT_OBJECT_0;
}
}
