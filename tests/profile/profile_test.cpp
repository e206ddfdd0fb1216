// Reads of the ODBC profiles under Wine: ODBCINST.INI and CONTROL.INI from
// the registry as seeded here, ODBC.INI through Wine's own installer,
// anything else through the platform's profile-file function.
#include "store/registry.h"
#include "support/registry_keys.h"
#include "support/windows_fixture.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
const std::string driver = "RvProfile Test Driver";

class RegistryProfile : public testing::Test {
protected:
    void TearDown() override {
        removeKey(HKEY_LOCAL_MACHINE, keyOfDriver(driver));
        removeKey(HKEY_CURRENT_USER, std::string(controlPanelKey) + "RvProfile");
    }
    std::string read(const char* section, const char* key, const char* def, int size,
                     const char* file, int* result) {
        std::string buffer(static_cast<size_t>(size), '\x7f');
        *result = readProfileString(section, key, def, &buffer[0], size, file);
        return buffer;
    }
};

// The driver keys in the order the registry itself enumerates them.
bool registeredDrivers(std::vector<std::string>* names) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, driversKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr))
            break;
        names->emplace_back(name, length);
    }
    RegCloseKey(key);
    return true;
}

// The i-th of 80 sections whose names together pass 2048 bytes.
std::string manySection(int i) {
    char name[48];
    std::snprintf(name, sizeof name, "RvProfile Section %02d abcdefghijklmnop", i);
    return name;
}
} // namespace

TEST_F(RegistryProfile, TheHelpRootOfADriverComesFromTheMachineKeyOrTheDefault) {
    char buffer[256];
    EXPECT_EQ(6, readProfileString(driver.c_str(), "HelpRootDirectory", "nohelp", buffer,
                                   sizeof buffer, "ODBCINST.INI"));
    EXPECT_STREQ("nohelp", buffer);

    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "HelpRootDirectory",
                         "C:\\Informix\\help"));
    EXPECT_EQ(16, readProfileString(driver.c_str(), "HelpRootDirectory", "nohelp", buffer,
                                    sizeof buffer, "ODBCINST.INI"));
    EXPECT_STREQ("C:\\Informix\\help", buffer);
    // The same driver name under the user's key is not the driver's.
    ASSERT_TRUE(seedText(HKEY_CURRENT_USER, keyOfDriver(driver), "Other", "user"));
    EXPECT_EQ(6, readProfileString(driver.c_str(), "Other", "nohelp", buffer, sizeof buffer,
                                   "ODBCINST.INI"));
    removeKey(HKEY_CURRENT_USER, keyOfDriver(driver));
    // A missing value in an existing section is the default too.
    EXPECT_EQ(
        0, readProfileString(driver.c_str(), "Missing", "", buffer, sizeof buffer, "ODBCINST.INI"));
    EXPECT_STREQ("", buffer);
}

TEST_F(RegistryProfile, AValueIsCutToTheBufferAndAlwaysTerminated) {
    ASSERT_TRUE(
        seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "Driver", "12345678901234567890"));
    int n = 0;
    std::string got = read(driver.c_str(), "Driver", "d", 10, "ODBCINST.INI", &n);
    EXPECT_EQ(9, n);
    EXPECT_EQ(std::string("123456789\0", 10), got);
    got = read(driver.c_str(), "Driver", "d", 21, "ODBCINST.INI", &n);
    EXPECT_EQ(20, n);
    EXPECT_STREQ("12345678901234567890", got.c_str());
}

TEST_F(RegistryProfile, ValueDataIsTextWhateverItsTypeAndNeedNotBeTerminated) {
    // Three bytes with no terminator, and binary data with a NUL inside.
    ASSERT_TRUE(seedValue(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "Raw", "abc", REG_BINARY));
    ASSERT_TRUE(seedValue(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "Cut", std::string("xy\0z", 4),
                          REG_BINARY));
    char buffer[64];
    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_EQ(3,
              readProfileString(driver.c_str(), "Raw", "", buffer, sizeof buffer, "ODBCINST.INI"));
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ(2,
              readProfileString(driver.c_str(), "Cut", "", buffer, sizeof buffer, "ODBCINST.INI"));
    EXPECT_STREQ("xy", buffer);
}

