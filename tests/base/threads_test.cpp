// Per-thread records: each thread finds its own current error list, and
// concurrent first uses neither lose records nor diagnostics.
#include "base/error_list.h"
#include "entry/library_lifetime.h"
#include "base/per_thread.h"
#include "support/test_support.h"
#include <atomic>
#include <thread>
#include <vector>

namespace {
int countRecords() {
    int n = 0;
    for (RvThreadInfo* info = threadInfoList; info; info = info->next)
        ++n;
    return n;
}
} // namespace

TEST(PerThread, ConcurrentThreadsEachGetARecordAndKeepTheirDiagnostics) {
    const int threads = 8, posts = 200;
    int before = countRecords();
    std::atomic<int> ready{0};
    std::vector<int> kept(threads, -1);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            ++ready;
            while (ready.load() < threads) {
            }
            {
                ScopedErrorList errors;
                for (int i = 0; i < posts; ++i)
                    postError(msgSyntaxError)->addParam(static_cast<uint32_t>(i));
                kept[t] = currentErrorList() == errors.get() ? static_cast<int>(errors->count) : -2;
            }
            // The request removed its list: the slot is empty again.
            if (threadSlot(0) != nullptr)
                kept[t] = -3;
        });
    }
    for (auto& w : workers)
        w.join();
    for (int t = 0; t < threads; ++t)
        EXPECT_EQ(posts, kept[t]) << "thread " << t;
    // Thread ids may be reused by the platform, so at most one record each.
    int added = countRecords() - before;
    EXPECT_GE(added, 1);
    EXPECT_LE(added, threads);
    uint32_t me = platCurrentThreadId();
    EXPECT_EQ(findThreadInfo(me), findThreadInfo(me));
}

TEST(PerThread, DetachDestroysEveryRecordAndAttachStartsAgain) {
    ASSERT_NE(nullptr, threadInfoList);
    std::thread([] { threadSlot(0); }).join();
    long live = rvAllocLive();
    int records = countRecords();
    ASSERT_GE(records, 2);
    detachProcess();
    EXPECT_EQ(nullptr, threadInfoList);
    EXPECT_EQ(nullptr, threadSlot(0));
    EXPECT_EQ(live - records, rvAllocLive());
    EXPECT_EQ(1, setThreadSlot(0, nullptr));
    ASSERT_EQ(1, attachProcess(nullptr));
    EXPECT_EQ(1, countRecords());
    EXPECT_EQ(platCurrentThreadId(), threadInfoList->threadId);
}

TEST(PerThread, TheLibraryRefusesToLoadWhenTheFirstRecordCannotBeMade) {
    detachProcess();
    rvAllocFailAt(1);
    EXPECT_EQ(0, attachProcess(nullptr));
    rvAllocFailAt(0);
    EXPECT_EQ(nullptr, threadInfoList);
    ASSERT_EQ(1, attachProcess(nullptr));
}
