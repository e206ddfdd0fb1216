// Runs one installer-shim scenario in a process of its own (the shim binds
// the installer once per process) and prints what happened, one fact per
// line, for tests/shim/scenarios.sh to check:
//   LOADED <file>        the installer copy the shim chose
//   STILL_LOADED yes|no  whether that copy stays loaded after one release
//   RESULT <n>           the result of the call made
//   INSTALLER <file>     the copy a resolved function lives in
//   BOX <caption>|<text> a message box, answered with OK
//   VERSION <a.b.c.d>    the file version of a named file
// usage: shimprobe load | add <driver> | translator | version <file>
#include "store/installer_shim.h"
#include "entry/library_lifetime.h"
#include "entry/exports.h"
#include "support/message_boxes.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
std::string moduleFile(HMODULE module) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof path);
    return path;
}

void printVersion(const char* file) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(file, &handle);
    std::string block(size ? size : 1, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (size && GetFileVersionInfoA(file, 0, size, &block[0]) &&
        VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
        std::printf("VERSION %u.%u.%u.%u\n", unsigned(HIWORD(fixed->dwFileVersionMS)),
                    unsigned(LOWORD(fixed->dwFileVersionMS)),
                    unsigned(HIWORD(fixed->dwFileVersionLS)),
                    unsigned(LOWORD(fixed->dwFileVersionLS)));
    else
        std::printf("VERSION none\n");
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    if (!attachProcess(GetModuleHandleA(nullptr)))
        return 2;
    BoxWatcher watcher;
    std::string command = argv[1];

    if (command == "load") {
        HMODULE module = static_cast<HMODULE>(loadInstallerLibrary());
        std::string file = module ? moduleFile(module) : "none";
        std::printf("LOADED %s\n", file.c_str());
        if (module) {
            FreeLibrary(module);
            std::printf("STILL_LOADED %s\n", GetModuleHandleA(file.c_str()) ? "yes" : "no");
        }
    } else if (command == "add" && argc > 2) {
        static const char attributes[] = "DSN=ShimProbe\0Description=probe\0";
        std::printf("RESULT %d\n", ConfigDSN(nullptr, 1, argv[2], attributes));
        // A call outside the request finds the installer missing again.
        beginInstallerRequest();
        void* function = resolveInstallerFunction("SQLValidDSN");
        HMODULE owner = nullptr;
        if (function)
            GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               static_cast<LPCSTR>(function), &owner);
        std::printf("INSTALLER %s\n", owner ? moduleFile(owner).c_str() : "none");
    } else if (command == "translator") {
        char name[64] = "", path[261] = "";
        uint16_t nameLength = 0, pathLength = 0;
        uint32_t option = 0;
        int result =
            SQLGetTranslator(nullptr, name, 63, &nameLength, path, 260, &pathLength, &option);
        std::printf("RESULT %d\n", result);
    } else if (command == "version" && argc > 2) {
        printVersion(argv[2]);
    } else {
        return 2;
    }
    // Every box was answered before the call that showed it returned.
    for (const Box& box : watcher.boxes())
        std::printf("BOX %s|%s\n", box.caption.c_str(), box.text.c_str());
    std::fflush(stdout);
    return 0;
}
