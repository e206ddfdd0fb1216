// The resource library: the companion file that holds every dialog
// template, string and icon of the setup library.
#pragma once
#include "base/platform.h"

extern PlatModule resourceLibrary;
extern int32_t resourceLibraryUses;
extern int32_t characterMode; // -1 not known yet, 1 narrow, 0 wide

// Loads the resource library named after module (kwinf24s.dll looks for
// kwinf24R.DLL with replaceLastCharacter set, name.dll for nameR.DLL
// without), first beside module, then through the platform's search.
// 0 on success, 1 on failure (handle null, count unchanged).
int loadResourceLibrary(PlatModule module, int replaceLastCharacter, PlatModule* library,
                        int32_t* uses);
int releaseResourceLibrary(PlatModule* library, int32_t* uses);
int isNarrowCharacterSystem();
// The character mode of a platform version query (its result, major and
// minor version): 1 narrow, 0 wide.
int characterModeForVersion(int queryFailed, unsigned major, unsigned minor);

// Wide characters stored (terminator excluded); 0 and an empty string when
// the string is missing.
int loadResourceStringW(PlatModule instance, unsigned id, char16_t* buffer, int capacity);
enum { resourceStringCapacity = 512 };
int loadResourceString(char16_t* buffer, unsigned id); // buffer: 512 units
int loadResourceStringA(char* buffer, unsigned id);    // buffer: 512 bytes
PlatModule loadLibraryByName(const char* name);
