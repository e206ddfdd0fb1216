// Conversion between narrow text (ANSI code page or UTF-8) and UTF-16.
#include "base/error_list.h"
#include "base/platform.h"
#include "base/wide_string.h"
#include <cstring>
#include <unicode/ustring.h>

namespace {
// Takes ownership of units as the string's text.
void adopt(RvStringW& s, char16_t* units, uint32_t n, uint32_t capacity) {
    if (s.ownsBuffer)
        rvFree(s.buffer);
    s.buffer = units;
    s.length = n;
    s.capacity = capacity;
    s.ownsBuffer = 1;
}

// Narrow text of up to bytes bytes and its terminator as the string's
// cache; null, out of memory noted, when the platform's and ICU's calls
// could not count it.
char* allocNarrowCache(uint64_t bytes) {
    if (bytes >= INT32_MAX) {
        noteOutOfMemory();
        return nullptr;
    }
    return static_cast<char*>(rvAlloc(static_cast<size_t>(bytes) + 1));
}
} // namespace

char16_t* allocTerminatedUnits(uint64_t units, uint32_t* capacity) {
    if (units >= INT32_MAX) {
        noteOutOfMemory();
        return nullptr;
    }
    *capacity = static_cast<uint32_t>(units) + 1;
    return static_cast<char16_t*>(rvAlloc(size_t(*capacity) * 2));
}

int RvStringW::fromNarrow(const char* bytes, uint32_t n, int enc) {
    uint32_t capacity = 0;
    if (enc == encodingUtf16) {
        char16_t* units = allocTerminatedUnits(n, &capacity);
        if (!units)
            return 1;
        if (n)
            std::memcpy(units, bytes, size_t(n) * 2);
        units[n] = 0;
        adopt(*this, units, n, capacity);
        return 0;
    }

    if (enc == encodingAnsi) {
        // A character of the code page gives at most two units.
        char16_t* units = allocTerminatedUnits(uint64_t(n) * 2, &capacity);
        if (!units)
            return 1;
        uint32_t produced = 0;
        for (uint32_t i = 0; i < n;) {
            unsigned char b = static_cast<unsigned char>(bytes[i]);
            if (b < 0x80) {
                units[produced++] = b;
                ++i;
                continue;
            }
            uint32_t length = static_cast<uint32_t>(charLength(bytes + i, encodingAnsi));
            // A lead byte without its trail byte ends the text.
            if (i + length > n)
                break;
            int added = platAnsiToWide(bytes + i, static_cast<int>(length), units + produced,
                                       static_cast<int>(capacity - 1 - produced));
            produced += added > 0 ? static_cast<uint32_t>(added) : 0;
            i += length;
        }
        units[produced] = 0;
        adopt(*this, units, produced, capacity);
        return 0;
    }

    // UTF-8 never needs more UTF-16 units than it has bytes.
    char16_t* units = allocTerminatedUnits(n, &capacity);
    if (!units)
        return 1;
    int32_t produced = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(units), static_cast<int32_t>(n), &produced, bytes,
                  static_cast<int32_t>(n), &status);
    if (U_FAILURE(status)) {
        rvFree(units);
        RvError* error = postError(msgConversionFailed);
        error->setSqlState("01004");
        error->setStateId(stateTruncated);
        return 1;
    }
    units[produced] = 0;
    adopt(*this, units, static_cast<uint32_t>(produced), capacity);
    return 0;
}

const char* RvStringW::toNarrow(int enc) {
    rvFree(narrowCache);
    // Three bytes per unit at most, in either encoding.
    narrowCache = allocNarrowCache(uint64_t(length) * 3);
    if (!narrowCache)
        return "Out Of Memory";
    if (length == 0) {
        narrowCache[0] = 0;
        return narrowCache;
    }
    if (enc == encodingUtf8) {
        int32_t produced = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strToUTF8(narrowCache, static_cast<int32_t>(3 * length), &produced,
                    reinterpret_cast<const UChar*>(buffer), static_cast<int32_t>(length), &status);
        if (U_FAILURE(status)) {
            // Not convertible (a lone surrogate): show the low bytes.
            for (uint32_t i = 0; i < length; ++i)
                narrowCache[i] = static_cast<char>(buffer[i] & 0xFF);
            narrowCache[length] = 0;
        } else {
            narrowCache[produced] = 0;
        }
        return narrowCache;
    }
    int produced =
        platWideToAnsi(buffer, static_cast<int>(length), narrowCache, static_cast<int>(2 * length));
    narrowCache[produced > 0 ? produced : 0] = 0;
    return narrowCache;
}
