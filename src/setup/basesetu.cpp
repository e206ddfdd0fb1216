#include "setup/basesetu.h"
#include "base/rvplatform.h"
#include "store/instshim.h"
#include "setup/mainsetu.h"
#include "base/crypt.h"
#include "base/perthred.h"
#include "base/rverror.h"
#include "base/rvvaluep.h"
#include "base/utility.h"

namespace {
enum : uint32_t {
    attributeScanLimit = 2048,
    // Stored values are read whole up to this size. Installers answer a
    // value that does not fit differently: Windows cuts it, Wine 8 returns
    // the default instead; one read with room for the longest value this
    // library takes is right under both.
    storedValueLimit = 65536,
    // A listing of key names is whole only while the room left could still
    // take the longest registry value name.
    longestKeyName = 16384,
};
const char odbcIni[] = "ODBC.INI";

char* copyText(const RvSubString& text) {
    return rvAllocText(text.data, text.length);
}

// For configure and remove requests the installer may put a parenthesised
// entry second; it is not part of the data source. Returns an owned copy
// of the n bytes without that entry in *shortened (null when there is no
// such entry), and the new length in *n. 1 when memory ran out.
int removeParenthesisedEntry(const char* text, uint32_t* n, char** shortened) {
    *shortened = nullptr;
    uint32_t firstEnd = 0;
    while (firstEnd < *n && text[firstEnd])
        ++firstEnd;
    if (firstEnd >= *n)
        return 0;
    uint32_t secondStart = firstEnd + 1;
    uint32_t secondEnd = secondStart;
    while (secondEnd < *n && text[secondEnd])
        ++secondEnd;
    uint32_t secondLength = secondEnd - secondStart;
    if (secondLength == 0 || text[secondStart] != '(')
        return 0;
    uint32_t last = lastCharOffset(text + secondStart, secondLength, encodingAnsi);
    if (text[secondStart + last] != ')' || last + 1 != secondLength)
        return 0;

    uint32_t restStart = secondEnd < *n ? secondEnd + 1 : *n;
    uint32_t length = secondStart + (*n - restStart);
    char* copy = static_cast<char*>(rvAlloc(length + 1));
    if (!copy)
        return 1;
    copyBytes(copy, text, secondStart);
    copyBytes(copy + secondStart, text + restStart, *n - restStart);
    copy[length] = 0;
    *shortened = copy;
    *n = length;
    return 0;
}

// Passed as the default when reading a key the listing named: it comes
// back only when the installer could not return the stored value (Wine 8
// answers a value longer than the buffer with the default).
const char unreadableValue[] = "\x7F<unreadable>\x7F";

// The keys stored under a data source's section, listed with one installer
// call so that only keys that are there are read. *complete is 0 when the
// listing may have been cut; every key must then be read.
struct StoredKeys {
    const char* names;
    uint32_t length;
    int complete;
};

StoredKeys listStoredKeys(const char* section, char* buffer) {
    buffer[0] = buffer[1] = 0;
    int n = SQLGetPrivateProfileString(section, nullptr, "", buffer,
                                       static_cast<int>(storedValueLimit), odbcIni);
    // An answer as long as the buffer, or longer, is read no further than
    // the buffer and is never taken as whole.
    uint32_t length = n > 0 ? static_cast<uint32_t>(n) : 0;
    if (length > storedValueLimit - 1)
        length = storedValueLimit - 1;
    buffer[length] = 0; // the last name ends even in a listing that was cut
    // Installers stop listing at the first name that no longer fits.
    StoredKeys keys = {buffer, length, length + longestKeyName + 2 <= storedValueLimit};
    return keys;
}

int isStoredKey(const StoredKeys& keys, const char* keyword) {
    if (!keys.complete)
        return 1;
    uint32_t keywordLength = static_cast<uint32_t>(textLength(keyword));
    for (uint32_t i = 0; i < keys.length;) {
        uint32_t end = i;
        while (end < keys.length && keys.names[end])
            ++end;
        if (equalsIgnoreCaseN(keys.names + i, end - i, keyword, keywordLength))
            return 1;
        i = end + 1;
    }
    return 0;
}

// How a stored value came back: whole, answered with the marker default
// (the key is missing, or its value too long for Wine 8's installer), or
// possibly cut.
enum ValueRead { valueWhole, valueUnanswered, valueCut };

// Reads the value of key under section into buffer (storedValueLimit
// bytes); *n is the installer's answer.
ValueRead readWholeValue(const char* section, const char* key, char* buffer, int* n) {
    buffer[0] = 0;
    *n = SQLGetPrivateProfileString(section, key, unreadableValue, buffer,
                                    static_cast<int>(storedValueLimit), odbcIni);
    buffer[storedValueLimit - 1] = 0;
    if (compareText(buffer, unreadableValue) == 0)
        return valueUnanswered;
    return *n >= static_cast<int>(storedValueLimit) - 1 ? valueCut : valueWhole;
}

char* copyDefault(const AttributeDescriptor& row, int* failed) {
    char* value = row.defaultValue ? rvAllocText(row.defaultValue) : nullptr;
    if (row.defaultValue && !value)
        *failed = 1;
    return value;
}

// A stored value: the value under the data source's section, else a copy
// of the row's default (null when the row has none). buffer has
// storedValueLimit bytes. *failed is set when memory ran out or the stored
// value is too long to read whole: writing back a cut value or the default
// in its place would lose it.
char* readStoredValue(const char* section, const AttributeDescriptor& row, const StoredKeys& keys,
                      char* buffer, int* failed) {
    if (!isStoredKey(keys, row.keyword))
        return copyDefault(row, failed);
    int n = 0;
    ValueRead read = readWholeValue(section, row.keyword, buffer, &n);
    // Without a whole listing the key may simply be missing.
    if (read == valueUnanswered && !keys.complete)
        return copyDefault(row, failed);
    if (read != valueWhole) {
        *failed = 1;
        return nullptr;
    }
    if (n < 1 || buffer[0] == 0)
        return copyDefault(row, failed);
    char* value = rvAllocText(buffer);
    if (!value)
        *failed = 1;
    return value;
}

// Types 3 and 4 store "n - text" as its number: the value is cut after a
// leading run of digits when blanks and a "-" follow it.
void cutToLeadingNumber(char* value) {
    if (*value < '0' || *value > '9')
        return;
    char* digitsEnd = value;
    while (*digitsEnd >= '0' && *digitsEnd <= '9')
        ++digitsEnd;
    if (*skipSpaces(digitsEnd, encodingAnsi) == '-')
        *digitsEnd = 0;
}

// Whether a save writes the key itself: Driver is the registration's, any
// other a row's of the table, translator rows included. Key names compare
// without regard to case, as the installer's do.
int isWrittenKey(const SetupContext* context, const char* name, uint32_t length) {
    static const char driverKey[] = "Driver";
    if (equalsIgnoreCaseN(name, length, driverKey, sizeof driverKey - 1))
        return 1;
    for (uint16_t i = 0; i < context->attributeCount; ++i) {
        const char* keyword = context->table[i].keyword;
        if (equalsIgnoreCaseN(name, length, keyword, static_cast<uint32_t>(textLength(keyword))))
            return 1;
    }
    return 0;
}

// Appends one pair to the context's kept keys. 1 when memory ran out.
int appendKeptKey(SetupContext* context, const char* name, size_t nameLength, const char* value) {
    size_t valueLength = textLength(value);
    size_t start = context->keptKeysLength;
    size_t length = start + nameLength + 1 + valueLength + 1;
    char* keys = static_cast<char*>(rvRealloc(context->keptKeys, length));
    if (!keys)
        return 1;
    copyBytesZ(copyBytesZ(keys + start, name, nameLength) + 1, value, valueLength);
    context->keptKeys = keys;
    context->keptKeysLength = length;
    return 0;
}

// Keeps every listed key that the table does not know, with its value read
// whole: a key that cannot be kept so fails the load rather than be lost
// by the save. buffer has storedValueLimit bytes. 0 when done, 1 otherwise.
int keepUnknownKeys(SetupContext* context, const StoredKeys& keys, char* buffer) {
    for (uint32_t i = 0; i < keys.length;) {
        const char* name = keys.names + i;
        uint32_t nameLength = static_cast<uint32_t>(textLength(name));
        i += nameLength + 1;
        if (nameLength == 0 || isWrittenKey(context, name, nameLength))
            continue;
        int n = 0;
        if (readWholeValue(context->dataSourceName, name, buffer, &n) != valueWhole || n < 0 ||
            appendKeptKey(context, name, nameLength, buffer))
            return 1;
    }
    return 0;
}

int loadValues(SetupContext* context, RvValueParser& parser) {
    // A file data source, or one not yet named, has nothing stored to fall
    // back on (an empty name would address no data source); any other
    // request lists what is stored once and reads only what is there.
    // One block holds the listing, then room for the value being read.
    char* buffer = nullptr;
    StoredKeys keys = {nullptr, 0, 1};
    if (!context->isFileDataSource && context->dataSourceName[0]) {
        if (!(buffer = static_cast<char*>(rvAlloc(2 * storedValueLimit))))
            return 0;
        keys = listStoredKeys(context->dataSourceName, buffer);
    }
    char* valueBuffer = buffer ? buffer + storedValueLimit : nullptr;
    // A request that saves keeps the stored keys the table does not know,
    // and fails when the listing may have been cut: keys past it would be
    // lost unseen. A removal keeps nothing.
    int keeps = buffer && context->request != requestRemoveDsn;
    int loaded = keeps ? keys.complete : 1;
    for (uint16_t i = 0; loaded && i < context->attributeCount; ++i) {
        const AttributeDescriptor& row = context->table[i];
        const RvSubString* given = parser.lookup(row.keyword);
        if (!given && row.shortKeyword && row.shortKeyword[0])
            given = parser.lookup(row.shortKeyword);
        int failed = 0;
        char* value;
        if (given)
            failed = !(value = copyText(*given));
        else if (context->isFileDataSource)
            value = copyDefault(row, &failed);
        else
            value = readStoredValue(context->dataSourceName, row, keys, valueBuffer, &failed);
        context->values[i] = value;
        loaded = !failed;
    }
    if (loaded && keeps)
        loaded = keepUnknownKeys(context, keys, valueBuffer) == 0;
    rvFree(buffer);
    return loaded;
}

int parseAndLoad(SetupContext* context, uint16_t* wantsSheet) {
    uint32_t n = measureAttributes(context->attributes);
    char* shortened = nullptr;
    if (context->request == requestConfigDsn || context->request == requestRemoveDsn) {
        if (removeParenthesisedEntry(context->attributes, &n, &shortened))
            return 0;
    }
    const char* text = shortened ? shortened : context->attributes;
    RvSubString input(text, n, encodingAnsi);
    RvValueParser* parser = new RvValueParser(input, '\0', nullptr, 0);
    int result = 0;
    if (!parser || parser->parse())
        goto done;
    {
        const RvSubString* dsn = parser->lookup("DSN");
        context->storedName = dsn ? copyText(*dsn) : rvAllocText("");
        context->dataSourceName = dsn ? copyText(*dsn) : rvAllocText("");
        if (!context->storedName || !context->dataSourceName)
            goto done;

        const RvSubString* saveFile = parser->lookup("SAVEFILE");
        if (saveFile) {
            context->isFileDataSource = 1;
            rvFree(context->dataSourceName);
            if (!(context->dataSourceName = copyText(*saveFile)))
                goto done;
            // The connection string goes back through the caller's
            // variable; a request without a readable address fails here.
            const RvSubString* address = parser->lookup("OutStrAddr");
            if (!address ||
                decodeOutputAddress(address->data, address->length, &context->outputAddress))
                goto done;
        }
        if (!loadValues(context, *parser))
            goto done;
    }

    if (context->request == requestRemoveDsn) {
        *wantsSheet = 0;
        // An empty name would address the installer's whole ODBC.INI
        // section list rather than one data source.
        // A file data source was never stored in ODBC.INI: there is nothing
        // to remove there, and a data source named like the file is not its.
        if (context->isFileDataSource)
            result = 1;
        else
            result = context->dataSourceName[0] ? SQLRemoveDSNFromIni(context->dataSourceName) : 0;
    } else if (context->parentWindow) {
        *wantsSheet = 1;
        // A sheet owned by the desktop would have no owner to return to.
        if (context->parentWindow == platDesktopWindow())
            context->parentWindow = nullptr;
        result = 1;
    } else {
        *wantsSheet = 0;
        result = saveDataSource(context) == saveDone;
    }

done:
    delete parser;
    rvFree(shortened);
    return result;
}
} // namespace

