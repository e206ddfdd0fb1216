#include "transfer.h"
#include "dsnfile.h"
#include "request.h"
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace dsnconfig {

namespace {

// A data source to export.
struct Target {
    wchar_t name[nameCapacity];
    const ScopeInfo* scope;
};
constexpr int maxTargets = 1024;

// Whether a data-source name is one the command asks for (all when it
// names none).
bool isAskedFor(const Command& command, const char* name) {
    for (int i = 0; i < command.operandCount; ++i) {
        if (strcasecmp(command.operands[i], name) == 0)
            return true;
    }
    return command.operandCount == 0;
}

// The driver's data sources of the command's scopes, user ones first;
// false, saying why, when there are too many or a name asked for is not
// among them.
bool collectTargets(const Command& command, Target* targets, int* count) {
    static wchar_t driver[nameCapacity];
    bool fits = toWide(command.driver, driver, nameCapacity);
    *count = 0;
    for (const ScopeInfo& scope : scopeTable) {
        if (!scopeSelected(command.scope, scope))
            continue;
        forEachRegistration(scope, [&](const wchar_t* name, const wchar_t* registered) {
            char text[3 * nameCapacity];
            if (lstrcmpiW(registered, driver) != 0 || !toUtf8(name, text, sizeof text) ||
                !isAskedFor(command, text))
                return true;
            if (*count == maxTargets)
                return fits = false;
            lstrcpynW(targets[*count].name, name, nameCapacity);
            targets[(*count)++].scope = &scope;
            return true;
        });
    }
    if (!fits) {
        complain("dsnconfig: more than %d data sources to export\n", maxTargets);
        return false;
    }
    for (int i = 0; i < command.operandCount; ++i) {
        bool found = false;
        for (int t = 0; t < *count && !found; ++t) {
            char text[3 * nameCapacity];
            found = toUtf8(targets[t].name, text, sizeof text) &&
                    strcasecmp(text, command.operands[i]) == 0;
        }
        if (!found) {
            complain("dsnconfig: no data source \"%s\" of driver \"%s\"\n", command.operands[i],
                     command.driver);
            return false;
        }
    }
    return true;
}

bool writeLine(HANDLE out, const char* text) {
    return writeText(out, text, std::strlen(text)) && writeText(out, "\n", 1);
}

// Writes one key's line. The installer's own Driver entry (the driver
// file, made again from the registration) is left out, and so is a
// password unless secrets are asked for.
bool exportKey(HANDLE out, const Target& target, const wchar_t* key, bool withSecrets) {
    static char keyText[3 * nameCapacity];
    static wchar_t value[valueCapacity];
    static char valueText[3 * valueCapacity];
    static char line[maxLineBytes];
    char message[messageCapacity];
    if (!toUtf8(key, keyText, sizeof keyText) || strcasecmp(keyText, "Driver") == 0)
        return true;
    if (isSecretKey(keyText) && !withSecrets) {
        std::snprintf(line, sizeof line, "; %s is not exported (export --with-secrets writes it)",
                      keyText);
        return writeLine(out, line);
    }
    if (!readValue(*target.scope, target.name, key, value) ||
        !toUtf8(value, valueText, sizeof valueText)) {
        complain("dsnconfig: the value of %s is too long to export\n", keyText);
        return false;
    }
    if (!formatFileEntry(keyText, valueText, line, sizeof line, message)) {
        complain("dsnconfig: can't export %s\n", message);
        return false;
    }
    return writeLine(out, line);
}

bool exportTarget(HANDLE out, const Target& target, const char* driver, bool withSecrets) {
    static char name[3 * nameCapacity];
    static wchar_t keys[keyListCapacity];
    static char header[4 * nameCapacity];
    char message[messageCapacity];
    toUtf8(target.name, name, sizeof name);
    if (!checkSectionName(name, message) || !readKeyList(*target.scope, target.name, keys)) {
        complain("dsnconfig: can't export data source \"%s\": %s\n", name,
                 message[0] ? message : "too many keys");
        return false;
    }
    std::snprintf(header, sizeof header, "\n[%s]\nDriver=%s\nScope=%s", name, driver,
                  target.scope->name);
    bool written = writeLine(out, header);
    forEachKeyInOrder(keys, [&](const wchar_t* key) {
        written = written && exportKey(out, target, key, withSecrets);
    });
    return written;
}

// Where export writes: the file asked for (replaced) or standard output.
HANDLE openOutput(const Command& command) {
    static wchar_t path[MAX_PATH];
    if (!command.outputPath)
        return GetStdHandle(STD_OUTPUT_HANDLE);
    if (!toWide(command.outputPath, path, MAX_PATH))
        return INVALID_HANDLE_VALUE;
    return CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

} // namespace

int exportSources(const Command& command) {
    static Target targets[maxTargets];
    static char comment[2 * nameCapacity];
    int count = 0;
    if (!collectTargets(command, targets, &count))
        return 1;
    HANDLE out = openOutput(command);
    if (out == INVALID_HANDLE_VALUE) {
        complain("dsnconfig: can't write %s\n", command.outputPath);
        return 1;
    }
    std::snprintf(comment, sizeof comment,
                  "; Data sources of driver \"%s\", written by dsnconfig export", command.driver);
    bool written = writeLine(out, comment);
    for (int i = 0; i < count && written; ++i)
        written = exportTarget(out, targets[i], command.driver, command.withSecrets);
    if (command.outputPath) {
        CloseHandle(out);
        // A file that lacks a data source is not left to be imported.
        if (!written) {
            static wchar_t path[MAX_PATH];
            if (toWide(command.outputPath, path, MAX_PATH))
                DeleteFileW(path);
        }
    }
    return written ? 0 : 1;
}

namespace {

// The file import reads, NUL-ended.
char fileText[maxFileBytes + 1];

// Reads the file into fileText; false, saying why, when it can't be read,
// is too large or is not UTF-8 text.
bool readImportFile(const char* given, size_t* length) {
    static wchar_t path[MAX_PATH];
    HANDLE file = toWide(given, path, MAX_PATH)
                      ? CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr)
                      : INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE) {
        complain("dsnconfig: can't read %s\n", given);
        return false;
    }
    DWORD size = 0;
    BOOL read = ReadFile(file, fileText, maxFileBytes + 1, &size, nullptr);
    CloseHandle(file);
    if (!read || size > maxFileBytes) {
        complain("dsnconfig: can't read %s, or it is larger than %u bytes\n", given,
                 static_cast<unsigned>(maxFileBytes));
        return false;
    }
    fileText[size] = '\0';
    *length = size;
    if (size > 0 && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, fileText,
                                        static_cast<int>(size), nullptr, 0) <= 0) {
        complain("dsnconfig: %s is not UTF-8 text\n", given);
        return false;
    }
    return true;
}

