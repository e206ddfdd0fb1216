// dsnconfig's command line: what it asks for, checked completely before the
// tool makes its first installer call.
#pragma once
#include "attrlist.h"
#include <cstddef>

namespace dsnconfig {

extern const char* const defaultDriverDescription;
extern const char* const usageText;

// A registry key name holds at most 255 characters; driver descriptions
// and data-source names become key names.
constexpr size_t maxNameBytes = 255;
// Paths stored in ODBCINST.INI; the platform's path limit.
constexpr size_t maxPathBytes = 259;
// The driver's entry list given to SQLInstallDriverEx.
constexpr size_t maxDriverListBytes = 1024;
// Operands a command line may hold.
constexpr int maxOperands = 256;

enum class CommandKind {
    help,
    installDriver,
    removeDriver,
    add,
    configure,
    remove,
    show,
    list,
    exportSources,
    importSources
};

// Which data sources a command means: user or system ones, or (when no
// option says) both for the commands that read and user ones for the
// requests.
enum class Scope { unspecified, user, system };

struct Command {
    CommandKind kind;
    Scope scope;
    const char* driver;     // driver description
    const char* setupPath;  // install-driver: null means the copy beside the tool
    const char* helpRoot;   // install-driver: null means none
    const char* dataSource; // show; for add/configure/remove the DSN value in attributes
    bool dialog;            // add/configure: the setup library's property sheet edits it
    const char* outputPath; // export: null means standard output
    bool withSecrets;       // export: keys named like a password too
    const char* filePath;   // import
    bool dryRun;            // import: say what would be done, do nothing
    AttributeList attributes;
    // The arguments that are not options, in order (export: the data
    // sources asked for).
    const char* operands[maxOperands];
    int operandCount;
};

// Fills command from argv[1..argc). False (with the reason in message,
// messageCapacity bytes) when the command line is unusable.
bool parseCommandLine(int argc, const char* const* argv, Command* command, char* message);

// Refuses (false, with the reason) a list holding a keyword the tool
// can't pass on: SAVEFILE and OutStrAddr (a file data source hands its
// result back through an address in the caller's memory) and DRIVER (an
// entry of it ahead of DSN would hide the data-source name from the setup
// library).
bool checkRefusedKeywords(const AttributeList& list, char* message);

struct DriverList {
    char bytes[maxDriverListBytes];
    size_t length; // both final NULs included
};

// The installer's driver list: the description, then Driver= and Setup=
// naming the setup library's file (the installer adds the directory), then
// HelpRootDirectory= when helpRoot is not null, NUL-separated and ended by
// a second NUL. False when it would not fit.
bool buildDriverList(const char* description, const char* setupFile, const char* helpRoot,
                     DriverList* list, char* message);

// The list that counts one more use of a driver registered by another
// installation and names its own driver file again: the description and
// Driver= alone.
bool buildUseList(const char* description, const char* driverFile, DriverList* list, char* message);

} // namespace dsnconfig
