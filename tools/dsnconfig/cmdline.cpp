#include "cmdline.h"
#include <cstdio>
#include <cstring>

namespace dsnconfig {

const char* const defaultDriverDescription = "Informix ODBC Driver";

const char* const usageText =
    "usage:\n"
    "  dsnconfig install-driver [--driver DESC] [--setup PATH] [--help-root DIR]\n"
    "  dsnconfig remove-driver  [--driver DESC]\n"
    "  dsnconfig add       [--dialog] DRIVER \"DSN=name;keyword=value;...\"\n"
    "  dsnconfig configure [--dialog] DRIVER \"DSN=name;keyword=value;...\"\n"
    "  dsnconfig remove    DRIVER \"DSN=name\"\n"
    "  dsnconfig show DSN\n"
    "  dsnconfig list [--driver DESC]\n"
    "\n"
    "DRIVER and DESC are driver descriptions (default \"Informix ODBC Driver\").\n"
    "A value in braces may contain ';' and writes '}' as \"}}\": Description={a;b}.\n"
    "--dialog shows the driver's setup dialog with those values; the data source\n"
    "is saved when it is confirmed with OK.\n"
    "install-driver registers a setup library of this tool's own architecture\n"
    "(the one beside it unless --setup names another) and adds one to the\n"
    "driver's usage count; remove-driver takes one off and unregisters the\n"
    "driver when none is left, keeping its data sources.\n"
    "Exit status: 0 done, 1 refused or failed, 2 unusable command line,\n"
    "3 (remove-driver) the driver is still in use by other installations.\n";

namespace {

bool fail(char* message, const char* format, const char* argument) {
    std::snprintf(message, messageCapacity, format, argument);
    return false;
}

bool checkName(const char* what, const char* name, char* message) {
    size_t length = std::strlen(name);
    if (length == 0)
        return fail(message, "empty %s", what);
    if (length > maxNameBytes)
        return fail(message, "%s longer than 255 bytes", what);
    // A backslash would name a nested registry key.
    if (std::strchr(name, '\\'))
        return fail(message, "%s contains '\\'", what);
    return true;
}

bool checkPath(const char* what, const char* path, char* message) {
    if (!*path)
        return fail(message, "empty %s", what);
    if (std::strlen(path) > maxPathBytes)
        return fail(message, "%s longer than 259 bytes", what);
    return true;
}

// Reads "--name value" at argv[*index]; refuses a repeated option.
bool takeOption(int argc, const char* const* argv, int* index, const char** slot, char* message) {
    const char* name = argv[*index];
    if (*index + 1 >= argc)
        return fail(message, "option %s needs a value", name);
    if (*slot)
        return fail(message, "option %s given twice", name);
    *slot = argv[++*index];
    return true;
}

bool parseInstallDriver(int argc, const char* const* argv, Command* command, char* message) {
    const char* driver = nullptr;
    for (int i = 2; i < argc; ++i) {
        const char* arg = argv[i];
        bool taken = std::strcmp(arg, "--driver") == 0
                         ? takeOption(argc, argv, &i, &driver, message)
                     : std::strcmp(arg, "--setup") == 0
                         ? takeOption(argc, argv, &i, &command->setupPath, message)
                     : std::strcmp(arg, "--help-root") == 0
                         ? takeOption(argc, argv, &i, &command->helpRoot, message)
                         : fail(message, "unexpected argument \"%s\"", arg);
        if (!taken)
            return false;
    }
    if (driver)
        command->driver = driver;
    return checkName("driver description", command->driver, message) &&
           (!command->setupPath || checkPath("setup library path", command->setupPath, message)) &&
           (!command->helpRoot || checkPath("help root directory", command->helpRoot, message));
}

// The commands whose only option is --driver.
bool parseDriverOption(int argc, const char* const* argv, Command* command, char* message) {
    const char* driver = nullptr;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--driver") != 0)
            return fail(message, "unexpected argument \"%s\"", argv[i]);
        if (!takeOption(argc, argv, &i, &driver, message))
            return false;
    }
    if (driver)
        command->driver = driver;
    return checkName("driver description", command->driver, message);
}

bool parseShow(int argc, const char* const* argv, Command* command, char* message) {
    if (argc != 3)
        return fail(message, "%s", "show takes one data-source name");
    command->dataSource = argv[2];
    return checkName("data-source name", command->dataSource, message);
}

bool isBlankText(const char* text) {
    while (*text == ' ' || *text == '\t')
        ++text;
    return *text == '\0';
}

// Keywords the tool can't pass on: a file data source hands its result
// back through an address in the caller's memory (OutStrAddr), which no
// command line can supply; DRIVER is the first argument, and an entry of
// it ahead of DSN would hide the data-source name from the setup library.
bool checkRefusedKeywords(const AttributeList& list, char* message) {
    static const char* const refused[] = {"SAVEFILE", "OutStrAddr", "DRIVER"};
    for (const char* keyword : refused) {
        if (findAttribute(list, keyword))
            return fail(message, "keyword %s is not accepted by dsnconfig", keyword);
    }
    return true;
}

bool parseDataSourceRequest(int argc, const char* const* argv, Command* command, char* message) {
    // "--dialog" right after add or configure; the rest moves up by one.
    if (argc == 5 && !std::strcmp(argv[2], "--dialog") && command->kind != CommandKind::remove) {
        command->dialog = true;
        --argc;
        ++argv;
    }
    if (argc != 4)
        return fail(message, "%s needs a driver description and an attribute list", argv[1]);
    command->driver = argv[2];
    if (!checkName("driver description", command->driver, message))
        return false;
    const char* text = argv[3];
    if (!convertAttributeText(text, std::strlen(text), &command->attributes, message))
        return false;
    command->dataSource = findAttribute(command->attributes, "DSN");
    if (!command->dataSource || isBlankText(command->dataSource))
        return fail(message, "%s", "the attribute list names no data source (DSN=name)");
    return checkRefusedKeywords(command->attributes, message);
}

struct Verb {
    const char* name;
    CommandKind kind;
    bool (*parse)(int, const char* const*, Command*, char*);
};

const Verb verbs[] = {
    {"install-driver", CommandKind::installDriver, parseInstallDriver},
    {"remove-driver", CommandKind::removeDriver, parseDriverOption},
    {"add", CommandKind::add, parseDataSourceRequest},
    {"configure", CommandKind::configure, parseDataSourceRequest},
    {"remove", CommandKind::remove, parseDataSourceRequest},
    {"show", CommandKind::show, parseShow},
    {"list", CommandKind::list, parseDriverOption},
};

} // namespace

