// Per-thread records and the library's lock wrapper. Each thread that calls
// into the library gets one RvThreadInfo, found by thread id; slot 0 holds
// the thread's current error list.
#pragma once
#include "base/object.h"
#include "base/platform.h"

class RvCriticalSection : public RvObject {
public:
    RvCriticalSection() { platLockInit(&section); }
    ~RvCriticalSection() override {
        if (ownsSection)
            platLockDelete(&section);
    }
    void enter() {
        if (!lockDisabled)
            platLockEnter(&section);
    }
    void leave() {
        if (!lockDisabled)
            platLockLeave(&section);
    }

    PlatLock section;
    int32_t ownsSection = 1;
    int32_t lockDisabled = 0;
};

class RvThreadInfo : public RvObject {
public:
    enum { slotCount = 6 };
    explicit RvThreadInfo(uint32_t id) : threadId(id) {}

    RvThreadInfo* next = nullptr;
    uint32_t threadId;
    void* slots[slotCount] = {};
};

extern RvThreadInfo* threadInfoList;
extern RvCriticalSection threadListLock;

RvThreadInfo* findThreadInfo(uint32_t threadId);
// The record of threadId when it has one; never appends, never allocates.
RvThreadInfo* lookupThreadInfo(uint32_t threadId);
void* threadSlot(int index);
void** threadSlotAddress(int index);
// 0 when stored, 1 when the thread has no record (no memory for one).
int setThreadSlot(int index, void* value);