enum class Outcome { added, changed, left, failed };

// Whether every entry of the section but DSN is stored as it would be.
bool isStoredAlready(const ScopeInfo& scope, const wchar_t* name, const AttributeList& list) {
    static wchar_t key[nameCapacity];
    static wchar_t value[valueCapacity];
    static wchar_t stored[valueCapacity];
    bool same = true;
    forEachEntry(list, [&](const char* entry) {
        if (!same || strncasecmp(entry, "DSN=", 4) == 0)
            return;
        same = storedEntry(entry, key, value) && readValue(scope, name, key, stored) &&
               std::wcscmp(value, stored) == 0;
    });
    return same;
}

// The setup library stores the keys it knows and keeps other stored ones,
// but does not store another key given in a request: each such key of the
// section that is not stored as written is written through the installer,
// so that an imported data source comes back whole.
bool writeOtherKeys(const ScopeInfo& scope, const wchar_t* name, const AttributeList& list) {
    static wchar_t key[nameCapacity];
    static wchar_t value[valueCapacity];
    static wchar_t stored[valueCapacity];
    bool written = true;
    forEachEntry(list, [&](const char* entry) {
        if (!written || strncasecmp(entry, "DSN=", 4) == 0 || !storedEntry(entry, key, value) ||
            isStoredKey(key) ||
            (readValue(scope, name, key, stored) && std::wcscmp(value, stored) == 0))
            return;
        written = writeValue(scope, name, key, value);
        if (!written) {
            complain("dsnconfig: the installer did not write key %.*s\n",
                     static_cast<int>(std::strcspn(entry, "=")), entry);
            printInstallerErrors();
        }
    });
    return written;
}

