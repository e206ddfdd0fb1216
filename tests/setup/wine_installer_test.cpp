// Silent ConfigDSN requests against Wine's own installer (odbccp32), the
// results read back through the installer inside Wine.
//
// Wine 8 behaviours these tests rely on:
// - SQLWriteDSNToIni registers the data source under HKEY_LOCAL_MACHINE
//   (Software\ODBC\ODBC.INI\<name>);
// - SQLWritePrivateProfileString stores entries under HKEY_CURRENT_USER,
//   where SQLGetPrivateProfileString finds them;
// - SQLRemoveDSNFromIni removes only the HKEY_LOCAL_MACHINE side, so entries
//   read back through SQLGetPrivateProfileString survive a removal; the
//   tests therefore check removal by the registration key and clear the
//   HKEY_CURRENT_USER side themselves;
// - SQLValidDSN rejects names with any of []{}(),;?*=!@\ and names over 32
//   characters.
#include <windows.h>
#include <odbcinst.h>
#include "sheetless_requests.h"
#include "wine_odbc_ini.h"
#include "support/test_support.h"
#include "support/registry_keys.h"
#include <string>

namespace {
const char driver[] = "IBM INFORMIX ODBC DRIVER";

int silent(WORD request, const std::string& attributes) {
    return ConfigDSN(nullptr, request, driver, attributes.data());
}

} // namespace

TEST(WineInstaller, SilentAddStoresEveryKeyWithGivenValuesAndDefaults) {
    std::string name = freshName("Qz", "Add");
    ASSERT_EQ(TRUE, silent(ODBC_ADD_DSN, attrs({"DSN=" + name, "DB=stores", "HOST=h1",
                                                "CursorBehavior=0 - Close"})));
    EXPECT_TRUE(registered(name));
    const char* const expected[] = {"",  "stores", "",  "h1", "",  "",  "", "",
                                    "0", "0",      "0", "1",  "1", "0", "1"};
    for (size_t i = 0; i < 15; ++i)
        EXPECT_EQ(expected[i], stored(name, storedDefaults()[i].first.c_str()))
            << storedDefaults()[i].first;
}

TEST(WineInstaller, ConfigureKeepsStoredValuesAndTheLongKeywordWins) {
    std::string name = freshName("Qz", "Conf");
    ASSERT_EQ(TRUE, silent(ODBC_ADD_DSN, attrs({"DSN=" + name, "Description=first",
                                                "CancelDetectInterval=10 Sec."})));
    ASSERT_EQ(TRUE, silent(ODBC_CONFIG_DSN, attrs({"DSN=" + name, "DB=short", "Database=long",
                                                   "UID=bob", "UseDefaultLogin=1"})));
    EXPECT_EQ("long", stored(name, "Database"));
    EXPECT_EQ("bob", stored(name, "LogonID"));
    EXPECT_EQ("1", stored(name, "UseDefaultLogin"));
    EXPECT_EQ("first", stored(name, "Description"));
    EXPECT_EQ("10 Sec.", stored(name, "CancelDetectInterval"));
}

TEST(WineInstaller, LongStoredValuesSurviveAConfigureThatDoesNotNameThem) {
    // Wine's installer answers a value longer than the reader's buffer with
    // the default, which would then be written back in its place.
    std::string name = freshName("Qz", "Long");
    ASSERT_EQ(TRUE, silent(ODBC_ADD_DSN, attrs({"DSN=" + name})));
    const struct {
        const char* key;
        std::string value;
    } seeds[] = {{"Description", std::string(300, 'd')},
                 {"Databases", std::string(1000, 'b')},
                 {"HostName", std::string(4000, 'h')}};
    for (const auto& seed : seeds)
        ASSERT_TRUE(
            SQLWritePrivateProfileString(name.c_str(), seed.key, seed.value.c_str(), "ODBC.INI"));
    ASSERT_EQ(TRUE, silent(ODBC_CONFIG_DSN, attrs({"DSN=" + name, "DB=x"})));
    for (const auto& seed : seeds)
        EXPECT_EQ(seed.value, stored(name, seed.key)) << seed.key;
    EXPECT_EQ("x", stored(name, "Database"));
}

