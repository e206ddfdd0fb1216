// Diagnostics: one record (RvError) and the per-request list that holds
// them (RvErrorList). Failures are posted by message number into the list
// current on the calling thread; running out of memory is recorded without
// allocating.
#pragma once
#include "base/list_item.h"
#include "base/sorted_array.h"
#include "base/narrow_string.h"
#include "base/wide_string.h"

class RvErrorList;

// Message numbers posted by the library; each is also the string id of its
// text in the resource library.
enum : uint16_t {
    msgFileNameTooLong = 1524,
    msgSyntaxError = 2704,
    msgSyntaxErrorIn = 2705,
    msgRepeatedKeyword = 2706,
    msgBadHexDigit = 2708,
    msgBufferNotOwned = 2716,
    msgConverterOverflow = 2735,
    msgConverterIllegalChar = 2736,
    msgConversionFailed = 2737,
    msgConverterTable = 2738,
    msgNoConverter = 2739,
    msgDialogFailed = 9999,
    msgOutOfMemory = 30190,
};

// String ids of SQLSTATE texts.
enum : uint16_t {
    stateGeneralWarning = 2, // 01000
    stateTruncated = 4,      // 01004
    stateGeneralError = 60,  // HY000
};

class RvError : public RvNode {
public:
    enum : uint32_t {
        warning = 1,
        isStatic = 2,
        outOfMemory = 4,
        inert = 8,
    };

    RvError(uint16_t id, int severity, uint16_t state, int32_t native);
    int16_t compare(const RvObject& other) const override;

    RvError* addParam(const char* text);
    RvError* addParam(const RvSubString& text);
    RvError* addParam(uint32_t number);
    int appendText(const char* text);
    const char* messageText();
    // Effective SQLSTATE, five characters and a terminator.
    void effectiveSqlState(char16_t out[6]) const;
    // Explicit SQLSTATE and state string id; both leave an inert record as
    // it is, so a write after a dropped post touches nothing.
    void setSqlState(const char* state);
    void setStateId(uint16_t id);

    RvErrorList* owner = nullptr;
    int32_t nativeError = 0;
    uint16_t messageId = 0;
    uint16_t stateId = 0;
    RvParamStringW message;
    int32_t textEncoding = encodingUtf8;
    char16_t sqlState[6] = {};
    int32_t rowNumber = -1;
    int32_t columnNumber = -1;
    uint32_t flags = 0;
    // Next record retired by an out-of-memory replacement (see RvErrorList).
    RvError* nextRetired = nullptr;

private:
    RvError* addText(const char* bytes, uint32_t n, int32_t enc);
    RvError* fillPlaceholder(char letter, const char16_t* value, uint32_t n);
};

class RvErrorList : public RvSortedArray {
public:
    enum : uint32_t {
        keepAll = 1,
        outOfMemoryPending = 2,
    };

    RvErrorList(int32_t ctx, int32_t keep);
    ~RvErrorList() override;

    virtual RvError* outOfMemoryError();
    virtual RvError* inertError();
    virtual RvError* newError(uint16_t id, const char16_t* text, int severity, uint16_t state,
                              int32_t native);
    virtual RvError* newError(uint16_t id, const char* bytes, UConverter* converter, int severity,
                              uint16_t state, int32_t native);
    virtual RvError* newError(uint16_t id, const char* bytes, CodePageId codePage, int severity,
                              uint16_t state, int32_t native);
    virtual RvError* newError(uint16_t id, const char* bytes, int32_t enc, int severity,
                              uint16_t state, int32_t native);

    RvError* post(RvError* record);
    RvError* lastDiagnostic() const;
    RvError* removeLast();
    void clear();
    RvError* item(uint32_t index) const { return static_cast<RvError*>(items[index]); }

    int32_t errorCount = 0;
    int32_t warningCount = 0;
    int32_t context = 0;
    RvErrorList* previous = nullptr;
    void** installedAt = nullptr;
    uint32_t listFlags = 0;
    // Errors that out of memory replaced in single-error mode. A replaced
    // error may be the very record whose parameter was being added when the
    // allocation failed, so it is kept, unlisted, until the list is cleared.
    RvError* retired = nullptr;
};

void installErrorList(RvErrorList* list);
RvErrorList* uninstallErrorList();
RvErrorList* currentErrorList();
RvError* postError(uint16_t messageId);
RvError* postWarning(uint16_t messageId);
void appendToLastError(uint16_t messageId);
int mapConverterStatus(int status);
void noteOutOfMemory();

// The two static records, built at load and emptied at unload.
RvError* outOfMemoryRecord();
RvError* inertRecord();
void releaseStaticErrorTexts();
