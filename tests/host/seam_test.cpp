// The platform seam as the shared library meets it: its own module name
// and the resource library derived from that name.
#include "base/rvplatform.h"
#include "base/utility.h"
#include <gtest/gtest.h>
#include <string>

TEST(HostSeam, SharedLibraryFindsItsResourceStringsByName) {
    PlatModule library = platLoadLibrary(RV_SETUP_LIBRARY);
    ASSERT_NE(nullptr, library);
    char name[261];
    ASSERT_GT(platModuleFileName(library, name, sizeof name), 0u);
    // Reported with backslashes, so the name splits where the library
    // expects, and taken back by the loader in that form.
    std::string reported(name);
    EXPECT_EQ(std::string::npos, reported.find('/'));
    EXPECT_EQ("\\libqzifx06s.so", reported.substr(reported.rfind('\\')));
    PlatModule again = platLoadLibrary(name);
    EXPECT_EQ(library, again);
    platFreeLibrary(again);

    PlatModule resources = nullptr;
    int32_t uses = 0;
    ASSERT_EQ(0, loadResourceLibrary(library, 1, &resources, &uses));
    EXPECT_EQ(1, uses);
    char text[512];
    EXPECT_GT(platLoadStringA(resources, 2706, text, sizeof text), 0);
    releaseResourceLibrary(&resources, &uses);
    EXPECT_EQ(nullptr, resources);
    // Unloads the library when nothing else holds it: its own start-up and
    // shut-down run under the sanitizers here.
    platFreeLibrary(library);
}