uint32_t measureAttributes(const char* attributes) {
    // The second NUL of a pair is read only after the first one, so no
    // byte past the caller's terminating pair is touched.
    for (uint32_t i = 0; i < attributeScanLimit; ++i)
        if (attributes[i] == 0 && attributes[i + 1] == 0)
            return i;
    return attributeScanLimit;
}

void initSetupContext(SetupContext* context, void* parentWindow, uint16_t request,
                      const char* driverName, const char* attributes,
                      const AttributeDescriptor* table, uint16_t count) {
    context->parentWindow = parentWindow;
    context->request = request;
    context->driverName = driverName;
    context->attributes = attributes;
    context->table = table;
    context->attributeCount = count;
    context->values = nullptr;
    context->storedName = nullptr;
    context->dataSourceName = nullptr;
    context->keptKeys = nullptr;
    context->keptKeysLength = 0;
    context->refusalReason = nullptr;
    context->sheet = nullptr;
    context->outputAddress = nullptr;
    context->handedBack = nullptr;
    context->isFileDataSource = 0;
    context->errorList = nullptr;
    context->flags = 0;
    context->animation = AnimationState{};
}

void freeRowTexts(AttributeDescriptor* row) {
    rvFree(const_cast<char*>(row->keyword));
    rvFree(const_cast<char*>(row->shortKeyword));
    rvFree(const_cast<char*>(row->choices));
    rvFree(const_cast<char*>(row->defaultValue));
}

