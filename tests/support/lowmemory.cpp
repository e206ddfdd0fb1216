#include "testsupport.h"
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

std::string addressText(const void* address) {
    uintptr_t bits = reinterpret_cast<uintptr_t>(address);
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X%02X%02X%02X", unsigned(bits & 0xFF),
                  unsigned((bits >> 8) & 0xFF), unsigned((bits >> 16) & 0xFF),
                  unsigned((bits >> 24) & 0xFF));
    return text;
}
