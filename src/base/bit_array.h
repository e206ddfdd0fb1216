// Bit set, least significant bit first within each byte.
#pragma once
#include "base/object.h"

class RvBitArray : public RvObject {
public:
    ~RvBitArray() override;
    int resize(uint32_t n);
    void set(uint32_t i) { bits[i / 8] |= static_cast<unsigned char>(1u << (i % 8)); }
    int test(uint32_t i) const { return (bits[i / 8] >> (i % 8)) & 1; }

    unsigned char* bits = nullptr;
    uint32_t bitCount = 0;
};

// Value of the pair whose key equals key in a table sorted by key; 0 when
// there is none.
struct RvSortedPair {
    int32_t key;
    uint32_t value;
};
uint32_t lookupSortedPair(int32_t key, const RvSortedPair* table, uint32_t rows);
