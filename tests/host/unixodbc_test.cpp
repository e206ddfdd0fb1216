// The setup library as unixODBC's installer loads it: every request goes
// through the real SQLConfigDataSource, which finds the library as the
// Setup entry of a driver in a scratch odbcinst.ini, dlopen()s it and calls
// its ConfigDSN; results are read back from the scratch odbc.ini files.
//
// What this relies on in unixODBC (2.3.11):
// - ODBCSYSINI names the directory of odbcinst.ini and of the system
//   odbc.ini, ODBCINI the user odbc.ini; both are read once, on first use,
//   so they are set before the first installer call.
// - SQLConfigDataSource looks up "Setup64", then "Setup", in the driver's
//   section, opens that file with libltdl and never closes it; the library
//   stays loaded until the process ends.
// - It passes the caller's driver name and attribute pointer to ConfigDSN
//   unchanged (a null attribute pointer is refused before that), and sets
//   the configuration mode for the call: ODBC_ADD_DSN, ODBC_CONFIG_DSN and
//   ODBC_REMOVE_DSN work on the user odbc.ini, the _SYS_ codes become the
//   plain codes on the system odbc.ini.
// - libodbcinst exports SQLValidDSN (it refuses an empty name, one longer
//   than SQL_MAX_DSN_LENGTH and the characters []{}(),;?*=!@\),
//   SQLWriteDSNToIni (which removes the data source first and then writes
//   its section with a Driver entry), SQLRemoveDSNFromIni,
//   SQLWritePrivateProfileString and SQLGetPrivateProfileString; the file
//   name "ODBC.INI" means the odbc.ini of the current mode.
#include "rvversion.h"
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <odbcinst.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/testfiles.h"
#include "support/testsupport.h"

