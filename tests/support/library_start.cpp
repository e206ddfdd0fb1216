#include "library_start.h"
#include "base/platform.h"
#include "base/resource_library.h"
#include "entry/host_libraries.h"
#include "entry/library_lifetime.h"
#include <cstdio>
#include <cstdlib>

namespace {
const char resourceLibraryName[] = "qzifx06R.dll";
}

bool reloadResourceLibrary() {
    if (resourceLibrary)
        return true;
    resourceLibrary = platLoadLibrary(resourceLibraryName);
    resourceLibraryUses = resourceLibrary ? 1 : 0;
    return resourceLibrary != nullptr;
}

bool startLibrary() {
#ifndef _WIN32
    // The files the library loads by name on Windows are stood in for here.
    bindHostLibraries();
#endif
    if (!attachProcess(nullptr)) {
        std::fprintf(stderr, "library start-up failed\n");
        return false;
    }
    if (!reloadResourceLibrary()) {
        std::fprintf(stderr, "resource library %s not found\n", resourceLibraryName);
        return false;
    }
    return true;
}

void startLibraryOrStop() {
    if (!startLibrary())
        std::abort();
}

void stopLibrary() {
    if (resourceLibrary)
        platFreeLibrary(resourceLibrary);
    resourceLibrary = nullptr;
    resourceLibraryUses = 0;
    detachProcess();
}