Outcome importSection(const FileSection& section, const Command& command) {
    static wchar_t name[nameCapacity];
    static wchar_t driver[nameCapacity];
    static wchar_t registered[nameCapacity];
    Scope scope = command.scope != Scope::unspecified   ? command.scope
                  : section.scope != Scope::unspecified ? section.scope
                                                        : Scope::user;
    const ScopeInfo& info = scopeInfo(scope);
    const char* driverName = section.driver[0] ? section.driver : defaultDriverDescription;
    if (!checkCodePage("driver description", driverName) ||
        !checkCodePage("data-source name", section.name) ||
        !toWide(section.name, name, nameCapacity) || !toWide(driverName, driver, nameCapacity))
        return Outcome::failed;
    bool exists = findRegistration(info, name, registered, nameCapacity);
    if (exists && lstrcmpiW(registered, driver) != 0) {
        complain("dsnconfig: data source \"%s\" (%s) belongs to another driver; not changed\n",
                 section.name, info.name);
        return Outcome::failed;
    }
    if (exists && isStoredAlready(info, name, section.attributes))
        return Outcome::left;
    CommandKind kind = exists ? CommandKind::configure : CommandKind::add;
    if (!command.dryRun &&
        (!runRequest(nullptr, kind, info, driverName, section.name, section.attributes) ||
         !writeOtherKeys(info, name, section.attributes)))
        return Outcome::failed;
    return exists ? Outcome::changed : Outcome::added;
}

void report(const FileSection& section, const Command& command, Outcome outcome) {
    static const char* const done[] = {"added", "changed", "left", "failed"};
    static const char* const planned[] = {"would add", "would change", "left", "failed"};
    const char* const* words = command.dryRun ? planned : done;
    int index = static_cast<int>(outcome);
    Scope scope = command.scope != Scope::unspecified ? command.scope : section.scope;
    say("%s data source \"%s\" (%s)%s\n", words[index], section.name, scopeInfo(scope).name,
        outcome == Outcome::left ? " unchanged" : "");
}

} // namespace

int importSources(const Command& command) {
    static FileSection section;
    char message[messageCapacity];
    size_t length = 0;
    if (!readImportFile(command.filePath, &length))
        return 2;
    // The whole file is read before anything changes: a broken file
    // changes nothing.
    FileReader reader;
    startReading(&reader, fileText, length);
    ReadResult result;
    int sections = 0;
    while ((result = readSection(&reader, &section, message)) == ReadResult::section)
        ++sections;
    if (result == ReadResult::error || sections == 0) {
        complain("dsnconfig: %s: %s\n", command.filePath,
                 result == ReadResult::error ? message : "no data sources");
        return 2;
    }
    int counts[4] = {};
    startReading(&reader, fileText, length);
    while (readSection(&reader, &section, message) == ReadResult::section) {
        Outcome outcome = importSection(section, command);
        report(section, command, outcome);
        ++counts[static_cast<int>(outcome)];
    }
    say("%s: %d added, %d changed, %d left, %d failed\n", command.dryRun ? "dry run" : "import",
        counts[0], counts[1], counts[2], counts[3]);
    return counts[3] > 0 ? 1 : 0;
}

} // namespace dsnconfig