// A text value read by name: one without its terminator that fills the
// buffer exactly is refused, and nothing is written past the buffer; with
// one byte more it is read and terminated.
TEST_F(RegistryProfile, ATextValueFillingTheBufferWithoutATerminatorIsRefused) {
    ASSERT_TRUE(seedValue(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "Raw", "abcd", REG_SZ));
    char buffer[8];
    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_FALSE(
        readRegistryText(platKeyLocalMachine, driversKey, driver.c_str(), "Raw", buffer, 4));
    EXPECT_EQ(std::string("qqqq"), std::string(buffer + 4, 4));
    EXPECT_TRUE(
        readRegistryText(platKeyLocalMachine, driversKey, driver.c_str(), "Raw", buffer, 5));
    EXPECT_STREQ("abcd", buffer);
    EXPECT_EQ(std::string("qqq"), std::string(buffer + 5, 3));
}

TEST_F(RegistryProfile, AValueLargerThanTheReadBufferGivesTheDefault) {
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "Fits", std::string(2047, 'f')));
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "Big", std::string(3000, 'b')));
    std::string buffer(4096, '\0');
    EXPECT_EQ(2047,
              readProfileString(driver.c_str(), "Fits", "dflt", &buffer[0], 4096, "ODBCINST.INI"));
    EXPECT_EQ(4,
              readProfileString(driver.c_str(), "Big", "dflt", &buffer[0], 4096, "ODBCINST.INI"));
    EXPECT_STREQ("dflt", buffer.c_str());
}

TEST_F(RegistryProfile, AKeyPathLongerThan511CharactersIsMissingNeverCut) {
    // Nested sections, since one key name holds at most 255 characters.
    // 27 characters of prefix and 484 of section name make 511.
    std::string fits = driver + "\\" + std::string(200, 'a') + "\\" + std::string(200, 'b') + "\\" +
                       std::string(484 - driver.size() - 403, 'c');
    ASSERT_EQ(484u, fits.size());
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(fits), "Entry", "found"));
    char buffer[64];
    EXPECT_EQ(
        5, readProfileString(fits.c_str(), "Entry", "dflt", buffer, sizeof buffer, "ODBCINST.INI"));
    EXPECT_STREQ("found", buffer);
    // One more character: the path cut to 511 would open the key above.
    std::string tooLong = fits + "d";
    EXPECT_EQ(4, readProfileString(tooLong.c_str(), "Entry", "dflt", buffer, sizeof buffer,
                                   "ODBCINST.INI"));
    EXPECT_STREQ("dflt", buffer);
    EXPECT_EQ(4, readProfileString(tooLong.c_str(), nullptr, "dflt", buffer, sizeof buffer,
                                   "ODBCINST.INI"));
}

TEST_F(RegistryProfile, ControlIniIsReadFromTheUsersControlPanelKey) {
    ASSERT_TRUE(
        seedText(HKEY_CURRENT_USER, std::string(controlPanelKey) + "RvProfile", "Colour", "teal"));
    char buffer[32];
    EXPECT_EQ(4,
              readProfileString("RvProfile", "Colour", "", buffer, sizeof buffer, "CONTROL.INI"));
    EXPECT_STREQ("teal", buffer);
}

TEST_F(RegistryProfile, AnEntryListHoldsTheNamesEachWithItsNulAndAFinalNul) {
    for (const char* name : {"A", "BB", "CCC"})
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), name, "v"));
    // The key's unnamed default value is no entry.
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "", "default"));
    int n = 0;
    std::string got = read(driver.c_str(), nullptr, "d", 64, "ODBCINST.INI", &n);
    EXPECT_EQ(9, n);
    EXPECT_EQ(std::string("A\0BB\0CCC\0\0", 10), got.substr(0, 10));
    // An empty key name lists the entries too.
    got = read(driver.c_str(), "", "d", 64, "ODBCINST.INI", &n);
    EXPECT_EQ(9, n);
    // Exactly the room for the list.
    got = read(driver.c_str(), nullptr, "d", 10, "ODBCINST.INI", &n);
    EXPECT_EQ(9, n);
    EXPECT_EQ(std::string("A\0BB\0CCC\0\0", 10), got);
    // One byte short: cut, ending with two NULs, size - 2.
    got = read(driver.c_str(), nullptr, "d", 9, "ODBCINST.INI", &n);
    EXPECT_EQ(7, n);
    EXPECT_EQ(std::string("A\0BB\0CC\0\0", 9), got);
    got = read(driver.c_str(), nullptr, "d", 5, "ODBCINST.INI", &n);
    EXPECT_EQ(3, n);
    EXPECT_EQ(std::string("A\0B\0\0", 5), got);
}

