// Counted UTF-16 text: owned, growable strings and the message text of a
// diagnostic with numbered placeholders.
#pragma once
#include "base/object.h"
#include "base/multibyte_text.h"

struct UConverter;

// A code-page id of the code-page table (icu_converter), kept apart from plain
// integers so that overloads taking an encoding and an id stay distinct.
struct CodePageId {
    uint32_t id;
};

// A block for units UTF-16 units and a terminator, its room (units + 1) in
// *capacity. Null, with out of memory noted, when that room would not fit
// the 32-bit signed counts of the platform's and ICU's text calls: no such
// text can be converted, and on a 32-bit system no such block can be had.
char16_t* allocTerminatedUnits(uint64_t units, uint32_t* capacity);

class RvSubStringW : public RvObject {
public:
    uint32_t length = 0;
    char16_t* buffer = nullptr;
};

class RvStringW : public RvSubStringW {
public:
    RvStringW() = default;
    ~RvStringW() override;

    void clear();
    int assign(const char16_t* units);
    int assignUnits(const char16_t* units, uint32_t n);
    // Conversions from narrow text; 0 on success, 1 on failure.
    int fromNarrow(const char* bytes, uint32_t n, int enc);
    int fromConverter(const char* bytes, uint32_t n, UConverter* converter);
    int fromCodePage(const char* bytes, uint32_t n, uint32_t codePageId);
    // The text in enc (UTF-8 for 3, else the ANSI code page), owned by this
    // string until the next toNarrow or its destruction; "Out Of Memory"
    // when no buffer can be had.
    const char* toNarrow(int enc);

    int reserve(uint32_t n);
    int reserveUnits(uint64_t n);
    int appendUnits(const char16_t* units, uint32_t n);
    int appendBytes(const char* bytes, uint32_t n);
    int replace(uint32_t index, uint32_t count, const char16_t* units, uint32_t n);
    int replaceAll(const char16_t* pattern, uint32_t patternLen, const char16_t* value,
                   uint32_t valueLen);
    int replaceAll(const char16_t* pattern, const char16_t* value);
    uint32_t find(const char16_t* pattern, uint32_t patternLen, uint32_t start) const;
    int16_t compare(const RvObject& other) const override;

    uint32_t capacity = 0;
    char* narrowCache = nullptr;
    int32_t ownsBuffer = 1;
};

class RvParamStringW : public RvStringW {
public:
    enum : uint32_t { paramFailed = 1 };

    // Each frees the previous text, resets paramCount and sets or clears
    // paramFailed by the conversion's result (1 failed, 0 converted).
    // Narrow forms take terminated bytes.
    int setText(const char16_t* units);
    int setText(const char* bytes, int32_t enc);
    int setText(const char* bytes, UConverter* converter);
    int setText(const char* bytes, CodePageId codePage);

    uint16_t paramCount = 0;
    uint32_t paramFlags = 0;
};
