// Windows helpers of the test programs: registry seeding through the
// Win32 calls, module names, and the scratch directories of test_files.h.
#pragma once
#include "test_files.h"
#include <windows.h>
#include <string>
#include <vector>

// Creates root\path and stores one value (REG_SZ text unless type says
// otherwise; data is stored exactly as given, terminator included only
// when it is part of data). True on success.
bool seedValue(HKEY root, const std::string& path, const std::string& name, const std::string& data,
               DWORD type = REG_SZ);
// Text values are stored with their terminator, as programs write them.
bool seedText(HKEY root, const std::string& path, const std::string& name, const std::string& text);
bool seedKey(HKEY root, const std::string& path);
void removeKey(HKEY root, const std::string& path);

// The names of a NUL-separated list that ends with an empty name.
std::vector<std::string> namesOf(const char* list);

std::string moduleFileName(HMODULE module);
// Directory of the running test program, without a final backslash.
std::string programDirectory();
bool sameFile(const std::string& a, const std::string& b);
