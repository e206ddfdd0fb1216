#include "instshim.h"

namespace {
// Process-wide; once loaded the installer stays loaded until the process
// ends, so function addresses taken from it never dangle.
PlatModule installerLibrary = nullptr;
const InstallerFunctions* replacementFunctions = nullptr;

template <typename F> F resolve(const char* name, F InstallerFunctions::*member) {
    if (replacementFunctions)
        return replacementFunctions->*member;
    return reinterpret_cast<F>(resolveInstallerFunction(name));
}
} // namespace

PlatModule loadInstallerLibrary() {
    return platLoadLibrary("odbccp32.dll");
}

void* resolveInstallerFunction(const char* name) {
    if (!installerLibrary)
        installerLibrary = loadInstallerLibrary();
    if (!installerLibrary)
        return nullptr;
    return platProcAddress(installerLibrary, name);
}

void setInstallerFunctionsForTesting(const InstallerFunctions* replacement) {
    replacementFunctions = replacement;
}

int SQLValidDSN(const char* name) {
    auto f = resolve("SQLValidDSN", &InstallerFunctions::validDSN);
    return f ? f(name) : 0;
}

int SQLWriteDSNToIni(const char* name, const char* driver) {
    auto f = resolve("SQLWriteDSNToIni", &InstallerFunctions::writeDSNToIni);
    return f ? f(name, driver) : 0;
}

int SQLRemoveDSNFromIni(const char* name) {
    auto f = resolve("SQLRemoveDSNFromIni", &InstallerFunctions::removeDSNFromIni);
    return f ? f(name) : 0;
}

int SQLGetTranslator(void* window, char* name, uint16_t nameCapacity, uint16_t* nameLength,
                     char* path, uint16_t pathCapacity, uint16_t* pathLength, uint32_t* option) {
    auto f = resolve("SQLGetTranslator", &InstallerFunctions::getTranslator);
    return f ? f(window, name, nameCapacity, nameLength, path, pathCapacity, pathLength, option)
             : 0;
}

int SQLWritePrivateProfileString(const char* section, const char* entry, const char* text,
                                 const char* file) {
    auto f =
        resolve("SQLWritePrivateProfileString", &InstallerFunctions::writePrivateProfileString);
    return f ? f(section, entry, text, file) : 0;
}

int SQLGetPrivateProfileString(const char* section, const char* entry, const char* defaultText,
                               char* buffer, int size, const char* file) {
    auto f = resolve("SQLGetPrivateProfileString", &InstallerFunctions::getPrivateProfileString);
    return f ? f(section, entry, defaultText, buffer, size, file) : 0;
}
