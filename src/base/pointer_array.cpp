// Growable array of object pointers.
#include "base/pointer_array.h"
#include "base/error_list.h"
#include <cstdint>
#include <cstring>

namespace {
// Whether n slots can be addressed in one block.
bool slotsFit(uint64_t n) {
    return n <= SIZE_MAX / sizeof(RvObject*);
}
} // namespace

RvArray::~RvArray() {
    if (flags & ownsElements)
        clearAndDelete();
    if (flags & ownsBuffer)
        rvFree(items);
}

int RvArray::reserveSlots(uint32_t n) {
    // An array that already has storage keeps its elements: reserving then
    // only grows, so that neither the elements nor an owned block are lost.
    if (items)
        return n > capacity ? grow(n - capacity) : 0;
    if (!slotsFit(n)) {
        noteOutOfMemory();
        return 1;
    }
    RvObject** block = static_cast<RvObject**>(rvAlloc(n * sizeof(RvObject*)));
    if (!block)
        return 1;
    for (uint32_t i = 0; i < n; ++i)
        block[i] = nullptr;
    items = block;
    capacity = n;
    flags |= ownsBuffer;
    return 0;
}

int RvArray::grow(uint32_t step) {
    uint64_t wanted = step ? uint64_t(capacity) + step : (capacity ? uint64_t(capacity) * 2 : 1);
    // A capacity that cannot be counted or addressed is as unobtainable as
    // memory that is not there.
    if (wanted > UINT32_MAX || !slotsFit(wanted)) {
        noteOutOfMemory();
        return 1;
    }
    uint32_t newCapacity = static_cast<uint32_t>(wanted);
    RvObject** block = static_cast<RvObject**>(rvAlloc(newCapacity * sizeof(RvObject*)));
    if (!block)
        return 1;
    if (capacity)
        std::memcpy(block, items, capacity * sizeof(RvObject*));
    for (uint32_t i = capacity; i < newCapacity; ++i)
        block[i] = nullptr;
    // A block the array did not allocate belongs to whoever supplied it.
    if (flags & ownsBuffer)
        rvFree(items);
    else
        flags |= ownsBuffer;
    items = block;
    capacity = newCapacity;
    return 0;
}

int RvArray::insertAt(RvObject* element, uint32_t index) {
    if (count == capacity && grow(growStep))
        return 1;
    for (uint32_t i = count; i > index; --i)
        items[i] = items[i - 1];
    items[index] = element;
    ++count;
    return 0;
}

void RvArray::removeAt(uint32_t index) {
    for (uint32_t i = index + 1; i < count; ++i)
        items[i - 1] = items[i];
    --count;
    // The vacated slot is cleared: left as it was it would repeat the last
    // element (or hold the one taken out), and clearing the whole capacity
    // would then delete that element a second time.
    items[count] = nullptr;
}

void RvArray::clearAndDelete() {
    uint32_t n = (flags & clearWholeCapacity) ? capacity : count;
    for (uint32_t i = 0; i < n; ++i) {
        if (items[i]) {
            delete items[i];
            items[i] = nullptr;
        }
    }
    count = 0;
}
