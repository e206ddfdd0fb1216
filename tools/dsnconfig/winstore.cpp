#include "winstore.h"

namespace dsnconfig {

const ScopeInfo scopeTable[scopeCount] = {
    {Scope::user, HKEY_CURRENT_USER, ODBC_USER_DSN, "user"},
    {Scope::system, HKEY_LOCAL_MACHINE, ODBC_SYSTEM_DSN, "system"},
};

const ScopeInfo& scopeInfo(Scope scope) {
    return scope == Scope::system ? scopeTable[1] : scopeTable[0];
}

bool scopeSelected(Scope option, const ScopeInfo& scope) {
    return option == Scope::unspecified || option == scope.scope;
}

const wchar_t* const dataSourcesKey = L"SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources";

bool findRegistration(const ScopeInfo& scope, const wchar_t* name, wchar_t* driver,
                      DWORD capacity) {
    DWORD size = capacity * sizeof(wchar_t);
    return RegGetValueW(scope.root, dataSourcesKey, name, RRF_RT_REG_SZ, nullptr, driver, &size) ==
           ERROR_SUCCESS;
}

ConfigMode::ConfigMode(const ScopeInfo& scope) : previous(ODBC_BOTH_DSN) {
    SQLGetConfigMode(&previous);
    SQLSetConfigMode(scope.configMode);
}

ConfigMode::~ConfigMode() {
    SQLSetConfigMode(previous);
}

namespace {

const wchar_t* const profileFile = L"ODBC.INI";

} // namespace

bool readKeyList(const ScopeInfo& scope, const wchar_t* dataSource, wchar_t* keys) {
    ConfigMode mode(scope);
    int length =
        SQLGetPrivateProfileStringW(dataSource, nullptr, L"", keys, keyListCapacity, profileFile);
    // A list that stops within one name's length of the end may have lost
    // names.
    if (length >= keyListCapacity - nameCapacity - 1)
        return false;
    keys[length > 0 ? length : 0] = L'\0';
    return true;
}

bool readValue(const ScopeInfo& scope, const wchar_t* dataSource, const wchar_t* key,
               wchar_t* value) {
    ConfigMode mode(scope);
    int length =
        SQLGetPrivateProfileStringW(dataSource, key, L"", value, valueCapacity, profileFile);
    return length >= 0 && length < valueCapacity - 1;
}

bool writeValue(const ScopeInfo& scope, const wchar_t* dataSource, const wchar_t* key,
                const wchar_t* value) {
    ConfigMode mode(scope);
    return SQLWritePrivateProfileStringW(dataSource, key, value, profileFile) != FALSE;
}

bool listHas(const wchar_t* keys, const wchar_t* name) {
    for (const wchar_t* key = keys; *key; key += std::wcslen(key) + 1) {
        if (lstrcmpiW(key, name) == 0)
            return true;
    }
    return false;
}

bool isStoredKey(const wchar_t* key) {
    for (size_t i = 0; i < storedKeyCount(); ++i) {
        wchar_t known[nameCapacity];
        if (toWide(storedKey(i), known, nameCapacity) && lstrcmpiW(known, key) == 0)
            return true;
    }
    return false;
}

void printInstallerErrors() {
    // The installer keeps at most eight records, numbered from 1.
    bool any = false;
    for (WORD record = 1; record <= 8; ++record) {
        DWORD code = 0;
        wchar_t text[SQL_MAX_MESSAGE_LENGTH];
        char message[3 * SQL_MAX_MESSAGE_LENGTH];
        WORD length = 0;
        RETCODE status = SQLInstallerErrorW(record, &code, text, SQL_MAX_MESSAGE_LENGTH, &length);
        if (status != SQL_SUCCESS && status != SQL_SUCCESS_WITH_INFO)
            break;
        if (!toUtf8(text, message, sizeof message))
            message[0] = '\0';
        complain("  installer error %lu: %s\n", static_cast<unsigned long>(code), message);
        any = true;
    }
    if (!any)
        complain("  the installer gave no reason\n");
}

} // namespace dsnconfig
