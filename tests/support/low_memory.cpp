#include "test_support.h"
#include <cstdint>
#include <cstdio>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#endif

void* allocateLowMemory(size_t size) {
#ifdef _WIN32
    // Ask for the first free region from 256 MiB up, below 4 GiB.
    for (uintptr_t base = 0x10000000; base < 0xF0000000; base += 0x01000000) {
        void* block = VirtualAlloc(reinterpret_cast<void*>(base), size, MEM_RESERVE | MEM_COMMIT,
                                   PAGE_READWRITE);
        if (block)
            return block;
    }
    return nullptr;
#else
    void* block =
        mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
#endif
}

void freeLowMemory(void* block, size_t size) {
#ifdef _WIN32
    (void)size;
    VirtualFree(block, 0, MEM_RELEASE);
#else
    munmap(block, size);
#endif
}

void* allocateHighMemory(size_t size) {
    if (sizeof(void*) <= 4)
        return nullptr;
#ifdef _WIN32
    void* block =
        VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE);
#else
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        block = nullptr;
#endif
    if (block && (reinterpret_cast<uintptr_t>(block) >> 16 >> 16) == 0) {
        freeLowMemory(block, size);
        return nullptr;
    }
    return block;
}

void freeHighMemory(void* block, size_t size) {
    freeLowMemory(block, size);
}

std::string addressText(const void* address) {
    uintptr_t bits = reinterpret_cast<uintptr_t>(address);
    std::string text = "0x";
    for (size_t i = 0; i < sizeof bits; ++i, bits >>= 8) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", unsigned(bits & 0xFF));
        text += pair;
    }
    return text;
}
