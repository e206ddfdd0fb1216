// Where the installer keeps its profiles in the registry, for tests that
// seed or read them there directly. Key names compare without regard to
// case; these are spelt as the profile store spells them.
#pragma once
#include <string>

// ODBC.INI: a key per data source, under HKEY_CURRENT_USER for a user's
// and under HKEY_LOCAL_MACHINE for the system's.
inline constexpr char dataSourcesKey[] = "SOFTWARE\\ODBC\\ODBC.INI\\";
// ODBCINST.INI: a key per registered driver, under HKEY_LOCAL_MACHINE.
inline constexpr char driversKey[] = "SOFTWARE\\ODBC\\ODBCINST.INI\\";
// CONTROL.INI: a key per section, under HKEY_CURRENT_USER.
inline constexpr char controlPanelKey[] = "Control Panel\\";

inline std::string keyOfDataSource(const std::string& name) {
    return dataSourcesKey + name;
}
inline std::string keyOfDriver(const std::string& name) {
    return driversKey + name;
}
