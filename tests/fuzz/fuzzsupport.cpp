#include "fuzzsupport.h"
#include "base/utility.h"
#include "entry/hostlibs.h"
#include "entry/libmain.h"
#include <cstdio>
#include <cstdlib>

void startLibraryForFuzzing() {
    bindHostLibraries();
    if (!attachProcess(nullptr)) {
        std::fprintf(stderr, "library start-up failed\n");
        std::abort();
    }
    resourceLibrary = platLoadLibrary("qzifx06R.dll");
    resourceLibraryUses = 1;
}
