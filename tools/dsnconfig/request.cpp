#include "request.h"
#include <cstring>

namespace dsnconfig {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

bool storedEntry(const char* entry, wchar_t* keyword, wchar_t* value) {
    static char text[maxAttributeListBytes];
    const char* equals = std::strchr(entry, '=');
    const char* begin = entry;
    while (isBlank(*begin))
        ++begin;
    const char* end = equals;
    while (end > begin && isBlank(end[-1]))
        --end;
    std::memcpy(text, begin, end - begin);
    text[end - begin] = '\0';
    if (!toWide(storedKeyFor(text), keyword, nameCapacity))
        return false;
    begin = equals + 1;
    end = begin + std::strlen(begin);
    // The setup library drops the blanks around its own keys' values.
    bool known = isStoredKey(keyword);
    while (known && isBlank(*begin))
        ++begin;
    while (known && end > begin && isBlank(end[-1]))
        --end;
    std::memcpy(text, begin, end - begin);
    text[end - begin] = '\0';
    return toWide(text, value, valueCapacity);
}

bool checkCodePage(const char* what, const char* text) {
    static wchar_t wide[valueCapacity];
    if (toWide(text, wide, valueCapacity) && fitsCodePage(wide))
        return true;
    complain("dsnconfig: refused: the %s \"%s\" has characters outside this system's ANSI code "
             "page (%u); the setup library would receive another name\n",
             what, text, GetACP());
    return false;
}

namespace {

WORD requestCode(CommandKind kind, const ScopeInfo& scope) {
    bool system = scope.scope == Scope::system;
    switch (kind) {
    case CommandKind::configure:
        return system ? ODBC_CONFIG_SYS_DSN : ODBC_CONFIG_DSN;
    case CommandKind::remove:
        return system ? ODBC_REMOVE_SYS_DSN : ODBC_REMOVE_DSN;
    default:
        return system ? ODBC_ADD_SYS_DSN : ODBC_ADD_DSN;
    }
}

// The values outside the code page that a request means to keep, by the
// key the setup library stores them under.
struct WideValue {
    wchar_t key[nameCapacity];
    wchar_t value[valueCapacity];
};
constexpr int maxWideValues = 32;
struct WideValues {
    WideValue items[maxWideValues];
    int count;
};

// Adds key's value, or replaces it; false when the table is full.
bool keep(WideValues* values, const wchar_t* key, const wchar_t* value) {
    WideValue* slot = nullptr;
    for (int i = 0; i < values->count && !slot; ++i) {
        if (lstrcmpiW(values->items[i].key, key) == 0)
            slot = &values->items[i];
    }
    if (!slot) {
        if (values->count == maxWideValues)
            return false;
        slot = &values->items[values->count++];
    }
    // Both come from buffers of the same capacities.
    lstrcpynW(slot->key, key, nameCapacity);
    lstrcpynW(slot->value, value, valueCapacity);
    return true;
}

// A configure request has the setup library read the stored values as
// ANSI text and write them back: those outside the code page are kept.
bool keepStoredValues(const ScopeInfo& scope, const wchar_t* dataSource, WideValues* values) {
    static wchar_t keys[keyListCapacity];
    static wchar_t value[valueCapacity];
    if (!readKeyList(scope, dataSource, keys))
        return true;
    for (const wchar_t* key = keys; *key; key += std::wcslen(key) + 1) {
        if (readValue(scope, dataSource, key, value) && !fitsCodePage(value) &&
            !keep(values, key, value))
            return false;
    }
    return true;
}

bool keepRequestValues(const AttributeList& attributes, WideValues* values) {
    bool kept = true;
    forEachEntry(attributes, [&](const char* entry) {
        static wchar_t keyword[nameCapacity];
        static wchar_t value[valueCapacity];
        if (kept && storedEntry(entry, keyword, value) && !fitsCodePage(value))
            kept = keep(values, keyword, value);
    });
    return kept;
}

bool restoreWideValues(const ScopeInfo& scope, const wchar_t* dataSource,
                       const WideValues& values) {
    static wchar_t stored[valueCapacity];
    bool restored = true;
    for (int i = 0; i < values.count; ++i) {
        const WideValue& item = values.items[i];
        if (!readValue(scope, dataSource, item.key, stored) ||
            std::wcscmp(stored, item.value) == 0 || !sameInCodePage(stored, item.value))
            continue;
        if (!writeValue(scope, dataSource, item.key, item.value)) {
            char key[3 * nameCapacity];
            toUtf8(item.key, key, sizeof key);
            complain("dsnconfig: the installer did not take the value of %s as written; it "
                     "keeps the setup library's ANSI form\n",
                     key);
            printInstallerErrors();
            restored = false;
        }
    }
    return restored;
}

} // namespace

bool runRequest(HWND window, CommandKind kind, const ScopeInfo& scope, const char* driver,
                const char* dataSource, const AttributeList& attributes) {
    static wchar_t name[nameCapacity];
    static char driverText[2 * nameCapacity];
    static char list[maxAttributeListBytes];
    static WideValues values;
    if (!checkCodePage("driver description", driver) ||
        !checkCodePage("data-source name", dataSource))
        return false;
    // The setup library reads at most maxAttributeListBytes of the list.
    if (!toWide(dataSource, name, nameCapacity) || !toAnsi(driver, driverText, sizeof driverText) ||
        !toAnsiList(attributes.bytes, attributes.length, list, sizeof list)) {
        complain("dsnconfig: refused: the attribute list is longer than the %u bytes the setup "
                 "library reads\n",
                 static_cast<unsigned>(maxAttributeListBytes));
        return false;
    }
    values.count = 0;
    bool kept = kind == CommandKind::remove ||
                ((kind != CommandKind::configure || keepStoredValues(scope, name, &values)) &&
                 keepRequestValues(attributes, &values));
    if (!kept) {
        complain("dsnconfig: refused: more than %d values outside the code page\n", maxWideValues);
        return false;
    }
    if (!SQLConfigDataSource(window, requestCode(kind, scope), driverText, list)) {
        complain("dsnconfig: the request for data source \"%s\" was %s\n", dataSource,
                 window ? "cancelled or refused" : "refused");
        printInstallerErrors();
        return false;
    }
    return kind == CommandKind::remove || restoreWideValues(scope, name, values);
}

} // namespace dsnconfig
