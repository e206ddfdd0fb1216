// Keyword=value pair parser over the scanner.
#include "base/value_parser.h"
#include "base/error_list.h"

namespace {

int keywordIs(const RvSubString& keyword, const char* name, uint32_t n) {
    return equalsIgnoreCaseN(keyword.data, keyword.length, name, n);
}

} // namespace

RvValueParser::RvValueParser(const RvSubString& input, char sep, const char* context,
                             int32_t duplicates)
    : separator(sep), contextText(context), scanner(input), token(input.encoding),
      encoding(input.encoding), allowDuplicates(duplicates) {
    entries.ignoreCase = 1;
}

RvValueParser::~RvValueParser() {
    // The dictionary's own destruction leaves keys and values alone; they
    // are the parser's.
    entries.clearContents();
}

void RvValueParser::next() {
    scanner.nextToken(token, RvScanner::modePlain);
}

RvError* RvValueParser::syntaxError() {
    uint32_t at = positionBase + static_cast<uint32_t>(token.position);
    if (contextText)
        return postError(msgSyntaxErrorIn)->addParam(at)->addParam(contextText);
    return postError(msgSyntaxError)->addParam(at);
}

int RvValueParser::parse() {
    dsnDriverState = noneSeen;
    const int32_t separatorKind = static_cast<unsigned char>(separator);
    next();
    while (token.kind != tokenEnd) {
        if (token.kind == separatorKind) {
            next(); // empty pairs are skipped
            continue;
        }
        if (parsePair())
            return 1;
        if (token.kind != separatorKind && token.kind != tokenEnd) {
            syntaxError();
            return 1;
        }
    }
    return usedFlags.resize(entries.count);
}

int RvValueParser::parsePair() {
    // Keyword: a word or number, then any further words, with the white
    // space between them ("Data Source").
    if (token.kind != tokenWord && token.kind != tokenNumber) {
        syntaxError();
        return 1;
    }
    const char* keyStart = token.data;
    const char* keyEnd = token.data + token.length;
    next();
    while (token.kind == tokenWord) {
        keyEnd = token.data + token.length;
        next();
    }
    RvSubString keyword(keyStart, static_cast<uint32_t>(keyEnd - keyStart), encoding);

    int repeated = entries.contains(keyword);
    if (repeated && !allowDuplicates && !keywordIs(keyword, "Driver", 6)) {
        RvError* record = syntaxError();
        // The repeated-keyword text belongs to this syntax error only; when
        // the list dropped it, there is nothing to complete.
        RvErrorList* list = currentErrorList();
        if (!(record->flags & RvError::inert) && list && list->lastDiagnostic() == record) {
            appendToLastError(msgRepeatedKeyword);
            record->addParam(token);
        }
        return 1;
    }

    // A bare ODBC keyword is dropped; what follows it is the next pair's.
    if (keywordIs(keyword, "ODBC", 4))
        return 0;

    if (token.kind >= 256 && (token.kind >> 8) == '=') {
        // "==", "=*", "=<", "=>": the first "=" is the pair's, the rest
        // begins the value.
        uint32_t after = static_cast<uint32_t>(token.position) + 1;
        positionBase += after;
        scanner.reset(scanner.input + after, scanner.inputLength - after, encoding);
    } else if (token.kind != '=') {
        syntaxError();
        return 1;
    }

    RvToken value(encoding);
    scanner.scanValue(value, separator);

    if (dsnDriverState == noneSeen) {
        if (keywordIs(keyword, "DSN", 3))
            dsnDriverState = dsnFirst;
        else if (keywordIs(keyword, "DRIVER", 6))
            dsnDriverState = driverFirst;
    }

    int dropped = repeated || (dsnDriverState == driverFirst && keywordIs(keyword, "DSN", 3)) ||
                  (dsnDriverState == dsnFirst && keywordIs(keyword, "DRIVER", 6));
    if (!dropped) {
        RvSubString* key = new RvSubString(keyword.data, keyword.length, encoding);
        RvSubString* text = key ? new RvSubString(value.data, value.length, encoding) : nullptr;
        if (!text || entries.add(key, text)) {
            delete key;
            delete text;
            return 1;
        }
    }
    next();
    return 0;
}

const RvSubString* RvValueParser::lookup(const char* name) {
    if (!name)
        return nullptr;
    RvSubString key(name, static_cast<uint32_t>(textLength(name)), encoding);
    uint32_t index = entries.indexOf(key);
    if (index == entries.count)
        return nullptr;
    // The bit set exists only after a successful parse.
    if (index < usedFlags.bitCount)
        usedFlags.set(index);
    return static_cast<const RvSubString*>(entries.at(index)->value());
}

const RvSubString* RvValueParser::keyAt(uint32_t index) const {
    return index < entries.count ? entries.at(index)->key() : nullptr;
}