TEST(WineInstaller, RepeatedDsnIsRefusedWithNothingWritten) {
    std::string name = freshName("Qz", "Rep");
    EXPECT_EQ(FALSE, silent(ODBC_ADD_DSN, attrs({"DSN=" + name, "DB=x", "DSN=" + name})));
    EXPECT_FALSE(registered(name));
    EXPECT_EQ("<none>", stored(name, "Database"));
}

TEST(WineInstaller, InvalidOrEmptyNameFailsWithNothingWritten) {
    std::string name = freshName("Qz", "Bad") + "[1]";
    EXPECT_EQ(FALSE, silent(ODBC_ADD_DSN, attrs({"DSN=" + name, "DB=x"})));
    EXPECT_FALSE(registered(name));
    EXPECT_EQ("<none>", stored(name, "Database"));
    EXPECT_EQ(FALSE, silent(ODBC_ADD_DSN, attrs({"DSN=", "DB=x"})));
    EXPECT_EQ(FALSE, ConfigDSN(nullptr, ODBC_ADD_DSN, driver, nullptr));
}

TEST(WineInstaller, AnAttributeStringWithoutDoubleNulIsCutAt2048Bytes) {
    std::string name = freshName("Qz", "Cut");
    std::string text = "DSN=" + name;
    text += '\0';
    std::string prefix = text + "Description=";
    text = prefix + std::string(3000 - prefix.size(), 'x');
    text.append(2, '\0'); // beyond what is read; keeps the test's own read bounded
    ASSERT_EQ(TRUE, silent(ODBC_ADD_DSN, text));
    EXPECT_EQ(std::string(2048 - prefix.size(), 'x'), stored(name, "Description"));
}

TEST(WineInstaller, RemoveUnregistersTheDataSource) {
    std::string name = freshName("Qz", "Rem");
    ASSERT_EQ(TRUE, silent(ODBC_ADD_DSN, attrs({"DSN=" + name})));
    ASSERT_TRUE(registered(name));
    EXPECT_EQ(TRUE, silent(ODBC_REMOVE_DSN, attrs({"DSN=" + name})));
    EXPECT_FALSE(registered(name));
    RegDeleteTreeA(HKEY_CURRENT_USER, keyOfDataSource(name).c_str());
}

TEST(WineInstaller, RenameRegistersTheNewNameAndUnregistersTheOld) {
    std::string oldName = freshName("Qz", "Old"), newName = freshName("Qz", "New");
    ASSERT_EQ(TRUE, silent(ODBC_ADD_DSN, attrs({"DSN=" + oldName, "DB=stores"})));
    ASSERT_EQ(TRUE, renameAndSave(driver, oldName.c_str(), newName.c_str()));
    EXPECT_TRUE(registered(newName));
    EXPECT_FALSE(registered(oldName));
    EXPECT_EQ("stores", stored(newName, "Database"));
    // Only the letter case changes: nothing is removed.
    std::string upper = newName;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    ASSERT_EQ(TRUE, renameAndSave(driver, newName.c_str(), upper.c_str()));
    EXPECT_TRUE(registered(newName));
    EXPECT_EQ("stores", stored(upper, "Database"));
    RegDeleteTreeA(HKEY_CURRENT_USER, keyOfDataSource(oldName).c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, keyOfDataSource(newName).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyOfDataSource(newName).c_str());
}

TEST(WineInstaller, TheBuiltLibraryExportsConfigDsnUndecorated) {
    HMODULE library = LoadLibraryA("qzifx06s.dll");
    ASSERT_NE(nullptr, library);
    EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(library, "ConfigDSN")));
    EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(library, "getFileVersionString")));
    FreeLibrary(library);
}
