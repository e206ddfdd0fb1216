#include "setup/mainsetu.h"
#include "base/hexify.h"
#include "base/rvalloc.h"
#include "base/rvdbcs.h"
#include "base/rverror.h"
#include "store/instshim.h"
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

namespace {
// An owned copy of text; null for null (and when memory ran out, which
// *failed then says).
char* copyText(const char* text, bool* failed) {
    if (!text)
        return nullptr;
    char* copy = rvAllocText(text);
    if (!copy)
        *failed = true;
    return copy;
}

// Replaces the shared attribute table by the context's own copy, so that
// rows can be added to it.
int takeOwnTable(SetupContext* context) {
    if (context->flags & ownsTable)
        return 0;
    uint16_t count = context->attributeCount;
    auto* rows = static_cast<AttributeDescriptor*>(rvAlloc(sizeof(AttributeDescriptor) * count));
    if (!rows)
        return 1;
    zeroBytes(rows, sizeof(AttributeDescriptor) * count);
    bool failed = false;
    for (uint16_t i = 0; i < count && !failed; ++i) {
        const AttributeDescriptor& shared = context->table[i];
        rows[i].controlId = shared.controlId;
        rows[i].controlType = shared.controlType;
        rows[i].textLimit = shared.textLimit;
        rows[i].keyword = copyText(shared.keyword, &failed);
        rows[i].shortKeyword = copyText(shared.shortKeyword, &failed);
        rows[i].choices = copyText(shared.choices, &failed);
        rows[i].defaultValue = copyText(shared.defaultValue, &failed);
    }
    if (failed) {
        for (uint16_t i = 0; i < count; ++i)
            freeRowTexts(&rows[i]);
        rvFree(rows);
        return 1;
    }
    context->table = rows;
    context->flags |= ownsTable;
    return 0;
}

// Room for extra more rows in the owned table and the values.
int growRows(SetupContext* context, uint16_t extra) {
    size_t count = static_cast<size_t>(context->attributeCount) + extra;
    if (count > UINT16_MAX) {
        noteOutOfMemory();
        return 1;
    }
    void* rows = rvRealloc(const_cast<AttributeDescriptor*>(context->table),
                           sizeof(AttributeDescriptor) * count);
    if (!rows)
        return 1;
    context->table = static_cast<AttributeDescriptor*>(rows);
    void* values = rvRealloc(context->values, sizeof(char*) * count);
    if (!values)
        return 1;
    context->values = static_cast<char**>(values);
    return 0;
}

// Appends a translation row (no control of its own, never shown) with its
// value; the room was made by growRows.
int appendTranslationRow(SetupContext* context, const char* keyword, const char* value) {
    auto* row = const_cast<AttributeDescriptor*>(&context->table[context->attributeCount]);
    zeroBytes(row, sizeof *row);
    bool failed = false;
    row->keyword = copyText(keyword, &failed);
    row->shortKeyword = copyText(keyword, &failed);
    row->controlType = controlCarried;
    char* copy = copyText(value, &failed);
    if (failed) {
        freeRowTexts(row);
        rvFree(copy);
        return 1;
    }
    context->values[context->attributeCount++] = copy;
    return 0;
}
} // namespace

int chooseTranslator(void* window, SetupContext* context) {
    char name[64] = "", path[261] = "";
    // A data source without a stored name has no choice stored yet; an
    // empty section name would read the profile's list of section names.
    const char* section = context->storedName;
    if (section && section[0]) {
        readProfileString(section, "TranslationName", "", name, sizeof name, "ODBC.INI");
        readProfileString(section, "TranslationDll", "", path, sizeof path, "ODBC.INI");
    }
    uint16_t nameLength = static_cast<uint16_t>(textLength(name));
    uint16_t pathLength = static_cast<uint16_t>(textLength(path));
    uint32_t option = 0;
    if (!SQLGetTranslator(window, name, sizeof name - 1, &nameLength, path, sizeof path - 1,
                          &pathLength, &option))
        return 0;
    // The installer fills the buffers it was given whole at most.
    name[sizeof name - 1] = 0;
    path[sizeof path - 1] = 0;
    if (pathLength == 0) {
        name[0] = path[0] = 0;
        option = 0;
    }
    char optionText[16];
    optionText[formatUnsigned(optionText, sizeof optionText - 1, option)] = 0;
    if (takeOwnTable(context) != 0 || growRows(context, 3) != 0)
        return 1;
    if (appendTranslationRow(context, "TranslationName", name) != 0 ||
        appendTranslationRow(context, "TranslationDll", path) != 0 ||
        appendTranslationRow(context, "TranslationOption", optionText) != 0)
        return 1;
    return 0;
}