bool parseCommandLine(int argc, const char* const* argv, Command* command, char* message) {
    *command = Command{};
    command->driver = defaultDriverDescription;
    message[0] = '\0';
    if (argc < 2)
        return fail(message, "%s", "no command given");
    const char* name = argv[1];
    if (!std::strcmp(name, "-h") || !std::strcmp(name, "--help") || !std::strcmp(name, "help")) {
        command->kind = CommandKind::help;
        return true;
    }
    for (const Verb& verb : verbs) {
        if (std::strcmp(name, verb.name) == 0) {
            command->kind = verb.kind;
            return verb.parse(argc, argv, command, message);
        }
    }
    return fail(message, "unknown command \"%s\"", name);
}

namespace {

// Appends "text" or "prefix" "text" and a NUL; false when it would not fit,
// one byte staying reserved for the list's final NUL.
bool appendEntry(DriverList* list, const char* prefix, const char* text) {
    size_t prefixLength = std::strlen(prefix);
    size_t textLength = std::strlen(text);
    if (prefixLength + textLength + 2 > maxDriverListBytes - list->length)
        return false;
    std::memcpy(list->bytes + list->length, prefix, prefixLength);
    list->length += prefixLength;
    std::memcpy(list->bytes + list->length, text, textLength + 1);
    list->length += textLength + 1;
    return true;
}

} // namespace

bool buildDriverList(const char* description, const char* setupFile, const char* helpRoot,
                     DriverList* list, char* message) {
    list->length = 0;
    bool fits = appendEntry(list, "", description) && appendEntry(list, "Driver=", setupFile) &&
                appendEntry(list, "Setup=", setupFile) &&
                (!helpRoot || appendEntry(list, "HelpRootDirectory=", helpRoot));
    if (!fits)
        return fail(message, "%s", "driver entry list too long");
    list->bytes[list->length++] = '\0';
    return true;
}

bool buildUseList(const char* description, const char* driverFile, DriverList* list,
                  char* message) {
    list->length = 0;
    if (!appendEntry(list, "", description) || !appendEntry(list, "Driver=", driverFile))
        return fail(message, "%s", "driver entry list too long");
    list->bytes[list->length++] = '\0';
    return true;
}

} // namespace dsnconfig
