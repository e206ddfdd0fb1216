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

// The driver's ODBCINST.INI section under HKEY_LOCAL_MACHINE, where the
// installer keeps it (for a 32-bit tool, in the 32-bit view as its
// installer). Read and written in the registry: Wine 8's profile functions
// reach only HKEY_CURRENT_USER.
constexpr int keyCapacity = 64 + nameCapacity;
bool driverKeyName(const char* driver, wchar_t* key) {
    static const wchar_t prefix[] = L"SOFTWARE\\ODBC\\ODBCINST.INI\\";
    std::wmemcpy(key, prefix, ARRAYSIZE(prefix));
    return toWide(driver, key + ARRAYSIZE(prefix) - 1, nameCapacity);
}

bool readEntry(const wchar_t* key, const wchar_t* name, wchar_t* value) {
    DWORD size = valueCapacity * sizeof(wchar_t);
    return RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, value, &size) ==
           ERROR_SUCCESS;
}

DWORD readNumber(const wchar_t* key, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return 0;
    return value;
}

bool writeEntry(const wchar_t* key, const wchar_t* name, const wchar_t* value) {
    DWORD size = static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t));
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_SZ, value, size) == ERROR_SUCCESS;
}

bool deleteEntry(const wchar_t* key, const wchar_t* name) {
    LONG status = RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, name);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// A number of 0 is written as no entry.
bool writeNumber(const wchar_t* key, const wchar_t* name, DWORD value) {
    return value == 0 ? deleteEntry(key, name)
                      : RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &value,
                                        sizeof value) == ERROR_SUCCESS;
}

// Sets entry `to` to entry `from`, or removes it when there is no `from`.
bool copyEntry(const wchar_t* key, const wchar_t* from, const wchar_t* to) {
    static wchar_t value[valueCapacity];
    return readEntry(key, from, value) ? writeEntry(key, to, value) : deleteEntry(key, to);
}

