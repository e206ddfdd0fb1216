// ODBC.INI reads when the installer cannot give them: this program's
// directory holds a stand-in odbccp32.dll without SQLGetPrivateProfileString,
// which the library's own load of "odbccp32.dll" finds first.
#include "store/registry.h"
#include "support/registry_keys.h"
#include "support/windows_fixture.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace {
const std::string userDsn = "RvProfile Fallback User DSN";
const std::string systemDsn = "RvProfile Fallback System DSN";

class NoInstaller : public testing::Test {
protected:
    void SetUp() override {
        unbindInstallerProfileFunctions();
        ASSERT_TRUE(seedText(HKEY_CURRENT_USER, keyOfDataSource(userDsn), "Database", "userdb"));
        ASSERT_TRUE(seedText(HKEY_CURRENT_USER, keyOfDataSource(userDsn), "Host", "ifxhost"));
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDataSource(systemDsn), "Database", "sysdb"));
    }
    void TearDown() override {
        SetEnvironmentVariableA("RV_FAKE_INSTALLER_REFUSE", nullptr);
        unbindInstallerProfileFunctions();
        removeKey(HKEY_CURRENT_USER, keyOfDataSource(userDsn));
        removeKey(HKEY_LOCAL_MACHINE, keyOfDataSource(systemDsn));
    }
};
} // namespace

TEST_F(NoInstaller, UserDataSourcesAreReadFromTheUsersKeyAndSystemOnesGiveTheDefault) {
    char buffer[64];
    EXPECT_EQ(6, readProfileString(userDsn.c_str(), "Database", "dflt", buffer, sizeof buffer,
                                   "C:\\windows\\ODBC.INI"));
    EXPECT_STREQ("userdb", buffer);
    // The bound library is the stand-in beside this program.
    HMODULE bound = GetModuleHandleA("odbccp32.dll");
    ASSERT_NE(nullptr, bound);
    EXPECT_TRUE(sameFile(programDirectory() + "\\odbccp32.dll", moduleFileName(bound)));
    EXPECT_NE(nullptr, GetProcAddress(bound, "SQLValidDSN"));
    EXPECT_EQ(nullptr, GetProcAddress(bound, "SQLGetPrivateProfileString"));

    EXPECT_EQ(4, readProfileString(systemDsn.c_str(), "Database", "dflt", buffer, sizeof buffer,
                                   "ODBC.INI"));
    EXPECT_STREQ("dflt", buffer);
    // Entry and section lists come from the user's key as well.
    std::string list(256, '\x7f');
    EXPECT_EQ(14, readProfileString(userDsn.c_str(), nullptr, "dflt", &list[0], 256, "ODBC.INI"));
    EXPECT_EQ(std::string("Database\0Host\0\0", 15), list.substr(0, 15));
    std::string sections(4096, '\x7f');
    readProfileString(nullptr, nullptr, "dflt", &sections[0], 4096, "ODBC.INI");
    std::vector<std::string> names = namesOf(sections.c_str());
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), userDsn));
    EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), systemDsn));
}

TEST_F(NoInstaller, AnInstallerThatWillNotLoadIsTriedAgainOnTheNextRead) {
    SetEnvironmentVariableA("RV_FAKE_INSTALLER_REFUSE", "1");
    char buffer[64];
    EXPECT_EQ(6, readProfileString(userDsn.c_str(), "Database", "dflt", buffer, sizeof buffer,
                                   "ODBC.INI"));
    EXPECT_STREQ("userdb", buffer);
    EXPECT_EQ(nullptr, GetModuleHandleA("odbccp32.dll"));

    SetEnvironmentVariableA("RV_FAKE_INSTALLER_REFUSE", nullptr);
    EXPECT_EQ(6, readProfileString(userDsn.c_str(), "Database", "dflt", buffer, sizeof buffer,
                                   "ODBC.INI"));
    EXPECT_NE(nullptr, GetModuleHandleA("odbccp32.dll"));
    unbindInstallerProfileFunctions();
    EXPECT_EQ(nullptr, GetModuleHandleA("odbccp32.dll"));
}
