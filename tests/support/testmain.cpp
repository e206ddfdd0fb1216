// Test programs start the library as its entry function would, with the
// resource library loaded for message texts.
#include "base/rvplatform.h"
#include "base/utility.h"
#include "entry/hostlibs.h"
#include "entry/libmain.h"
#include "testsupport.h"
#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
#ifndef _WIN32
    bindHostLibraries();
#endif
    if (!attachProcess(nullptr)) {
        std::fprintf(stderr, "library start-up failed\n");
        return 2;
    }
    resourceLibrary = platLoadLibrary("qzifx06R.dll");
    if (!resourceLibrary) {
        std::fprintf(stderr, "resource library qzifx06R.dll not found\n");
        return 2;
    }
    resourceLibraryUses = 1;
    if (platAnsiCodePage() != expectedCodePage()) {
        std::fprintf(stderr, "ANSI code page is %u, the run expects %u\n", platAnsiCodePage(),
                     expectedCodePage());
        return 2;
    }
    int result = RUN_ALL_TESTS();
    platFreeLibrary(resourceLibrary);
    resourceLibrary = nullptr;
    detachProcess();
    return result;
}