TEST_F(RegistryProfile, AnEmptySectionListsAsTheDefault) {
    ASSERT_TRUE(seedKey(HKEY_LOCAL_MACHINE, keyOfDriver(driver)));
    char buffer[32];
    EXPECT_EQ(4, readProfileString(driver.c_str(), nullptr, "none", buffer, sizeof buffer,
                                   "ODBCINST.INI"));
    EXPECT_STREQ("none", buffer);
}

TEST_F(RegistryProfile, AnEntryListLongerThan2048BytesStopsAtTheLastWholeName) {
    // 100 entries of 29 characters: 3000 bytes of names.
    std::vector<std::string> seeded;
    for (int i = 0; i < 100; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Entry%03d_%s", i, "abcdefghijklmnopqrst");
        seeded.push_back(name);
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), name, "v"));
    }
    std::string buffer(4096, '\x7f');
    int n = readProfileString(driver.c_str(), nullptr, "d", &buffer[0], 4096, "ODBCINST.INI");
    // The list holds at most 2048 bytes; what was stored is what is counted.
    EXPECT_EQ(2046, n);
    EXPECT_EQ(std::string(2, '\0'), buffer.substr(2046, 2));
    EXPECT_EQ(std::string(2048, '\x7f'), buffer.substr(2048));
    std::vector<std::string> names = namesOf(buffer.c_str());
    // Each name takes 30 bytes with its NUL, and its data of 2 bytes counts
    // against the room: 68 whole names pass the rule.
    ASSERT_EQ(68u, names.size());
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(seeded[i], names[i]);
    // Nothing but NULs after the last whole name.
    EXPECT_EQ(std::string(2048 - 68 * 30, '\0'), buffer.substr(68 * 30, 2048 - 68 * 30));

    std::string small(100, '\x7f');
    EXPECT_EQ(98, readProfileString(driver.c_str(), nullptr, "d", &small[0], 100, "ODBCINST.INI"));
    EXPECT_EQ(seeded[0], namesOf(small.c_str())[0]);
    EXPECT_EQ(std::string(2, '\0'), small.substr(98));
}

TEST_F(RegistryProfile, AValuesDataCountsAgainstTheEntryListsRoom) {
    // Data larger than any scratch room neither ends nor corrupts the list;
    // by the list rule it only stops it. (Wine enumerates values in name
    // order, Windows in the order they were made; the names agree on both.)
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "First", std::string(600, 'x')));
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "Second", "y"));
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "Tail", std::string(2100, 'z')));
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, keyOfDriver(driver), "Zoo", "w"));
    std::string buffer(64, '\x7f');
    int n = readProfileString(driver.c_str(), nullptr, "d", &buffer[0], 64, "ODBCINST.INI");
    EXPECT_EQ(62, n);
    EXPECT_EQ(std::string("First\0Second\0\0", 14), buffer.substr(0, 14));
    EXPECT_EQ(std::string(64 - 13, '\0'), buffer.substr(13));
}

TEST_F(RegistryProfile, TheSectionListNamesEverySubKeyOfTheProfile) {
    ASSERT_TRUE(seedKey(HKEY_LOCAL_MACHINE, keyOfDriver(driver)));
    std::string buffer(4096, '\x7f');
    int n = readProfileString(nullptr, nullptr, "d", &buffer[0], 4096, "ODBCINST.INI");
    std::vector<std::string> names = namesOf(buffer.c_str());
    size_t sum = 0;
    for (const std::string& name : names)
        sum += name.size() + 1;
    EXPECT_EQ(static_cast<int>(sum), n);
    EXPECT_EQ(std::string(2, '\0'), buffer.substr(sum - 1, 2));

    // The same names the registry itself enumerates.
    std::vector<std::string> expected;
    ASSERT_TRUE(registeredDrivers(&expected));
    EXPECT_EQ(expected, names);
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), driver));
    // An empty section name lists the sections too.
    std::string again(4096, '\x7f');
    EXPECT_EQ(n, readProfileString("", "ignored", "d", &again[0], 4096, "ODBCINST.INI"));
}

