// Counted narrow text: views (RvSubString) and owned, growable strings
// (RvString). Text is counted, never terminated by these classes.
#pragma once
#include "base/object.h"
#include "base/multibyte_text.h"

class RvSubString : public RvObject {
public:
    explicit RvSubString(int32_t enc = encodingAnsi) : encoding(enc) {}
    RvSubString(const char* bytes, uint32_t n, int32_t enc) { set(bytes, n, enc); }

    void set(const char* bytes, uint32_t n, int32_t enc) {
        data = const_cast<char*>(bytes);
        length = n;
        viewLength = n;
        encoding = enc;
    }
    // Index of the first character start at or after start holding byte;
    // length when there is none.
    uint32_t findChar(char byte, uint32_t start) const;
    int contains(char byte) const;
    int equalsIgnoreCase(const char* bytes, uint32_t n) const;
    int16_t compare(const RvObject& other) const override;
    uint32_t hash() const;

    uint32_t length = 0;
    uint32_t viewLength = 0;
    char* data = nullptr;
    int32_t encoding = encodingAnsi;
};

class RvString : public RvSubString {
public:
    explicit RvString(int32_t enc = encodingAnsi) : RvSubString(enc) {}
    ~RvString() override;

    // 0 on success; 1 when the buffer is not owned (error 2716) or cannot be
    // allocated (out of memory noted), the old text then stays.
    int reserve(uint32_t n);
    int append(const char* bytes, uint32_t n);
    int append(const char* text);

    uint32_t capacity = 0;
    int32_t ownsBuffer = 1;
};
