// Array kept in compare order with stable insertion.
#include "base/sorted_array.h"

int RvSortedArray::find(const RvObject& probe, uint32_t& position) const {
    if (count == 0 || probe.compare(*items[0]) < 0) {
        position = 0;
        return 0;
    }
    // Signed bounds: hi may step below lo (and below 0) when the search
    // ends.
    int64_t lo = 0;
    int64_t hi = int64_t(count) - 1;
    int64_t mid = 0;
    int r = 0;
    while (lo <= hi) {
        mid = (lo + hi) / 2;
        r = probe.compare(*items[mid]);
        if (r > 0) {
            lo = mid + 1;
        } else if (r < 0) {
            hi = mid - 1;
        } else {
            position = static_cast<uint32_t>(mid);
            return 1;
        }
    }
    position = static_cast<uint32_t>(mid + (r > 0 ? 1 : 0));
    return 0;
}

uint32_t RvSortedArray::lastEqual(const RvObject& probe, uint32_t index) const {
    while (index + 1 < count && probe.compare(*items[index + 1]) == 0)
        ++index;
    return index;
}

int RvSortedArray::add(RvObject* element) {
    uint32_t index = count;
    if (count != 0 && !(orderFlags & 3)) {
        uint32_t position = 0;
        if (find(*element, position))
            index = lastEqual(*element, position) + 1; // after its equals
        else
            index = position;
    }
    return insertAt(element, index);
}
