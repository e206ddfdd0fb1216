#include "cmdline.h"
#include <cstdio>
#include <cstring>

namespace dsnconfig {

const char* const defaultDriverDescription = "Informix ODBC Driver";

const char* const usageText =
    "usage:\n"
    "  dsnconfig install-driver [--driver DESC] [--setup PATH] [--help-root DIR]\n"
    "  dsnconfig remove-driver  [--driver DESC]\n"
    "  dsnconfig add       [SCOPE] [--dialog] DRIVER \"DSN=name;keyword=value;...\"\n"
    "  dsnconfig configure [SCOPE] [--dialog] DRIVER \"DSN=name;keyword=value;...\"\n"
    "  dsnconfig remove    [SCOPE] DRIVER \"DSN=name\"\n"
    "  dsnconfig show      [SCOPE] DSN\n"
    "  dsnconfig list      [SCOPE] [--driver DESC]\n"
    "  dsnconfig export    [SCOPE] [--driver DESC] [--with-secrets] [--output FILE] [DSN...]\n"
    "  dsnconfig import    [SCOPE] [--dry-run] FILE\n"
    "\n"
    "SCOPE is --system (data sources of every user of the machine; what a\n"
    "deployment run as SYSTEM wants) or --user (the user running dsnconfig).\n"
    "add, configure and remove make user requests unless --system is given;\n"
    "show and list look in both scopes unless one is given, and name the\n"
    "scope of each data source.\n"
    "export writes the driver's data sources (those named, or all) as UTF-8\n"
    "odbc.ini-style text: a [DSN] section each, with Driver=, Scope= and every\n"
    "stored key; a value starting with '{' or a blank is braced. Keys named\n"
    "like a password are left out unless --with-secrets is given (show masks\n"
    "them). import applies such a file through the setup library: each data\n"
    "source is added, changed (keys it does not name are kept) or left when\n"
    "nothing differs, in its section's Scope unless SCOPE is given (neither:\n"
    "user); keys the setup library does not know are written as they are.\n"
    "--dry-run only says what would be done.\n"
    "DRIVER and DESC are driver descriptions (default \"Informix ODBC Driver\").\n"
    "A value in braces may contain ';' and writes '}' as \"}}\": Description={a;b}.\n"
    "--dialog shows the driver's setup dialog with those values; the data source\n"
    "is saved when it is confirmed with OK.\n"
    "install-driver registers a setup library of this tool's own architecture\n"
    "(the one beside it unless --setup names another) and adds one to the\n"
    "driver's usage count; remove-driver takes one off and unregisters the\n"
    "driver when none is left, keeping its data sources.\n"
    "Exit status: 0 done, 1 refused or failed (import: any data source),\n"
    "2 unusable command line or import file,\n"
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

bool isBlankText(const char* text) {
    while (*text == ' ' || *text == '\t')
        ++text;
    return *text == '\0';
}

// The options a command may take, one bit each.
enum : unsigned {
    takesDriver = 1u << 0,
    takesSetup = 1u << 1,
    takesHelpRoot = 1u << 2,
    takesScope = 1u << 3,
    takesDialog = 1u << 4,
    takesOutput = 1u << 5,
    takesSecrets = 1u << 6,
    takesDryRun = 1u << 7,
};

struct Option {
    const char* name;
    unsigned bit;
    // Where a value goes, or null for a flag.
    const char* Command::*value;
    bool Command::*flag;
};

const Option options[] = {
    {"--driver", takesDriver, &Command::driver, nullptr},
    {"--setup", takesSetup, &Command::setupPath, nullptr},
    {"--help-root", takesHelpRoot, &Command::helpRoot, nullptr},
    {"--dialog", takesDialog, nullptr, &Command::dialog},
    {"--output", takesOutput, &Command::outputPath, nullptr},
    {"--with-secrets", takesSecrets, nullptr, &Command::withSecrets},
    {"--dry-run", takesDryRun, nullptr, &Command::dryRun},
};

// Sets the scope from --system or --user; refuses both.
bool takeScope(const char* arg, Command* command, char* message) {
    Scope scope = std::strcmp(arg, "--system") == 0 ? Scope::system : Scope::user;
    if (command->scope != Scope::unspecified && command->scope != scope)
        return fail(message, "%s", "--system and --user exclude each other");
    command->scope = scope;
    return true;
}

// Takes argv[*index] as one of the options the command allows (a value
// option also takes the next argument); refuses any other and a repeated
// one.
bool takeOption(int argc, const char* const* argv, int* index, unsigned allowed, Command* command,
                char* message) {
    const char* arg = argv[*index];
    if ((allowed & takesScope) && (!std::strcmp(arg, "--system") || !std::strcmp(arg, "--user")))
        return takeScope(arg, command, message);
    for (const Option& option : options) {
        if (!(allowed & option.bit) || std::strcmp(arg, option.name) != 0)
            continue;
        if (option.flag) {
            command->*option.flag = true;
            return true;
        }
        if (*index + 1 >= argc)
            return fail(message, "option %s needs a value", arg);
        if (command->*option.value)
            return fail(message, "option %s given twice", arg);
        command->*option.value = argv[++*index];
        return true;
    }
    return fail(message, "unexpected argument \"%s\"", arg);
}

bool checkDriverOptions(Command* command, char* message) {
    if (!command->driver)
        command->driver = defaultDriverDescription;
    return checkName("driver description", command->driver, message) &&
           (!command->setupPath || checkPath("setup library path", command->setupPath, message)) &&
           (!command->helpRoot || checkPath("help root directory", command->helpRoot, message));
}

bool checkShow(Command* command, char* message) {
    command->dataSource = command->operands[0];
    return checkName("data-source name", command->dataSource, message);
}

bool checkExport(Command* command, char* message) {
    for (int i = 0; i < command->operandCount; ++i) {
        if (!checkName("data-source name", command->operands[i], message))
            return false;
    }
    return checkDriverOptions(command, message) &&
           (!command->outputPath || checkPath("output file", command->outputPath, message));
}

bool checkImport(Command* command, char* message) {
    command->filePath = command->operands[0];
    return checkPath("file", command->filePath, message);
}

} // namespace

