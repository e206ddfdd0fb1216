// dsnconfig: the administrator's command-line client of the ODBC installer
// for the Informix driver. It registers the driver and adds, configures,
// removes and shows its data sources through the installer's own entry
// points, so the installer loads the setup library and calls ConfigDSN
// exactly as the ODBC administrator would.
#include "cmdline.h"
#include "keywords.h"
#include "pefile.h"
#include <windows.h>
#include <odbcinst.h>
#include <cstdio>
#include <cstring>

using namespace dsnconfig;

namespace {

// Values the setup library writes are at most 254 bytes; a key list holds
// a few dozen names.
constexpr int valueCapacity = 1024;
constexpr int keyListCapacity = 8192;

// Prints what the installer recorded about its last failure. It keeps at
// most eight records, numbered from 1.
void printInstallerErrors() {
    bool any = false;
    for (WORD record = 1; record <= 8; ++record) {
        DWORD code = 0;
        char text[SQL_MAX_MESSAGE_LENGTH];
        WORD length = 0;
        RETCODE status = SQLInstallerError(record, &code, text, sizeof text, &length);
        if (status != SQL_SUCCESS && status != SQL_SUCCESS_WITH_INFO)
            break;
        std::fprintf(stderr, "  installer error %lu: %s\n", static_cast<unsigned long>(code), text);
        any = true;
    }
    if (!any)
        std::fprintf(stderr, "  the installer gave no reason\n");
}

int refused(const char* what) {
    std::fprintf(stderr, "dsnconfig: refused: %s\n", what);
    return 1;
}

// The full path of the setup library that ships beside this program.
bool setupBesideTool(char* path, DWORD capacity) {
    DWORD length = GetModuleFileNameA(nullptr, path, capacity);
    if (length == 0 || length >= capacity)
        return false;
    char* slash = std::strrchr(path, '\\');
    if (!slash)
        return false;
    static const char name[] = "qzifx06s.dll";
    if (static_cast<size_t>(slash + 1 - path) + sizeof name > capacity)
        return false;
    std::memcpy(slash + 1, name, sizeof name);
    return true;
}

// The setup library's full path, from --setup or from the tool's own
// directory, split into directory and file name at its last backslash.
bool resolveSetupPath(const char* given, char* path, const char** fileName) {
    if (given) {
        DWORD length = GetFullPathNameA(given, MAX_PATH, path, nullptr);
        if (length == 0 || length >= MAX_PATH)
            return false;
    } else if (!setupBesideTool(path, MAX_PATH)) {
        return false;
    }
    char* slash = std::strrchr(path, '\\');
    if (!slash)
        return false;
    *slash = '\0';
    *fileName = slash + 1;
    return true;
}

// Reads one value of a registry key given as root and path; false when it
// is missing or does not fit.
bool readRegistryText(HKEY root, const char* key, const char* name, char* value, DWORD capacity) {
    DWORD size = capacity;
    return RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS;
}

// An entry of the driver's ODBCINST.INI section. Read from the registry
// form, where the installer keeps it: Wine 8's SQLGetPrivateProfileString
// looks only under HKEY_CURRENT_USER and never finds it.
bool readDriverEntry(const char* driver, const char* name, char* value, DWORD capacity) {
    char key[64 + maxNameBytes];
    std::snprintf(key, sizeof key, "SOFTWARE\\ODBC\\ODBCINST.INI\\%s", driver);
    return readRegistryText(HKEY_LOCAL_MACHINE, key, name, value, capacity);
}

// Prints Driver, Setup and HelpRootDirectory as stored; false when Setup
// does not name the setup library given.
bool reportDriverEntries(const char* driver, const char* setupPath) {
    static const char* const names[] = {"Driver", "Setup", "HelpRootDirectory"};
    bool setupStored = false;
    for (const char* name : names) {
        char value[valueCapacity];
        if (!readDriverEntry(driver, name, value, sizeof value))
            continue;
        std::printf("  %s = %s\n", name, value);
        if (std::strcmp(name, "Setup") == 0)
            setupStored = lstrcmpiA(value, setupPath) == 0;
    }
    return setupStored;
}

// Whether the file at path is a setup library this tool's architecture can
// load; says why not when it isn't.
bool matchesToolArchitecture(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "dsnconfig: refused: can't read %s\n", path);
        return false;
    }
    static unsigned char header[peHeaderBytes];
    DWORD size = 0;
    BOOL read = ReadFile(file, header, sizeof header, &size, nullptr);
    CloseHandle(file);
    uint16_t machine = 0;
    if (!read || !peMachine(header, size, &machine)) {
        std::fprintf(stderr, "dsnconfig: refused: %s is not a Windows library\n", path);
        return false;
    }
    if (machine != toolMachine()) {
        std::fprintf(stderr,
                     "dsnconfig: refused: %s is a %s library; this dsnconfig registers %s ones "
                     "(the architecture of its ODBC installer)\n",
                     path, machineName(machine), machineName(toolMachine()));
        return false;
    }
    return true;
}

