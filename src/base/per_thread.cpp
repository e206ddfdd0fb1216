#include "base/per_thread.h"

RvThreadInfo* threadInfoList = nullptr;
RvCriticalSection threadListLock;

RvThreadInfo* lookupThreadInfo(uint32_t threadId) {
    // Readers take no lock: a record is complete before the single store
    // that links it, and records are never unlinked while the library is
    // loaded.
    for (RvThreadInfo* info = __atomic_load_n(&threadInfoList, __ATOMIC_ACQUIRE); info;
         info = __atomic_load_n(&info->next, __ATOMIC_ACQUIRE))
        if (info->threadId == threadId)
            return info;
    return nullptr;
}

RvThreadInfo* findThreadInfo(uint32_t threadId) {
    if (RvThreadInfo* info = lookupThreadInfo(threadId))
        return info;
    if (!threadInfoList)
        return nullptr;

    threadListLock.enter();
    RvThreadInfo* last = threadInfoList;
    while (last->next)
        last = last->next;
    RvThreadInfo* added = new RvThreadInfo(threadId);
    if (added)
        __atomic_store_n(&last->next, added, __ATOMIC_RELEASE);
    threadListLock.leave();
    return added;
}

void* threadSlot(int index) {
    RvThreadInfo* info = findThreadInfo(platCurrentThreadId());
    return info ? info->slots[index] : nullptr;
}

void** threadSlotAddress(int index) {
    RvThreadInfo* info = findThreadInfo(platCurrentThreadId());
    return info ? &info->slots[index] : nullptr;
}

int setThreadSlot(int index, void* value) {
    RvThreadInfo* info = findThreadInfo(platCurrentThreadId());
    if (!info)
        return 1;
    info->slots[index] = value;
    return 0;
}
