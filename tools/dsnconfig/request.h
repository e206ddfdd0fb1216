// One data-source request through the installer.
#pragma once
#include "winstore.h"

namespace dsnconfig {

// Refuses, saying why on standard error, a data-source name or driver
// description outside the ANSI code page: the setup library receives them
// as ANSI text and would register another name.
bool checkCodePage(const char* what, const char* text);

// The key an attribute-list entry is stored under and its value as
// stored: without the blanks around it for a key of the setup library,
// which drops them; false when they would not fit.
bool storedEntry(const char* entry, wchar_t* keyword, wchar_t* value);

// Sends an add, configure or remove request for dataSource in a scope
// through SQLConfigDataSource, which has the driver's setup library carry
// it out. The setup library is ANSI (it exports ConfigDSN only), so the
// request is converted here as Windows' SQLConfigDataSourceW would convert
// it for that library; Wine 8's SQLConfigDataSourceW calls ConfigDSNW only
// and fails the request (seen). The setup library stores a value outside
// the code page with '?' or best-fit characters in its place.
// Each such value, of the request or (configure) stored before, that comes
// back as exactly that ANSI form is then written again as the text it is.
// False, with the reasons on standard error, when the request fails.
bool runRequest(HWND window, CommandKind kind, const ScopeInfo& scope, const char* driver,
                const char* dataSource, const AttributeList& attributes);

} // namespace dsnconfig
