// Root of the support library's classes.
#pragma once
#include <cstdint>
#include "base/allocation.h"

class RvObject {
public:
    RvObject() = default;
    RvObject(const RvObject&) = delete;
    RvObject& operator=(const RvObject&) = delete;
    virtual ~RvObject() = default;

    // Negative, 0 or positive: this object orders before, equal to or after
    // other. Classes without an order answer 0.
    virtual int16_t compare(const RvObject& other) const {
        (void)other;
        return 0;
    }

    // Objects are allocated through the library's allocation function. The
    // operator does not throw: a failed allocation yields null and the
    // constructor is not run, so callers test the result of new.
    static void* operator new(size_t size) noexcept { return rvAlloc(size); }
    static void operator delete(void* block) noexcept { rvFree(block); }
};
