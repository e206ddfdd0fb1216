// The text file that `dsnconfig export` writes and `dsnconfig import`
// reads: odbc.ini's form, one section per data source.
//
//   ; Data sources of driver "Informix ODBC Driver"
//   [Sales]
//   Driver=Informix ODBC Driver
//   Scope=system
//   Description=Sales; the year's figures
//   HostName={ dbhost }
//
// Driver and Scope are the data source's registration (its driver's
// description, user or system); every other line is a key of its section.
// A value is the rest of its line without the blanks around it; a value
// that starts with '{' ends at its closing '}', "}}" standing for a '}'
// inside, and keeps all it holds. Lines end with LF or CR LF; comments
// start with ';' or '#'; the text is UTF-8, a byte-order mark allowed.
#pragma once
#include "attrlist.h"
#include "cmdline.h"

namespace dsnconfig {

// The largest file import reads.
constexpr size_t maxFileBytes = 1u << 20;
// The longest entry export writes: a key and a value of at most 2047
// UTF-16 units each in UTF-8, its '}' doubled inside braces.
constexpr size_t maxLineBytes = 16384;

// Whether a data-source name can head a section: no brackets, line
// breaks or blanks at its ends. False with the reason in message.
bool checkSectionName(const char* name, char* message);

// Writes key=value as a line of the file (without its end) into line,
// bracing the value when it starts with '{' or a blank or ends with a
// blank. False (with the reason) for a key that a line cannot hold (empty,
// with '=', a line break, blanks at its ends, starting like a comment or a
// section, or one of Driver, Scope and DSN), a value with a line break,
// and a line longer than capacity.
bool formatFileEntry(const char* key, const char* value, char* line, size_t capacity,
                     char* message);

struct FileSection {
    char name[maxNameBytes + 1];
    char driver[maxNameBytes + 1]; // empty when the section names none
    Scope scope;                   // unspecified when the section names none
    AttributeList attributes;      // DSN=name, then the section's keys in order
    unsigned line;                 // of the section's header
};

struct FileReader {
    const char* text;
    size_t length;
    size_t offset;
    unsigned line; // of the last line read
};

void startReading(FileReader* reader, const char* text, size_t length);

enum class ReadResult { section, end, error };

// Reads the next section. An error (with its line and reason in message):
// an entry before the first section, a line without '=', a malformed brace,
// a key given twice, an unknown scope, a DSN key (the header names the data
// source), a keyword dsnconfig refuses, a NUL byte, and a section longer
// than the setup library reads.
ReadResult readSection(FileReader* reader, FileSection* section, char* message);

} // namespace dsnconfig