int installDriver(const Command& command) {
    char path[MAX_PATH];
    const char* fileName = nullptr;
    char message[messageCapacity];
    if (!resolveSetupPath(command.setupPath, path, &fileName))
        return refused("the setup library's path is too long or can't be resolved");
    char fullPath[MAX_PATH];
    std::snprintf(fullPath, sizeof fullPath, "%s\\%s", path, fileName);
    DWORD attributes = GetFileAttributesA(fullPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "dsnconfig: refused: no setup library at %s\n", fullPath);
        return 1;
    }
    if (!matchesToolArchitecture(fullPath))
        return 1;
    // Driver= and Setup= carry the file name; the installer puts the
    // directory given as the path in front of it.
    DriverList list;
    if (!buildDriverList(command.driver, fileName, command.helpRoot, &list, message))
        return refused(message);
    char pathOut[MAX_PATH];
    WORD pathOutLength = 0;
    DWORD usageCount = 0;
    if (!SQLInstallDriverEx(list.bytes, path, pathOut, sizeof pathOut, &pathOutLength,
                            ODBC_INSTALL_COMPLETE, &usageCount)) {
        std::fprintf(stderr, "dsnconfig: the installer did not register driver \"%s\"\n",
                     command.driver);
        printInstallerErrors();
        return 1;
    }
    std::printf("registered driver \"%s\" (usage count %lu)\n", command.driver,
                static_cast<unsigned long>(usageCount));
    if (!reportDriverEntries(command.driver, fullPath)) {
        std::fprintf(stderr, "dsnconfig: the driver's Setup entry does not name %s\n", fullPath);
        return 1;
    }
    return 0;
}

// Exit status of remove-driver when other installations still use the
// driver: the caller keeps the files.
constexpr int stillInUse = 3;

int removeDriver(const Command& command) {
    // Wine's installer reports success for a driver it never had; refuse
    // that here so that no installation takes it for its own last use.
    char setup[valueCapacity];
    if (!readDriverEntry(command.driver, "Setup", setup, sizeof setup)) {
        std::fprintf(stderr, "dsnconfig: driver \"%s\" is not registered\n", command.driver);
        return 1;
    }
    DWORD usageCount = 0;
    // Data sources stay: they are the users', and a later install of the
    // driver serves them again.
    if (!SQLRemoveDriver(command.driver, FALSE, &usageCount)) {
        std::fprintf(stderr, "dsnconfig: the installer did not remove driver \"%s\"\n",
                     command.driver);
        printInstallerErrors();
        return 1;
    }
    if (usageCount > 0) {
        std::printf("driver \"%s\" is still in use (usage count %lu)\n", command.driver,
                    static_cast<unsigned long>(usageCount));
        return stillInUse;
    }
    std::printf("unregistered driver \"%s\"; its data sources are kept\n", command.driver);
    return 0;
}

int configureDataSource(const Command& command) {
    WORD request = ODBC_ADD_DSN;
    const char* done = "added";
    if (command.kind == CommandKind::configure) {
        request = ODBC_CONFIG_DSN;
        done = "configured";
    } else if (command.kind == CommandKind::remove) {
        request = ODBC_REMOVE_DSN;
        done = "removed";
    }
    // With a window the installer has the setup library show its dialog;
    // the desktop stands for "no owner" in a console program.
    HWND window = command.dialog ? GetDesktopWindow() : nullptr;
    if (!SQLConfigDataSource(window, request, command.driver, command.attributes.bytes)) {
        std::fprintf(stderr, "dsnconfig: the request for data source \"%s\" was %s\n",
                     command.dataSource, command.dialog ? "cancelled or refused" : "refused");
        printInstallerErrors();
        return 1;
    }
    std::printf("%s data source \"%s\"\n", done, command.dataSource);
    return 0;
}

