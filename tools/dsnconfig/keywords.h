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

} // namespace dsnconfig
