#include "store/installer_shim.h"
#include "base/allocation.h"
#include "base/multibyte_text.h"
#include "base/file_path.h"
#include <cstdio>

namespace {
// Process-wide; once loaded the installer stays loaded until the process
// ends, so function addresses taken from it never dangle.
PlatModule installerLibrary = nullptr;
const InstallerFunctions* replacementFunctions = nullptr;
// Whether the missing-installer message was shown during this request.
int missingInstallerShown = 0;

const char installerName[] = "odbccp32.dll";
const char stubName[] = "odbccp32.bad";
const char errorCaption[] = "ODBC Installer Error";
// Stubs that some setups leave in the system directory are small and carry
// no version information; a real installer is larger.
enum : uint32_t { stubSizeLimit = 20000, maxPath = 260 };

template <typename F> F resolve(const char* name, F InstallerFunctions::*member) {
    if (replacementFunctions)
        return replacementFunctions->*member;
    return reinterpret_cast<F>(resolveInstallerFunction(name));
}

// Full name of the system directory's copy; 0 when it does not fit.
int systemCopyPath(char* path, size_t size, const char* fileName) {
    unsigned n = platSystemDirectory(path, maxPath + 1);
    return n != 0 && joinPath(path, size, path, n, fileName) ? 1 : 0;
}

// Moves a small system copy without version information out of the way,
// so that the library search does not end at it.
void setStubAside(const char* systemCopy) {
    uint32_t size = 0;
    if (platExistingFileSize(systemCopy, &size) != 0 || size >= stubSizeLimit)
        return;
    GetFileVersionInfoSizeFn getSize;
    GetFileVersionInfoFn getInfo;
    VerQueryValueFn query;
    PlatModule version = loadVersionFunctions(&getSize, &getInfo, &query);
    if (!version)
        return;
    uint32_t handle = 0;
    if (getSize(systemCopy, &handle) == 0) {
        char stubPath[maxPath + 2 + sizeof stubName];
        if (systemCopyPath(stubPath, sizeof stubPath, stubName))
            platMoveFileReplacing(systemCopy, stubPath);
    }
    platFreeLibrary(version);
}

// The fixed version record of file, read into a block owned by *block.
// 0 on success.
int readFixedVersion(const char* file, GetFileVersionInfoSizeFn getSize,
                     GetFileVersionInfoFn getInfo, VerQueryValueFn query, void** block,
                     FixedFileVersion* version) {
    uint32_t handle = 0;
    uint32_t size = getSize(file, &handle);
    if (size == 0)
        return 1;
    *block = rvAlloc(size);
    if (!*block || !getInfo(file, 0, size, *block))
        return 1;
    void* fixed = nullptr;
    unsigned length = 0;
    if (!query(*block, "\\", &fixed, &length) || !fixed || length < sizeof(FixedFileVersion))
        return 1;
    copyBytes(version, fixed, sizeof *version);
    return 0;
}

// Of the searched copy and the system copy, the one with the higher file
// version; the searched one on a tie or when a version cannot be read. The
// other one is freed.
PlatModule newerCopy(PlatModule searched, PlatModule system, const char* systemCopy) {
    GetFileVersionInfoSizeFn getSize;
    GetFileVersionInfoFn getInfo;
    VerQueryValueFn query;
    PlatModule version = loadVersionFunctions(&getSize, &getInfo, &query);
    if (!version) {
        platFreeLibrary(system);
        return searched;
    }
    PlatModule kept = searched;
    char searchedPath[maxPath + 1];
    void* searchedBlock = nullptr;
    void* systemBlock = nullptr;
    FixedFileVersion searchedVersion, systemVersion;
    if (platModuleFileName(searched, searchedPath, sizeof searchedPath) != 0 &&
        readFixedVersion(searchedPath, getSize, getInfo, query, &searchedBlock, &searchedVersion) ==
            0 &&
        readFixedVersion(systemCopy, getSize, getInfo, query, &systemBlock, &systemVersion) == 0 &&
        compareFileVersions(searchedVersion, systemVersion) == '<')
        kept = system;
    platFreeLibrary(kept == system ? searched : system);
    rvFree(searchedBlock);
    rvFree(systemBlock);
    platFreeLibrary(version);
    return kept;
}

void reportMissingInstaller() {
    platMessageBox(nullptr,
                   "The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system.",
                   errorCaption, platBoxOk | platBoxIconInformation);
}

void reportMissingFunction(const char* function) {
    char program[maxPath + 1] = "";
    char installer[maxPath + 1] = "";
    platModuleFileName(nullptr, program, sizeof program);
    platModuleFileName(installerLibrary, installer, sizeof installer);
    char text[200 + 3 * (maxPath + 1)];
    std::snprintf(text, sizeof text,
                  "The program %s, or one of its DLLs attempted to call the function %.64s which "
                  "is not supported in the loaded ODBC installer DLL (%s).  Press OK to proceed.",
                  program, function, installer);
    platMessageBox(nullptr, text, errorCaption, platBoxOk | platBoxIconInformation);
}
} // namespace

