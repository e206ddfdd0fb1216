// Where the installer keeps data sources, read and written in UTF-16.
#pragma once
#include "cmdline.h"
#include "keywords.h"
#include "wintext.h"
#include <odbcinst.h>
#include <cwchar>

namespace dsnconfig {

// A data-source scope. Windows registers user data sources under
// HKEY_CURRENT_USER and system ones under HKEY_LOCAL_MACHINE (for a
// 32-bit tool on 64-bit Windows its 32-bit view, the one its installer
// uses), and its profile functions read and write a scope's values in
// that scope's config mode.
struct ScopeInfo {
    Scope scope;
    HKEY root;
    UWORD configMode;
    const char* name;
};
constexpr int scopeCount = 2;
extern const ScopeInfo scopeTable[scopeCount]; // user, then system
const ScopeInfo& scopeInfo(Scope scope);       // unspecified means user
// Whether a scope option (unspecified: every scope) takes in scope.
bool scopeSelected(Scope option, const ScopeInfo& scope);

// The list of a scope's data sources and their drivers. Read from the
// registry rather than through the installer's profile functions: Wine 8's
// look only under HKEY_CURRENT_USER whatever the config mode, while its
// SQLWriteDSNToIni registers every data source under HKEY_LOCAL_MACHINE.
extern const wchar_t* const dataSourcesKey;

// The driver description a data source is registered with in a scope.
bool findRegistration(const ScopeInfo& scope, const wchar_t* name, wchar_t* driver, DWORD capacity);

// Calls visit(name, driver) for each data source registered in a scope, in
// the registry's order, until visit returns false.
template <typename Visit> void forEachRegistration(const ScopeInfo& scope, Visit visit) {
    HKEY key;
    if (RegOpenKeyExW(scope.root, dataSourcesKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[nameCapacity];
        wchar_t driver[nameCapacity];
        DWORD nameLength = nameCapacity;
        DWORD size = sizeof driver - sizeof(wchar_t);
        DWORD type = 0;
        LONG status = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(driver), &size);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        driver[size / sizeof(wchar_t)] = L'\0';
        if (!visit(name, driver))
            break;
    }
    RegCloseKey(key);
}

// Sets the installer's config mode while it lives, so that its profile
// functions reach one scope's values, and puts the earlier mode back.
class ConfigMode {
public:
    explicit ConfigMode(const ScopeInfo& scope);
    ~ConfigMode();
    ConfigMode(const ConfigMode&) = delete;
    ConfigMode& operator=(const ConfigMode&) = delete;

private:
    UWORD previous;
};

// Room for the key names of one data source's section.
constexpr int keyListCapacity = 8192;

// The key names of a data source's section in a scope, each NUL-ended and
// then one more NUL; false when the list might not have fit.
bool readKeyList(const ScopeInfo& scope, const wchar_t* dataSource, wchar_t* keys);
// One stored value; false when it might not have fit.
bool readValue(const ScopeInfo& scope, const wchar_t* dataSource, const wchar_t* key,
               wchar_t* value);
bool writeValue(const ScopeInfo& scope, const wchar_t* dataSource, const wchar_t* key,
                const wchar_t* value);

// Whether name occurs in a key list, regardless of case (the registry's
// rule for value names).
bool listHas(const wchar_t* keys, const wchar_t* name);
// Whether a key is one of the setup library's own.
bool isStoredKey(const wchar_t* key);

// Calls visit(key) for each key of a list: the setup library's keys in the
// order it writes them, then the others as stored.
template <typename Visit> void forEachKeyInOrder(const wchar_t* keys, Visit visit) {
    for (size_t i = 0; i < storedKeyCount(); ++i) {
        wchar_t known[nameCapacity];
        if (toWide(storedKey(i), known, nameCapacity) && listHas(keys, known))
            visit(known);
    }
    for (const wchar_t* key = keys; *key; key += std::wcslen(key) + 1) {
        if (!isStoredKey(key))
            visit(key);
    }
}

// Prints what the installer recorded about its last failure.
void printInstallerErrors();

} // namespace dsnconfig
