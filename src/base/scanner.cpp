// General tokenizer of the support library.
//
// Every read is bounded by the input length: the input is counted text, not
// terminated, and may end inside a double-byte or UTF-8 character, whose
// length is then cut to the bytes that are there.
#include "base/scanner.h"
#include <cstring>
#include <unicode/uchar.h>

namespace {

// Operators in the order they are tried. A two-character operator follows
// the one-character operator of its first character; second 0 marks a
// one-character entry (no two-character operator ends in a NUL byte).
struct Operator {
    unsigned char first;
    unsigned char second;
};
const Operator operators[] = {
    {'?', 0},   {',', 0},   {'(', 0},   {')', 0},   {'.', 0}, {'=', 0},   {'=', '='}, {'=', '*'},
    {'=', '<'}, {'=', '>'}, {'+', 0},   {'+', '+'}, {'&', 0}, {'&', '&'}, {'|', 0},   {'|', '|'},
    {'-', 0},   {'-', '-'}, {'/', 0},   {'/', '/'}, {'*', 0}, {'*', '*'}, {'*', '='}, {'>', 0},
    {'>', '='}, {'<', 0},   {'<', '='}, {'<', '>'}, {'!', 0}, {'!', '='}, {'!', '<'}, {'!', '>'},
    {';', 0},   {':', 0},   {'{', 0},   {'}', 0},   {'$', 0}, {'#', 0},   {'%', 0},   {'@', 0},
    {'"', 0},   {'\'', 0},  {'`', 0},   {0, 0},
};
const size_t operatorCount = sizeof(operators) / sizeof(operators[0]);
static_assert(sizeof(operators) / sizeof(operators[0]) == 44, "operator table");

int isDigitByte(unsigned char b) {
    return u_isdigit(b) ? 1 : 0;
}

// Delimiters that end a run in delimiter mode.
int isRunDelimiter(unsigned char b) {
    return b && std::strchr(",/()|", b) != nullptr;
}

} // namespace

RvScanner::RvScanner(const RvSubString& text)
    : input(text.data), inputLength(text.data ? text.length : 0), wordStartChars(text.encoding),
      wordChars(text.encoding), delimiters(text.encoding), encoding(text.encoding) {}

void RvScanner::reset(const char* text, uint32_t n, int32_t enc) {
    input = text;
    inputLength = text ? n : 0;
    encoding = enc;
    position = 0;
    lastCharLength = 0;
    flags = (flags & (commentTokens | skipComments)) | decimalPoints;
}

uint32_t RvScanner::charLengthAt(uint32_t pos) const {
    return charLengthIn(input, pos, inputLength, encoding);
}

// Inside quotes a lead byte right before the closing quote stands alone:
// the quote ends the text even where it could be a trail byte (the back
// quote, 0x60).
uint32_t RvScanner::quotedCharLengthAt(uint32_t pos, unsigned char quote) const {
    uint32_t n = charLengthAt(pos);
    return n > 1 && static_cast<unsigned char>(input[pos + 1]) == quote ? 1 : n;
}

// Bytes of the white-space character at pos, 0 when there is none. The
// ideographic space of the Japanese code page is two bytes.
int RvScanner::spaceAt(uint32_t pos) const {
    unsigned char b = static_cast<unsigned char>(input[pos]);
    if (pos + 1 < inputLength) {
        if (!isSpaceAt(input + pos))
            return 0;
        return b == 0x81 && isLeadByte(input + pos) ? 2 : 1;
    }
    // The last byte cannot start a two-byte space; test it on a terminated
    // copy so that nothing past the input is read.
    char last[2] = {static_cast<char>(b), 0};
    return isSpaceAt(last) ? 1 : 0;
}

int RvScanner::quoteAt(uint32_t pos) const {
    unsigned char b = static_cast<unsigned char>(input[pos]);
    return b == quoteChars[0] || b == quoteChars[1] || b == quoteChars[2];
}

// Whether the character at pos is one of the characters of set.
int RvScanner::inSet(const RvString& set, uint32_t pos) const {
    uint32_t n = charLengthAt(pos);
    uint32_t i = 0;
    while (i < set.length) {
        uint32_t m = static_cast<uint32_t>(charLength(set.data + i, encoding));
        if (m > set.length - i)
            m = set.length - i;
        if (m == n && std::memcmp(set.data + i, input + pos, n) == 0)
            return 1;
        i += m;
    }
    return 0;
}

int RvScanner::wordStartAt(uint32_t pos) const {
    if (delimiters.length)
        return !inSet(delimiters, pos);
    unsigned char b = static_cast<unsigned char>(input[pos]);
    return charLengthAt(pos) > 1 || byteIsAlpha(b) || b == '_' || inSet(wordStartChars, pos);
}

int RvScanner::wordCharAt(uint32_t pos) const {
    if (delimiters.length)
        return !inSet(delimiters, pos);
    unsigned char b = static_cast<unsigned char>(input[pos]);
    return charLengthAt(pos) > 1 || byteIsAlpha(b) || byteIsDigit(b) || b == '_' ||
           inSet(wordChars, pos);
}

