// The keys of a data source's ODBC.INI section that `show` prints, in the
// order the setup library writes them.
#pragma once
#include <cstddef>

namespace dsnconfig {

size_t storedKeyCount();
const char* storedKey(size_t index);

} // namespace dsnconfig
