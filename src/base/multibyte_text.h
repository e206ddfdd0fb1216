// Byte-string routines that step over whole characters of the ANSI code
// page (which may be double-byte, such as Shift-JIS) or of UTF-8.
#pragma once
#include <cstddef>
#include <cstdint>

// Text encodings of narrow text.
enum TextEncoding : int32_t {
    encodingAnsi = 1,  // the process's ANSI code page, double-byte aware
    encodingUtf16 = 2, // UTF-16 code units
    encodingUtf8 = 3,
};

int isLeadByte(const char* p);
int charLength(const char* p, int enc);
// Whether byte can follow a lead byte inside one character: a UTF-8
// continuation byte, or in the ANSI code page a byte from 0x40 up (NUL,
// separators, "=" and quotes never continue a double-byte character).
int isTrailByte(unsigned char byte, int enc);
// Length of the character at pos in a counted text of len bytes: never
// more than the bytes left, and a lead byte without the trail bytes it
// needs stands alone.
uint32_t charLengthIn(const char* text, uint32_t pos, uint32_t len, int enc);
const char* nextChar(const char* p, int enc);
uint32_t nextCharIndex(const char* text, uint32_t pos, int enc);
const char* prevChar(const char* start, const char* p, int enc);
uint32_t lastCharOffset(const char* text, uint32_t len, int enc);
const char* lastChar(const char* text, int enc);
int sameChar(const char* p, const char* q, int enc);
// Classes of one byte in the ANSI code page (see platCharClass).
int byteIsSpace(unsigned char byte);
int byteIsAlpha(unsigned char byte);
int byteIsDigit(unsigned char byte);
int byteIsControl(unsigned char byte);
int isSpaceAt(const char* p);
int isSpaceAt(const char* text, uint32_t pos);
const char* skipSpaces(const char* p, int enc);
int isAlphaOrMultibyte(const char* p, int enc);
int isAlnumOrMultibyte(const char* p, int enc);
const char* findChar(const char* text, char byte, int enc);
const char* findLastChar(const char* text, char byte, int enc);
const char* findBytes(const char* text, uint32_t len, const char* pattern, uint32_t patternLen,
                      int enc);
const char* findText(const char* text, const char* pattern, int enc);

int compareText(const char* a, const char* b);
int compareBytes(const char* a, uint32_t aLen, const char* b, uint32_t bLen);
int compareIgnoreCase(const char* a, uint32_t aLen, const char* b, uint32_t bLen);
int compareIgnoreCaseZ(const char* a, const char* b);
int equalsIgnoreCase(const char* a, const char* b);
int equalsIgnoreCaseN(const char* a, uint32_t aLen, const char* b, uint32_t bLen);

uint32_t formatUnsigned(char* buf, uint32_t size, uint32_t value);
uint32_t formatUnsignedW(char16_t* buf, uint32_t value); // buf: 32 units
uint32_t formatUnsigned64(char* buf, uint64_t value);    // buf: 32 bytes
uint32_t formatInt64(char* buf, int64_t value);          // buf: 32 bytes
void copyTruncated(char* dst, size_t size, const char* src);
char* copyBytesZ(char* dst, const char* src, size_t n);
void narrowLowBytes(char* dst, const char16_t* units);

// Plain byte routines.
void moveBytes(void* dst, const void* src, size_t n); // overlapping moves
int compareBytesSigned(const char* a, const char* b, size_t n);
int equalBytes(const void* a, const void* b, size_t n);
char* concatText(char* dst, const char* src);
char* copyTextEnd(char* dst, const char* src); // returns the terminator
size_t textLength(const char* text);
void fillBytes(void* dst, int value, size_t n);
void zeroBytes(void* dst, size_t n);
void copyBytes(void* dst, const void* src, size_t n);

// UTF-16 routines.
uint32_t lengthW(const char16_t* units);
void copyW(char16_t* dst, const char16_t* src);
int compareW(const char16_t* a, const char16_t* b);
int equalsW(const char16_t* a, const char16_t* b);
const char16_t* nextCharW(const char16_t* p);
int compareIgnoreCaseW(const char16_t* a, uint32_t aLen, const char16_t* b, uint32_t bLen);