// Whether name occurs in a NUL-separated key list, regardless of case (the
// registry's rule for value names).
bool listHas(const char* keys, const char* name) {
    for (const char* key = keys; *key; key += std::strlen(key) + 1) {
        if (lstrcmpiA(key, name) == 0)
            return true;
    }
    return false;
}

// Reads the key names of an ODBC.INI section; false when the list might not
// have fit.
bool readKeyList(const char* section, char* keys, int capacity) {
    int length = SQLGetPrivateProfileString(section, nullptr, "", keys, capacity, "ODBC.INI");
    if (length >= capacity - MAX_PATH)
        return false;
    keys[length > 0 ? length : 0] = '\0';
    return true;
}

// Data sources are registered in "ODBC Data Sources": user data sources
// under HKEY_CURRENT_USER, system ones under HKEY_LOCAL_MACHINE (where
// Wine 8's SQLWriteDSNToIni puts every data source). Read from the
// registry form because Wine 8's SQLGetPrivateProfileString sees only the
// user side.
const char* const dataSourcesKey = "SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources";

struct Scope {
    HKEY root;
    const char* name;
};
const Scope scopes[] = {{HKEY_CURRENT_USER, "user"}, {HKEY_LOCAL_MACHINE, "system"}};

// The driver description a data source is registered with, and its scope.
const Scope* findRegistration(const char* dataSource, char* driver, DWORD capacity) {
    for (const Scope& scope : scopes) {
        if (readRegistryText(scope.root, dataSourcesKey, dataSource, driver, capacity))
            return &scope;
    }
    return nullptr;
}

int show(const Command& command) {
    char driver[valueCapacity];
    // Values left over from a removal don't make a data source: Wine 8's
    // SQLRemoveDSNFromIni keeps the user-side values.
    const Scope* scope = findRegistration(command.dataSource, driver, sizeof driver);
    if (!scope) {
        std::fprintf(stderr, "dsnconfig: no data source \"%s\"\n", command.dataSource);
        return 1;
    }
    static char keys[keyListCapacity];
    if (!readKeyList(command.dataSource, keys, keyListCapacity))
        return refused("the data source has too many keys to list");
    std::printf("[%s] %s data source of driver \"%s\"\n", command.dataSource, scope->name, driver);
    for (size_t i = 0; i < storedKeyCount(); ++i) {
        const char* key = storedKey(i);
        if (!listHas(keys, key))
            continue;
        char value[valueCapacity];
        SQLGetPrivateProfileString(command.dataSource, key, "", value, sizeof value, "ODBC.INI");
        std::printf("  %s = %s\n", key, value);
    }
    return 0;
}

// Prints the data sources of one scope registered with the driver.
int listScope(const Scope& scope, const char* driver) {
    HKEY key;
    if (RegOpenKeyExA(scope.root, dataSourcesKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    int shown = 0;
    for (DWORD index = 0;; ++index) {
        char name[maxNameBytes + 1];
        DWORD nameLength = sizeof name;
        BYTE value[valueCapacity];
        DWORD valueSize = sizeof value - 1;
        DWORD type = 0;
        LONG status =
            RegEnumValueA(key, index, name, &nameLength, nullptr, &type, value, &valueSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        value[valueSize] = '\0';
        if (lstrcmpiA(reinterpret_cast<char*>(value), driver) == 0) {
            std::printf("%s (%s)\n", name, scope.name);
            ++shown;
        }
    }
    RegCloseKey(key);
    return shown;
}

int list(const Command& command) {
    int shown = 0;
    for (const Scope& scope : scopes)
        shown += listScope(scope, command.driver);
    if (shown == 0)
        std::printf("no data sources of driver \"%s\"\n", command.driver);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    static Command command;
    char message[messageCapacity];
    if (!parseCommandLine(argc, argv, &command, message)) {
        std::fprintf(stderr, "dsnconfig: %s\n%s", message, usageText);
        return 2;
    }
    switch (command.kind) {
    case CommandKind::help:
        std::printf("%s", usageText);
        return 0;
    case CommandKind::installDriver:
        return installDriver(command);
    case CommandKind::removeDriver:
        return removeDriver(command);
    case CommandKind::add:
    case CommandKind::configure:
    case CommandKind::remove:
        return configureDataSource(command);
    case CommandKind::show:
        return show(command);
    case CommandKind::list:
        return list(command);
    }
    return 2;
}
