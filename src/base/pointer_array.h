// Growable array of object pointers.
#pragma once
#include "base/object.h"

class RvArray : public RvObject {
public:
    enum : uint32_t {
        ownsElements = 1,       // destruction deletes the elements
        clearWholeCapacity = 2, // clearing visits every allocated slot
        ownsBuffer = 4,         // items was allocated by the array
    };

    RvArray() = default;
    ~RvArray() override;

    int reserveSlots(uint32_t n);
    int grow(uint32_t step);
    int insertAt(RvObject* element, uint32_t index);
    void removeAt(uint32_t index);
    void clearAndDelete();

    RvObject** items = nullptr;
    uint32_t capacity = 0;
    uint32_t count = 0;
    uint32_t growStep = 16;
    uint32_t flags = 0;
};
