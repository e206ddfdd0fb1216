#include "base/multibyte_text.h"
#include "base/platform.h"
#include <cstring>
#include <unicode/uchar.h>

namespace {
inline unsigned char byteAt(const char* p) {
    return static_cast<unsigned char>(*p);
}

// Length of the character at p in a terminated text: never steps over the
// terminator, even when a lead byte stands right before it.
int charLengthZ(const char* p, int enc) {
    int n = charLength(p, enc);
    for (int i = 1; i < n; ++i)
        if (!p[i])
            return i;
    return n;
}

// Length of the character at pos in a counted text, bounded by len.
uint32_t charLengthN(const char* text, uint32_t pos, uint32_t len, int enc) {
    uint32_t n = static_cast<uint32_t>(charLength(text + pos, enc));
    return pos + n > len ? len - pos : n;
}

int sign(int value) {
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

int isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
int isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
} // namespace

int isLeadByte(const char* p) {
    return platIsLeadByte(byteAt(p));
}

int charLength(const char* p, int enc) {
    unsigned char b = byteAt(p);
    if (enc == encodingUtf8) {
        if (b < 0xC0)
            return 1;
        if (b < 0xE0)
            return 2;
        return b < 0xF0 ? 3 : 4;
    }
    return platIsLeadByte(b) ? 2 : 1;
}

int isTrailByte(unsigned char byte, int enc) {
    if (enc == encodingUtf8)
        return byte >= 0x80 && byte <= 0xBF;
    return byte >= 0x40;
}

uint32_t charLengthIn(const char* text, uint32_t pos, uint32_t len, int enc) {
    uint32_t n = charLengthN(text, pos, len, enc);
    for (uint32_t i = 1; i < n; ++i)
        if (!isTrailByte(byteAt(text + pos + i), enc))
            return i;
    return n;
}

const char* nextChar(const char* p, int enc) {
    return p + charLength(p, enc);
}

uint32_t nextCharIndex(const char* text, uint32_t pos, int enc) {
    return pos + static_cast<uint32_t>(charLength(text + pos, enc));
}

const char* prevChar(const char* start, const char* p, int enc) {
    if (enc != encodingUtf8)
        return platCharPrev(start, p);
    // A UTF-8 character starts at the nearest byte that is not a
    // continuation byte; a character has at most three of those.
    for (int back = 1; back <= 4 && p - back >= start; ++back) {
        unsigned char b = byteAt(p - back);
        if (b < 0x80 || b > 0xBF)
            return p - back;
    }
    return p > start ? p - 1 : start;
}

uint32_t lastCharOffset(const char* text, uint32_t len, int enc) {
    uint32_t pos = 0;
    while (pos < len) {
        uint32_t next = pos + charLengthN(text, pos, len, enc);
        if (next >= len)
            break;
        pos = next;
    }
    return pos;
}

const char* lastChar(const char* text, int enc) {
    const char* last = text;
    for (const char* p = text; *p; p += charLengthZ(p, enc))
        last = p;
    return last;
}

int sameChar(const char* p, const char* q, int enc) {
    int n = charLength(p, enc);
    if (n != charLength(q, enc))
        return 0;
    return std::memcmp(p, q, static_cast<size_t>(n)) == 0 ? 1 : 0;
}

int byteIsSpace(unsigned char byte) {
    return (platCharClass(byte) & platCharSpace) ? 1 : 0;
}
int byteIsAlpha(unsigned char byte) {
    return (platCharClass(byte) & platCharAlpha) ? 1 : 0;
}
int byteIsDigit(unsigned char byte) {
    return (platCharClass(byte) & platCharDigit) ? 1 : 0;
}
int byteIsControl(unsigned char byte) {
    return (platCharClass(byte) & platCharControl) ? 1 : 0;
}

int isSpaceAt(const char* p) {
    unsigned char b = byteAt(p);
    if (byteIsSpace(b))
        return 1;
    // The ideographic space of the Japanese double-byte code page.
    return b == 0x81 && byteAt(p + 1) == 0x40 && platIsLeadByte(0x81) ? 1 : 0;
}

int isSpaceAt(const char* text, uint32_t pos) {
    return isSpaceAt(text + pos);
}

const char* skipSpaces(const char* p, int enc) {
    if (!p)
        return p;
    while (*p && isSpaceAt(p))
        p += byteIsSpace(byteAt(p)) ? 1 : charLengthZ(p, enc);
    return p;
}

int isAlphaOrMultibyte(const char* p, int enc) {
    return byteIsAlpha(byteAt(p)) || charLength(p, enc) > 1 ? 1 : 0;
}

int isAlnumOrMultibyte(const char* p, int enc) {
    return byteIsDigit(byteAt(p)) || isAlphaOrMultibyte(p, enc) ? 1 : 0;
}

const char* findChar(const char* text, char byte, int enc) {
    for (const char* p = text; *p; p += charLengthZ(p, enc))
        if (*p == byte)
            return p;
    return nullptr;
}

const char* findLastChar(const char* text, char byte, int enc) {
    const char* found = nullptr;
    for (const char* p = text; *p; p += charLengthZ(p, enc))
        if (*p == byte)
            found = p;
    return found;
}

const char* findBytes(const char* text, uint32_t len, const char* pattern, uint32_t patternLen,
                      int enc) {
    if (patternLen == 0 || patternLen > len)
        return nullptr;
    for (uint32_t pos = 0; pos <= len - patternLen; pos += charLengthN(text, pos, len, enc))
        if (std::memcmp(text + pos, pattern, patternLen) == 0)
            return text + pos;
    return nullptr;
}

const char* findText(const char* text, const char* pattern, int enc) {
    return findBytes(text, static_cast<uint32_t>(std::strlen(text)), pattern,
                     static_cast<uint32_t>(std::strlen(pattern)), enc);
}

int compareText(const char* a, const char* b) {
    return sign(std::strcmp(a, b));
}

int compareBytes(const char* a, uint32_t aLen, const char* b, uint32_t bLen) {
    uint32_t common = aLen < bLen ? aLen : bLen;
    int r = common ? std::memcmp(a, b, common) : 0;
    if (r)
        return sign(r);
    return aLen < bLen ? -1 : aLen > bLen ? 1 : 0;
}

namespace {
// One step of the narrow case-insensitive walk. Double-byte characters are
// compared exactly, single bytes after upper-casing each in the user's
// locale. Returns the decision (-1, 1) or 0 to go on.
int compareByte(unsigned char ca, unsigned char cb) {
    if (ca == cb)
        return 0;
    unsigned char ua = platCharUpper(ca), ub = platCharUpper(cb);
    return ua == ub ? 0 : ua < ub ? -1 : 1;
}
} // namespace

int compareIgnoreCase(const char* a, uint32_t aLen, const char* b, uint32_t bLen) {
    uint32_t common = aLen < bLen ? aLen : bLen;
    uint32_t i = 0;
    while (i < common) {
        unsigned char ca = byteAt(a + i), cb = byteAt(b + i);
        if (platIsLeadByte(ca)) {
            if (ca != cb)
                return ca < cb ? -1 : 1;
            // A lead byte in the last position has no trail byte to read.
            if (i + 1 >= common)
                break;
            unsigned char ta = byteAt(a + i + 1), tb = byteAt(b + i + 1);
            if (ta != tb)
                return ta < tb ? -1 : 1;
            i += 2;
            continue;
        }
        if (int r = compareByte(ca, cb))
            return r;
        ++i;
    }
    return aLen < bLen ? -1 : aLen > bLen ? 1 : 0;
}

int compareIgnoreCaseZ(const char* a, const char* b) {
    for (;;) {
        unsigned char ca = byteAt(a), cb = byteAt(b);
        if (ca && platIsLeadByte(ca)) {
            if (ca != cb)
                return ca < cb ? -1 : 1;
            unsigned char ta = byteAt(a + 1), tb = byteAt(b + 1);
            if (ta != tb)
                return ta < tb ? -1 : 1;
            if (!ta)
                return 0;
            a += 2;
            b += 2;
            continue;
        }
        if (int r = compareByte(ca, cb))
            return r;
        if (!ca)
            return cb ? -1 : 0;
        if (!cb)
            return 1;
        ++a;
        ++b;
    }
}

int equalsIgnoreCase(const char* a, const char* b) {
    return compareIgnoreCaseZ(a, b) == 0;
}

int equalsIgnoreCaseN(const char* a, uint32_t aLen, const char* b, uint32_t bLen) {
    if (aLen != bLen)
        return 0;
    return compareIgnoreCase(a, aLen, b, bLen) == 0 ? 1 : 0;
}

namespace {
// Decimal digits of value, most significant first, into digits[32].
uint32_t decimalDigits(uint64_t value, char* digits) {
    char reversed[32];
    uint32_t n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    for (uint32_t i = 0; i < n; ++i)
        digits[i] = reversed[n - 1 - i];
    return n;
}
} // namespace

uint32_t formatUnsigned(char* buf, uint32_t size, uint32_t value) {
    char digits[32];
    uint32_t n = decimalDigits(value, digits);
    if (n > size)
        return 0;
    std::memcpy(buf, digits, n);
    return n;
}

uint32_t formatUnsignedW(char16_t* buf, uint32_t value) {
    char digits[32];
    uint32_t n = decimalDigits(value, digits);
    for (uint32_t i = 0; i < n; ++i)
        buf[i] = static_cast<char16_t>(digits[i]);
    buf[n] = 0;
    return n;
}

uint32_t formatUnsigned64(char* buf, uint64_t value) {
    uint32_t n = decimalDigits(value, buf);
    buf[n] = 0;
    return n;
}

uint32_t formatInt64(char* buf, int64_t value) {
    if (value >= 0)
        return formatUnsigned64(buf, static_cast<uint64_t>(value));
    buf[0] = '-';
    // Negate in unsigned arithmetic so that the smallest value has digits too.
    uint64_t magnitude = ~static_cast<uint64_t>(value) + 1;
    return formatUnsigned64(buf + 1, magnitude) + 1;
}

void copyTruncated(char* dst, size_t size, const char* src) {
    if (size == 0)
        return;
    size_t n = 0;
    while (n < size - 1 && src[n]) {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = 0;
}

char* copyBytesZ(char* dst, const char* src, size_t n) {
    if (n)
        std::memcpy(dst, src, n);
    dst[n] = 0;
    return dst + n;
}

void narrowLowBytes(char* dst, const char16_t* units) {
    while (*units)
        *dst++ = static_cast<char>(*units++ & 0xFF);
    *dst = 0;
}

void moveBytes(void* dst, const void* src, size_t n) {
    if (n)
        std::memmove(dst, src, n);
}

int compareBytesSigned(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        signed char ca = static_cast<signed char>(a[i]), cb = static_cast<signed char>(b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return 0;
}

int equalBytes(const void* a, const void* b, size_t n) {
    return n == 0 || std::memcmp(a, b, n) == 0 ? 1 : 0;
}

char* concatText(char* dst, const char* src) {
    return std::strcat(dst, src);
}

char* copyTextEnd(char* dst, const char* src) {
    while ((*dst = *src) != 0) {
        ++dst;
        ++src;
    }
    return dst;
}

size_t textLength(const char* text) {
    return std::strlen(text);
}

void fillBytes(void* dst, int value, size_t n) {
    if (n)
        std::memset(dst, value, n);
}

void zeroBytes(void* dst, size_t n) {
    fillBytes(dst, 0, n);
}

void copyBytes(void* dst, const void* src, size_t n) {
    if (n)
        std::memcpy(dst, src, n);
}

uint32_t lengthW(const char16_t* units) {
    uint32_t n = 0;
    while (units[n])
        ++n;
    return n;
}

void copyW(char16_t* dst, const char16_t* src) {
    while ((*dst++ = *src++) != 0) {
    }
}

int compareW(const char16_t* a, const char16_t* b) {
    for (;; ++a, ++b) {
        if (*a != *b)
            return *a < *b ? -1 : 1;
        if (!*a)
            return 0;
    }
}

int equalsW(const char16_t* a, const char16_t* b) {
    return compareW(a, b) == 0 ? 1 : 0;
}

const char16_t* nextCharW(const char16_t* p) {
    return isHighSurrogate(p[0]) && p[1] ? p + 2 : p + 1;
}

namespace {
// Code point at units[*i] of a counted text; advances *i. Returns false for
// a high surrogate in the last position.
bool codePointAt(const char16_t* units, uint32_t len, uint32_t* i, UChar32* cp) {
    char16_t unit = units[*i];
    if (isHighSurrogate(unit)) {
        if (*i + 1 >= len)
            return false;
        char16_t low = units[*i + 1];
        if (isLowSurrogate(low)) {
            *cp = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            *i += 2;
            return true;
        }
    }
    *cp = unit;
    *i += 1;
    return true;
}
} // namespace

int compareIgnoreCaseW(const char16_t* a, uint32_t aLen, const char16_t* b, uint32_t bLen) {
    uint32_t i = 0, j = 0;
    while (i < aLen && j < bLen) {
        UChar32 ca, cb;
        if (!codePointAt(a, aLen, &i, &ca) || !codePointAt(b, bLen, &j, &cb))
            return 0;
        if (ca != cb) {
            int32_t ua = u_toupper(ca), ub = u_toupper(cb);
            if (ua != ub)
                return ua < ub ? -1 : 1;
        }
    }
    uint32_t restA = aLen - i, restB = bLen - j;
    return restA < restB ? -1 : restA == restB ? 0 : 1;
}
