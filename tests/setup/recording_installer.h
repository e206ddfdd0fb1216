// The recording installer of tests/fixtures/recording_installer as the setup library's
// installer for the length of a test: the library's installer calls, and
// its profile store's reads of ODBC.INI, reach the recorder's exports,
// which log them and pass them on to Wine's installer unless a script of
// the recorder says otherwise. Wine hands out its builtin installer even
// for the recorder's full path unless the load order puts native copies
// first (odbccp32=n,b). Right after the recorder is loaded, Wine's load of
// "odbccp32.dll" by name (the profile store's) finds the recorder.
#pragma once
#include <windows.h>
#include "store/installer_shim.h"
#include <string>

class RecordingInstaller {
public:
    RecordingInstaller();
    ~RecordingInstaller();
    RecordingInstaller(const RecordingInstaller&) = delete;
    RecordingInstaller& operator=(const RecordingInstaller&) = delete;

    // Whether the recorder was loaded and bound.
    bool bound() const { return module != nullptr; }
    // Whether the profile store's reads of ODBC.INI go through it too.
    bool recordsProfileReads() const { return profileReads; }
    // The recorder's scripts (RV_INSTALLER_REFUSE, RV_TRANSLATOR); null
    // ends a script.
    void refuse(const char* script) { SetEnvironmentVariableA("RV_INSTALLER_REFUSE", script); }
    void translator(const char* script) { SetEnvironmentVariableA("RV_TRANSLATOR", script); }
    // Every call logged so far, one line each.
    std::string log() const;

private:
    HMODULE module = nullptr;
    InstallerFunctions functions = {};
    std::string logPath;
    bool profileReads = false;
};