void destroySetupContext(SetupContext* context) {
    rvFree(context->storedName);
    rvFree(context->dataSourceName);
    context->storedName = context->dataSourceName = nullptr;
    rvFree(context->keptKeys);
    context->keptKeys = nullptr;
    context->keptKeysLength = 0;
    rvFree(context->refusalReason);
    context->refusalReason = nullptr;
    if (context->values) {
        for (uint16_t i = 0; i < context->attributeCount; ++i)
            rvFree(context->values[i]);
        rvFree(context->values);
        context->values = nullptr;
    }
    if (context->flags & ownsTable) {
        AttributeDescriptor* rows = const_cast<AttributeDescriptor*>(context->table);
        for (uint16_t i = 0; i < context->attributeCount; ++i)
            freeRowTexts(&rows[i]);
        rvFree(rows);
        context->table = nullptr;
    }
    if (context->flags & ownsAttributes) {
        rvFree(const_cast<char*>(context->attributes));
        context->attributes = nullptr;
    }
    if (context->errorList) {
        context->errorList->clear();
        if (context->flags & errorListInstalled)
            uninstallErrorList();
        delete context->errorList;
        context->errorList = nullptr;
    }
    if (context->flags & holdsResourceLibrary)
        releaseResourceLibrary(&resourceLibrary, &resourceLibraryUses);
    context->flags = 0;
}

