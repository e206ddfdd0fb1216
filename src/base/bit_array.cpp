// Bit set and the sorted pair lookup.
#include "base/bit_array.h"

RvBitArray::~RvBitArray() {
    rvFree(bits);
}

int RvBitArray::resize(uint32_t n) {
    rvFree(bits);
    bits = nullptr;
    bitCount = 0;
    uint32_t bytes = n / 8 + 1;
    unsigned char* block = static_cast<unsigned char*>(rvAlloc(bytes));
    if (!block)
        return 1;
    // The spare byte of the block is cleared too, so that no byte of it is
    // ever read uninitialised.
    for (uint32_t i = 0; i < bytes; ++i)
        block[i] = 0;
    bits = block;
    bitCount = n;
    return 0;
}

uint32_t lookupSortedPair(int32_t key, const RvSortedPair* table, uint32_t rows) {
    int64_t lo = 0;
    int64_t hi = int64_t(rows) - 1;
    while (lo <= hi) {
        int64_t mid = (lo + hi) / 2;
        if (key < table[mid].key)
            hi = mid - 1;
        else if (key > table[mid].key)
            lo = mid + 1;
        else
            return table[mid].value;
    }
    return 0;
}
