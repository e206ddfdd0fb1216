#include "store/registry.h"
#include "base/per_thread.h"
#include "base/multibyte_text.h"
#include "base/file_path.h"
#include "base/resource_library.h"

namespace {
typedef int(PLAT_STDCALL* GetProfileStringFunction)(const char* section, const char* key,
                                                    const char* defaultValue, char* buffer,
                                                    int size, const char* file);

struct ProfileRow {
    PlatKey root;
    const char* keyPrefix; // the file's sections are keys under it
};
// Rows in the order of profileNames; ODBC.INI must stay first.
const ProfileRow profileRows[] = {
    {platKeyCurrentUser, "SOFTWARE\\ODBC\\ODBC.INI\\"},
    {platKeyLocalMachine, "SOFTWARE\\ODBC\\ODBCINST.INI\\"},
    {platKeyCurrentUser, "Control Panel\\"},
};
// The rows' file names, one blank between. A file is looked up as a piece
// of this text, which is why a leading part of a name ("ODBC") selects the
// row while a piece from the middle ("INST.INI") selects none.
const char profileNames[] = "ODBC.INI ODBCINST.INI CONTROL.INI";

// A key path is the prefix and the section name, at most 511 characters.
// The value buffer and the name list hold 2048 bytes.
enum { keyPathBytes = 512, listBytes = 2048 };

// The installer library bound for profile reads and its profile function
// (null when the library lacks it), both guarded by profileLock.
PlatModule profileInstaller = nullptr;
GetProfileStringFunction installerGetString = nullptr;

// Copies the first length bytes of text (at most size - 1) into buffer
// with a terminator; returns the bytes stored before it.
int storeText(char* buffer, int size, const char* text, uint32_t length) {
    uint32_t n =
        length < static_cast<uint32_t>(size - 1) ? length : static_cast<uint32_t>(size - 1);
    copyBytes(buffer, text, n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

int storeDefault(char* buffer, int size, const char* defaultValue) {
    return storeText(buffer, size, defaultValue, static_cast<uint32_t>(textLength(defaultValue)));
}

// Joins prefix and section into path; a path that would not fit is
// refused rather than cut, so that a cut name never opens another key.
bool joinKeyPath(char* path, const char* prefix, const char* section) {
    size_t prefixLength = textLength(prefix), sectionLength = textLength(section);
    if (prefixLength + sectionLength >= keyPathBytes)
        return false;
    copyBytes(path, prefix, prefixLength);
    copyBytes(path + prefixLength, section, sectionLength + 1);
    return true;
}

// Lists the value names (values set) or sub-key names of key into list,
// which holds listBytes zero bytes on entry. Returns 1 when the list was
// stopped because the next name would not fit, 0 when every name is in.
int listNames(PlatRegKey key, bool values, char* list, uint32_t* used) {
    for (uint32_t index = 0;; ++index) {
        uint32_t room = listBytes - *used, nameLength = 0, dataLength = 0;
        char* name = list + *used;
        int found = values ? platRegEnumValue(key, index, name, room, &nameLength, &dataLength)
                           : platRegEnumKey(key, index, name, room, &nameLength);
        if (found == platRegTooLarge)
            return 1;
        if (found != platRegOk)
            return 0;
        // A key's unnamed default value is no profile entry, and an empty
        // name in the list would end it for every reader.
        if (nameLength == 0)
            continue;
        // Room for the name, its NUL and the final NUL; a value's data is
        // counted too.
        uint64_t needed = values ? uint64_t(nameLength) + dataLength + *used + 2
                                 : uint64_t(nameLength) + *used + 1;
        if (needed >= listBytes)
            return 1;
        *used += nameLength + 1;
    }
}

int readRegistryList(PlatKey root, const char* path, bool values, const char* defaultValue,
                     char* buffer, int size) {
    PlatRegKey key = nullptr;
    if (platRegOpenKey(root, path, &key) != platRegOk)
        return storeDefault(buffer, size, defaultValue);
    char list[listBytes];
    zeroBytes(list, sizeof list);
    uint32_t used = 0;
    int stopped = listNames(key, values, list, &used);
    platRegCloseKey(key);

    if (stopped) {
        // Only whole names that passed the rule stay; the rest is NUL, so
        // the list always ends with two NULs.
        zeroBytes(list + used, listBytes - used);
        uint32_t n = static_cast<uint32_t>(size) < listBytes ? static_cast<uint32_t>(size)
                                                             : uint32_t(listBytes);
        copyBytes(buffer, list, n);
        buffer[n - 2] = 0;
        buffer[n - 1] = 0;
        return static_cast<int>(n - 2);
    }
    if (used == 0)
        return storeDefault(buffer, size, defaultValue);
    uint32_t total = used + 1; // the final NUL is already there
    if (static_cast<uint32_t>(size) >= total) {
        copyBytes(buffer, list, total);
        return static_cast<int>(total - 1);
    }
    copyBytes(buffer, list, static_cast<uint32_t>(size));
    buffer[size - 2] = 0;
    buffer[size - 1] = 0;
    return size - 2;
}

int readRegistry(PlatKey root, const char* prefix, const char* section, const char* key,
                 const char* defaultValue, char* buffer, int size) {
    bool hasSection = section && *section;
    char path[keyPathBytes];
    if (!joinKeyPath(path, prefix, hasSection ? section : ""))
        return storeDefault(buffer, size, defaultValue);
    if (!hasSection)
        return readRegistryList(root, path, false, defaultValue, buffer, size);
    if (!key || !*key)
        return readRegistryList(root, path, true, defaultValue, buffer, size);

    PlatRegKey opened = nullptr;
    if (platRegOpenKey(root, path, &opened) != platRegOk)
        return storeDefault(buffer, size, defaultValue);
    char data[listBytes];
    uint32_t bytes = sizeof data;
    int found = platRegQueryValue(opened, key, data, &bytes);
    platRegCloseKey(opened);
    if (found != platRegOk)
        return storeDefault(buffer, size, defaultValue);
    // Registry text need not carry its terminator; the data ends at the
    // first NUL or at its stored length.
    uint32_t length = 0;
    while (length < bytes && data[length])
        ++length;
    return storeText(buffer, size, data, length);
}
} // namespace

RvCriticalSection profileLock;

bool readRegistryText(PlatKey root, const char* prefix, const char* name, const char* valueName,
                      char* value, uint32_t capacity) {
    char path[keyPathBytes];
    PlatRegKey key = nullptr;
    if (!joinKeyPath(path, prefix, name) || platRegOpenKey(root, path, &key) != platRegOk)
        return false;
    uint32_t size = capacity;
    bool found = platRegQueryText(key, valueName, value, &size) == platRegOk &&
                 endRegistryText(value, size, capacity);
    platRegCloseKey(key);
    return found;
}

bool endRegistryText(char* data, uint32_t size, uint32_t capacity) {
    if (size > 0 && data[size - 1] == 0)
        return true;
    if (size >= capacity)
        return false;
    data[size] = 0;
    return true;
}

int locateProfileKey(const char* profileFile, PlatKey* root, char* keyPrefix) {
    if (!profileFile || !*profileFile)
        return profileNotKnown;
    const char* base = pathFileName(profileFile);
    // An empty base name (a path ending in a separator) finds nothing.
    const char* at = findText(profileNames, base, encodingAnsi);
    if (!at || (at != profileNames && at[-1] != ' '))
        return profileNotKnown;
    int row = 0;
    for (const char* p = profileNames; p < at; ++p)
        row += *p == ' ';
    if (root)
        *root = profileRows[row].root;
    if (keyPrefix)
        copyTruncated(keyPrefix, profileKeyPrefixCapacity, profileRows[row].keyPrefix);
    return row == 0 ? profileOfInstaller : profileInRegistry;
}

void bindInstallerProfileFunctions() {
    profileLock.enter();
    if (!profileInstaller) {
        profileInstaller = loadLibraryByName("odbccp32.dll");
        if (profileInstaller)
            installerGetString = reinterpret_cast<GetProfileStringFunction>(
                platProcAddress(profileInstaller, "SQLGetPrivateProfileString"));
    }
    profileLock.leave();
}

void unbindInstallerProfileFunctions() {
    profileLock.enter();
    if (profileInstaller) {
        platFreeLibrary(profileInstaller);
        profileInstaller = nullptr;
        installerGetString = nullptr;
    }
    profileLock.leave();
}

int readProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                      int size, const char* profileFile) {
    if (!buffer || size <= 0)
        return 0;
    if (size < 2) {
        buffer[0] = 0;
        return 0;
    }
    // The installer does not accept a null default; treat it as empty.
    if (!defaultValue)
        defaultValue = "";
    PlatKey root = platKeyCurrentUser;
    char prefix[profileKeyPrefixCapacity];
    int row = locateProfileKey(profileFile, &root, prefix);
    if (row == profileNotKnown)
        return static_cast<int>(platGetPrivateProfileString(
            section, key, defaultValue, buffer, static_cast<uint32_t>(size), profileFile));
    if (row == profileOfInstaller) {
        bindInstallerProfileFunctions();
        GetProfileStringFunction getString = installerGetString;
        // The installer knows the file by its plain name only, whatever
        // path the caller gave.
        if (getString)
            return getString(section, key, defaultValue, buffer, size, "ODBC.INI");
    }
    return readRegistry(root, prefix, section, key, defaultValue, buffer, size);
}
