// Every test program starts the library before its tests run and checks
// that it runs in the code page its suite expects. Its output is not
// buffered: a program that dies part way still shows how far it came.
#include "base/platform.h"
#include "library_start.h"
#include "test_support.h"
#include <cstdio>

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
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
