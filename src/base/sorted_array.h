// Array kept in compare order with stable insertion, or in insertion order
// when either low bit of orderFlags is set.
#pragma once
#include "base/pointer_array.h"

class RvSortedArray : public RvArray {
public:
    int find(const RvObject& probe, uint32_t& position) const;
    uint32_t lastEqual(const RvObject& probe, uint32_t index) const;
    int add(RvObject* element);

    uint32_t orderFlags = 0;
};