TEST_F(RegistryProfile, ASectionListLongerThan2048BytesIsCutAtAWholeName) {
    for (int i = 0; i < 80; ++i)
        ASSERT_TRUE(seedKey(HKEY_LOCAL_MACHINE, keyOfDriver(manySection(i))));
    std::vector<std::string> expected;
    ASSERT_TRUE(registeredDrivers(&expected));

    std::string buffer(3000, '\x7f');
    int n = readProfileString(nullptr, nullptr, "d", &buffer[0], 3000, "ODBCINST.INI");
    for (int i = 0; i < 80; ++i)
        removeKey(HKEY_LOCAL_MACHINE, keyOfDriver(manySection(i)));
    EXPECT_EQ(2046, n);
    EXPECT_EQ(std::string(2, '\0'), buffer.substr(2046, 2));
    EXPECT_EQ(std::string(952, '\x7f'), buffer.substr(2048));
    // The whole names the registry lists, in its order, up to the first one
    // that would not leave room for the final NUL.
    std::vector<std::string> names = namesOf(buffer.c_str());
    ASSERT_LT(names.size(), expected.size());
    size_t used = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(expected[i], names[i]);
        used += names[i].size() + 1;
    }
    EXPECT_GE(used + expected[names.size()].size() + 1, 2048u);
    EXPECT_EQ(std::string(2048 - used, '\0'), buffer.substr(used, 2048 - used));
}

namespace {
typedef BOOL(WINAPI* WriteProfileFunction)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
typedef int(WINAPI* GetProfileFunction)(LPCSTR, LPCSTR, LPCSTR, LPSTR, int, LPCSTR);
const std::string userDsn = "RvProfile User DSN";
const std::string systemDsn = "RvProfile System DSN";

// Wine's own installer, reached as any program would reach it.
class InstallerProfile : public testing::Test {
protected:
    void SetUp() override {
        installer = LoadLibraryA("odbccp32.dll");
        ASSERT_NE(nullptr, installer);
        write = reinterpret_cast<WriteProfileFunction>(
            reinterpret_cast<void*>(GetProcAddress(installer, "SQLWritePrivateProfileString")));
        get = reinterpret_cast<GetProfileFunction>(
            reinterpret_cast<void*>(GetProcAddress(installer, "SQLGetPrivateProfileString")));
        ASSERT_NE(nullptr, write);
        ASSERT_NE(nullptr, get);
    }
    void TearDown() override {
        removeKey(HKEY_CURRENT_USER, keyOfDataSource(userDsn));
        removeKey(HKEY_LOCAL_MACHINE, keyOfDataSource(systemDsn));
        if (installer)
            FreeLibrary(installer);
    }
    HMODULE installer = nullptr;
    WriteProfileFunction write = nullptr;
    GetProfileFunction get = nullptr;
};
} // namespace

TEST_F(InstallerProfile, OdbcIniIsReadThroughTheInstallerUnderItsPlainName) {
    ASSERT_TRUE(write(userDsn.c_str(), "Database", "stores_demo", "ODBC.INI"));
    char buffer[64];
    for (const char* file :
         {"ODBC.INI", "ODBC", "C:\\windows\\ODBC.INI", "Z:\\no\\such\\ODBC.INI"}) {
        EXPECT_EQ(
            11, readProfileString(userDsn.c_str(), "Database", "dflt", buffer, sizeof buffer, file))
            << file;
        EXPECT_STREQ("stores_demo", buffer) << file;
    }
    // Wine's installer does not know the file by a path, so the value
    // above reached it only because the plain name was passed.
    EXPECT_EQ(4, get(userDsn.c_str(), "Database", "dflt", buffer, sizeof buffer,
                     "C:\\windows\\ODBC.INI"));
    EXPECT_STREQ("dflt", buffer);
}

