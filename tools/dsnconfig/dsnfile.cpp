#include "dsnfile.h"
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace dsnconfig {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool fail(char* message, const char* reason, const char* subject) {
    std::snprintf(message, messageCapacity, "%s: \"%.60s\"", reason, subject);
    return false;
}

// Keys that are the registration's, not the section's.
bool isReservedKey(const char* key) {
    return !strcasecmp(key, "Driver") || !strcasecmp(key, "Scope") || !strcasecmp(key, "DSN");
}

bool keyFitsLine(const char* key) {
    size_t length = std::strlen(key);
    return length > 0 && !std::strpbrk(key, "=\r\n") && !isBlank(key[0]) &&
           !isBlank(key[length - 1]) && !std::strchr("[;#", key[0]) && !isReservedKey(key);
}

} // namespace

bool checkSectionName(const char* name, char* message) {
    size_t length = std::strlen(name);
    if (length == 0 || length > maxNameBytes || std::strpbrk(name, "[]\r\n\\") ||
        isBlank(name[0]) || isBlank(name[length - 1]))
        return fail(message, "a data-source name no section can hold", name);
    return true;
}

bool formatFileEntry(const char* key, const char* value, char* line, size_t capacity,
                     char* message) {
    if (!keyFitsLine(key))
        return fail(message, "a key no line of the file can hold", key);
    if (std::strpbrk(value, "\r\n"))
        return fail(message, "a value with a line break, of key", key);
    size_t length = std::strlen(value);
    bool braced =
        value[0] == '{' || (length > 0 && (isBlank(value[0]) || isBlank(value[length - 1])));
    size_t used = 0;
    auto put = [&](char c) {
        if (used + 1 < capacity)
            line[used] = c;
        ++used;
    };
    for (const char* p = key; *p; ++p)
        put(*p);
    put('=');
    if (braced)
        put('{');
    for (const char* p = value; *p; ++p) {
        put(*p);
        if (braced && *p == '}')
            put('}');
    }
    if (braced)
        put('}');
    if (used + 1 > capacity)
        return fail(message, "an entry too long for a line, of key", key);
    line[used] = '\0';
    return true;
}

