#include "base/narrow_string.h"
#include "base/error_list.h"
#include "base/platform.h"
#include <cstring>

uint32_t RvSubString::findChar(char byte, uint32_t start) const {
    if (!data || start >= length)
        return length;
    for (uint32_t pos = start; pos < length;) {
        if (data[pos] == byte)
            return pos;
        pos = nextCharIndex(data, pos, encoding);
    }
    return length;
}

int RvSubString::contains(char byte) const {
    return length != 0 && findChar(byte, 0) != length ? 1 : 0;
}

int RvSubString::equalsIgnoreCase(const char* bytes, uint32_t n) const {
    return equalsIgnoreCaseN(data, length, bytes, n);
}

int16_t RvSubString::compare(const RvObject& other) const {
    const RvSubString& text = static_cast<const RvSubString&>(other);
    return static_cast<int16_t>(compareIgnoreCase(data, length, text.data, text.length));
}

uint32_t RvSubString::hash() const {
    uint32_t n = length < 5 ? length : 5;
    uint32_t sum = 0;
    for (uint32_t i = 0; i < n; ++i)
        sum += platCharUpper(static_cast<unsigned char>(data[i]));
    return sum;
}

RvString::~RvString() {
    if (ownsBuffer)
        rvFree(data);
}

int RvString::reserve(uint32_t n) {
    if (!ownsBuffer) {
        postError(msgBufferNotOwned);
        return 1;
    }
    char* grown = static_cast<char*>(rvRealloc(data, n));
    if (!grown)
        return 1;
    data = grown;
    capacity = n;
    return 0;
}

int RvString::append(const char* bytes, uint32_t n) {
    if (length + n > capacity && reserve(length + n + 1) != 0)
        return 1;
    if (n)
        std::memcpy(data + length, bytes, n);
    length += n;
    return 0;
}

int RvString::append(const char* text) {
    return append(text, static_cast<uint32_t>(std::strlen(text)));
}