// Prints Driver, Setup and HelpRootDirectory as stored; false when Setup
// does not name the setup library given.
bool reportDriverEntries(const wchar_t* key, const wchar_t* setupPath) {
    static const wchar_t* const names[] = {L"Driver", L"Setup", L"HelpRootDirectory"};
    bool setupStored = false;
    for (const wchar_t* name : names) {
        static wchar_t value[valueCapacity];
        static char text[3 * valueCapacity];
        char label[32];
        if (!readEntry(key, name, value) || !toUtf8(value, text, sizeof text) ||
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

// A driver registered by another installation (its Driver entry is not
// this setup library) keeps its registration: this library only replaces
// Setup and HelpRootDirectory. The entries it replaced are kept beside
// them, under the driver's own key where they go with the registration,
// together with how many of UsageCount's uses are this library's.
const wchar_t* const previousSetup = L"PreviousSetup";
const wchar_t* const previousHelpRoot = L"PreviousHelpRootDirectory";
const wchar_t* const setupUses = L"SetupUsageCount";

bool rememberEntries(const wchar_t* key) {
    return copyEntry(key, L"Setup", previousSetup) &&
           copyEntry(key, L"HelpRootDirectory", previousHelpRoot);
}

bool restoreEntries(const wchar_t* key) {
    return copyEntry(key, previousSetup, L"Setup") &&
           copyEntry(key, previousHelpRoot, L"HelpRootDirectory");
}

void forgetEntries(const wchar_t* key) {
    deleteEntry(key, previousSetup);
    deleteEntry(key, previousHelpRoot);
    deleteEntry(key, setupUses);
}

// Whether the registration belongs to another installation: it names a
// driver file other than setupFile, or this library took it over already.
bool registeredByOther(const wchar_t* key, const wchar_t* setupFile) {
    static wchar_t driver[valueCapacity];
    if (readNumber(key, setupUses) > 0)
        return true;
    if (!readEntry(key, L"Driver", driver))
        return false;
    const wchar_t* slash = std::wcsrchr(driver, L'\\');
    return lstrcmpiW(slash ? slash + 1 : driver, setupFile) != 0;
}

// Gives back one of this library's uses of a registration it took over:
// the last puts the remembered entries back first, so that a failure
// leaves Setup naming a library that is still there.
int releaseTakenUse(const char* driver, const wchar_t* key, DWORD uses) {
    static wchar_t name[nameCapacity];
    if (uses == 1 && !restoreEntries(key))
        return refused("the driver's earlier Setup entry can't be put back");
    DWORD usageCount = 0;
    if (!toWide(driver, name, nameCapacity) || !SQLRemoveDriverW(name, FALSE, &usageCount)) {
        complain("dsnconfig: the installer did not take back the use of driver \"%s\"\n", driver);
        printInstallerErrors();
        return 1;
    }
    if (uses > 1) {
        writeNumber(key, setupUses, uses - 1);
        say("driver \"%s\" is still in use (usage count %lu)\n", driver,
            static_cast<unsigned long>(usageCount));
        return stillInUse;
    }
    forgetEntries(key);
    say("gave driver \"%s\" its own Setup entry back; it stays registered (usage count %lu)\n",
        driver, static_cast<unsigned long>(usageCount));
    return 0;
}

// Gives back a use of the driver that the installer counted for a run that
// then failed, so that the count stays the number of installations holding
// the driver.
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

// Has the installer register a driver list (SQLInstallDriverExW), adding
// one to the driver's usage count; directory is put in front of the file
// names, or the system directory when it is null.
bool countUse(const char* driver, const DriverList& list, const wchar_t* directory) {
    static wchar_t wideList[maxDriverListBytes];
    wchar_t pathOut[MAX_PATH];
    WORD pathOutLength = 0;
    DWORD usageCount = 0;
    if (!toWideList(list.bytes, list.length, wideList, maxDriverListBytes) ||
        !SQLInstallDriverExW(wideList, directory, pathOut, MAX_PATH, &pathOutLength,
                             ODBC_INSTALL_COMPLETE, &usageCount)) {
        complain("dsnconfig: the installer did not register driver \"%s\"\n", driver);
        printInstallerErrors();
        return false;
    }
    say("registered driver \"%s\" (usage count %lu)\n", driver,
        static_cast<unsigned long>(usageCount));
    return true;
}

// Registers the driver as this setup library: Driver and Setup name it.
int registerOwn(const Command& command, const wchar_t* key, wchar_t* path, char* shown) {
    char message[messageCapacity];
    // Driver= and Setup= carry the file name; the installer puts the
    // directory given as the path in front of it.
    wchar_t* slash = std::wcsrchr(path, L'\\');
    char* shownSlash = std::strrchr(shown, '\\');
    DriverList list;
    *slash = L'\0';
    bool built = buildDriverList(command.driver, shownSlash + 1, command.helpRoot, &list, message);
    bool counted = built && countUse(command.driver, list, path);
    *slash = L'\\';
    if (!built)
        return refused(message);
    if (!counted)
        return 1;
    if (!reportDriverEntries(key, path)) {
        complain("dsnconfig: the driver's Setup entry does not name %s\n", shown);
        giveBackUse(command.driver);
        return 1;
    }
    return 0;
}

// Points the Setup entry of another installation's registration at this
// setup library and counts the use; its Driver entry stays.
int takeOver(const Command& command, const wchar_t* key, const wchar_t* path, const char* shown) {
    static wchar_t driverFile[valueCapacity];
    static wchar_t helpRoot[MAX_PATH];
    static char fileName[3 * valueCapacity];
    char message[messageCapacity];
    DWORD uses = readNumber(key, setupUses);
    DriverList list;
    readEntry(key, L"Driver", driverFile);
    wchar_t* slash = std::wcsrchr(driverFile, L'\\');
    if (!toUtf8(slash ? slash + 1 : driverFile, fileName, sizeof fileName) ||
        !buildUseList(command.driver, fileName, &list, message) ||
        (command.helpRoot && !toWide(command.helpRoot, helpRoot, MAX_PATH)))
        return refused("the driver's entries are too long");
    // What this library replaces is remembered, and its use recorded,
    // before the installer counts the use.
    if ((uses == 0 && !rememberEntries(key)) || !writeNumber(key, setupUses, uses + 1)) {
        if (uses == 0)
            forgetEntries(key);
        return refused("the driver's entries can't be remembered");
    }
    if (slash)
        *slash = L'\0';
    bool counted = countUse(command.driver, list, slash ? driverFile : nullptr);
    if (slash)
        *slash = L'\\';
    if (!counted) {
        if (uses == 0)
            forgetEntries(key);
        writeNumber(key, setupUses, uses);
        return 1;
    }
    // The installer writes Driver again from the file and the directory.
    bool written = writeEntry(key, L"Driver", driverFile) && writeEntry(key, L"Setup", path) &&
                   (!command.helpRoot || writeEntry(key, L"HelpRootDirectory", helpRoot));
    say("  (the driver is another installation's: only its Setup and HelpRootDirectory name this "
        "setup library until the last remove-driver)\n");
    if (!written || !reportDriverEntries(key, path)) {
        complain("dsnconfig: the driver's Setup entry does not name %s\n", shown);
        releaseTakenUse(command.driver, key, uses + 1);
        return 1;
    }
    return 0;
}

} // namespace

int installDriver(const Command& command) {
    static wchar_t path[MAX_PATH];
    static char shown[3 * MAX_PATH];
    static wchar_t key[keyCapacity];
    if (!resolveSetupPath(command.setupPath, path) || !toUtf8(path, shown, sizeof shown))
        return refused("the setup library's path is too long or can't be resolved");
    if (!driverKeyName(command.driver, key))
        return refused("the driver description is not UTF-8");
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        complain("dsnconfig: refused: no setup library at %s\n", shown);
        return 1;
    }
    if (!matchesToolArchitecture(path, shown))
        return 1;
    return registeredByOther(key, std::wcsrchr(path, L'\\') + 1)
               ? takeOver(command, key, path, shown)
               : registerOwn(command, key, path, shown);
}

int removeDriver(const Command& command) {
    static wchar_t setup[valueCapacity];
    static wchar_t key[keyCapacity];
    static wchar_t driver[nameCapacity];
    // Wine's installer reports success for a driver it never had; refuse
    // that here so that no installation takes it for its own last use.
    if (!driverKeyName(command.driver, key) || !readEntry(key, L"Setup", setup) ||
        !toWide(command.driver, driver, nameCapacity)) {
        complain("dsnconfig: driver \"%s\" is not registered\n", command.driver);
        return 1;
    }
    DWORD uses = readNumber(key, setupUses);
    if (uses > 0)
        return releaseTakenUse(command.driver, key, uses);
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
