// General tokenizer of the support library: words, numbers, quoted text,
// bracketed groups, comments and SQL-style operators, over counted narrow
// text in the ANSI code page or UTF-8.
#pragma once
#include "base/narrow_string.h"

// Token kinds. A one-character operator is its byte value (61 for "=", 0
// for a NUL byte), a two-character operator first * 256 + second (15677
// for "==").
enum RvTokenKind : int32_t {
    tokenEmptyValue = 0, // value scan: the separator follows at once
    tokenEnd = 1,        // end of input, empty text at the end position
    tokenWord = 2,
    tokenQuoted = 3,   // quoted text or bracketed group, delimiters included
    tokenUnclosed = 4, // quoted text or group that the input ends inside
    tokenNumber = 5,
    tokenRun = 6,        // delimiter mode: run up to space, control or ",/()|"
    tokenIdentifier = 7, // identifier mode: word that may hold "#" and "$"
    tokenValue = 8,      // value scan
    tokenDecimal = 9,
    tokenOther = 10, // single character that is not an operator
    tokenComment = 11,
    tokenOuterJoin = 12, // "(+)"
};

// A token: a view of its bytes in the scanner's input, its kind and the
// byte offset of its start from the start of that input.
class RvToken : public RvSubString {
public:
    explicit RvToken(int32_t enc = encodingAnsi) : RvSubString(enc) {}

    int32_t kind = tokenEnd;
    int32_t position = 0;
};

class RvScanner : public RvObject {
public:
    enum : uint32_t {
        braceGroups = 1,   // "{" ... "}" is one token
        parenGroups = 2,   // "(" ... ")" is one token
        commentTokens = 4, // "--" and "/* */" comments are tokens
        skipComments = 8,  // comments are skipped
        decimalPoints = 16,
        endReached = 32,
    };
    enum { modePlain = 0, modeDelimited = 1, modeIdentifier = 2 };

    // Scans text, which must outlive the scanner and its tokens.
    explicit RvScanner(const RvSubString& text);

    // The kind of the token stored in token.
    int32_t nextToken(RvToken& token, int mode);
    // The value that follows, up to separator (which is left to be read by
    // the next nextToken): tokenValue, tokenEmptyValue when the separator
    // follows at once, tokenEnd at the end of input.
    int32_t scanValue(RvToken& token, char separator);
    // Scans a new input from its start; comment modes are kept, groups are
    // off and decimal points on.
    void reset(const char* text, uint32_t n, int32_t enc);

    // Steps over one character and returns it; null at the end of input.
    const char* readChar();
    // Pushes the character read last back.
    void unreadChar();
    // The byte k - 1 places after the current position; 0 past the end.
    unsigned char peek(uint32_t k) const;

    const char* input;
    uint32_t inputLength;
    uint16_t quoteChars[3] = {'\'', '"', '`'};
    uint32_t position = 0;
    RvString wordStartChars; // extra characters that start a word
    RvString wordChars;      // extra characters that continue a word
    RvString delimiters;     // when not empty, a word is a run of others
    int32_t encoding;
    int16_t customOpen = -1; // -1: no custom bracket pair
    int16_t customClose = -1;
    uint32_t lastCharLength = 0;
    uint32_t flags = decimalPoints;

private:
    uint32_t charLengthAt(uint32_t pos) const;
    uint32_t quotedCharLengthAt(uint32_t pos, unsigned char quote) const;
    int spaceAt(uint32_t pos) const;
    int quoteAt(uint32_t pos) const;
    int inSet(const RvString& set, uint32_t pos) const;
    int wordStartAt(uint32_t pos) const;
    int wordCharAt(uint32_t pos) const;
    uint32_t skipSpaces();
    void scanQuoted(RvToken& token);
    void scanGroup(RvToken& token, unsigned char open, unsigned char close);
    int scanComment(RvToken& token);
    void scanOperator(RvToken& token);
    void finish(RvToken& token, uint32_t start, int32_t kind);
};
