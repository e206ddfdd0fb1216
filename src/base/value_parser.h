// Splits keyword=value pairs (an attribute string, NUL-separated, or an
// ODBC connection string, ";"-separated) into a dictionary, following the
// ODBC connection-string rules: a bare "ODBC" is ignored, the first
// occurrence of a keyword wins, and of DSN and DRIVER whichever comes
// first wins.
#pragma once
#include "base/bit_array.h"
#include "base/scanner.h"
#include "base/sequence_dictionary.h"

class RvError;

class RvValueParser : public RvObject {
public:
    // input must outlive the parser: keywords and values are views into it.
    // contextText (may be null) names the input in syntax errors.
    RvValueParser(const RvSubString& input, char separator, const char* contextText,
                  int32_t allowDuplicates);
    ~RvValueParser() override;

    // 0 on success; 1 after a syntax error (2704 or 2705) or out of memory
    // was posted. After a failure the entries stored so far remain.
    int parse();
    // The value of keyword name (terminated, matched without regard to
    // case), marking it as asked for; null when absent.
    const RvSubString* lookup(const char* name);
    // Keyword of entry index, in input order; null past the last entry.
    const RvSubString* keyAt(uint32_t index) const;
    uint32_t entryCount() const { return entries.count; }

    enum : int32_t { noneSeen = 1, dsnFirst = 2, driverFirst = 3 };

    char separator;
    const char* contextText;
    RvScanner scanner;
    RvSeqDictionary entries; // keyword -> value, RvSubString views
    RvToken token;           // current token
    int32_t encoding;
    RvBitArray usedFlags; // bit i: entry i was looked up
    int32_t allowDuplicates;
    int32_t dsnDriverState = noneSeen;
    // Offset of the scanner's input within the parser's input: the scanner
    // restarts inside the text after a token such as "==", and reported
    // positions still count from the start of the whole input.
    uint32_t positionBase = 0;

private:
    int parsePair();
    void next();
    RvError* syntaxError();
};