int loadSetupContext(SetupContext* context, uint16_t* wantsSheet) {
    *wantsSheet = 0;
    // Only a use actually taken is the context's to give back; releasing
    // one that was never taken would unload the library under the caller.
    if (loadResourceLibrary(nullptr, 0, &resourceLibrary, &resourceLibraryUses) == 0)
        context->flags |= holdsResourceLibrary;

    if (!context->attributes) {
        char* empty = static_cast<char*>(rvAlloc(2));
        if (!empty)
            return 0;
        empty[0] = empty[1] = 0;
        context->attributes = empty;
        context->flags |= ownsAttributes;
    }

    context->errorList = new RvErrorList(0, 1);
    if (!context->errorList)
        return 0;
    installErrorList(context->errorList);
    // Without a per-thread record the list could not be installed, and
    // there is then nothing to put back at the end.
    if (context->errorList->installedAt)
        context->flags |= errorListInstalled;

    context->values = static_cast<char**>(rvAlloc(sizeof(char*) * (context->attributeCount + 1u)));
    if (!context->values)
        return 0;
    for (uint16_t i = 0; i < context->attributeCount; ++i)
        context->values[i] = nullptr;

    return parseAndLoad(context, wantsSheet);
}

namespace {
// Writes back the kept keys that no row writes: a translator chosen in this
// request replaces the stored one. TRUE or FALSE.
int writeKeptKeys(const SetupContext* context, const char* name) {
    if (!context->keptKeys)
        return 1;
    const char* end = context->keptKeys + context->keptKeysLength;
    for (const char* key = context->keptKeys; key < end;) {
        uint32_t keyLength = static_cast<uint32_t>(textLength(key));
        const char* value = key + keyLength + 1;
        if (!isWrittenKey(context, key, keyLength) &&
            !SQLWritePrivateProfileString(name, key, value, odbcIni))
            return 0;
        key = value + textLength(value) + 1;
    }
    return 1;
}

// Writes the rows' values and the kept keys under name. TRUE or FALSE.
int writeValues(SetupContext* context, const char* name) {
    for (uint16_t i = 0; i < context->attributeCount; ++i) {
        char* value = context->values[i];
        if (!value)
            continue;
        const AttributeDescriptor& row = context->table[i];
        if (row.controlType == controlWordList || row.controlType == controlChoiceList)
            cutToLeadingNumber(value);
        if (row.controlType == controlSecret && value[0]) {
            // Secret text is never written in the clear: its stored form
            // replaces the value in the context too.
            size_t n = textLength(value);
            size_t size = secretStoredSize(n);
            char* storedForm = static_cast<char*>(rvAlloc(size));
            size_t storedLength = 0;
            if (!storedForm || encodeSecretValue(storedForm, size, value, n, &storedLength)) {
                rvFree(storedForm);
                return 0;
            }
            rvFree(value);
            context->values[i] = value = storedForm;
        }
        if (!SQLWritePrivateProfileString(name, row.keyword, value, odbcIni))
            return 0;
    }
    return writeKeptKeys(context, name);
}

// The installer keeps at most eight error records of its last call; each
// message fits SQL_MAX_MESSAGE_LENGTH (512) bytes.
enum : uint16_t { installerRecords = 8, installerMessageBytes = 512 };
enum : int16_t { installerSuccess = 0, installerSuccessWithInfo = 1 };

// Keeps the installer's messages about the call it just refused, one a
// line, before a later call clears them; a message that would not fit
// whole is left out. Nothing is kept when it gave none.
void keepRefusalReason(SetupContext* context) {
    char text[installerRecords * installerMessageBytes];
    size_t used = 0;
    for (uint16_t record = 1; record <= installerRecords; ++record) {
        char message[installerMessageBytes] = "";
        uint32_t code = 0;
        uint16_t length = 0;
        int16_t status = SQLInstallerError(record, &code, message, sizeof message, &length);
        if (status != installerSuccess && status != installerSuccessWithInfo)
            break;
        size_t n = textLength(message);
        size_t separator = used ? 1 : 0;
        if (n == 0 || used + separator + n >= sizeof text)
            continue;
        if (separator)
            text[used++] = '\n';
        copyBytesZ(text + used, message, n);
        used += n;
    }
    if (used)
        context->refusalReason = rvAllocText(text, used);
}

// Writes the data source under its name, which the installer has found
// valid. A rename writes the new name whole before it removes the old one,
// and a rename that does not go through whole takes the new registration
// back: the data source is then still stored under its old name alone, and
// the request still names it there. TRUE or FALSE.
int writeDataSource(SetupContext* context) {
    const char* name = context->dataSourceName;
    const char* stored = context->storedName;
    int renaming = stored && stored[0] && compareIgnoreCaseZ(name, stored) != 0;
    if (!SQLWriteDSNToIni(name, context->driverName)) {
        keepRefusalReason(context);
        return 0;
    }
    if (writeValues(context, name) && (!renaming || SQLRemoveDSNFromIni(stored)))
        return 1;
    keepRefusalReason(context);
    if (renaming)
        SQLRemoveDSNFromIni(name);
    return 0;
}
} // namespace

SaveOutcome saveDataSource(SetupContext* context) {
    const char* name = context->dataSourceName;
    // A file data source is never stored in ODBC.INI: its connection
    // string is handed back instead. It is named by its file, which need
    // not be a valid data-source name.
    if (context->isFileDataSource && name && name[0])
        return storeConnectionString(context) == 0 ? saveDone : saveFailed;
    if (!name || !name[0] || !SQLValidDSN(name))
        return saveInvalidName;
    rvFree(context->refusalReason);
    context->refusalReason = nullptr;
    // After the save the data source is stored under its new name: the
    // next save of the same request moves it from there. The copy is made
    // first, so that running out of memory changes nothing stored.
    char* storedName = rvAllocText(name);
    if (!storedName)
        return saveFailed;
    if (!writeDataSource(context)) {
        rvFree(storedName);
        return saveRefused;
    }
    rvFree(context->storedName);
    context->storedName = storedName;
    return saveDone;
}
