// dsnconfig: the administrator's command-line client of the ODBC installer
// for the Informix driver. It registers the driver and adds, configures,
// removes and shows its data sources through the installer's own entry
// points, so the installer loads the setup library and calls ConfigDSN
// exactly as the ODBC administrator would. It takes its arguments and
// calls the installer in UTF-16 (wintext.h).
#include "driverreg.h"
#include "request.h"
#include "transfer.h"
#include <cstring>

using namespace dsnconfig;

namespace {

int configureDataSource(const Command& command) {
    // With a window the installer has the setup library show its dialog;
    // the desktop stands for "no owner" in a console program.
    HWND window = command.dialog ? GetDesktopWindow() : nullptr;
    if (!runRequest(window, command.kind, scopeInfo(command.scope), command.driver,
                    command.dataSource, command.attributes))
        return 1;
    const char* done = command.kind == CommandKind::add         ? "added"
                       : command.kind == CommandKind::configure ? "configured"
                                                                : "removed";
    say("%s data source \"%s\"\n", done, command.dataSource);
    return 0;
}

// Prints one stored value, after its key, on a line of its own; a
// password's is masked.
void showValue(const ScopeInfo& scope, const wchar_t* dataSource, const wchar_t* key) {
    static wchar_t value[valueCapacity];
    static char keyText[3 * nameCapacity];
    static char valueText[3 * valueCapacity];
    if (!toUtf8(key, keyText, sizeof keyText))
        return;
    if (isSecretKey(keyText))
        std::strcpy(valueText, maskedValue);
    else if (!readValue(scope, dataSource, key, value) ||
             !toUtf8(value, valueText, sizeof valueText))
        std::strcpy(valueText, "(too long to show)");
    say("  %s = %s\n", keyText, valueText);
}

// Prints a data source of one scope; false when it has none of that name.
// Values left over from a removal don't make a data source: Wine 8's
// SQLRemoveDSNFromIni keeps the user-side values.
bool showScope(const ScopeInfo& scope, const wchar_t* dataSource, const char* name) {
    static wchar_t driver[nameCapacity];
    static char driverText[3 * nameCapacity];
    static wchar_t keys[keyListCapacity];
    if (!findRegistration(scope, dataSource, driver, nameCapacity))
        return false;
    toUtf8(driver, driverText, sizeof driverText);
    say("[%s] %s data source of driver \"%s\"\n", name, scope.name, driverText);
    if (!readKeyList(scope, dataSource, keys)) {
        complain("dsnconfig: the data source has too many keys to list\n");
        return true;
    }
    forEachKeyInOrder(keys, [&](const wchar_t* key) { showValue(scope, dataSource, key); });
    return true;
}

int show(const Command& command) {
    static wchar_t dataSource[nameCapacity];
    bool found = false;
    if (toWide(command.dataSource, dataSource, nameCapacity)) {
        for (const ScopeInfo& scope : scopeTable) {
            if (scopeSelected(command.scope, scope))
                found = showScope(scope, dataSource, command.dataSource) || found;
        }
    }
    if (!found) {
        complain("dsnconfig: no data source \"%s\"\n", command.dataSource);
        return 1;
    }
    return 0;
}

int list(const Command& command) {
    static wchar_t driver[nameCapacity];
    int shown = 0;
    if (toWide(command.driver, driver, nameCapacity)) {
        for (const ScopeInfo& scope : scopeTable) {
            if (!scopeSelected(command.scope, scope))
                continue;
            forEachRegistration(scope, [&](const wchar_t* name, const wchar_t* registered) {
                char text[3 * nameCapacity];
                if (lstrcmpiW(registered, driver) == 0 && toUtf8(name, text, sizeof text)) {
                    say("%s (%s)\n", text, scope.name);
                    ++shown;
                }
                return true;
            });
        }
    }
    if (shown == 0)
        say("no data sources of driver \"%s\"\n", command.driver);
    return 0;
}

int run(const Command& command) {
    switch (command.kind) {
    case CommandKind::help:
        say("%s", usageText);
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
    case CommandKind::exportSources:
        return exportSources(command);
    case CommandKind::importSources:
        return importSources(command);
    }
    return 2;
}

// The arguments as UTF-8. A command line holds at most 32767 UTF-16
// units, each of which takes at most three bytes, and every argument a
// NUL.
constexpr int maxArguments = 16384;
bool argumentsToUtf8(int argc, wchar_t** argv, const char** arguments) {
    static char arena[4 * 32768];
    size_t used = 0;
    if (argc > maxArguments)
        return false;
    for (int i = 0; i < argc; ++i) {
        int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, arena + used,
                                       static_cast<int>(sizeof arena - used), nullptr, nullptr);
        if (size <= 0)
            return false;
        arguments[i] = arena + used;
        used += size;
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    static const char* arguments[maxArguments];
    static Command command;
    char message[messageCapacity];
    if (!argumentsToUtf8(argc, argv, arguments)) {
        complain("dsnconfig: the command line can't be read\n");
        return 2;
    }
    if (!parseCommandLine(argc, arguments, &command, message)) {
        complain("dsnconfig: %s\n%s", message, usageText);
        return 2;
    }
    return run(command);
}
