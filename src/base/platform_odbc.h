// The ODBC driver manager's interface, as the platform declares it. The
// Windows headers need the Win32 base types in scope first; unixODBC's
// bring their own. The library links the driver manager at load time
// (odbc32 on Windows, libodbc elsewhere), so the calls are the plain
// ODBC 3 functions.
#pragma once
#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
