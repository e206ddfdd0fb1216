// Probe functions of rvprobe.dll, a test-only DLL built from the same core
// library and entry function as the setup library, so that a test program
// can watch the per-thread records across real loads and unloads. Never
// part of the shipped DLL.
#include "base/rvalloc.h"
#include "base/rvplatform.h"
#include "base/perthred.h"
#include <cstdint>

namespace {
// Where the live allocation count is written when the DLL is unloaded.
volatile long* unloadReport = nullptr;

// Static objects are destroyed by the runtime after the entry function's
// process detach work, so this sees what that work left allocated.
struct UnloadReporter {
    ~UnloadReporter() {
        if (unloadReport)
            *unloadReport = rvAllocLive();
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
}
