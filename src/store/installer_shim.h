// The ODBC installer library (odbccp32), bound at run time. Each wrapper
// has the name and arguments of the installer function it stands for and
// returns that function's result, or 0 (FALSE, or 0 bytes) when the
// function cannot be had.
#pragma once
#include "base/platform.h"

// The installer entry points the setup library calls, narrow forms.
struct InstallerFunctions {
    int(PLAT_STDCALL* validDSN)(const char* name);
    int(PLAT_STDCALL* writeDSNToIni)(const char* name, const char* driver);
    int(PLAT_STDCALL* removeDSNFromIni)(const char* name);
    int(PLAT_STDCALL* getTranslator)(void* window, char* name, uint16_t nameCapacity,
                                     uint16_t* nameLength, char* path, uint16_t pathCapacity,
                                     uint16_t* pathLength, uint32_t* option);
    int(PLAT_STDCALL* writePrivateProfileString)(const char* section, const char* entry,
                                                 const char* text, const char* file);
    int(PLAT_STDCALL* getPrivateProfileString)(const char* section, const char* entry,
                                               const char* defaultText, char* buffer, int size,
                                               const char* file);
    int16_t(PLAT_STDCALL* installerError)(uint16_t record, uint32_t* code, char* message,
                                          uint16_t capacity, uint16_t* length);
};

int SQLValidDSN(const char* name);
int SQLWriteDSNToIni(const char* name, const char* driver);
int SQLRemoveDSNFromIni(const char* name);
int SQLGetTranslator(void* window, char* name, uint16_t nameCapacity, uint16_t* nameLength,
                     char* path, uint16_t pathCapacity, uint16_t* pathLength, uint32_t* option);
int SQLWritePrivateProfileString(const char* section, const char* entry, const char* text,
                                 const char* file);
int SQLGetPrivateProfileString(const char* section, const char* entry, const char* defaultText,
                               char* buffer, int size, const char* file);
// Record record (from 1) of the installer's errors of its last call: the
// installer's SQL_SUCCESS (0), SQL_SUCCESS_WITH_INFO (1, message cut) or
// SQL_NO_DATA (100), and installerErrorUnavailable when the function
// cannot be had.
constexpr int16_t installerErrorUnavailable = -1;
int16_t SQLInstallerError(uint16_t record, uint32_t* code, char* message, uint16_t capacity,
                          uint16_t* length);

// The address of the named function in the installer library, loading the
// library on first need; null when the library or the function is missing.
// A library that cannot be loaded is tried again on the next call.
void* resolveInstallerFunction(const char* name);
// Starts a request: a missing installer is reported again, once, to the
// first call of the request that needs it.
void beginInstallerRequest();

// A module handle of the installer library, or null: the copy the library
// search finds or the system directory's copy, whichever has the higher
// file version (the search's on a tie or when versions cannot be read),
// after a known-bad stub in the system directory has been moved aside.
PlatModule loadInstallerLibrary();

// The version library's three functions.
typedef uint32_t(PLAT_STDCALL* GetFileVersionInfoSizeFn)(const char* file, uint32_t* handle);
typedef int(PLAT_STDCALL* GetFileVersionInfoFn)(const char* file, uint32_t handle, uint32_t size,
                                                void* data);
typedef int(PLAT_STDCALL* VerQueryValueFn)(const void* block, const char* subBlock, void** buffer,
                                           unsigned* length);
// Loads "version.dll" and its three functions; the library's handle, or
// null (nothing left loaded) when the library or a function is missing.
PlatModule loadVersionFunctions(GetFileVersionInfoSizeFn* getSize, GetFileVersionInfoFn* getInfo,
                                VerQueryValueFn* query);

// The fixed file-version record of a version resource (VS_FIXEDFILEINFO).
struct FixedFileVersion {
    uint32_t signature;
    uint32_t structureVersion;
    uint32_t fileVersionMS;
    uint32_t fileVersionLS;
    uint32_t productVersionMS;
    uint32_t productVersionLS;
    uint32_t fileFlagsMask;
    uint32_t fileFlags;
    uint32_t fileOS;
    uint32_t fileType;
    uint32_t fileSubtype;
    uint32_t fileDateMS;
    uint32_t fileDateLS;
};
// '<', '=' or '>': a's file version against b's, most significant half
// first.
char compareFileVersions(const FixedFileVersion& a, const FixedFileVersion& b);

// Test hook: calls go to replacement's functions (a null entry behaves as
// a missing function) instead of the installer library; null restores the
// library.
void setInstallerFunctionsForTesting(const InstallerFunctions* replacement);
