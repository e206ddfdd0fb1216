// The setup library's entry function (DllMain).
#include "entry/library_lifetime.h"
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return attachProcess(module) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        // A non-null reserved pointer means the process is ending: its other
        // threads are already gone, perhaps inside one of the library's
        // locks, and the system takes back all memory and modules. Only a
        // real unload (FreeLibrary) cleans up.
        if (!reserved)
            detachProcess();
        return TRUE;
    default:
        return TRUE;
    }
}
