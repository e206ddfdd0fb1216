#include "windows_fixture.h"

namespace {
// The wide call, since Wine's narrow one refuses paths over 260 characters.
LONG createKey(HKEY root, const std::string& path, HKEY* key) {
    std::wstring wide(path.size() + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    return RegCreateKeyExW(root, wide.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key, nullptr);
}
} // namespace

bool seedValue(HKEY root, const std::string& path, const std::string& name, const std::string& data,
               DWORD type) {
    HKEY key;
    if (createKey(root, path, &key) != ERROR_SUCCESS)
        return false;
    LONG status =
        RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool seedText(HKEY root, const std::string& path, const std::string& name,
              const std::string& text) {
    return seedValue(root, path, name, std::string(text.c_str(), text.size() + 1));
}

bool seedKey(HKEY root, const std::string& path) {
    HKEY key;
    if (createKey(root, path, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void removeKey(HKEY root, const std::string& path) {
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

std::vector<std::string> namesOf(const char* list) {
    std::vector<std::string> names;
    for (const char* p = list; *p; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

std::string moduleFileName(HMODULE module) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(module, path, sizeof path);
    return n && n < sizeof path ? std::string(path, n) : std::string();
}

std::string programDirectory() {
    std::string exe = moduleFileName(nullptr);
    return exe.substr(0, exe.find_last_of('\\'));
}

bool sameFile(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}
