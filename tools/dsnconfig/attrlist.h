// Conversion of an administrator's attribute list, written the way
// connection strings are ("DSN=Sales;HOST=dbhost"), into the installer's
// form: NUL-separated keyword=value entries ended by a second NUL.
#pragma once
#include <cstddef>

namespace dsnconfig {

// The setup library reads at most this many bytes of an attribute string;
// a longer list would be cut silently, so the tool refuses it instead.
constexpr size_t maxAttributeListBytes = 2048;

// Room for one explanation of a refusal.
constexpr size_t messageCapacity = 256;

struct AttributeList {
    char bytes[maxAttributeListBytes]; // entries, each NUL-ended, then one more NUL
    size_t length;                     // bytes used, both final NULs included
};

// Converts text[0..length) into list. Entries are separated by ';'; a value
// enclosed in braces may contain ';' and writes '}' as "}}", and reaches the
// installer without its braces. Empty entries are dropped so that they can't
// end the installer's list early. Refused (false, with the reason in
// message): a NUL byte, an entry without '=' or without keyword, an
// unterminated brace, text after a closing brace, and a result that would
// not fit.
bool convertAttributeText(const char* text, size_t length, AttributeList* list, char* message);

// Appends keyword=value, both taken as they are, to a list (length 0 or
// an empty list starts it); false when the list would not fit.
bool appendAttribute(AttributeList* list, const char* keyword, size_t keywordLength,
                     const char* value, size_t valueLength);

// The '}' that closes a braced value whose '{' is at open, "}}" standing
// for a '}' inside; null when limit comes first.
const char* findClosingBrace(const char* open, const char* limit);

// Finds the first entry whose keyword, without surrounding blanks, equals
// keyword regardless of letter case; returns its value (after '=') or null.
const char* findAttribute(const AttributeList& list, const char* keyword);

// Calls visit(entry) for each entry of the list, in order.
template <typename Visit> void forEachEntry(const AttributeList& list, Visit visit) {
    const char* entry = list.bytes;
    while (*entry) {
        visit(entry);
        while (*entry)
            ++entry;
        ++entry;
    }
}

} // namespace dsnconfig
