// The setup library's entry function (DllMain).
#include "entry/libmain.h"
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return attachProcess(module) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        detachProcess();
        return TRUE;
    default:
        return TRUE;
    }
}
