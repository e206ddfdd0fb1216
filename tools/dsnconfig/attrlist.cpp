#include "attrlist.h"
#include <cctype>
#include <cstdio>
#include <cstring>

namespace dsnconfig {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Output cursor over the list's fixed buffer; refuses, rather than cuts,
// what would not fit.
struct Writer {
    AttributeList* list;
    bool overflow;

    bool put(char c) {
        // One byte stays reserved for the list's final NUL.
        if (list->length + 1 >= maxAttributeListBytes) {
            overflow = true;
            return false;
        }
        list->bytes[list->length++] = c;
        return true;
    }
};

// One entry's span in the input: [begin, end), ';' or the end of the text
// excluded. Braced values decide where an entry ends, so the scan that
// finds the span also checks the braces.
struct Span {
    const char* begin;
    const char* end;
};

void refuse(char* message, const char* reason, Span entry) {
    int shown = static_cast<int>(entry.end - entry.begin);
    if (shown > 60)
        shown = 60;
    std::snprintf(message, messageCapacity, "%s: \"%.*s\"", reason, shown, entry.begin);
}

// Finds the '=' of an entry, or null.
const char* findEquals(Span entry) {
    for (const char* p = entry.begin; p < entry.end; ++p) {
        if (*p == '=')
            return p;
    }
    return nullptr;
}

// From the start of a value, skips blanks and reports whether the value is
// braced; *open is set to its '{'.
bool startsBraced(const char* value, const char* limit, const char** open) {
    const char* p = value;
    while (p < limit && isBlank(*p))
        ++p;
    *open = p;
    return p < limit && *p == '{';
}

// Finds the end of the entry that starts at begin: the next ';' outside a
// braced value. Sets *error on an unterminated brace.
const char* findEntryEnd(const char* begin, const char* limit, const char** error) {
    const char* p = begin;
    while (p < limit && *p != ';' && *p != '=')
        ++p;
    if (p < limit && *p == '=') {
        const char* open;
        if (startsBraced(p + 1, limit, &open)) {
            const char* close = findClosingBrace(open, limit);
            if (!close) {
                *error = "unterminated brace";
                return limit;
            }
            p = close + 1;
        }
    }
    while (p < limit && *p != ';')
        ++p;
    return p;
}

bool isEmptyEntry(Span entry) {
    for (const char* p = entry.begin; p < entry.end; ++p) {
        if (!isBlank(*p))
            return false;
    }
    return true;
}

// Copies one entry: the keyword part as written, the value without its
// braces and with "}}" made '}'.
bool copyEntry(Span entry, Writer* out, char* message) {
    const char* equals = findEquals(entry);
    if (!equals) {
        refuse(message, "entry without '='", entry);
        return false;
    }
    const char* keyword = entry.begin;
    while (keyword < equals && isBlank(*keyword))
        ++keyword;
    if (keyword == equals) {
        refuse(message, "entry without keyword", entry);
        return false;
    }
    for (const char* p = entry.begin; p <= equals; ++p)
        out->put(*p);
    const char* open;
    if (!startsBraced(equals + 1, entry.end, &open)) {
        for (const char* p = equals + 1; p < entry.end; ++p)
            out->put(*p);
    } else {
        const char* close = findClosingBrace(open, entry.end);
        for (const char* p = open + 1; p < close; ++p) {
            out->put(*p);
            if (*p == '}')
                ++p; // the second brace of "}}"
        }
        for (const char* p = close + 1; p < entry.end; ++p) {
            if (!isBlank(*p)) {
                refuse(message, "text after a closing brace", entry);
                return false;
            }
        }
    }
    out->put('\0');
    return true;
}

} // namespace

const char* findClosingBrace(const char* open, const char* limit) {
    for (const char* p = open + 1; p < limit; ++p) {
        if (*p != '}')
            continue;
        if (p + 1 < limit && p[1] == '}') {
            ++p;
            continue;
        }
        return p;
    }
    return nullptr;
}

bool appendAttribute(AttributeList* list, const char* keyword, size_t keywordLength,
                     const char* value, size_t valueLength) {
    // The new entry replaces the list's final NUL, or an empty list's pair.
    size_t at =
        list->length <= 2 && (list->length == 0 || list->bytes[0] == '\0') ? 0 : list->length - 1;
    size_t entry = keywordLength + 1 + valueLength + 1;
    if (entry + 1 > maxAttributeListBytes - at)
        return false;
    char* p = list->bytes + at;
    std::memcpy(p, keyword, keywordLength);
    p[keywordLength] = '=';
    std::memcpy(p + keywordLength + 1, value, valueLength);
    p[entry - 1] = '\0';
    p[entry] = '\0';
    list->length = at + entry + 1;
    return true;
}

bool convertAttributeText(const char* text, size_t length, AttributeList* list, char* message) {
    list->length = 0;
    message[0] = '\0';
    if (std::memchr(text, '\0', length)) {
        std::snprintf(message, messageCapacity, "attribute text contains a NUL byte");
        return false;
    }
    Writer out{list, false};
    const char* limit = text + length;
    const char* begin = text;
    for (;;) {
        const char* error = nullptr;
        Span entry{begin, findEntryEnd(begin, limit, &error)};
        if (error) {
            refuse(message, error, entry);
            return false;
        }
        if (!isEmptyEntry(entry) && !copyEntry(entry, &out, message))
            return false;
        if (entry.end == limit)
            break;
        begin = entry.end + 1;
    }
    // An empty list still needs its terminating pair.
    if (list->length == 0)
        out.put('\0');
    if (out.overflow) {
        std::snprintf(message, messageCapacity,
                      "attribute list longer than the %u bytes the setup library reads",
                      static_cast<unsigned>(maxAttributeListBytes));
        return false;
    }
    list->bytes[list->length++] = '\0';
    return true;
}

const char* findAttribute(const AttributeList& list, const char* keyword) {
    const char* found = nullptr;
    size_t wanted = std::strlen(keyword);
    forEachEntry(list, [&](const char* entry) {
        if (found)
            return;
        while (isBlank(*entry))
            ++entry;
        const char* equals = std::strchr(entry, '=');
        const char* end = equals;
        while (end > entry && isBlank(end[-1]))
            --end;
        if (static_cast<size_t>(end - entry) != wanted)
            return;
        for (size_t i = 0; i < wanted; ++i) {
            if (std::tolower(static_cast<unsigned char>(entry[i])) !=
                std::tolower(static_cast<unsigned char>(keyword[i])))
                return;
        }
        found = equals + 1;
    });
    return found;
}

} // namespace dsnconfig
