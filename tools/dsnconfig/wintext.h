// The tool's text at its edges. Arguments and installer calls are UTF-16,
// so that paths and values outside the ANSI code page reach the installer
// intact; the tool's own logic (command line, attribute lists, the export
// file) works on UTF-8. Output is UTF-16 on a console and UTF-8 with
// Windows line ends in a file or pipe.
#pragma once
#include <windows.h>
#include <cstddef>

namespace dsnconfig {

// Values read from or written to the installer, in UTF-16 units with the
// NUL. The setup library writes at most 254 bytes; other tools may write
// more, and a value that does not fit is refused, never cut.
constexpr int valueCapacity = 2048;
// A key or data-source name: 255 characters and the NUL.
constexpr int nameCapacity = 256;

// UTF-8 text to UTF-16 in out (capacity units with the NUL); false when it
// is not UTF-8 or would not fit.
bool toWide(const char* text, wchar_t* out, size_t capacity);
// The same for an installer list: NUL-ended entries and one more NUL,
// length bytes in all.
bool toWideList(const char* list, size_t length, wchar_t* out, size_t capacity);
// UTF-8 text, or a UTF-8 installer list, to the ANSI code page as the
// installer converts text for an ANSI setup library (best-fit characters,
// '?' for the rest); false when it would not fit.
bool toAnsi(const char* text, char* out, size_t capacity);
bool toAnsiList(const char* list, size_t length, char* out, size_t capacity);
// UTF-16 text to UTF-8; false when it would not fit.
bool toUtf8(const wchar_t* text, char* out, size_t capacity);

// Whether text survives the ANSI code page unchanged: the ANSI setup
// library receives, stores and returns it as it is.
bool fitsCodePage(const wchar_t* text);
// Whether a and b become the same ANSI text, as the installer converts
// them for an ANSI setup library (best-fit characters included).
bool sameInCodePage(const wchar_t* a, const wchar_t* b);

// Writes UTF-8 text to a handle as described above; false when the write
// fails.
bool writeText(HANDLE handle, const char* text, size_t length);
// printf-style output to standard output and standard error.
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void complain(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace dsnconfig
