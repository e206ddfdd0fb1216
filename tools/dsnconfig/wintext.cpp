#include "wintext.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace dsnconfig {

namespace {

// Room for a text in the ANSI code page: at most two bytes per unit.
constexpr int ansiCapacity = 2 * valueCapacity;

// length counts the final NUL, so an empty text still converts.
bool toWideCounted(const char* text, int length, wchar_t* out, size_t capacity) {
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, out,
                                    static_cast<int>(capacity));
    return units > 0 && static_cast<size_t>(units) <= capacity;
}

// The ANSI form of units of text, NULs included; false when it would not
// fit.
bool wideToAnsi(const wchar_t* text, int units, DWORD flags, char* out, size_t capacity,
                BOOL* lossy) {
    int size = capacity > 0x7fffffff ? 0x7fffffff : static_cast<int>(capacity);
    return WideCharToMultiByte(CP_ACP, flags, text, units, out, size, nullptr, lossy) > 0;
}

// A whole command line's worth of UTF-16 units.
wchar_t wideText[32768];

} // namespace

bool toWide(const char* text, wchar_t* out, size_t capacity) {
    size_t length = std::strlen(text) + 1;
    return length < 0x7fffffff && toWideCounted(text, static_cast<int>(length), out, capacity);
}

bool toWideList(const char* list, size_t length, wchar_t* out, size_t capacity) {
    return length < 0x7fffffff && toWideCounted(list, static_cast<int>(length), out, capacity);
}

bool toAnsi(const char* text, char* out, size_t capacity) {
    return toWide(text, wideText, ARRAYSIZE(wideText)) &&
           wideToAnsi(wideText, -1, 0, out, capacity, nullptr);
}

bool toAnsiList(const char* list, size_t length, char* out, size_t capacity) {
    if (length >= ARRAYSIZE(wideText))
        return false;
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, list, static_cast<int>(length),
                                    wideText, ARRAYSIZE(wideText));
    return units > 0 && wideToAnsi(wideText, units, 0, out, capacity, nullptr);
}

bool toUtf8(const wchar_t* text, char* out, size_t capacity) {
    int size = capacity > 0x7fffffff ? 0x7fffffff : static_cast<int>(capacity);
    return WideCharToMultiByte(CP_UTF8, 0, text, -1, out, size, nullptr, nullptr) > 0;
}

bool fitsCodePage(const wchar_t* text) {
    // A UTF-8 code page holds everything, and takes no lossy flag.
    if (GetACP() == CP_UTF8)
        return true;
    static char ansi[ansiCapacity];
    BOOL lossy = FALSE;
    return wideToAnsi(text, -1, WC_NO_BEST_FIT_CHARS, ansi, sizeof ansi, &lossy) && !lossy;
}

bool sameInCodePage(const wchar_t* a, const wchar_t* b) {
    static char first[ansiCapacity];
    static char second[ansiCapacity];
    return wideToAnsi(a, -1, 0, first, sizeof first, nullptr) &&
           wideToAnsi(b, -1, 0, second, sizeof second, nullptr) && std::strcmp(first, second) == 0;
}

namespace {

bool writeAll(HANDLE handle, const char* bytes, size_t length) {
    while (length > 0) {
        DWORD chunk = length > 65536 ? 65536 : static_cast<DWORD>(length);
        DWORD written = 0;
        if (!WriteFile(handle, bytes, chunk, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        length -= written;
    }
    return true;
}

// A console takes UTF-16 whatever its code page; the text is cut into
// pieces at line ends or, for a long line, at a character's first byte.
bool writeConsole(HANDLE handle, const char* text, size_t length) {
    static wchar_t wide[4096];
    while (length > 0) {
        size_t piece = length < 4000 ? length : 4000;
        while (piece < length && (static_cast<unsigned char>(text[piece]) & 0xC0) == 0x80)
            --piece;
        int units = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(piece), wide, 4096);
        DWORD written = 0;
        if (units <= 0 ||
            !WriteConsoleW(handle, wide, static_cast<DWORD>(units), &written, nullptr))
            return false;
        text += piece;
        length -= piece;
    }
    return true;
}

} // namespace

bool writeText(HANDLE handle, const char* text, size_t length) {
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode))
        return writeConsole(handle, text, length);
    // Files and pipes get the Windows line end, as the C runtime's text
    // mode gave them before.
    const char* end = text + length;
    while (text < end) {
        const char* newline = static_cast<const char*>(std::memchr(text, '\n', end - text));
        const char* stop = newline ? newline : end;
        if (!writeAll(handle, text, stop - text) || (newline && !writeAll(handle, "\r\n", 2)))
            return false;
        text = newline ? newline + 1 : end;
    }
    return true;
}

namespace {

void sayTo(DWORD stream, const char* format, va_list arguments) {
    // Names and values are bounded (valueCapacity units, three bytes each
    // at most), so a message always fits.
    static char message[4 * 3 * valueCapacity];
    int length = std::vsnprintf(message, sizeof message, format, arguments);
    if (length < 0)
        return;
    size_t size = static_cast<size_t>(length) < sizeof message ? length : sizeof message - 1;
    writeText(GetStdHandle(stream), message, size);
}

} // namespace

void say(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    sayTo(STD_OUTPUT_HANDLE, format, arguments);
    va_end(arguments);
}

void complain(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    sayTo(STD_ERROR_HANDLE, format, arguments);
    va_end(arguments);
}

} // namespace dsnconfig
