// Access to the ODBC profiles (ODBC.INI, ODBCINST.INI) and their registry
// form.
#pragma once

// Releases the installer library bound for profile reads, if any.
void unbindInstallerProfileFunctions();