TEST_F(InstallerProfile, OdbcIniReadsGiveTheInstallersOwnAnswers) {
    // Cases where Wine's installer answers otherwise than the registry holds
    // the data: a value read through the registry instead would differ.
    ASSERT_TRUE(write(userDsn.c_str(), "Host", "ifxserver.example.com", "ODBC.INI"));
    ASSERT_TRUE(seedValue(HKEY_CURRENT_USER, keyOfDataSource(userDsn), "Port", "9088", REG_BINARY));
    struct Probe {
        const char* key;
        int size;
    } probes[] = {{"Host", 64}, {"Host", 10}, {"Port", 64}, {nullptr, 64}};
    for (const Probe& probe : probes) {
        std::string ours(64, '\x7f'), theirs(64, '\x7f');
        int n =
            readProfileString(userDsn.c_str(), probe.key, "dflt", &ours[0], probe.size, "ODBC.INI");
        int m = get(userDsn.c_str(), probe.key, "dflt", &theirs[0], probe.size, "ODBC.INI");
        EXPECT_EQ(m, n) << (probe.key ? probe.key : "(list)") << " " << probe.size;
        EXPECT_EQ(theirs, ours) << (probe.key ? probe.key : "(list)") << " " << probe.size;
    }
}

TEST_F(InstallerProfile, OtherFilesAndLowerCaseNamesGoToThePlatformsProfileFunction) {
    ASSERT_TRUE(write(userDsn.c_str(), "Database", "stores_demo", "ODBC.INI"));
    ScratchDirectory dir("ini");
    std::string file = dir.file("odbc.ini");
    std::string text = "[" + userDsn + "]\r\nDatabase=from_the_file\r\n";
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(handle);

    char buffer[64];
    EXPECT_EQ(13, readProfileString(userDsn.c_str(), "Database", "dflt", buffer, sizeof buffer,
                                    file.c_str()));
    EXPECT_STREQ("from_the_file", buffer);
    char direct[64];
    EXPECT_EQ(13, static_cast<int>(GetPrivateProfileStringA(userDsn.c_str(), "Database", "dflt",
                                                            direct, sizeof direct, file.c_str())));
    EXPECT_STREQ(direct, buffer);
    // The same file named in upper case is the installer's ODBC.INI.
    EXPECT_EQ(11, readProfileString(userDsn.c_str(), "Database", "dflt", buffer, sizeof buffer,
                                    dir.file("ODBC.INI").c_str()));
    EXPECT_STREQ("stores_demo", buffer);
    // A missing entry of an unknown file is the default.
    EXPECT_EQ(4, readProfileString(userDsn.c_str(), "Missing", "dflt", buffer, sizeof buffer,
                                   file.c_str()));
    EXPECT_STREQ("dflt", buffer);
}

TEST_F(InstallerProfile, UnbindingFreesTheInstallerOnceAndTheNextReadBindsAgain) {
    FreeLibrary(installer);
    installer = nullptr;
    unbindInstallerProfileFunctions();
    ASSERT_EQ(nullptr, GetModuleHandleA("odbccp32.dll"));

    char buffer[16];
    readProfileString(userDsn.c_str(), "Database", "", buffer, sizeof buffer, "ODBC.INI");
    ASSERT_NE(nullptr, GetModuleHandleA("odbccp32.dll"));
    // A second read keeps the one binding.
    HMODULE own = LoadLibraryA("odbccp32.dll");
    readProfileString(userDsn.c_str(), "Database", "", buffer, sizeof buffer, "ODBC.INI");
    unbindInstallerProfileFunctions();
    unbindInstallerProfileFunctions();
    // Only the library's own use was given back.
    EXPECT_NE(nullptr, GetModuleHandleA("odbccp32.dll"));
    FreeLibrary(own);
    EXPECT_EQ(nullptr, GetModuleHandleA("odbccp32.dll"));

    readProfileString(userDsn.c_str(), "Database", "", buffer, sizeof buffer, "ODBC.INI");
    EXPECT_NE(nullptr, GetModuleHandleA("odbccp32.dll"));
    SetUp();
}