uint32_t RvScanner::skipSpaces() {
    while (position < inputLength) {
        // A word-start character is never skipped, even when it is white
        // space: the caller asked for it to begin words.
        if (wordStartChars.length && inSet(wordStartChars, position))
            break;
        int n = spaceAt(position);
        if (!n)
            break;
        position += static_cast<uint32_t>(n);
    }
    return position;
}

void RvScanner::finish(RvToken& token, uint32_t start, int32_t kind) {
    token.set(input ? input + start : input, position - start, encoding);
    token.kind = kind;
    token.position = static_cast<int32_t>(start);
}

const char* RvScanner::readChar() {
    if (position >= inputLength) {
        flags |= endReached;
        lastCharLength = 0;
        return nullptr;
    }
    const char* p = input + position;
    lastCharLength = charLengthAt(position);
    position += lastCharLength;
    return p;
}

void RvScanner::unreadChar() {
    position -= lastCharLength;
    lastCharLength = 0;
    flags &= ~static_cast<uint32_t>(endReached);
}

unsigned char RvScanner::peek(uint32_t k) const {
    if (k == 0)
        return 0;
    uint64_t at = uint64_t(position) + k - 1;
    return at < inputLength ? static_cast<unsigned char>(input[at]) : 0;
}

// Quoted text from the quote at position: it ends at the same quote
// character, and a doubled quote stands for one quote inside it.
void RvScanner::scanQuoted(RvToken& token) {
    uint32_t start = position;
    unsigned char quote = static_cast<unsigned char>(input[position]);
    ++position;
    while (position < inputLength) {
        if (static_cast<unsigned char>(input[position]) == quote) {
            if (position + 1 < inputLength &&
                static_cast<unsigned char>(input[position + 1]) == quote) {
                position += 2;
                continue;
            }
            ++position;
            finish(token, start, tokenQuoted);
            return;
        }
        position += quotedCharLengthAt(position, quote);
    }
    flags |= endReached;
    finish(token, start, tokenUnclosed);
}

// A bracketed group from the opening bracket at position, counting nested
// pairs of the same brackets; quoted text inside cannot close it.
void RvScanner::scanGroup(RvToken& token, unsigned char open, unsigned char close) {
    uint32_t start = position;
    uint32_t depth = 1;
    ++position;
    while (position < inputLength) {
        unsigned char b = static_cast<unsigned char>(input[position]);
        if (quoteAt(position)) {
            RvToken inner(encoding);
            scanQuoted(inner);
            if (inner.kind == tokenUnclosed)
                break;
            continue;
        }
        uint32_t n = charLengthAt(position);
        position += n;
        if (n > 1)
            continue;
        if (b == close) {
            if (--depth == 0) {
                finish(token, start, tokenQuoted);
                return;
            }
        } else if (b == open) {
            ++depth;
        }
    }
    position = inputLength;
    flags |= endReached;
    finish(token, start, tokenUnclosed);
}

// A comment at position ("--" to the end of the line, "/*" to "*/"): 1 with
// token set, 0 when none starts there.
int RvScanner::scanComment(RvToken& token) {
    unsigned char b = static_cast<unsigned char>(input[position]);
    unsigned char next = peek(2);
    uint32_t start = position;
    if (b == '-' && next == '-') {
        position += 2;
        while (position < inputLength && input[position] != '\n')
            position += charLengthAt(position);
    } else if (b == '/' && next == '*') {
        position += 2;
        while (position < inputLength &&
               !(input[position] == '*' && peek(2) == static_cast<unsigned char>('/')))
            position += charLengthAt(position);
        position = position < inputLength ? position + 2 : inputLength;
    } else {
        return 0;
    }
    finish(token, start, tokenComment);
    return 1;
}

void RvScanner::scanOperator(RvToken& token) {
    uint32_t start = position;
    unsigned char b = static_cast<unsigned char>(input[position]);
    size_t i = 0;
    while (i < operatorCount && !(operators[i].first == b && operators[i].second == 0))
        ++i;
    if (i == operatorCount) {
        position += charLengthAt(position);
        finish(token, start, tokenOther);
        return;
    }
    unsigned char next = peek(2);
    ++position;
    for (size_t j = i + 1; j < operatorCount && operators[j].first == b; ++j) {
        if (position < inputLength && operators[j].second == next) {
            ++position;
            finish(token, start, int32_t(b) * 256 + next);
            return;
        }
    }
    finish(token, start, b);
}

