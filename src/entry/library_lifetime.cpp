// Library start-up and shut-down, run by the entry function.
#include "entry/library_lifetime.h"
#include "base/per_thread.h"
#include "base/error_list.h"
#include "store/registry.h"

void* libraryModule = nullptr;

int attachProcess(void* module) {
    libraryModule = module;
    // The text routines' white-space and character tests follow the
    // system's ANSI code page through the platform's own character types;
    // the C runtime's locale belongs to the host process and stays as the
    // host set it.
    threadInfoList = nullptr;
    RvThreadInfo* first = new RvThreadInfo(platCurrentThreadId());
    if (!first)
        return 0;
    threadInfoList = first;
    return 1;
}

void detachProcess() {
    unbindInstallerProfileFunctions();
    releaseStaticErrorTexts();
    RvThreadInfo* info = threadInfoList;
    threadInfoList = nullptr;
    while (info) {
        RvThreadInfo* next = info->next;
        delete info;
        info = next;
    }
}
