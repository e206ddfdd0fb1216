#include "fakeinst.h"
#include <strings.h>
#include <cstdio>
#include <cstring>

namespace {
FakeInstaller* current = nullptr;

// How a call's text argument is recorded.
std::string shown(const char* text) {
    return text ? text : "(null)";
}

int answered(const char* function, std::initializer_list<const char*> arguments, int size,
             int result) {
    if (current->watcher)
        current->watcher({function, arguments, size, result});
    return result;
}

int PLAT_STDCALL fakeValid(const char* name) {
    current->calls.push_back("SQLValidDSN " + shown(name));
    // A stand-in for the installer's name rule: not empty, no brackets,
    // braces, parentheses or the other reserved characters.
    bool valid =
        name && name[0] && !std::strpbrk(name, "[]{}(),;?*=!@\\") && std::strlen(name) <= 32;
    return answered("SQLValidDSN", {name}, 0, valid);
}
int PLAT_STDCALL fakeWriteDsn(const char* name, const char* driver) {
    current->calls.push_back("SQLWriteDSNToIni " + shown(name) + " " + shown(driver));
    // Emptied first, as Windows' installer empties an existing section.
    if (name && driver)
        current->ini[name].clear();
    return answered("SQLWriteDSNToIni", {name, driver}, 0, name && driver);
}
int PLAT_STDCALL fakeRemoveDsn(const char* name) {
    current->calls.push_back("SQLRemoveDSNFromIni " + shown(name));
    bool removed = name && !current->failRemove;
    if (removed)
        current->ini.erase(name);
    return answered("SQLRemoveDSNFromIni", {name}, 0, removed);
}
int PLAT_STDCALL fakeWriteString(const char* section, const char* entry, const char* text,
                                 const char* file) {
    current->calls.push_back("SQLWritePrivateProfileString " + shown(section) + " " + shown(entry) +
                             " " + shown(file));
    bool written = section && entry && text && file &&
                   !(current->failWritesFrom &&
                     static_cast<int>(current->calls.size()) >= current->failWritesFrom);
    if (written) {
        current->ini[section][entry] = text;
        current->order.emplace_back(entry, text);
        current->orderSections.push_back(section);
    }
    return answered("SQLWritePrivateProfileString", {section, entry, text, file}, 0, written);
}
// The key names of a section, each ended by a NUL, as far as they fit
// whole (both installers stop at the first name that does not).
int listKeys(const FakeInstaller::Section* section, char* buffer, int size) {
    std::memset(buffer, 0, static_cast<size_t>(size));
    int used = 0;
    if (section)
        for (const auto& entry : *section) {
            int n = static_cast<int>(entry.first.size()) + 1;
            if (used + n > size - 1)
                break;
            std::memcpy(buffer + used, entry.first.c_str(), static_cast<size_t>(n));
            used += n;
        }
    return used;
}

// As the Windows installer: the stored text or the default, cut to fit
// with a terminator; or, as Wine's, the default when the text does not fit.
int readString(const char* section, const char* entry, const char* defaultText, char* buffer,
               int size) {
    if (!section || !buffer || size <= 0)
        return 0;
    auto s = current->ini.find(section);
    if (!entry) {
        int used = listKeys(s == current->ini.end() ? nullptr : &s->second, buffer, size);
        return current->listingFillsBuffer ? size : used;
    }
    std::string text = defaultText ? defaultText : "";
    if (s != current->ini.end()) {
        auto e = s->second.find(entry);
        if (e != s->second.end() &&
            !(current->defaultWhenTooLong && e->second.size() >= static_cast<size_t>(size)))
            text = e->second;
    }
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

int PLAT_STDCALL fakeGetString(const char* section, const char* entry, const char* defaultText,
                               char* buffer, int size, const char* file) {
    current->reads.push_back(shown(section) + " " + (entry ? entry : "(keys)"));
    int result = readString(section, entry, defaultText, buffer, size);
    return answered("SQLGetPrivateProfileString", {section, entry, defaultText, buffer, file}, size,
                    result);
}

// Records what the dialog was opened with (texts and lengths), then answers
// as the test scripted.
int PLAT_STDCALL fakeGetTranslator(void*, char* name, uint16_t nameCapacity, uint16_t* nameLength,
                                   char* path, uint16_t pathCapacity, uint16_t* pathLength,
                                   uint32_t* option) {
    current->calls.push_back("SQLGetTranslator " + std::string(name) + " " +
                             std::to_string(*nameLength) + " " + path + " " +
                             std::to_string(*pathLength) + " " + std::to_string(nameCapacity) +
                             " " + std::to_string(pathCapacity));
    const FakeInstaller::Translator& t = current->translator;
    if (!t.chosen)
        return answered("SQLGetTranslator", {name, path}, 0, 0);
    snprintf(name, nameCapacity + 1u, "%s", t.name.c_str());
    snprintf(path, pathCapacity + 1u, "%s", t.path.c_str());
    *nameLength = static_cast<uint16_t>(std::strlen(name));
    *pathLength = static_cast<uint16_t>(std::strlen(path));
    *option = t.option;
    return answered("SQLGetTranslator", {name, path}, 0, 1);
}

// The stand-in keeps no error records: SQLInstallerError counts as missing.
const InstallerFunctions fakeFunctions = {
    fakeValid,       fakeWriteDsn,  fakeRemoveDsn, fakeGetTranslator,
    fakeWriteString, fakeGetString, nullptr};
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
