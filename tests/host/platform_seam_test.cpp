// The platform seam as the shared library meets it: its own module name
// and the resource library derived from that name.
#include "base/platform.h"
#include "base/resource_library.h"
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

// What the host stand-in knows of libraries it has no file for is only
// what it is told: strings under a name ending, and a host file under a
// Windows name. Nothing of the product's own names is built into it.
TEST(HostSeam, BuiltInLibrariesAndAliasesAreWhatTheCallerHandsIn) {
    EXPECT_EQ(nullptr, platLoadLibrary("C:\\any\\thingQ.DAT"));
    EXPECT_EQ(nullptr, platLoadLibrary("mathlib.dll"));

    static const PlatStringEntry strings[] = {{7, "seven"}, {8, "eight"}};
    ASSERT_EQ(0, platAddBuiltInLibrary("Q.DAT", strings, 2));
    ASSERT_EQ(0, platAddLibraryAlias("MathLib.DLL", "libm.so.6"));

    PlatModule table = platLoadLibrary("C:\\any\\thingq.dat");
    ASSERT_NE(nullptr, table);
    char text[8];
    EXPECT_EQ(5, platLoadStringA(table, 7, text, sizeof text));
    EXPECT_STREQ("seven", text);
    EXPECT_EQ(3, platLoadStringA(table, 8, text, 4)) << "cut to the room given";
    EXPECT_EQ(0, platLoadStringA(table, 9, text, sizeof text));
    EXPECT_EQ(nullptr, platProcAddress(table, "anything")) << "strings only, no code";
    platFreeLibrary(table);

    PlatModule math = platLoadLibrary("mathlib.dll");
    ASSERT_NE(nullptr, math);
    EXPECT_NE(nullptr, platProcAddress(math, "cos"));
    platFreeLibrary(math);
}
