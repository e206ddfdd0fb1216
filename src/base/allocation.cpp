#include "base/allocation.h"
#include "base/error_list.h"
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
// Test hooks only; the counters are atomic because any thread may allocate.
std::atomic<long> failAt{0};
std::atomic<long> attempts{0};
std::atomic<long> live{0};

bool shouldFail() {
    long n = ++attempts;
    long target = failAt.load();
    return target != 0 && n == target;
}
} // namespace

void* rvAlloc(size_t size) {
    void* block = shouldFail() ? nullptr : std::malloc(size ? size : 1);
    if (!block) {
        noteOutOfMemory();
        return nullptr;
    }
    ++live;
    return block;
}

void* rvRealloc(void* block, size_t size) {
    if (!block)
        return rvAlloc(size);
    void* grown = shouldFail() ? nullptr : std::realloc(block, size ? size : 1);
    if (!grown) {
        noteOutOfMemory();
        return nullptr;
    }
    return grown;
}

char* rvAllocText(const char* bytes, size_t n) {
    // No block holds the text and its terminator.
    if (n == SIZE_MAX) {
        noteOutOfMemory();
        return nullptr;
    }
    char* copy = static_cast<char*>(rvAlloc(n + 1));
    if (!copy)
        return nullptr;
    std::memcpy(copy, bytes, n);
    copy[n] = 0;
    return copy;
}

char* rvAllocText(const char* text) {
    return rvAllocText(text, std::strlen(text));
}

void rvFree(void* block) {
    if (!block)
        return;
    --live;
    std::free(block);
}

void rvAllocFailAt(long n) {
    attempts = 0;
    failAt = n;
}

long rvAllocCount() {
    return attempts.load();
}

long rvAllocLive() {
    return live.load();
}