void startReading(FileReader* reader, const char* text, size_t length) {
    *reader = FileReader{text, length, 0, 0};
    if (length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        reader->offset = 3;
}

namespace {

struct Line {
    const char* begin;
    const char* end; // without the line end and the blanks around
};

bool nextLine(FileReader* reader, Line* line) {
    if (reader->offset >= reader->length)
        return false;
    const char* begin = reader->text + reader->offset;
    const char* limit = reader->text + reader->length;
    const char* newline = static_cast<const char*>(std::memchr(begin, '\n', limit - begin));
    const char* end = newline ? newline : limit;
    reader->offset = end - reader->text + (newline ? 1 : 0);
    ++reader->line;
    while (begin < end && (isBlank(*begin)))
        ++begin;
    while (end > begin && (isBlank(end[-1]) || end[-1] == '\r'))
        --end;
    *line = Line{begin, end};
    return true;
}

bool isComment(const Line& line) {
    return line.begin == line.end || *line.begin == ';' || *line.begin == '#';
}

bool failAt(char* message, unsigned line, const char* reason) {
    std::snprintf(message, messageCapacity, "line %u: %s", line, reason);
    return false;
}

ReadResult errorAt(char* message, unsigned line, const char* reason) {
    failAt(message, line, reason);
    return ReadResult::error;
}

bool startSection(const Line& line, unsigned number, FileSection* section, char* message) {
    size_t length = line.end - line.begin;
    if (line.end[-1] != ']' || length < 3 || length - 2 > maxNameBytes)
        return failAt(message, number, "a section header is [name]");
    *section = FileSection{};
    section->line = number;
    std::memcpy(section->name, line.begin + 1, length - 2);
    char reason[messageCapacity];
    if (!checkSectionName(section->name, reason))
        return failAt(message, number, reason);
    return appendAttribute(&section->attributes, "DSN", 3, section->name, length - 2);
}

// The value after '=' (at value, blanks skipped) into out; false with the
// reason when a brace is malformed.
bool readValue(const char* value, const char* end, char* out, size_t* length, const char** reason) {
    *length = 0;
    if (value == end || *value != '{') {
        std::memcpy(out, value, end - value);
        *length = end - value;
        return true;
    }
    const char* close = findClosingBrace(value, end);
    if (!close) {
        *reason = "unterminated brace";
        return false;
    }
    if (close + 1 != end) {
        *reason = "text after a closing brace";
        return false;
    }
    for (const char* p = value + 1; p < close; ++p) {
        out[(*length)++] = *p;
        if (*p == '}')
            ++p; // the second brace of "}}"
    }
    return true;
}

bool setRegistration(FileSection* section, const char* key, const char* value, size_t length,
                     const char** reason) {
    if (!strcasecmp(key, "DSN")) {
        *reason = "the section's header names the data source";
    } else if (!strcasecmp(key, "Driver")) {
        if (section->driver[0] || length == 0 || length > maxNameBytes) {
            *reason = section->driver[0] ? "Driver given twice" : "Driver needs a description";
            return false;
        }
        std::memcpy(section->driver, value, length);
        return true;
    } else if (section->scope != Scope::unspecified) {
        *reason = "Scope given twice";
    } else if (length == 4 && !strncasecmp(value, "user", 4)) {
        section->scope = Scope::user;
        return true;
    } else if (length == 6 && !strncasecmp(value, "system", 6)) {
        section->scope = Scope::system;
        return true;
    } else {
        *reason = "Scope is user or system";
    }
    return false;
}

bool addEntry(const Line& line, unsigned number, FileSection* section, char* message) {
    static char key[maxLineBytes];
    static char value[maxLineBytes];
    if (static_cast<size_t>(line.end - line.begin) >= maxLineBytes)
        return failAt(message, number, "a line longer than 16384 bytes");
    const char* equals =
        static_cast<const char*>(std::memchr(line.begin, '=', line.end - line.begin));
    if (!equals)
        return failAt(message, number, "a line without '='");
    const char* keyEnd = equals;
    while (keyEnd > line.begin && isBlank(keyEnd[-1]))
        --keyEnd;
    size_t keyLength = keyEnd - line.begin;
    if (keyLength == 0)
        return failAt(message, number, "an entry without a key");
    std::memcpy(key, line.begin, keyLength);
    key[keyLength] = '\0';
    const char* start = equals + 1;
    while (start < line.end && isBlank(*start))
        ++start;
    size_t length = 0;
    const char* reason = nullptr;
    if (!readValue(start, line.end, value, &length, &reason))
        return failAt(message, number, reason);
    if (isReservedKey(key))
        return setRegistration(section, key, value, length, &reason) ||
               failAt(message, number, reason);
    if (findAttribute(section->attributes, key))
        return failAt(message, number, "a key given twice");
    if (!appendAttribute(&section->attributes, key, keyLength, value, length))
        return failAt(message, number, "the section is longer than the setup library reads");
    return true;
}

} // namespace

ReadResult readSection(FileReader* reader, FileSection* section, char* message) {
    Line line;
    do {
        if (!nextLine(reader, &line))
            return ReadResult::end;
    } while (isComment(line));
    if (std::memchr(line.begin, '\0', line.end - line.begin))
        return errorAt(message, reader->line, "a NUL byte");
    if (*line.begin != '[')
        return errorAt(message, reader->line, "an entry outside a section");
    if (!startSection(line, reader->line, section, message))
        return ReadResult::error;
    for (;;) {
        FileReader mark = *reader;
        if (!nextLine(reader, &line))
            break;
        if (isComment(line))
            continue;
        if (std::memchr(line.begin, '\0', line.end - line.begin))
            return errorAt(message, reader->line, "a NUL byte");
        if (*line.begin == '[') {
            *reader = mark;
            break;
        }
        if (!addEntry(line, reader->line, section, message))
            return ReadResult::error;
    }
    char reason[messageCapacity];
    if (!checkRefusedKeywords(section->attributes, reason))
        return errorAt(message, section->line, reason);
    return ReadResult::section;
}

} // namespace dsnconfig
