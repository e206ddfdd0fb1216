// Every test program starts the library before its tests run and checks
// that it runs in the code page its suite expects.
#include "base/platform.h"
#include "library_start.h"
#include "test_support.h"
#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!startLibrary())
        return 2;
    if (platAnsiCodePage() != expectedCodePage()) {
        std::fprintf(stderr, "ANSI code page is %u, the run expects %u\n", platAnsiCodePage(),
                     expectedCodePage());
        return 2;
    }
    int result = RUN_ALL_TESTS();
    stopLibrary();
    return result;
}
