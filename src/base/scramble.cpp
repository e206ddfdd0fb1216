#include "base/scramble.h"
#include "base/hex_text.h"
#include "base/multibyte_text.h"
#include "base/error_list.h"

namespace {
typedef unsigned char Byte;

enum : Byte {
    carriageReturn = 13,
    lineFeed = 10,
    // The complements of the two line ends: mode 2 leaves them alone too,
    // so that it stays its own inverse and never makes a line end.
    notCarriageReturn = 242,
    notLineFeed = 245,
};

enum : Byte {
    teaDelta = 0x9E,   // the TEA constant, cut to 8 bits
    teaSumAfter = 0xC0 // 32 * teaDelta, modulo 256
};
enum { teaRounds = 32 };
static_assert(static_cast<Byte>(teaRounds * teaDelta) == teaSumAfter, "sum after the rounds");

// The cipher's key block. Only the first four bytes enter the rounds; the
// rest is room for a key text. Built on the stack at every call rather than
// kept in writable static data. Stored values depend on these bytes:
// changing them makes every stored secret unreadable.
struct KeyBlock {
    Byte bytes[16];
};

KeyBlock makeKey(const char* keyText) {
    KeyBlock key = {{0x6B, 0xD2, 0x39, 0xA5, 0x1E, 0x84, 0xC7, 0x50, 0xF3, 0x2A, 0x9D, 0x66, 0x0B,
                     0xE8, 0x71, 0xBC}};
    if (keyText)
        copyTruncated(reinterpret_cast<char*>(key.bytes), 15, keyText);
    return key;
}

// The TEA round function on 8-bit halves; every step is modulo 256 and the
// shifts act on the byte (<< 4 drops the bits that leave it).
inline Byte mix(Byte v, Byte sum, Byte ka, Byte kb) {
    return static_cast<Byte>((static_cast<Byte>(v << 4) + ka) ^ (v + sum) ^ ((v >> 5) + kb));
}

void encipherPair(Byte* first, Byte* second, const Byte* k) {
    Byte a = *first, b = *second, sum = 0;
    for (int i = 0; i < teaRounds; ++i) {
        sum = static_cast<Byte>(sum + teaDelta);
        a = static_cast<Byte>(a + mix(b, sum, k[0], k[1]));
        b = static_cast<Byte>(b + mix(a, sum, k[2], k[3]));
    }
    *first = a;
    *second = b;
}

void decipherPair(Byte* first, Byte* second, const Byte* k) {
    Byte a = *first, b = *second, sum = teaSumAfter;
    for (int i = 0; i < teaRounds; ++i) {
        b = static_cast<Byte>(b - mix(a, sum, k[2], k[3]));
        a = static_cast<Byte>(a - mix(b, sum, k[0], k[1]));
        sum = static_cast<Byte>(sum - teaDelta);
    }
    *first = a;
    *second = b;
}

// Mode 3. The bytes go through the rounds in pairs (0, 1), (2, 3), ...; an
// odd count pairs the last byte with byte 0, which its own pair has already
// changed, so every byte depends on the key rounds. Unscrambling walks the
// pairs in the reverse order. A single byte only gets XORed with k0.
void cipher(Byte* bytes, int32_t n, const char* keyText, bool forward) {
    if (n <= 0)
        return;
    KeyBlock key = makeKey(keyText);
    const Byte* k = key.bytes;
    if (n == 1) {
        bytes[0] ^= k[0];
        return;
    }
    int32_t pairs = (n + 1) / 2;
    for (int32_t p = 0; p < pairs; ++p) {
        int32_t index = forward ? p : pairs - 1 - p;
        int32_t first = 2 * index;
        int32_t second = first + 1 < n ? first + 1 : 0;
        if (forward)
            encipherPair(&bytes[first], &bytes[second], k);
        else
            decipherPair(&bytes[first], &bytes[second], k);
    }
}

int transform(void* buf, int32_t n, uint16_t mode, const char* keyText, bool forward) {
    Byte* bytes = static_cast<Byte*>(buf);
    switch (mode) {
    case scrambleInvert:
        for (int32_t i = 0; i < n; ++i)
            bytes[i] = static_cast<Byte>(~bytes[i]);
        return 0;
    case scrambleInvertNoLines:
        for (int32_t i = 0; i < n; ++i) {
            Byte b = bytes[i];
            if (b != carriageReturn && b != lineFeed && b != notCarriageReturn && b != notLineFeed)
                bytes[i] = static_cast<Byte>(~b);
        }
        return 0;
    case scrambleCipher:
        cipher(bytes, n, keyText, forward);
        return 0;
    default:
        return 1;
    }
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A value that reads back as a stored form: the marker and hexadecimal text
// of at least one whole byte. Only such a value is stored unchanged; any
// other value that merely begins with the marker byte (0xFF is a letter in
// several code pages) is scrambled like any other, or it would be misread
// as a stored form when loaded again.
bool isStoredForm(const char* value, size_t n) {
    if (n < 3 || static_cast<Byte>(value[0]) != secretMarker || (n - 1) % 2 != 0)
        return false;
    for (size_t i = 1; i < n; ++i)
        if (!isHexDigit(value[i]))
            return false;
    return true;
}

// Largest value the cipher takes (its counts are 32-bit signed).
const size_t maxSecretLength = 0x3FFFFFFF;
} // namespace

int scrambleValue(void* buf, int32_t n, uint16_t mode, const char* keyText) {
    return transform(buf, n, mode, keyText, true);
}

int unscrambleValue(void* buf, int32_t n, uint16_t mode, const char* keyText) {
    return transform(buf, n, mode, keyText, false);
}

size_t secretStoredSize(size_t n) {
    return n ? 2 * n + 2 : 1;
}

int encodeSecretValue(char* out, size_t outSize, const char* value, size_t valueLength,
                      size_t* storedLength) {
    if (valueLength > maxSecretLength)
        return 1;
    if (isStoredForm(value, valueLength)) {
        if (outSize < valueLength + 1)
            return 1;
        moveBytes(out, value, valueLength);
        out[valueLength] = 0;
        *storedLength = valueLength;
        return 0;
    }
    if (outSize < secretStoredSize(valueLength))
        return 1;
    if (valueLength == 0) {
        out[0] = 0;
        *storedLength = 0;
        return 0;
    }
    // The value moves one byte up to leave room for the marker; it is then
    // scrambled and widened to its digits in place.
    char* body = out + 1;
    moveBytes(body, value, valueLength);
    int32_t n = static_cast<int32_t>(valueLength);
    scrambleValue(body, n, scrambleCipher, nullptr);
    uint32_t digits = hexEncode(body, body, static_cast<uint32_t>(n));
    out[0] = static_cast<char>(secretMarker);
    body[digits] = 0;
    *storedLength = digits + 1;
    return 0;
}

int decodeSecretValue(char* out, size_t outSize, const char* stored, size_t storedLength,
                      size_t* valueLength) {
    if (storedLength == 0 || static_cast<Byte>(stored[0]) != secretMarker) {
        if (outSize < storedLength + 1)
            return 1;
        moveBytes(out, stored, storedLength);
        out[storedLength] = 0;
        *valueLength = storedLength;
        return 0;
    }
    size_t digits = storedLength - 1;
    // The writer puts two digits per byte; an odd count is a damaged value,
    // and dropping its last digit would hand back a wrong secret as if it
    // were the right one.
    if (digits % 2 != 0 || digits / 2 > maxSecretLength) {
        postError(msgBadHexDigit);
        return 1;
    }
    size_t n = digits / 2;
    if (outSize < n + 1)
        return 1;
    if (hexDecode(out, stored + 1, static_cast<uint32_t>(digits))) {
        out[0] = 0;
        *valueLength = 0;
        return 1;
    }
    out[n] = 0;
    // The count is the decoded one: scrambled bytes may well be 0.
    unscrambleValue(out, static_cast<int32_t>(n), scrambleCipher, nullptr);
    *valueLength = n;
    return 0;
}
