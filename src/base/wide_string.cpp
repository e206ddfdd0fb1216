#include "base/wide_string.h"
#include "base/error_list.h"
#include <cstring>

RvStringW::~RvStringW() {
    if (ownsBuffer)
        rvFree(buffer);
    rvFree(narrowCache);
}

void RvStringW::clear() {
    if (ownsBuffer)
        rvFree(buffer);
    buffer = nullptr;
    length = 0;
    capacity = 0;
}

int RvStringW::assign(const char16_t* units) {
    return assignUnits(units, lengthW(units));
}

int RvStringW::assignUnits(const char16_t* units, uint32_t n) {
    // The new block is filled before the old one is freed, so units may
    // point into this string.
    uint32_t room = 0;
    char16_t* copy = allocTerminatedUnits(n, &room);
    if (!copy)
        return 1;
    if (n)
        std::memcpy(copy, units, size_t(n) * 2);
    copy[n] = 0;
    if (ownsBuffer)
        rvFree(buffer);
    buffer = copy;
    length = n;
    capacity = room;
    ownsBuffer = 1;
    return 0;
}

// Room of n units, counted in 64 bits so that no sum wraps: more than the
// 32-bit signed counts of the text calls can take is refused as out of
// memory, as allocTerminatedUnits refuses it.
int RvStringW::reserveUnits(uint64_t n) {
    if (n <= capacity)
        return 0;
    if (n >= INT32_MAX) {
        noteOutOfMemory();
        return 1;
    }
    return reserve(static_cast<uint32_t>(n));
}

int RvStringW::reserve(uint32_t n) {
    if (!ownsBuffer) {
        postError(msgBufferNotOwned);
        return 1;
    }
    if (n >= INT32_MAX) {
        noteOutOfMemory();
        return 1;
    }
    char16_t* grown = static_cast<char16_t*>(rvRealloc(buffer, size_t(n) * 2));
    if (!grown)
        return 1;
    buffer = grown;
    capacity = n;
    return 0;
}

int RvStringW::appendUnits(const char16_t* units, uint32_t n) {
    if (reserveUnits(uint64_t(length) + n + 1) != 0)
        return 1;
    if (n)
        std::memcpy(buffer + length, units, size_t(n) * 2);
    length += n;
    return 0;
}

int RvStringW::appendBytes(const char* bytes, uint32_t n) {
    if (reserveUnits(uint64_t(length) + n + 1) != 0)
        return 1;
    for (uint32_t i = 0; i < n; ++i)
        buffer[length + i] = static_cast<unsigned char>(bytes[i]);
    length += n;
    return 0;
}

int RvStringW::replace(uint32_t index, uint32_t count, const char16_t* units, uint32_t n) {
    if (units && n == 0)
        n = lengthW(units);
    if (reserveUnits(uint64_t(length) + n - count + 1) != 0)
        return 1;
    uint32_t newLength = length + n - count;
    // The tail is moved with its full length: a message may be longer than
    // a 16-bit count.
    uint32_t tail = length - index - count;
    if (count != n && tail)
        std::memmove(buffer + index + n, buffer + index + count, size_t(tail) * 2);
    if (n)
        std::memcpy(buffer + index, units, size_t(n) * 2);
    length = newLength;
    buffer[length] = 0;
    return 0;
}

int RvStringW::replaceAll(const char16_t* pattern, uint32_t patternLen, const char16_t* value,
                          uint32_t valueLen) {
    if (patternLen == 0)
        return 0;
    if (!value)
        valueLen = 0;
    for (uint32_t pos = find(pattern, patternLen, 0); pos != length;
         pos = find(pattern, patternLen, pos + valueLen)) {
        // An empty value is given as no units, so replace does not measure it.
        if (replace(pos, patternLen, valueLen ? value : nullptr, valueLen) != 0)
            return 1;
    }
    return 0;
}

int RvStringW::replaceAll(const char16_t* pattern, const char16_t* value) {
    return replaceAll(pattern, lengthW(pattern), value, value ? lengthW(value) : 0);
}

uint32_t RvStringW::find(const char16_t* pattern, uint32_t patternLen, uint32_t start) const {
    if (!buffer || start + patternLen > length)
        return length;
    for (uint32_t pos = start; pos + patternLen <= length;) {
        if (std::memcmp(buffer + pos, pattern, size_t(patternLen) * 2) == 0)
            return pos;
        pos += buffer[pos] >= 0xD800 && buffer[pos] <= 0xDBFF && pos + 1 < length ? 2 : 1;
    }
    return length;
}

int16_t RvStringW::compare(const RvObject& other) const {
    const RvStringW& text = static_cast<const RvStringW&>(other);
    return static_cast<int16_t>(compareIgnoreCaseW(buffer, length, text.buffer, text.length));
}

namespace {
int finishSetText(RvParamStringW& s, int result) {
    if (result)
        s.paramFlags |= RvParamStringW::paramFailed;
    else
        s.paramFlags &= ~RvParamStringW::paramFailed;
    return result;
}
} // namespace

int RvParamStringW::setText(const char16_t* units) {
    clear();
    paramCount = 0;
    return finishSetText(*this, assign(units));
}

int RvParamStringW::setText(const char* bytes, int32_t enc) {
    clear();
    paramCount = 0;
    uint32_t n = enc == encodingUtf16 ? lengthW(reinterpret_cast<const char16_t*>(bytes))
                                      : static_cast<uint32_t>(std::strlen(bytes));
    return finishSetText(*this, fromNarrow(bytes, n, enc));
}

int RvParamStringW::setText(const char* bytes, UConverter* converter) {
    clear();
    paramCount = 0;
    return finishSetText(
        *this, fromConverter(bytes, static_cast<uint32_t>(std::strlen(bytes)), converter));
}

int RvParamStringW::setText(const char* bytes, CodePageId codePage) {
    clear();
    paramCount = 0;
    return finishSetText(
        *this, fromCodePage(bytes, static_cast<uint32_t>(std::strlen(bytes)), codePage.id));
}
