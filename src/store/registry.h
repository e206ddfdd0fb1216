// Access to the ODBC profiles (ODBC.INI, ODBCINST.INI, CONTROL.INI) and
// their registry form. ODBC.INI belongs to the ODBC installer and is read
// through it; the other two are read straight from the registry; any other
// file goes to the platform's profile function.
#pragma once
#include "base/platform.h"

class RvCriticalSection;
// Guards the binding of the installer for profile reads.
extern RvCriticalSection profileLock;

// Reads one entry, the entry names of one section (key null or empty) or
// the section names (section null or empty) of profileFile, with the
// conventions of GetPrivateProfileStringA: size is the capacity of buffer
// in bytes; the result is the number of bytes stored without the final
// NUL; a name list is NUL-separated and ends with an extra NUL; a list cut
// to fit returns size - 2. A buffer of fewer than 2 bytes is refused (an
// empty string when it has 1).
// Ends registry text of size bytes, read into capacity bytes, with its
// terminator (registry text need not carry one). False when the text would
// not fit whole: a cut name or command names something else.
bool endRegistryText(char* data, uint32_t size, uint32_t capacity);

// Reads the text value valueName of the key root\prefix name into value
// (capacity bytes, terminator included): true when the key and value
// exist, the value is text and it fits whole. A key path that would not
// fit is refused rather than cut, so that it never opens another key.
bool readRegistryText(PlatKey root, const char* prefix, const char* name, const char* valueName,
                      char* value, uint32_t capacity);

int readProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                      int size, const char* profileFile);

// Results of locateProfileKey.
enum {
    profileInRegistry = 0,  // a registry-backed row
    profileNotKnown = 1,    // not in the table
    profileOfInstaller = 2, // ODBC.INI
};
// Room for any row's key prefix, terminator included.
enum { profileKeyPrefixCapacity = 32 };
// Finds the row of profileFile (by its base name, letter case significant;
// a leading part of a row's name selects that row, so a bare "ODBC"
// selects ODBC.INI). For a known row stores its root and copies its key
// prefix into keyPrefix (profileKeyPrefixCapacity bytes).
int locateProfileKey(const char* profileFile, PlatKey* root, char* keyPrefix);

// Binds the installer's SQLGetPrivateProfileString on first need; a
// library that cannot be loaded is tried again on the next call.
void bindInstallerProfileFunctions();
// Releases the installer library bound for profile reads, if any.
void unbindInstallerProfileFunctions();
