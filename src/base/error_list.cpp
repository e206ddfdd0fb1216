#include "base/error_list.h"
#include "base/resource_library.h"
#include "base/per_thread.h"
#include <cstring>
#include <initializer_list>

namespace {
// Built before the library's entry function runs and alive until unload.
// The out-of-memory record stands for every allocation that failed; the
// inert record is what chained calls get when nothing may be recorded.
struct StaticRecord : RvError {
    StaticRecord(uint16_t id, uint32_t kind) : RvError(id, 0, 0, 0) { flags |= isStatic | kind; }
};
StaticRecord outOfMemoryStatic(msgOutOfMemory, RvError::outOfMemory);
StaticRecord inertStatic(0, RvError::inert);

const char16_t unknownParam[] = u"<unknown>";
} // namespace

RvError* outOfMemoryRecord() {
    return &outOfMemoryStatic;
}
RvError* inertRecord() {
    return &inertStatic;
}

void releaseStaticErrorTexts() {
    outOfMemoryStatic.message.clear();
    inertStatic.message.clear();
}

// --- RvError ---------------------------------------------------------------

RvError::RvError(uint16_t id, int severity, uint16_t state, int32_t native)
    : nativeError(native), messageId(id), stateId(state) {
    flags &= ~0x3Fu;
    if (severity == 1)
        flags |= warning;
}

void RvError::setSqlState(const char* state) {
    if (flags & inert)
        return;
    for (int i = 0; i < 5; ++i)
        sqlState[i] = static_cast<unsigned char>(state[i]);
    sqlState[5] = 0;
}

void RvError::setStateId(uint16_t id) {
    if (!(flags & inert))
        stateId = id;
}

void RvError::effectiveSqlState(char16_t out[6]) const {
    if (sqlState[0]) {
        std::memcpy(out, sqlState, sizeof sqlState);
        return;
    }
    if (stateId != 0) {
        char16_t text[resourceStringCapacity];
        loadResourceString(text, stateId);
        uint32_t i = 0;
        for (; i < 5 && text[i]; ++i)
            out[i] = text[i];
        out[i] = 0;
        return;
    }
    const char* fallback = (flags & outOfMemory) ? "HY001" : "HY000";
    for (int i = 0; i < 6; ++i)
        out[i] = static_cast<unsigned char>(fallback[i]);
}

namespace {
bool classInRange(const char16_t* state, const char* low, const char* high) {
    auto order = [](const char16_t* a, const char* b) {
        for (int i = 0; i < 2; ++i)
            if (a[i] != static_cast<unsigned char>(b[i]))
                return a[i] < static_cast<unsigned char>(b[i]) ? -1 : 1;
        return 0;
    };
    return order(state, low) >= 0 && order(state, high) <= 0;
}

bool stateIs(const char16_t* state, const char* text) {
    for (int i = 0; i < 5; ++i)
        if (state[i] != static_cast<unsigned char>(text[i]))
            return false;
    return true;
}
} // namespace

// Rank order of ODBC diagnostic records: rows first, then communication
// link failures, row-count warnings, errors before warnings, driver
// manager diagnostics.
int16_t RvError::compare(const RvObject& other) const {
    const RvError& b = static_cast<const RvError&>(other);
    if (rowNumber != b.rowNumber)
        return rowNumber < b.rowNumber ? -1 : 1;
    char16_t sa[6], sb[6];
    effectiveSqlState(sa);
    b.effectiveSqlState(sb);
    for (const char* state : {"08S01", "01S01"}) {
        if (stateIs(sa, state))
            return -1;
        if (stateIs(sb, state))
            return 1;
    }
    if (classInRange(sa, "03", "HZ"))
        return -1;
    if (classInRange(sb, "03", "HZ"))
        return 1;
    if (classInRange(sa, "IM", "IM"))
        return -1;
    if (classInRange(sb, "IM", "IM"))
        return 1;
    return 0;
}

RvError* RvError::fillPlaceholder(char letter, const char16_t* value, uint32_t n) {
    uint16_t number = ++message.paramCount;
    // "%s1".."%s9", then "%sx10" and up, so that "%s1" never matches the
    // start of a two-digit placeholder.
    char16_t placeholder[40] = {u'%', static_cast<char16_t>(letter)};
    uint32_t length = 2;
    if (number >= 10)
        placeholder[length++] = u'x';
    length += formatUnsignedW(placeholder + length, number);
    if (message.replaceAll(placeholder, length, value, n) != 0) {
        message.paramFlags |= RvParamStringW::paramFailed;
        return inertRecord();
    }
    return this;
}