bool checkRefusedKeywords(const AttributeList& list, char* message) {
    static const char* const refused[] = {"SAVEFILE", "OutStrAddr", "DRIVER"};
    for (const char* keyword : refused) {
        if (findAttribute(list, keyword))
            return fail(message, "keyword %s is not accepted by dsnconfig", keyword);
    }
    return true;
}

namespace {

bool checkDataSourceRequest(Command* command, char* message) {
    command->driver = command->operands[0];
    if (!checkName("driver description", command->driver, message))
        return false;
    const char* text = command->operands[1];
    if (!convertAttributeText(text, std::strlen(text), &command->attributes, message))
        return false;
    command->dataSource = findAttribute(command->attributes, "DSN");
    if (!command->dataSource || isBlankText(command->dataSource))
        return fail(message, "%s", "the attribute list names no data source (DSN=name)");
    return checkRefusedKeywords(command->attributes, message);
}

constexpr int anyOperands = -1;

struct Verb {
    const char* name;
    CommandKind kind;
    unsigned options;
    int operands; // exactly this many; anyOperands for any number
    bool (*check)(Command*, char*);
};

const Verb verbs[] = {
    {"install-driver", CommandKind::installDriver, takesDriver | takesSetup | takesHelpRoot, 0,
     checkDriverOptions},
    {"remove-driver", CommandKind::removeDriver, takesDriver, 0, checkDriverOptions},
    {"add", CommandKind::add, takesScope | takesDialog, 2, checkDataSourceRequest},
    {"configure", CommandKind::configure, takesScope | takesDialog, 2, checkDataSourceRequest},
    {"remove", CommandKind::remove, takesScope, 2, checkDataSourceRequest},
    {"show", CommandKind::show, takesScope, 1, checkShow},
    {"list", CommandKind::list, takesDriver | takesScope, 0, checkDriverOptions},
    {"export", CommandKind::exportSources, takesDriver | takesScope | takesOutput | takesSecrets,
     anyOperands, checkExport},
    {"import", CommandKind::importSources, takesScope | takesDryRun, 1, checkImport},
};

const char* const operandNames[] = {"no operands", "one operand",
                                    "a driver description and an attribute list"};

// Reads a verb's options and operands, in any order, then checks them.
bool parseVerb(const Verb& verb, int argc, const char* const* argv, Command* command,
               char* message) {
    command->kind = verb.kind;
    command->driver = nullptr;
    for (int i = 2; i < argc; ++i) {
        if (argv[i][0] == '-' && argv[i][1] == '-') {
            if (!takeOption(argc, argv, &i, verb.options, command, message))
                return false;
        } else if (command->operandCount == maxOperands) {
            return fail(message, "%s", "too many operands");
        } else {
            command->operands[command->operandCount++] = argv[i];
        }
    }
    if (verb.operands != anyOperands && command->operandCount != verb.operands) {
        std::snprintf(message, messageCapacity, "%s takes %s", verb.name,
                      operandNames[verb.operands]);
        return false;
    }
    return verb.check(command, message);
}

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
        if (std::strcmp(name, verb.name) == 0)
            return parseVerb(verb, argc, argv, command, message);
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
