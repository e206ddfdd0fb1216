#include "fakeinst.h"
#include <strings.h>
#include <cstring>

namespace {
FakeInstaller* current = nullptr;

int PLAT_STDCALL fakeValid(const char* name) {
    current->calls.push_back(std::string("SQLValidDSN ") + name);
    // A stand-in for the installer's name rule: not empty, no brackets,
    // braces, parentheses or the other reserved characters.
    return name[0] && !std::strpbrk(name, "[]{}(),;?*=!@\\") && std::strlen(name) <= 32;
}
int PLAT_STDCALL fakeWriteDsn(const char* name, const char* driver) {
    current->calls.push_back(std::string("SQLWriteDSNToIni ") + name + " " + driver);
    current->ini[name];
    return 1;
}
int PLAT_STDCALL fakeRemoveDsn(const char* name) {
    current->calls.push_back(std::string("SQLRemoveDSNFromIni ") + name);
    if (current->failRemove)
        return 0;
    current->ini.erase(name);
    return 1;
}
int PLAT_STDCALL fakeWriteString(const char* section, const char* entry, const char* text,
                                 const char* file) {
    current->calls.push_back(std::string("SQLWritePrivateProfileString ") + section + " " + entry +
                             " " + file);
    if (current->failWritesFrom &&
        static_cast<int>(current->calls.size()) >= current->failWritesFrom)
        return 0;
    current->ini[section][entry] = text;
    current->order.emplace_back(entry, text);
    current->orderSections.push_back(section);
    return 1;
}
// As the Windows installer: the stored text or the default, cut to fit
// with a terminator.
int PLAT_STDCALL fakeGetString(const char* section, const char* entry, const char* defaultText,
                               char* buffer, int size, const char*) {
    std::string text = defaultText ? defaultText : "";
    auto s = current->ini.find(section);
    if (s != current->ini.end()) {
        auto e = s->second.find(entry);
        if (e != s->second.end())
            text = e->second;
    }
    if (size <= 0)
        return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

const InstallerFunctions fakeFunctions = {fakeValid, fakeWriteDsn,    fakeRemoveDsn,
                                          nullptr,   fakeWriteString, fakeGetString};
} // namespace

bool FakeInstaller::NoCase::operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
}

FakeInstaller::FakeInstaller() {
    current = this;
    setInstallerFunctionsForTesting(&fakeFunctions);
}

FakeInstaller::~FakeInstaller() {
    setInstallerFunctionsForTesting(nullptr);
    current = nullptr;
}

std::vector<std::pair<std::string, std::string>>
FakeInstaller::written(const std::string& section) const {
    std::vector<std::pair<std::string, std::string>> result;
    for (size_t i = 0; i < order.size(); ++i)
        if (strcasecmp(orderSections[i].c_str(), section.c_str()) == 0)
            result.push_back(order[i]);
    return result;
}
