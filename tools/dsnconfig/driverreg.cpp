#include "driverreg.h"
#include "pefile.h"
#include "winstore.h"
#include <cstring>

namespace dsnconfig {

namespace {

int refused(const char* what) {
    complain("dsnconfig: refused: %s\n", what);
    return 1;
}

// The full path of the setup library that ships beside this program.
bool setupBesideTool(wchar_t* path, DWORD capacity) {
    DWORD length = GetModuleFileNameW(nullptr, path, capacity);
    if (length == 0 || length >= capacity)
        return false;
    wchar_t* slash = std::wcsrchr(path, L'\\');
    static const wchar_t name[] = L"qzifx06s.dll";
    if (!slash || static_cast<size_t>(slash + 1 - path) + ARRAYSIZE(name) > capacity)
        return false;
    std::wmemcpy(slash + 1, name, ARRAYSIZE(name));
    return true;
}

// The setup library's full path, from --setup or from the tool's own
// directory (MAX_PATH units).
bool resolveSetupPath(const char* given, wchar_t* path) {
    if (!given)
        return setupBesideTool(path, MAX_PATH);
    static wchar_t wide[MAX_PATH];
    if (!toWide(given, wide, MAX_PATH))
        return false;
    DWORD length = GetFullPathNameW(wide, MAX_PATH, path, nullptr);
    return length > 0 && length < MAX_PATH && std::wcsrchr(path, L'\\');
}

// The driver's ODBCINST.INI section, where the installer keeps it. Read
// from the registry: Wine 8's SQLGetPrivateProfileString looks only under
// HKEY_CURRENT_USER and never finds it.
bool driverKeyName(const char* driver, wchar_t* key) {
    static const wchar_t prefix[] = L"SOFTWARE\\ODBC\\ODBCINST.INI\\";
    std::wmemcpy(key, prefix, ARRAYSIZE(prefix));
    return toWide(driver, key + ARRAYSIZE(prefix) - 1, nameCapacity);
}

bool readDriverEntry(const char* driver, const wchar_t* name, wchar_t* value) {
    wchar_t key[64 + nameCapacity];
    DWORD size = valueCapacity * sizeof(wchar_t);
    return driverKeyName(driver, key) && RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ,
                                                      nullptr, value, &size) == ERROR_SUCCESS;
}

// Prints Driver, Setup and HelpRootDirectory as stored; false when Setup
// does not name the setup library given.
bool reportDriverEntries(const char* driver, const wchar_t* setupPath) {
    static const wchar_t* const names[] = {L"Driver", L"Setup", L"HelpRootDirectory"};
    bool setupStored = false;
    for (const wchar_t* name : names) {
        static wchar_t value[valueCapacity];
        static char text[3 * valueCapacity];
        char label[32];
        if (!readDriverEntry(driver, name, value) || !toUtf8(value, text, sizeof text) ||
            !toUtf8(name, label, sizeof label))
            continue;
        say("  %s = %s\n", label, text);
        if (std::wcscmp(name, L"Setup") == 0)
            setupStored = lstrcmpiW(value, setupPath) == 0;
    }
    return setupStored;
}

// Whether the file at path is a setup library this tool's architecture can
// load; says why not when it isn't.
bool matchesToolArchitecture(const wchar_t* path, const char* shown) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        complain("dsnconfig: refused: can't read %s\n", shown);
        return false;
    }
    static unsigned char header[peHeaderBytes];
    DWORD size = 0;
    BOOL read = ReadFile(file, header, sizeof header, &size, nullptr);
    CloseHandle(file);
    uint16_t machine = 0;
    if (!read || !peMachine(header, size, &machine)) {
        complain("dsnconfig: refused: %s is not a Windows library\n", shown);
        return false;
    }
    if (machine != toolMachine()) {
        complain("dsnconfig: refused: %s is a %s library; this dsnconfig registers %s ones "
                 "(the architecture of its ODBC installer)\n",
                 shown, machineName(machine), machineName(toolMachine()));
        return false;
    }
    return true;
}

// Gives back a use of the driver that the installer counted for a run
// that then failed, so that the count stays the number of installations
// holding the driver.
void giveBackUse(const char* driver) {
    static wchar_t name[nameCapacity];
    DWORD usageCount = 0;
    if (toWide(driver, name, nameCapacity) && SQLRemoveDriverW(name, FALSE, &usageCount)) {
        complain("dsnconfig: gave back the use of driver \"%s\" (usage count %lu)\n", driver,
                 static_cast<unsigned long>(usageCount));
        return;
    }
    complain("dsnconfig: the installer did not take back the use of driver \"%s\"\n", driver);
    printInstallerErrors();
}

} // namespace

int installDriver(const Command& command) {
    static wchar_t path[MAX_PATH];
    static char shown[3 * MAX_PATH];
    char message[messageCapacity];
    if (!resolveSetupPath(command.setupPath, path) || !toUtf8(path, shown, sizeof shown))
        return refused("the setup library's path is too long or can't be resolved");
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        complain("dsnconfig: refused: no setup library at %s\n", shown);
        return 1;
    }
    if (!matchesToolArchitecture(path, shown))
        return 1;
    // Driver= and Setup= carry the file name; the installer puts the
    // directory given as the path in front of it.
    char* slash = std::strrchr(shown, '\\');
    *slash = '\0';
    DriverList list;
    static wchar_t wideList[maxDriverListBytes];
    static wchar_t directory[MAX_PATH];
    if (!buildDriverList(command.driver, slash + 1, command.helpRoot, &list, message))
        return refused(message);
    if (!toWideList(list.bytes, list.length, wideList, maxDriverListBytes) ||
        !toWide(shown, directory, MAX_PATH))
        return refused("the driver's entries are not UTF-8");
    *slash = '\\';
    wchar_t pathOut[MAX_PATH];
    WORD pathOutLength = 0;
    DWORD usageCount = 0;
    if (!SQLInstallDriverExW(wideList, directory, pathOut, MAX_PATH, &pathOutLength,
                             ODBC_INSTALL_COMPLETE, &usageCount)) {
        complain("dsnconfig: the installer did not register driver \"%s\"\n", command.driver);
        printInstallerErrors();
        return 1;
    }
    say("registered driver \"%s\" (usage count %lu)\n", command.driver,
        static_cast<unsigned long>(usageCount));
    if (!reportDriverEntries(command.driver, path)) {
        complain("dsnconfig: the driver's Setup entry does not name %s\n", shown);
        giveBackUse(command.driver);
        return 1;
    }
    return 0;
}

int removeDriver(const Command& command) {
    // Wine's installer reports success for a driver it never had; refuse
    // that here so that no installation takes it for its own last use.
    static wchar_t setup[valueCapacity];
    static wchar_t driver[nameCapacity];
    if (!readDriverEntry(command.driver, L"Setup", setup) ||
        !toWide(command.driver, driver, nameCapacity)) {
        complain("dsnconfig: driver \"%s\" is not registered\n", command.driver);
        return 1;
    }
    DWORD usageCount = 0;
    // Data sources stay: they are the users', and a later install of the
    // driver serves them again.
    if (!SQLRemoveDriverW(driver, FALSE, &usageCount)) {
        complain("dsnconfig: the installer did not remove driver \"%s\"\n", command.driver);
        printInstallerErrors();
        return 1;
    }
    if (usageCount > 0) {
        say("driver \"%s\" is still in use (usage count %lu)\n", command.driver,
            static_cast<unsigned long>(usageCount));
        return stillInUse;
    }
    say("unregistered driver \"%s\"; its data sources are kept\n", command.driver);
    return 0;
}

} // namespace dsnconfig