namespace {
const char driver[] = "Informix Test Driver";

std::string userIni;
std::string systemIni;

// The scratch profiles, made before the first installer call.
class Profiles : public testing::Environment {
public:
    void SetUp() override {
        dir = new ScratchDirectory("unixodbc");
        std::ofstream(dir->file("odbcinst.ini")) << "[" << driver << "]\n"
                                                 << "Description=Setup library under test\n"
                                                 << "Driver=/nonexistent/qzifx06d.so\n"
                                                 << "Setup=" << RV_SETUP_LIBRARY << "\n";
        userIni = dir->file("user.ini");
        systemIni = dir->file("odbc.ini");
        std::ofstream(userIni).flush();
        std::ofstream(systemIni).flush();
        setenv("ODBCSYSINI", dir->path().c_str(), 1);
        setenv("ODBCINI", userIni.c_str(), 1);
        unsetenv("ODBCINSTINI");
    }
    void TearDown() override { delete dir; }

private:
    ScratchDirectory* dir = nullptr;
};
const testing::Environment* const profiles = testing::AddGlobalTestEnvironment(new Profiles);

int request(WORD code, const std::string& attributes) {
    return SQLConfigDataSource(nullptr, code, driver, attributes.data());
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    size_t b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The entries of one section of an ini file, in file order; empty when the
// section is missing.
Pairs section(const std::string& path, const std::string& name) {
    std::istringstream in(fileText(path));
    Pairs result;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        line = trim(line);
        if (!line.empty() && line[0] == '[') {
            inside = line == "[" + name + "]";
            continue;
        }
        size_t eq = line.find('=');
        if (inside && eq != std::string::npos)
            result.emplace_back(trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
    }
    return result;
}

// A value as the installer reads it back; "<missing>" when absent.
std::string stored(const char* dsn, const char* key) {
    char buffer[512];
    int n = SQLGetPrivateProfileString(dsn, key, "<missing>", buffer, sizeof buffer, "ODBC.INI");
    return n < 0 ? "<error>" : std::string(buffer);
}

// unixODBC writes the driver's name first, then the setup library's keys.
Pairs driverAndDefaults() {
    Pairs pairs = {{"Driver", driver}};
    pairs.insert(pairs.end(), storedDefaults().begin(), storedDefaults().end());
    return pairs;
}
const Pairs defaults = driverAndDefaults();
} // namespace

TEST(UnixOdbcAdd, WritesTheDriverAndEveryTableKeyInOrder) {
    ASSERT_EQ(1, request(ODBC_ADD_DSN, attrs({"DSN=Sales", "DB=stores", "HOST=dbhost",
                                              "CursorBehavior=0 - Close"})));
    Pairs expected = defaults;
    expected[2].second = "stores";
    expected[4].second = "dbhost";
    expected[9].second = "0";
    EXPECT_EQ(expected, section(userIni, "Sales"));
    EXPECT_EQ("stores", stored("Sales", "Database"));
    EXPECT_EQ("0", stored("Sales", "CursorBehavior"));
    // A user request leaves the system file alone.
    EXPECT_TRUE(section(systemIni, "Sales").empty());
}

TEST(UnixOdbcAdd, SystemRequestWritesTheSystemFile) {
    ASSERT_EQ(1, request(ODBC_ADD_SYS_DSN, attrs({"DSN=Plant", "UID=ops"})));
    Pairs written = section(systemIni, "Plant");
    ASSERT_EQ(defaults.size(), written.size());
    EXPECT_EQ("LogonID", written[5].first);
    EXPECT_EQ("ops", written[5].second);
    EXPECT_TRUE(section(userIni, "Plant").empty());
    ASSERT_EQ(1, request(ODBC_REMOVE_SYS_DSN, attrs({"DSN=Plant"})));
    EXPECT_TRUE(section(systemIni, "Plant").empty());
}

TEST(UnixOdbcConfigure, ShortAndLongKeywordsAndStoredValues) {
    ASSERT_EQ(1, request(ODBC_ADD_DSN, attrs({"DSN=Orders", "Description=kept",
                                              "CancelDetectInterval=10 Sec."})));
    ASSERT_EQ(
        1, request(ODBC_CONFIG_DSN, attrs({"dsn=Orders", "DB=a", "Database=b", "UID=bob",
                                           "SRVR=ol_main", "pro=onsoctcp", "EIC=1", "tbfin=0"})));
    EXPECT_EQ("b", stored("Orders", "Database"));
    EXPECT_EQ("bob", stored("Orders", "LogonID"));
    EXPECT_EQ("ol_main", stored("Orders", "ServerName"));
    EXPECT_EQ("onsoctcp", stored("Orders", "Protocol"));
    EXPECT_EQ("1", stored("Orders", "EnableInsertCursors"));
    EXPECT_EQ("0", stored("Orders", "TrimBlankFromIndexName"));
    // Values not given are read back from the stored data source.
    EXPECT_EQ("kept", stored("Orders", "Description"));
    EXPECT_EQ("10 Sec.", stored("Orders", "CancelDetectInterval"));
    EXPECT_EQ(defaults.size(), section(userIni, "Orders").size());
}

// unixODBC empties the section first: the library writes them back.
TEST(UnixOdbcConfigure, KeysTheTableDoesNotKnowAreKept) {
    Pairs expected = defaults,
          kept = {{"CLIENT_LOCALE", "ja_jp.sjis"}, {"DB_LOCALE", "en_us.819"},
                  {"TranslationName", "Latin"},    {"TranslationDLL", "/tr/l.so"},
                  {"TranslationOption", "1"},      {"AdminNote", "{a;b} = c\xE9"}};
    ASSERT_EQ(1, request(ODBC_ADD_DSN, attrs({"DSN=Ledger"})));
    for (const auto& key : kept)
        SQLWritePrivateProfileString("Ledger", key.first.c_str(), key.second.c_str(), "ODBC.INI");
    ASSERT_EQ(1, request(ODBC_CONFIG_DSN, attrs({"DSN=Ledger", "Description=changed"})));
    expected[1].second = "changed";
    expected.insert(expected.end(), kept.begin(), kept.end());
    EXPECT_EQ(expected, section(userIni, "Ledger"));
}

TEST(UnixOdbcRefusals, RepeatedKeywordChangesNothing) {
    ASSERT_EQ(1, request(ODBC_ADD_DSN, attrs({"DSN=Stock", "UID=first"})));
    const std::string before = fileText(userIni);
    EXPECT_EQ(0, request(ODBC_CONFIG_DSN, attrs({"DSN=Stock", "UID=a", "uid=b"})));
    EXPECT_EQ(0, request(ODBC_CONFIG_DSN, attrs({"DSN=Stock", "DSN=Other", "UID=c"})));
    EXPECT_EQ(0, request(ODBC_REMOVE_DSN, attrs({"DSN=Stock", "DB=x", "db=y"})));
    EXPECT_EQ(before, fileText(userIni));
    // The driver keyword alone may repeat.
    EXPECT_EQ(1, request(ODBC_CONFIG_DSN, attrs({"DSN=Stock", "Driver=x", "DRIVER=y", "UID=d"})));
    EXPECT_EQ("d", stored("Stock", "LogonID"));
}

TEST(UnixOdbcRefusals, InvalidOrMissingNameWritesNothing) {
    const std::string before = fileText(userIni);
    EXPECT_EQ(0, request(ODBC_ADD_DSN, attrs({"DSN=bad[name", "DB=x"})));
    EXPECT_EQ(0, request(ODBC_ADD_DSN, attrs({"DSN=a;b"})));
    EXPECT_EQ(0, request(ODBC_ADD_DSN, attrs({"DSN=", "DB=x"})));
    EXPECT_EQ(0, request(ODBC_ADD_DSN, attrs({"DB=x"})));
    EXPECT_EQ(0, request(ODBC_REMOVE_DSN, attrs({"DB=x"})));
    EXPECT_EQ(before, fileText(userIni));
}

TEST(UnixOdbcRemove, RemovesOnlyTheNamedDataSource) {
    ASSERT_EQ(1, request(ODBC_ADD_DSN, attrs({"DSN=Gone"})));
    ASSERT_EQ(1, request(ODBC_ADD_DSN, attrs({"DSN=Stays"})));
    // A parenthesised second entry of a remove request is not read; read,
    // "(x)" would be no keyword=value entry and fail the request.
    EXPECT_EQ(1, request(ODBC_REMOVE_DSN, attrs({"DSN=Gone", "(x)"})));
    EXPECT_TRUE(section(userIni, "Gone").empty());
    EXPECT_EQ("<missing>", stored("Gone", "Database"));
    EXPECT_EQ(defaults, section(userIni, "Stays"));
}

TEST(UnixOdbcLibrary, ExportsOnlyTheTwoEntryPoints) {
    ASSERT_EQ(1, request(ODBC_ADD_DSN, attrs({"DSN=Exports"})));
    // Loaded by the request above; this takes one more reference.
    void* library = dlopen(RV_SETUP_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(nullptr, library);
    EXPECT_NE(nullptr, dlsym(library, "ConfigDSN"));
    auto version = reinterpret_cast<const char* (*)()>(dlsym(library, "getFileVersionString"));
    ASSERT_NE(nullptr, version);
    EXPECT_STREQ(RV_FILE_VERSION_STRING, version());
    // Process-wide state stays inside the library, whatever the host holds.
    EXPECT_EQ(nullptr, dlsym(library, "resourceLibrary"));
    EXPECT_EQ(nullptr, dlsym(library, "threadInfoList"));
    dlclose(library);
}
