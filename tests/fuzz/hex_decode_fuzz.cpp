// libFuzzer target for hexadecimal decoding and the secret-text stored form
// that depends on it. Every input is decoded as hexadecimal text and checked
// against a plain reference decoder; its bytes are then encoded, decoded
// back and compared, and taken through the stored form and back. Any
// difference aborts.
#include "base/scramble.h"
#include "base/hex_text.h"
#include "base/error_list.h"
#include "support/error_scope.h"
#include "support/library_start.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "hexdecode_fuzz: %s\n", what);
        std::abort();
    }
}

int referenceDigit(uint8_t c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void checkDecode(const uint8_t* data, size_t size) {
    ScopedErrorList errors;
    uint32_t n = static_cast<uint32_t>(size);
    size_t outSize = (size + 1) / 2;
    // One guard byte past the end: decoding writes exactly (n + 1) / 2 bytes.
    std::vector<uint8_t> out(outSize + 1, 0xA5);
    int result = hexDecode(out.data(), reinterpret_cast<const char*>(data), n);
    check(out[outSize] == 0xA5, "decoding wrote past (n + 1) / 2 bytes");

    size_t bad = size;
    for (size_t i = 0; i < size && bad == size; ++i)
        if (referenceDigit(data[i]) < 0)
            bad = i;
    if (bad < size) {
        check(result == 1, "a non-digit was accepted");
        check(errors->count == 1 && errors->item(0)->messageId == msgBadHexDigit,
              "a bad digit did not post exactly error 2708");
        // The whole pairs before the bad character are decoded.
        for (size_t i = 0; i + 1 < bad; i += 2)
            check(out[i / 2] == (referenceDigit(data[i]) << 4 | referenceDigit(data[i + 1])),
                  "a completed byte before the bad digit is wrong");
        return;
    }
    check(result == 0, "valid hexadecimal text was refused");
    check(errors->count == 0, "valid hexadecimal text posted a diagnostic");
    for (size_t i = 0; i < size; i += 2) {
        int low = i + 1 < size ? referenceDigit(data[i + 1]) : 0;
        check(out[i / 2] == (referenceDigit(data[i]) << 4 | low), "decoded byte is wrong");
    }
}

void checkRoundTrip(const uint8_t* data, size_t size) {
    ScopedErrorList errors;
    uint32_t n = static_cast<uint32_t>(size);
    // Encoding in place from the input's own buffer, then decoding in place.
    std::vector<char> text(2 * size + 1);
    std::memcpy(text.data(), data, size);
    check(hexEncode(text.data(), text.data(), n) == 2 * n, "encoded length is not 2n");
    for (size_t i = 0; i < 2 * size; ++i)
        check(referenceDigit(static_cast<uint8_t>(text[i])) >= 0 &&
                  !(text[i] >= 'a' && text[i] <= 'f'),
              "encoding wrote a character that is not an upper-case digit");
    check(hexDecode(text.data(), text.data(), 2 * n) == 0, "encoded text does not decode");
    check(std::memcmp(text.data(), data, size) == 0, "hex round trip changed the bytes");
    check(errors->count == 0, "round trip posted a diagnostic");
}

void checkSecretValue(const uint8_t* data, size_t size) {
    ScopedErrorList errors;
    const char* value = reinterpret_cast<const char*>(data);
    std::vector<char> stored(secretStoredSize(size));
    size_t storedLength = 0;
    check(encodeSecretValue(stored.data(), stored.size(), value, size, &storedLength) == 0,
          "storing refused a buffer of secretStoredSize");
    check(stored[storedLength] == 0, "stored form is not terminated");

    std::vector<char> back(storedLength + 1);
    size_t valueLength = 0;
    int result =
        decodeSecretValue(back.data(), back.size(), stored.data(), storedLength, &valueLength);
    check(result == 0, "a stored form does not read back");
    if (storedLength == size && std::memcmp(stored.data(), value, size) == 0) {
        // Kept unchanged (already a stored form): it reads back as one.
        return;
    }
    check(valueLength == size && std::memcmp(back.data(), value, size) == 0,
          "stored form did not give the value back");
    check(errors->count == 0, "storing and reading back posted a diagnostic");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startLibraryOrStop();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16)
        return 0;
    checkDecode(data, size);
    checkRoundTrip(data, size);
    checkSecretValue(data, size);
    return 0;
}
