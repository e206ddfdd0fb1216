// Which profile a file name selects: the base name is looked up, letter
// case significant, as a piece of "ODBC.INI ODBCINST.INI CONTROL.INI".
#include "store/registry.h"
#include "support/registry_keys.h"
#include <gtest/gtest.h>
#include <string>

namespace {
struct Located {
    int result;
    PlatKey root;
    std::string prefix;
};

Located locate(const char* file) {
    Located found{-1, PlatKey(0), ""};
    char prefix[profileKeyPrefixCapacity] = "untouched";
    found.result = locateProfileKey(file, &found.root, prefix);
    found.prefix = prefix;
    return found;
}
} // namespace

// The three standard names select their rows, as whole names, as the last
// part of a path, and by a leading part.
TEST(ProfileFile, AStandardNameOrALeadingPartOfOneSelectsItsRow) {
    struct Case {
        const char* file;
        int result;
        PlatKey root;
        const char* prefix;
    };
    const Case cases[] = {
        {"ODBC.INI", profileOfInstaller, platKeyCurrentUser, dataSourcesKey},
        {"ODBCINST.INI", profileInRegistry, platKeyLocalMachine, driversKey},
        {"CONTROL.INI", profileInRegistry, platKeyCurrentUser, controlPanelKey},
        {"C:\\Windows\\ODBC.INI", profileOfInstaller, platKeyCurrentUser, dataSourcesKey},
        {"C:\\Windows/ODBC.INI", profileOfInstaller, platKeyCurrentUser, dataSourcesKey},
        {"D:\\odbc\\data\\ODBCINST.INI", profileInRegistry, platKeyLocalMachine, driversKey},
        {"ODBC", profileOfInstaller, platKeyCurrentUser, dataSourcesKey},
        {"ODBCINST", profileInRegistry, platKeyLocalMachine, driversKey},
        {"CONTROL", profileInRegistry, platKeyCurrentUser, controlPanelKey},
    };
    for (const Case& c : cases) {
        Located found = locate(c.file);
        EXPECT_EQ(c.result, found.result) << c.file;
        EXPECT_EQ(c.root, found.root) << c.file;
        EXPECT_EQ(c.prefix, found.prefix) << c.file;
    }
}

TEST(ProfileFile, OtherNamesSelectNothing) {
    // Only the part after the last backslash counts, with its letter case.
    for (const char* name :
         {"odbc.ini", "Odbc.Ini", "INST.INI", "INI", ".INI", "BC.INI", "ODBC.INI.bak", "WIN.INI",
          "C:\\dir\\", "C:\\dir\\odbcinst.ini", "C:\\ODBC.INI\\other.ini"}) {
        Located none = locate(name);
        EXPECT_EQ(profileNotKnown, none.result) << name;
        EXPECT_EQ("untouched", none.prefix) << name;
    }
}

TEST(ProfileFile, NoFileNameIsNotAProfile) {
    EXPECT_EQ(profileNotKnown, locate(nullptr).result);
    EXPECT_EQ(profileNotKnown, locate("").result);
}

TEST(ProfileRead, ABufferTooSmallForATerminatedResultIsRefused) {
    char buffer[2] = {'x', 'x'};
    EXPECT_EQ(0, readProfileString("s", "k", "default", buffer, 1, "ODBCINST.INI"));
    EXPECT_EQ(0, buffer[0]);
    EXPECT_EQ('x', buffer[1]);
    EXPECT_EQ(0, readProfileString("s", "k", "default", buffer, 0, "ODBCINST.INI"));
    EXPECT_EQ(0, readProfileString("s", nullptr, "default", nullptr, 10, "ODBCINST.INI"));
}

TEST(ProfileRead, AMissingSectionGivesTheDefaultCutToFit) {
    const char* section = "RvProfile Driver That Is Not Installed";
    char buffer[16];
    EXPECT_EQ(3, readProfileString(section, "Setup", "abcdef", buffer, 4, "ODBCINST.INI"));
    EXPECT_STREQ("abc", buffer);
    // An entry list of a missing section is the default too.
    EXPECT_EQ(6,
              readProfileString(section, nullptr, "abcdef", buffer, sizeof buffer, "ODBCINST.INI"));
    EXPECT_STREQ("abcdef", buffer);
    EXPECT_EQ(0,
              readProfileString(section, "Setup", nullptr, buffer, sizeof buffer, "CONTROL.INI"));
    EXPECT_STREQ("", buffer);
}

TEST(ProfileRead, AKeyPathOneCharacterOverTheLimitIsRefusedWithoutTouchingPastIt) {
    // The prefix "SOFTWARE\ODBC\ODBCINST.INI\" has 27 characters: a section
    // of 484 makes the longest path (511 and its terminator), one of 485 a
    // path that must be refused, never built. Under AddressSanitizer a
    // path built one byte too far is caught here, whatever the registry
    // holds.
    for (size_t sectionLength : {484u, 485u, 600u}) {
        std::string section(sectionLength, 's');
        char buffer[16];
        EXPECT_EQ(4, readProfileString(section.c_str(), "Entry", "dflt", buffer, sizeof buffer,
                                       "ODBCINST.INI"))
            << sectionLength;
        EXPECT_STREQ("dflt", buffer);
    }
}