namespace {
// Removes and deletes the diagnostics posted to list after it held count
// items.
void withdrawSince(RvErrorList* list, uint32_t count) {
    while (list->count > count) {
        RvError* record = list->removeLast();
        if (record && !(record->flags & RvError::isStatic))
            delete record;
    }
}
} // namespace

RvError* RvError::addText(const char* bytes, uint32_t n, int32_t enc) {
    if (flags & inert)
        return this;
    RvErrorList* list = currentErrorList();
    uint32_t before = list ? list->count : 0;
    RvStringW converted;
    if (converted.fromNarrow(bytes, n, enc) == 0)
        return fillPlaceholder('s', converted.buffer, converted.length);

    // Text that is not valid UTF-8 is most likely in the ANSI code page:
    // take back what the failed attempt posted and try that.
    if (enc == encodingUtf8 && list && list->count > before &&
        !(list->listFlags & RvErrorList::outOfMemoryPending)) {
        withdrawSince(list, before);
        if (converted.fromNarrow(bytes, n, encodingAnsi) == 0)
            return fillPlaceholder('s', converted.buffer, converted.length);
        withdrawSince(list, before);
    }
    return fillPlaceholder('s', unknownParam, lengthW(unknownParam));
}

RvError* RvError::addParam(const char* text) {
    if (flags & inert)
        return this;
    return addText(text, static_cast<uint32_t>(std::strlen(text)), textEncoding);
}

RvError* RvError::addParam(const RvSubString& text) {
    return addText(text.data, text.length, text.encoding);
}

RvError* RvError::addParam(uint32_t number) {
    if (flags & inert)
        return this;
    char16_t digits[32];
    uint32_t n = formatUnsignedW(digits, number);
    return fillPlaceholder('d', digits, n);
}

int RvError::appendText(const char* text) {
    if (flags & inert)
        return 0;
    return message.appendBytes(text, static_cast<uint32_t>(std::strlen(text)));
}

const char* RvError::messageText() {
    if (flags & outOfMemory)
        return "Out Of Memory";
    // The inert record is shared by all threads and its text is always
    // empty: its cache is never touched.
    if (flags & inert)
        return "";
    return message.toNarrow(textEncoding);
}

// --- RvErrorList -------------------------------------------------------------

RvErrorList::RvErrorList(int32_t ctx, int32_t keep) : context(ctx), listFlags(keep & keepAll) {
    // Both order bits: every diagnostic is appended, the list keeps posting
    // order.
    orderFlags = 3;
    flags |= ownsElements;
}

RvErrorList::~RvErrorList() {
    clear();
}

RvError* RvErrorList::outOfMemoryError() {
    return outOfMemoryRecord();
}

RvError* RvErrorList::inertError() {
    return inertRecord();
}

namespace {
template <typename Source, typename... Args>
RvError* makeRecord(uint16_t id, int severity, uint16_t state, int32_t native, int32_t enc,
                    Source text, Args... args) {
    RvError* record = new RvError(id, severity, state, native);
    if (!record)
        return nullptr;
    record->message.setText(text, args...);
    record->textEncoding = enc;
    return record;
}
} // namespace

RvError* RvErrorList::newError(uint16_t id, const char16_t* text, int severity, uint16_t state,
                               int32_t native) {
    return makeRecord(id, severity, state, native, encodingUtf8, text);
}

RvError* RvErrorList::newError(uint16_t id, const char* bytes, UConverter* converter, int severity,
                               uint16_t state, int32_t native) {
    return makeRecord(id, severity, state, native, encodingUtf8, bytes, converter);
}

RvError* RvErrorList::newError(uint16_t id, const char* bytes, CodePageId codePage, int severity,
                               uint16_t state, int32_t native) {
    return makeRecord(id, severity, state, native, encodingUtf8, bytes, codePage);
}

RvError* RvErrorList::newError(uint16_t id, const char* bytes, int32_t enc, int severity,
                               uint16_t state, int32_t native) {
    return makeRecord(id, severity, state, native, enc, bytes, enc);
}

RvError* RvErrorList::post(RvError* record) {
    if (!(listFlags & keepAll) && errorCount != 0) {
        if (record && !(record->flags & RvError::isStatic))
            delete record;
        return inertError();
    }
    if (!record)
        return inertError();
    if (add(record) != 0) {
        // The growth failure is already recorded as out of memory. A record
        // that no list holds would be lost with its memory: drop it.
        delete record;
        return inertError();
    }
    record->owner = this;
    if (record->flags & RvError::warning)
        ++warningCount;
    else
        ++errorCount;
    return record;
}

RvError* RvErrorList::lastDiagnostic() const {
    if (listFlags & outOfMemoryPending)
        return outOfMemoryRecord();
    return count ? item(count - 1) : nullptr;
}

