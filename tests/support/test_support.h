// Helpers shared by the test programs.
#pragma once
#include "base/error_list.h"
#include "error_scope.h"
#include "stored_keys.h"
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// The ANSI code page this run expects (RV_EXPECT_ACP), checked against the
// one the platform reports.
unsigned expectedCodePage();
// Whether this run has ICU's data archive (RV_EXPECT_ICU_DATA).
bool expectIcuData();

// Text of a diagnostic's message as UTF-8.
std::string messageOf(RvError* record);
std::string narrow(const char16_t* units);
std::string narrow(const char16_t* units, uint32_t n);

#define REQUIRE_CODE_PAGE(cp)                                                                      \
    do {                                                                                           \
        if (expectedCodePage() != (cp))                                                            \
            GTEST_SKIP() << "runs with ANSI code page " << (cp);                                   \
    } while (0)

// A block of size bytes at an address below 4 GiB; null when the platform
// gives none. Freed with freeLowMemory.
void* allocateLowMemory(size_t size);
void freeLowMemory(void* block, size_t size);
// A block of size bytes above 4 GiB, where a 64-bit caller's variable may
// lie; null on a 32-bit platform or when the platform gives none. Freed
// with freeHighMemory.
void* allocateHighMemory(size_t size);
void freeHighMemory(void* block, size_t size);
// "0x" followed by the 2 * sizeof(void*) hexadecimal digits of an address,
// least significant byte first, as a file data source's caller writes it.
std::string addressText(const void* address);

// The bytes of a string literal, NUL bytes inside it included.
template <size_t N> std::string literalBytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

// An attribute string: the entries separated by NUL, ended by a second NUL.
std::string attrs(std::initializer_list<std::string> entries);
