#include "setup/translator.h"
#include "base/allocation.h"
#include "base/multibyte_text.h"
#include "base/error_list.h"
#include "store/installer_shim.h"
#include "store/registry.h"

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