RvError* RvErrorList::removeLast() {
    if (listFlags & outOfMemoryPending) {
        listFlags &= ~outOfMemoryPending;
        --errorCount;
        return outOfMemoryRecord();
    }
    if (count == 0)
        return nullptr;
    RvError* record = item(count - 1);
    removeAt(count - 1);
    items[count] = nullptr;
    if (record->flags & RvError::warning)
        --warningCount;
    else
        --errorCount;
    record->owner = nullptr;
    return record;
}

void RvErrorList::clear() {
    listFlags &= ~outOfMemoryPending;
    while (retired) {
        RvError* next = retired->nextRetired;
        delete retired;
        retired = next;
    }
    clearAndDelete();
    errorCount = 0;
    warningCount = 0;
}

// --- the thread's current list -------------------------------------------------

RvErrorList* currentErrorList() {
    // Looking up must not allocate: it runs when an allocation has failed.
    RvThreadInfo* info = lookupThreadInfo(platCurrentThreadId());
    return info ? static_cast<RvErrorList*>(info->slots[0]) : nullptr;
}

void installErrorList(RvErrorList* list) {
    void** slot = threadSlotAddress(0);
    if (!slot) {
        // No record for this thread and no memory to make one: the list
        // stays uninstalled and posts on this thread find no list.
        list->previous = nullptr;
        list->installedAt = nullptr;
        return;
    }
    list->previous = static_cast<RvErrorList*>(*slot);
    *slot = list;
    list->installedAt = slot;
}

RvErrorList* uninstallErrorList() {
    RvThreadInfo* info = lookupThreadInfo(platCurrentThreadId());
    if (!info)
        return nullptr;
    RvErrorList* list = static_cast<RvErrorList*>(info->slots[0]);
    if (list)
        info->slots[0] = list->previous;
    return list;
}

namespace {
RvError* postBySeverity(uint16_t messageId, int severity) {
    RvErrorList* list = currentErrorList();
    if (!list)
        return inertRecord();
    char16_t text[resourceStringCapacity];
    loadResourceString(text, messageId);
    return list->post(list->newError(messageId, text, severity, 0, 0));
}
} // namespace

RvError* postError(uint16_t messageId) {
    return postBySeverity(messageId, 0);
}

RvError* postWarning(uint16_t messageId) {
    return postBySeverity(messageId, 1);
}

void appendToLastError(uint16_t messageId) {
    RvErrorList* list = currentErrorList();
    RvError* last = list ? list->lastDiagnostic() : nullptr;
    if (!last || (last->flags & RvError::isStatic))
        return;
    char16_t text[resourceStringCapacity];
    uint32_t n = static_cast<uint32_t>(loadResourceString(text, messageId));
    if (last->message.appendUnits(text, n) == 0)
        last->message.paramCount = 0;
}

int mapConverterStatus(int status) {
    RvError* record = nullptr;
    const char* state = "HY000";
    uint16_t stateId = stateGeneralError;
    int result = 1;
    switch (status) {
    case 0: // U_ZERO_ERROR
        return 0;
    case 4: // U_FILE_ACCESS_ERROR
        record = postError(msgNoConverter);
        break;
    case 12: // U_ILLEGAL_CHAR_FOUND
        record = postWarning(msgConverterIllegalChar);
        state = "01000";
        stateId = stateGeneralWarning;
        result = 0;
        break;
    case 13: // U_INVALID_TABLE_FORMAT
    case 14: // U_INVALID_TABLE_FILE
        record = postError(msgConverterTable);
        break;
    case 15: // U_BUFFER_OVERFLOW_ERROR
        record = postWarning(msgConverterOverflow);
        state = "01004";
        stateId = stateTruncated;
        result = 0;
        break;
    default:
        record = postError(msgConversionFailed);
        break;
    }
    record->setSqlState(state);
    record->setStateId(stateId);
    return result;
}

void noteOutOfMemory() {
    RvErrorList* list = currentErrorList();
    if (!list)
        return;
    // In single-error mode the out-of-memory error replaces the error held.
    // The replaced record is retired rather than deleted: the failed
    // allocation may belong to a parameter being added to it right now.
    if (!(list->listFlags & RvErrorList::keepAll) && list->errorCount != 0) {
        RvError* held = list->removeLast();
        if (held && !(held->flags & RvError::isStatic)) {
            held->nextRetired = list->retired;
            list->retired = held;
        }
    }
    if (!(list->listFlags & RvErrorList::outOfMemoryPending)) {
        ++list->errorCount;
        list->listFlags |= RvErrorList::outOfMemoryPending;
    }
}
