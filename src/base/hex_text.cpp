#include "base/hex_text.h"
#include "base/error_list.h"

namespace {
const char hexDigits[] = "0123456789ABCDEF";

// Value of one hexadecimal digit, -1 for any other character.
int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
} // namespace

uint32_t hexEncode(char* out, const void* in, uint32_t n) {
    const unsigned char* bytes = static_cast<const unsigned char*>(in);
    // Last byte first: with out == in, byte i is read before positions 2i
    // and 2i + 1 are written, and those never lie below i.
    for (uint32_t i = n; i-- > 0;) {
        unsigned char byte = bytes[i];
        out[2 * i] = hexDigits[byte >> 4];
        out[2 * i + 1] = hexDigits[byte & 0x0F];
    }
    return 2 * n;
}

int hexDecode(void* out, const char* in, uint32_t n) {
    unsigned char* bytes = static_cast<unsigned char*>(out);
    for (uint32_t i = 0; i < n; i += 2) {
        int high = digitValue(in[i]);
        int low = i + 1 < n ? digitValue(in[i + 1]) : 0;
        if (high < 0 || low < 0) {
            postError(msgBadHexDigit);
            return 1;
        }
        bytes[i / 2] = static_cast<unsigned char>(high << 4 | low);
    }
    return 0;
}
