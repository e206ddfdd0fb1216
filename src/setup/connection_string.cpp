#include "setup/connection_string.h"
#include "base/hex_text.h"
#include "base/allocation.h"
#include "base/multibyte_text.h"
#include "base/error_list.h"
#include "store/installer_shim.h"
#include "store/registry.h"

int decodeOutputAddress(const char* value, uint32_t length, char*** address) {
    // A pointer's bytes in memory order, two digits each: eight digits from
    // a 32-bit caller, sixteen from a 64-bit one. Any other count is refused
    // whole, so that a 64-bit variable is never reached through the low
    // half of its address.
    enum { prefixLength = 2, byteCount = sizeof(void*), digitCount = 2 * byteCount };
    if (length != prefixLength + digitCount)
        return 1;
    // Check every digit before decoding: nothing is ever stored through an
    // address that was only partly read.
    for (uint32_t i = prefixLength; i < length; ++i) {
        char c = value[i];
        bool digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!digit)
            return 1;
    }
    unsigned char bytes[byteCount];
    if (hexDecode(bytes, value + prefixLength, digitCount) != 0)
        return 1;
    uintptr_t bits = 0;
    for (int i = byteCount - 1; i >= 0; --i)
        bits = (bits << 8) | bytes[i];
    if (bits == 0)
        return 1;
    *address = reinterpret_cast<char**>(bits);
    return 0;
}

namespace {
// The driver description without the braces that may enclose it.
void driverNameSpan(const char* driver, const char** start, size_t* length) {
    size_t n = driver ? textLength(driver) : 0;
    *start = driver ? driver : "";
    *length = n;
    if (n >= 2 && driver[0] == '{' && driver[n - 1] == '}') {
        *start = driver + 1;
        *length = n - 2;
    }
}
} // namespace

int storeConnectionString(SetupContext* context) {
    static const char driverKey[] = "DRIVER=";
    const char* driver;
    size_t driverLength;
    driverNameSpan(context->driverName, &driver, &driverLength);

    size_t total = sizeof driverKey - 1 + driverLength + 1;
    for (uint16_t i = 0; i < context->attributeCount; ++i) {
        const char* value = context->values[i];
        if (value && value[0])
            total += textLength(context->table[i].keyword) + 1 + textLength(value) + 1;
    }

    char** variable = context->outputAddress;
    // Only a string this request handed back before is ours to free; the
    // caller's variable may hold anything on the first save.
    if (context->handedBack && *variable == context->handedBack)
        rvFree(*variable);
    context->handedBack = nullptr;
    char* text = static_cast<char*>(rvAlloc(total + 1));
    *variable = text;
    if (!text)
        return 1;

    char* end = copyTextEnd(text, driverKey);
    copyBytes(end, driver, driverLength);
    end += driverLength;
    *end++ = ';';
    for (uint16_t i = 0; i < context->attributeCount; ++i) {
        const char* value = context->values[i];
        if (!value || !value[0])
            continue;
        end = copyTextEnd(end, context->table[i].keyword);
        *end++ = '=';
        end = copyTextEnd(end, value);
        *end++ = ';';
    }
    *end = 0;
    context->handedBack = text;
    return 0;
}
