// Prints, for each help topic named on the command line, the URL that the
// setup dialog's Help opens for a driver and the hand-off URL a running
// browser would be given for it, one pair per line separated by a tab.
// The help root comes from the driver's registration, as for a real Help
// press; only the browser launch is replaced by a recorder. The help page
// tests open these URLs in a real browser.
//
// usage: helpurls DRIVER TOPIC...
#include "base/allocation.h"
#include "help/browser_launch.h"
#include "help/help_url.h"
#include "support/library_start.h"
#include "support/help_recorder.h"
#include "support/registry_keys.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
// Without a help folder the Help press shows a message box, which nobody
// would close here.
bool hasHelpFolder(const char* driver) {
    std::string key = keyOfDriver(driver);
    char folder[MAX_PATH];
    DWORD size = sizeof folder;
    return RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "HelpRootDirectory", RRF_RT_REG_SZ,
                        nullptr, folder, &size) == ERROR_SUCCESS &&
           folder[0];
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: helpurls DRIVER TOPIC...\n");
        return 2;
    }
    if (!hasHelpFolder(argv[1])) {
        std::fprintf(stderr, "helpurls: driver \"%s\" has no HelpRootDirectory\n", argv[1]);
        return 1;
    }
    if (!startLibrary())
        return 1;
    HelpUrlRecorder recorder;
    for (int i = 2; i < argc; ++i) {
        size_t before = HelpUrlRecorder::urls().size();
        showContextHelp(argv[1], argv[i], "ODBC");
        if (HelpUrlRecorder::urls().size() != before + 1) {
            std::fprintf(stderr, "helpurls: no URL opened for topic %s\n", argv[i]);
            return 1;
        }
        const std::string& url = HelpUrlRecorder::urls().back();
        char* handoff = nullptr;
        uint32_t length = 0;
        if (makeHandoffUrl(url.data(), static_cast<uint32_t>(url.size()), &handoff, &length) != 0) {
            std::fprintf(stderr, "helpurls: no hand-off URL for %s\n", url.c_str());
            return 1;
        }
        std::printf("%s\t%.*s\n", url.c_str(), static_cast<int>(length), handoff);
        rvFree(handoff);
    }
    stopLibrary();
    return 0;
}
