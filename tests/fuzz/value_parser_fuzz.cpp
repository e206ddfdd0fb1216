// libFuzzer target: the value parser, and the scanner under every mode and
// flag, over arbitrary text.
//
// Input: the first byte chooses the setting, the rest is the text.
//   bit 0  separator NUL (attribute string), else ";" (connection string)
//   bit 1  repeated keywords allowed
//   bit 2  text is UTF-8, else the ANSI code page
//   bit 3  a context text is named in syntax errors
//   bit 4  ANSI code page 932 (double-byte), else 1252
//   bit 5  scanner pass: brace and parenthesis groups
//   bit 6  scanner pass: comments as tokens
//   bit 7  scanner pass: comments skipped
//
// Checked: no crash, leak or out-of-bounds read (ASan); every keyword,
// value and token is a view inside the text; a failed parse posted a
// diagnostic; the scanner always advances to the end; in an attribute
// string (NUL separator) no keyword or value holds a NUL, whatever bytes
// stand before it, in either code page.
#include "base/platform.h"
#include "base/scanner.h"
#include "base/value_parser.h"
#include "base/error_list.h"
#include "support/error_scope.h"
#include "support/library_start.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* textStart;
const char* textEnd;

void check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void checkView(const RvSubString* view) {
    check(view != nullptr);
    if (view->length == 0)
        return;
    check(view->data >= textStart && view->data + view->length <= textEnd);
}

// An attribute string's entries are NUL-terminated strings: nothing the
// parser returns may reach across the NUL after an entry.
void checkNoNul(const RvSubString* view) {
    check(view->length == 0 || std::memchr(view->data, 0, view->length) == nullptr);
}

void parseText(const RvSubString& text, uint8_t setting) {
    char separator = (setting & 1) ? '\0' : ';';
    RvValueParser* parser =
        new RvValueParser(text, separator, (setting & 8) ? "fuzz.ini" : nullptr, setting & 2);
    if (!parser)
        return;
    RvErrorList* list = currentErrorList();
    int result = parser->parse();
    check(result == 0 || result == 1);
    check(result == 0 ? list->errorCount == 0 : list->errorCount > 0);
    for (uint32_t i = 0; i < parser->entryCount(); ++i) {
        const RvSubString* key = parser->keyAt(i);
        checkView(key);
        if (separator != '\0')
            continue;
        checkNoNul(key);
        std::string name(key->data, key->length);
        const RvSubString* value = parser->lookup(name.c_str());
        check(value != nullptr);
        checkView(value);
        checkNoNul(value);
    }
    check(parser->keyAt(parser->entryCount()) == nullptr);
    static const char* const keywords[] = {"DSN", "DRIVER", "UID", "PWD", "Data Source", "ODBC"};
    for (const char* keyword : keywords) {
        const RvSubString* value = parser->lookup(keyword);
        if (value)
            checkView(value);
    }
    delete parser;
}

void scanText(const RvSubString& text, uint8_t setting) {
    uint32_t flags = RvScanner::decimalPoints;
    if (setting & 0x20)
        flags |= RvScanner::braceGroups | RvScanner::parenGroups;
    if (setting & 0x40)
        flags |= RvScanner::commentTokens;
    if (setting & 0x80)
        flags |= RvScanner::skipComments;
    char separator = (setting & 1) ? '\0' : ';';

    // Each mode on its own, then values and tokens in turn as the parser
    // reads them. Every token but the end takes at least one byte.
    for (int pass = 0; pass < 4; ++pass) {
        RvScanner scanner(text);
        scanner.flags = flags;
        RvToken token;
        uint32_t steps = 0;
        for (;;) {
            uint32_t before = scanner.position;
            int32_t kind = pass < 3 ? scanner.nextToken(token, pass)
                                    : (steps % 2 ? scanner.scanValue(token, separator)
                                                 : scanner.nextToken(token, 0));
            checkView(&token);
            check(token.position >= 0 && uint32_t(token.position) <= text.length);
            check(scanner.position <= text.length);
            if (kind == tokenEnd)
                break;
            check(scanner.position > before || kind == tokenEmptyValue);
            check(++steps <= 2 * text.length + 2);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startLibraryOrStop();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 65536)
        return 0;
    uint8_t setting = data[0];
    platSetAnsiCodePage((setting & 0x10) ? 932 : 1252);

    // A block of exactly the text's size, so that any read past its end is
    // caught.
    size_t n = size - 1;
    char* bytes = static_cast<char*>(std::malloc(n ? n : 1));
    if (!bytes)
        return 0;
    std::memcpy(bytes, data + 1, n);
    textStart = bytes;
    textEnd = bytes + n;
    RvSubString text(bytes, static_cast<uint32_t>(n), (setting & 4) ? encodingUtf8 : encodingAnsi);

    {
        ScopedErrorList errors;
        parseText(text, setting);
        scanText(text, setting);
    }
    std::free(bytes);
    return 0;
}
