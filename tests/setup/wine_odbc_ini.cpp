#include "wine_odbc_ini.h"
#include "support/registry_keys.h"
#include <windows.h>
#include <odbcinst.h>
#include <vector>

namespace {}

std::string freshName(const char* prefix, const char* stem) {
    std::string name = std::string(prefix) + stem + std::to_string(GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, keyOfDataSource(name).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyOfDataSource(name).c_str());
    return name;
}

std::string stored(const std::string& name, const char* key) {
    std::vector<char> buffer(65536);
    SQLGetPrivateProfileString(name.c_str(), key, "<none>", buffer.data(),
                               static_cast<int>(buffer.size()), "ODBC.INI");
    return buffer.data();
}

bool registered(const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyOfDataSource(name).c_str(), 0, KEY_READ, &key))
        return false;
    RegCloseKey(key);
    return true;
}
