// ODBC.INI as Wine's installer keeps it: fresh data-source names for a
// test run, and what a data source holds, read back through the installer
// and the registry.
#pragma once
#include <string>

// stem behind a prefix, with this run's process id, and nothing left of
// an earlier run of that name.
std::string freshName(const char* prefix, const char* stem);
// The entry as SQLGetPrivateProfileString gives it, "<none>" when absent.
std::string stored(const std::string& name, const char* key);
// Whether the data source is registered (HKEY_LOCAL_MACHINE side).
bool registered(const std::string& name);
