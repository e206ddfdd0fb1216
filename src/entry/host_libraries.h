// The host build's account, for its platform stand-in, of the files that
// the library loads on Windows. Called once before the library's first
// request: by the shared library's entry, and by host programs that link
// the library's code directly.
#pragma once

// The resource library's strings, compiled in, answer for any library
// named like a resource library ("...R.DLL"); unixODBC's installer
// library answers for the ODBC installer's.
void bindHostLibraries();
