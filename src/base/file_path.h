// File paths, split and joined the way Windows reads them: the separator
// is a backslash (a slash is taken as one too), and a double-byte
// character whose trail byte looks like one is never split.
#pragma once
#include <cstddef>

// The file-name part of path: what follows its last separator or, without
// one, its drive prefix ("C:name"); path itself when it has neither.
const char* pathFileName(const char* path);
// directory (directoryLength bytes, no final separator), a backslash and
// name into out (capacity bytes; directory may be out itself): false, out
// untouched, when the whole path and its terminator would not fit.
bool joinPath(char* out, size_t capacity, const char* directory, size_t directoryLength,
              const char* name);
