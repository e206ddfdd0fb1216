// The keys of a data source's ODBC.INI section that `show` prints, in the
// order the setup library writes them.
#pragma once
#include <cstddef>

namespace dsnconfig {

size_t storedKeyCount();
const char* storedKey(size_t index);

// The key the setup library stores an attribute keyword under: the
// table's keyword for it or for its short form (HOST is HostName),
// regardless of case; any other keyword as it is.
const char* storedKeyFor(const char* keyword);

// Whether a key is named like a password (PWD, Password, Passwd anywhere
// in it, regardless of case): its value is never printed in clear.
bool isSecretKey(const char* key);
// What is printed in place of such a value, whatever its length.
extern const char* const maskedValue;

} // namespace dsnconfig