char compareFileVersions(const FixedFileVersion& a, const FixedFileVersion& b) {
    if (a.fileVersionMS != b.fileVersionMS)
        return a.fileVersionMS < b.fileVersionMS ? '<' : '>';
    if (a.fileVersionLS != b.fileVersionLS)
        return a.fileVersionLS < b.fileVersionLS ? '<' : '>';
    return '=';
}

PlatModule loadVersionFunctions(GetFileVersionInfoSizeFn* getSize, GetFileVersionInfoFn* getInfo,
                                VerQueryValueFn* query) {
    PlatModule version = platLoadLibrary("version.dll");
    if (!version)
        return nullptr;
    *getSize = reinterpret_cast<GetFileVersionInfoSizeFn>(
        platProcAddress(version, "GetFileVersionInfoSizeA"));
    *getInfo =
        reinterpret_cast<GetFileVersionInfoFn>(platProcAddress(version, "GetFileVersionInfoA"));
    *query = reinterpret_cast<VerQueryValueFn>(platProcAddress(version, "VerQueryValueA"));
    if (!*getSize || !*getInfo || !*query) {
        platFreeLibrary(version);
        return nullptr;
    }
    return version;
}

PlatModule loadInstallerLibrary() {
    char systemCopy[maxPath + 2 + sizeof installerName];
    int haveSystemCopy = systemCopyPath(systemCopy, sizeof systemCopy, installerName);
    if (haveSystemCopy)
        setStubAside(systemCopy);

    PlatModule searched = platLoadLibrary(installerName);
    PlatModule system = haveSystemCopy ? platLoadLibrary(systemCopy) : nullptr;
    if (!searched || !system)
        return searched ? searched : system;
    if (searched == system) {
        // The same file reached both ways: keep one reference.
        platFreeLibrary(system);
        return searched;
    }
    return newerCopy(searched, system, systemCopy);
}

void* resolveInstallerFunction(const char* name) {
    if (!installerLibrary)
        installerLibrary = loadInstallerLibrary();
    if (!installerLibrary) {
        // One request makes many installer calls; the administrator is told
        // once per request, not once per call.
        if (!missingInstallerShown)
            reportMissingInstaller();
        missingInstallerShown = 1;
        return nullptr;
    }
    void* function = platProcAddress(installerLibrary, name);
    if (!function)
        reportMissingFunction(name);
    return function;
}

void beginInstallerRequest() {
    missingInstallerShown = 0;
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

int16_t SQLInstallerError(uint16_t record, uint32_t* code, char* message, uint16_t capacity,
                          uint16_t* length) {
    auto f = resolve("SQLInstallerError", &InstallerFunctions::installerError);
    return f ? f(record, code, message, capacity, length) : installerErrorUnavailable;
}
