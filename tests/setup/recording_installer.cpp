#include "recording_installer.h"
#include "support/windows_fixture.h"
#include "store/registry.h"
#include <fstream>
#include <sstream>

namespace {
template <typename Function> void bind(HMODULE module, const char* name, Function* slot) {
    *slot = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
} // namespace

RecordingInstaller::RecordingInstaller() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    logPath = std::string(temp) + "rv-recorded-installer-" + std::to_string(GetCurrentProcessId()) +
              ".log";
    DeleteFileA(logPath.c_str());
    SetEnvironmentVariableA("RV_INSTALLER_LOG", logPath.c_str());
    std::string path = programDirectory() + "\\instrec\\v3525\\odbccp32.dll";
    module = LoadLibraryA(path.c_str());
    // Without native copies first, Wine gives its builtin for the path.
    if (module && !sameFile(moduleFileName(module), path)) {
        FreeLibrary(module);
        module = nullptr;
    }
    if (!module)
        return;
    bind(module, "SQLValidDSN", &functions.validDSN);
    bind(module, "SQLWriteDSNToIni", &functions.writeDSNToIni);
    bind(module, "SQLRemoveDSNFromIni", &functions.removeDSNFromIni);
    bind(module, "SQLGetTranslator", &functions.getTranslator);
    bind(module, "SQLWritePrivateProfileString", &functions.writePrivateProfileString);
    bind(module, "SQLGetPrivateProfileString", &functions.getPrivateProfileString);
    bind(module, "SQLInstallerError", &functions.installerError);
    setInstallerFunctionsForTesting(&functions);
    // The profile store binds the installer by name: bound now, while the
    // recorder is what the name finds, it keeps the recorder.
    unbindInstallerProfileFunctions();
    if (GetModuleHandleA("odbccp32.dll") == module) {
        bindInstallerProfileFunctions();
        profileReads = true;
    }
}

RecordingInstaller::~RecordingInstaller() {
    setInstallerFunctionsForTesting(nullptr);
    unbindInstallerProfileFunctions();
    refuse(nullptr);
    translator(nullptr);
    SetEnvironmentVariableA("RV_INSTALLER_LOG", nullptr);
    if (module)
        FreeLibrary(module);
    DeleteFileA(logPath.c_str());
}

std::string RecordingInstaller::log() const {
    std::ifstream file(logPath, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}
