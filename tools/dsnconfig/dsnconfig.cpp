// dsnconfig: the administrator's command-line client of the ODBC installer
// for the Informix driver. It registers the driver and adds, configures,
// removes and shows its data sources through the installer's own entry
// points, so the installer loads the setup library and calls ConfigDSN
// exactly as the ODBC administrator would.
#include "cmdline.h"
#include "keywords.h"
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

// The setup library's full path, and the directory the installer may use
// for relative names, from --setup or from the tool's own directory.
bool resolveSetupPath(const char* given, char* path, char* directory) {
    if (given) {
        DWORD length = GetFullPathNameA(given, MAX_PATH, path, nullptr);
        if (length == 0 || length >= MAX_PATH)
            return false;
    } else if (!setupBesideTool(path, MAX_PATH)) {
        return false;
    }
    std::strcpy(directory, path);
    *std::strrchr(directory, '\\') = '\0';
    return true;
}

void printDriverEntry(const char* driver, const char* key) {
    char value[valueCapacity];
    if (SQLGetPrivateProfileString(driver, key, "", value, sizeof value, "ODBCINST.INI") > 0)
        std::printf("  %s = %s\n", key, value);
}

int installDriver(const Command& command) {
    char path[MAX_PATH];
    char directory[MAX_PATH];
    char message[messageCapacity];
    if (!resolveSetupPath(command.setupPath, path, directory))
        return refused("the setup library's path is too long or can't be resolved");
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "dsnconfig: refused: no setup library at %s\n", path);
        return 1;
    }
    DriverList list;
    if (!buildDriverList(command.driver, path, command.helpRoot, &list, message))
        return refused(message);
    char pathOut[MAX_PATH];
    WORD pathOutLength = 0;
    DWORD usageCount = 0;
    if (!SQLInstallDriverEx(list.bytes, directory, pathOut, sizeof pathOut, &pathOutLength,
                            ODBC_INSTALL_COMPLETE, &usageCount)) {
        std::fprintf(stderr, "dsnconfig: the installer did not register driver \"%s\"\n",
                     command.driver);
        printInstallerErrors();
        return 1;
    }
    std::printf("registered driver \"%s\" (usage count %lu)\n", command.driver,
                static_cast<unsigned long>(usageCount));
    printDriverEntry(command.driver, "Driver");
    printDriverEntry(command.driver, "Setup");
    printDriverEntry(command.driver, "HelpRootDirectory");
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
    if (!SQLConfigDataSource(nullptr, request, command.driver, command.attributes.bytes)) {
        std::fprintf(stderr, "dsnconfig: the request for data source \"%s\" was refused\n",
                     command.dataSource);
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

int show(const Command& command) {
    char driver[valueCapacity];
    // The "ODBC Data Sources" entry is the registration; values left over
    // from a removal don't make a data source.
    if (SQLGetPrivateProfileString("ODBC Data Sources", command.dataSource, "", driver,
                                   sizeof driver, "ODBC.INI") <= 0) {
        std::fprintf(stderr, "dsnconfig: no data source \"%s\"\n", command.dataSource);
        return 1;
    }
    static char keys[keyListCapacity];
    if (!readKeyList(command.dataSource, keys, keyListCapacity))
        return refused("the data source has too many keys to list");
    std::printf("[%s] (driver \"%s\")\n", command.dataSource, driver);
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

int list(const Command& command) {
    static char names[keyListCapacity];
    if (!readKeyList("ODBC Data Sources", names, keyListCapacity))
        return refused("too many data sources to list");
    int shown = 0;
    for (const char* name = names; *name; name += std::strlen(name) + 1) {
        char driver[valueCapacity];
        SQLGetPrivateProfileString("ODBC Data Sources", name, "", driver, sizeof driver,
                                   "ODBC.INI");
        if (lstrcmpiA(driver, command.driver) == 0) {
            std::printf("%s\n", name);
            ++shown;
        }
    }
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