int32_t RvScanner::nextToken(RvToken& token, int mode) {
    for (;;) {
        skipSpaces();
        if (position >= inputLength) {
            position = inputLength;
            flags |= endReached;
            finish(token, position, tokenEnd);
            return token.kind;
        }
        uint32_t start = position;
        unsigned char b = static_cast<unsigned char>(input[position]);

        if (quoteAt(position)) {
            scanQuoted(token);
            return token.kind;
        }
        if (b == '(' && (flags & parenGroups)) {
            scanGroup(token, '(', ')');
            return token.kind;
        }
        if (b == '{' && (flags & braceGroups)) {
            scanGroup(token, '{', '}');
            return token.kind;
        }
        if (customOpen >= 0 && b == static_cast<uint16_t>(customOpen)) {
            scanGroup(token, b, static_cast<unsigned char>(customClose));
            return token.kind;
        }
        if ((flags & (commentTokens | skipComments)) && scanComment(token)) {
            if (flags & commentTokens)
                return token.kind;
            continue;
        }

        if (mode == modeDelimited && !isRunDelimiter(b)) {
            while (position < inputLength) {
                unsigned char c = static_cast<unsigned char>(input[position]);
                if (spaceAt(position) || byteIsControl(c) || isRunDelimiter(c))
                    break;
                position += charLengthAt(position);
            }
            // A control character that starts the run still makes a token.
            if (position == start)
                position += charLengthAt(position);
            finish(token, start, tokenRun);
            return token.kind;
        }
        if (mode == modeIdentifier && (wordStartAt(position) || b == '#')) {
            position += charLengthAt(position);
            while (position < inputLength &&
                   (wordCharAt(position) || input[position] == '#' || input[position] == '$'))
                position += charLengthAt(position);
            finish(token, start, tokenIdentifier);
            return token.kind;
        }
        if (wordStartAt(position)) {
            position += charLengthAt(position);
            while (position < inputLength && wordCharAt(position))
                position += charLengthAt(position);
            finish(token, start, tokenWord);
            return token.kind;
        }

        int decimals = (flags & decimalPoints) != 0;
        if (isDigitByte(b) || (decimals && b == '.' && isDigitByte(peek(2)))) {
            int32_t kind = tokenNumber;
            while (position < inputLength) {
                unsigned char c = static_cast<unsigned char>(input[position]);
                if (c == '.' && decimals && kind == tokenNumber)
                    kind = tokenDecimal;
                else if (!isDigitByte(c))
                    break;
                ++position;
            }
            finish(token, start, kind);
            return token.kind;
        }
        if (b == '(' && peek(2) == '+' && peek(3) == ')') {
            position += 3;
            finish(token, start, tokenOuterJoin);
            return token.kind;
        }
        scanOperator(token);
        return token.kind;
    }
}

int32_t RvScanner::scanValue(RvToken& token, char separator) {
    unsigned char sep = static_cast<unsigned char>(separator);
    while (position < inputLength) {
        int n = spaceAt(position);
        if (!n)
            break;
        position += static_cast<uint32_t>(n);
    }
    if (position >= inputLength) {
        position = inputLength;
        flags |= endReached;
        finish(token, position, tokenEnd);
        return token.kind;
    }
    uint32_t start = position;
    if (static_cast<unsigned char>(input[position]) == sep) {
        // The separator stays for the next token.
        finish(token, start, tokenEmptyValue);
        return token.kind;
    }

    // Only a value that begins with a quote is quoted: it runs to the same
    // quote character (a doubled quote stands for one), and separators
    // inside it belong to the value. A quote character anywhere else, or of
    // another kind inside the quotes, is an ordinary character, so that an
    // apostrophe in a value does not swallow the entries after it. A NUL
    // separator always ends the value: attribute-string entries are
    // terminated strings and cannot hold one.
    int quote = quoteAt(start) ? static_cast<unsigned char>(input[start]) : -1;
    uint32_t braces = 0;
    uint32_t parens = 0;
    uint32_t end = start + (quote >= 0 ? 1 : 0);
    // Trailing white space is left out. It is found walking forward, by
    // whole characters, so that nothing past the end of the input is read
    // even when the input ends inside a character.
    uint32_t valueEnd = end;
    while (end < inputLength) {
        unsigned char c = static_cast<unsigned char>(input[end]);
        uint32_t space = static_cast<uint32_t>(spaceAt(end));
        uint32_t n = space ? space : charLengthAt(end);
        if (quote >= 0) {
            if (c == sep && sep == 0)
                break;
            if (!space)
                n = quotedCharLengthAt(end, static_cast<unsigned char>(quote));
            if (c == quote) {
                if (end + 1 < inputLength && static_cast<unsigned char>(input[end + 1]) == quote)
                    n = 2;
                else
                    quote = -1;
            }
        } else {
            if (c == sep && braces == 0 && parens == 0)
                break;
            if (flags & braceGroups) {
                if (c == '{')
                    ++braces;
                else if (c == '}' && braces)
                    --braces;
            }
            if (flags & parenGroups) {
                if (c == '(')
                    ++parens;
                else if (c == ')' && parens)
                    --parens;
            }
        }
        end += n;
        if (!space)
            valueEnd = end;
    }
    position = end;
    if (position >= inputLength)
        flags |= endReached;

    const char* first = input + start;
    end = valueEnd;
    token.set(first, end - start, encoding);
    token.kind = tokenValue;
    token.position = static_cast<int32_t>(start);
    return token.kind;
}
