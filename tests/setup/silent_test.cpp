// Silent requests against a recording installer: what is read, what is
// written and in which order, and what is refused without a write.
#include "support/fakeinst.h"
#include "requests.h"
#include "setup/basesetu.h"
#include "setup/infsgbvr.h"
#include "entry/setup.h"
#include "support/testsupport.h"
#include <cstring>
#include <string>

namespace {
const char driver[] = "IBM INFORMIX ODBC DRIVER";

int silent(uint16_t request, const std::string& attributes) {
    return ConfigDSN(nullptr, request, driver, attributes.data());
}

using Pairs = std::vector<std::pair<std::string, std::string>>;
const Pairs& defaults = storedDefaults();
} // namespace

TEST(SilentAdd, WritesEveryTableKeyInOrderWithStoredDefaults) {
    FakeInstaller installer;
    EXPECT_EQ(1, silent(requestAddDsn, attrs({"DSN=Sales"})));
    EXPECT_EQ(defaults, installer.written("Sales"));
    ASSERT_GE(installer.calls.size(), 2u);
    // The name is checked and the data source registered before any key.
    size_t firstWrite = 0;
    while (installer.calls[firstWrite].rfind("SQLWritePrivateProfileString", 0) != 0)
        ++firstWrite;
    EXPECT_NE(installer.calls.end(),
              std::find(installer.calls.begin(), installer.calls.begin() + firstWrite,
                        "SQLValidDSN Sales"));
    EXPECT_EQ(std::string("SQLWriteDSNToIni Sales ") + driver, installer.calls[firstWrite - 1]);
    EXPECT_EQ("SQLWritePrivateProfileString Sales Description ODBC.INI",
              installer.calls[firstWrite]);
}

TEST(SilentConfigure, LongKeywordWinsOverShortAndStoredValuesAreKept) {
    FakeInstaller installer;
    installer.ini["Sales"]["Description"] = "kept";
    installer.ini["Sales"]["CursorBehavior"] = "0 - Close";
    installer.ini["Sales"]["CancelDetectInterval"] = "10 Sec.";
    EXPECT_EQ(1, silent(requestConfigDsn, attrs({"dsn=Sales", "DB=a", "Database=b", "UID=bob",
                                                 "pro=onsoctcp", "EIC=1"})));
    auto& s = installer.ini["Sales"];
    EXPECT_EQ("b", s["Database"]);
    EXPECT_EQ("bob", s["LogonID"]);
    EXPECT_EQ("onsoctcp", s["Protocol"]);
    EXPECT_EQ("1", s["EnableInsertCursors"]);
    EXPECT_EQ("kept", s["Description"]);
    EXPECT_EQ("0", s["CursorBehavior"]);
    EXPECT_EQ("10 Sec.", s["CancelDetectInterval"]);
}

TEST(SilentConfigure, ChoiceValuesAreCutToTheirNumberOnlyBeforeADash) {
    FakeInstaller installer;
    EXPECT_EQ(1, silent(requestConfigDsn, attrs({"DSN=S", "CursorBehavior=1 - Preserve",
                                                 "CancelDetectInterval=05 Sec.", "Protocol=12   -x",
                                                 "Database=1 - y"})));
    auto& s = installer.ini["S"];
    EXPECT_EQ("1", s["CursorBehavior"]);
    EXPECT_EQ("05 Sec.", s["CancelDetectInterval"]);
    EXPECT_EQ("12", s["Protocol"]);
    // Free text is never cut.
    EXPECT_EQ("1 - y", s["Database"]);
}

TEST(SilentConfigure, StoredValuesUpTo64KiBAreWrittenBackWholeWhateverTheInstaller) {
    // Windows' installer cuts a value that does not fit, Wine's answers it
    // with the default: either way a configure that does not name the key
    // must write back what was stored, not a cut value or the default.
    for (bool wine : {false, true}) {
        for (size_t n : {300u, 1000u, 4000u, 65534u}) {
            FakeInstaller installer;
            installer.defaultWhenTooLong = wine;
            std::string list(n, 'd');
            installer.ini["S"]["Databases"] = list;
            installer.ini["S"]["CursorBehavior"] = std::string(n, '0');
            EXPECT_EQ(1, silent(requestConfigDsn, attrs({"DSN=S"}))) << n << " wine " << wine;
            EXPECT_EQ(list, installer.ini["S"]["Databases"]) << n << " wine " << wine;
            EXPECT_EQ(std::string(n, '0'), installer.ini["S"]["CursorBehavior"]);
        }
        // Longer than any value read whole: refused, nothing written.
        for (const char* key : {"Description", "Unknown"}) {
            FakeInstaller installer;
            installer.defaultWhenTooLong = wine;
            installer.ini["S"][key] = std::string(70000, 'x');
            EXPECT_EQ(0, silent(requestConfigDsn, attrs({"DSN=S"}))) << key << " wine " << wine;
            EXPECT_TRUE(installer.order.empty());
        }
    }
}

TEST(SilentRead, OnlyKeysStoredUnderTheNameAreRead) {
    FakeInstaller installer;
    EXPECT_EQ(1, silent(requestAddDsn, attrs({"DSN=New", "DB=x"})));
    EXPECT_EQ((std::vector<std::string>{"New (keys)"}), installer.reads);
    EXPECT_EQ(defaults[0], installer.written("New")[0]);

    installer.reads.clear();
    installer.ini["Old"]["protocol"] = "onsoctcp";
    installer.ini["Old"]["Database"] = "stored";
    installer.ini["Old"]["Unknown"] = "u";
    EXPECT_EQ(1, silent(requestConfigDsn, attrs({"DSN=Old", "DB=given"})));
    EXPECT_EQ((std::vector<std::string>{"Old (keys)", "Old Protocol", "Old Unknown"}),
              installer.reads);
    EXPECT_EQ("onsoctcp", installer.ini["Old"]["Protocol"]);
    EXPECT_EQ("given", installer.ini["Old"]["Database"]);
}

TEST(SilentRead, ADataSourceWithoutANameReadsNoSection) {
    // An interactive add opens the sheet on the defaults before the user
    // has named the data source.
    FakeInstaller installer;
    installer.ini[""]["Database"] = "not this";
    std::string attributes = attrs({"DB=given"});
    int window = 0;
    SetupContext context;
    initSetupContext(&context, &window, requestAddDsn, driver, attributes.data(), attributeTable,
                     attributeTableCount);
    uint16_t wantsSheet = 0;
    EXPECT_EQ(1, loadSetupContext(&context, &wantsSheet));
    EXPECT_EQ(1, wantsSheet);
    EXPECT_STREQ("", context.values[0]) << "Description";
    EXPECT_STREQ("given", context.values[1]) << "Database";
    destroySetupContext(&context);
    EXPECT_TRUE(installer.reads.empty());
}

TEST(SilentRead, AListingThatMayBeCutRefusesToSave) {
    // The installer empties the section first: unlisted keys would be lost.
    FakeInstaller installer;
    for (int i = 0; i < 3000; ++i)
        installer.ini["Big"]["Unknown" + std::string(10, 'k') + std::to_string(i)] = "u";
    installer.ini["Big"]["Service"] = "sqlexec";
    EXPECT_EQ(0, silent(requestConfigDsn, attrs({"DSN=Big"})));
    EXPECT_EQ(1u, installer.reads.size());
    EXPECT_EQ("sqlexec", installer.ini["Big"]["Service"]);
    EXPECT_TRUE(installer.order.empty());

    // A listing as long as its buffer is not whole either.
    FakeInstaller filled;
    filled.listingFillsBuffer = true;
    filled.ini["S"]["Service"] = "sqlexec";
    EXPECT_EQ(0, silent(requestConfigDsn, attrs({"DSN=S"})));
    EXPECT_EQ(1u, filled.reads.size());
    EXPECT_EQ("sqlexec", filled.ini["S"]["Service"]);
}

TEST(SilentConfigure, ParenthesisedSecondEntryIsIgnoredExceptWhenAdding) {
    {
        FakeInstaller installer;
        EXPECT_EQ(1, silent(requestConfigDsn, attrs({"DSN=S", "(x)", "DB=d"})));
        EXPECT_EQ("d", installer.ini["S"]["Database"]);
        // Only an entry that starts with "(" is the installer's.
        EXPECT_EQ(1, silent(requestConfigDsn, attrs({"DSN=S", "Description=new (b)"})));
        EXPECT_EQ("new (b)", installer.ini["S"]["Description"]);
    }
    {
        // Added as it comes, "(x)" is no keyword=value entry.
        FakeInstaller installer;
        EXPECT_EQ(0, silent(requestAddDsn, attrs({"DSN=S", "(x)", "DB=d"})));
        EXPECT_TRUE(installer.calls.empty() || installer.order.empty());
    }
}

TEST(SilentRefusal, RepeatedKeywordWritesNothingButRepeatedDriverIsAccepted) {
    FakeInstaller installer;
    EXPECT_EQ(0, silent(requestAddDsn, attrs({"DSN=A", "DB=x", "DSN=B"})));
    EXPECT_EQ(0, silent(requestAddDsn, attrs({"DSN=A", "DB=x", "db=y"})));
    EXPECT_TRUE(installer.calls.empty());
    EXPECT_EQ(1, silent(requestAddDsn, attrs({"DSN=A", "Driver=x", "Driver=y"})));
}

TEST(SilentRefusal, EmptyOrInvalidNameWritesNothing) {
    FakeInstaller installer;
    EXPECT_EQ(0, silent(requestAddDsn, attrs({"DB=x"})));
    EXPECT_EQ(0, silent(requestAddDsn, attrs({"DSN="})));
    EXPECT_EQ(0, ConfigDSN(nullptr, requestAddDsn, driver, nullptr));
    EXPECT_EQ(0, silent(requestAddDsn, attrs({"DSN=a[b]"})));
    EXPECT_TRUE(installer.order.empty());
    EXPECT_TRUE(installer.ini.empty());
}

TEST(SilentRefusal, RemoveWithoutANameRemovesNothing) {
    FakeInstaller installer;
    installer.ini["Keep"]["Database"] = "x";
    EXPECT_EQ(0, silent(requestRemoveDsn, attrs({"DB=x"})));
    EXPECT_EQ(1u, installer.ini.count("Keep"));
}

// A file data source's caller passes the address of its string variable
// as text, in as many digits as a pointer has; the variable may lie below
// or, for a 64-bit caller, above 4 GiB.
enum class Placement { belowFourGiB, aboveFourGiB };

class FileDataSource : public testing::TestWithParam<Placement> {
protected:
    void SetUp() override {
        high = GetParam() == Placement::aboveFourGiB;
        variable = static_cast<char**>(high ? allocateHighMemory(4096) : allocateLowMemory(4096));
        if (!variable && high)
            GTEST_SKIP() << "no memory above 4 GiB on this platform";
        ASSERT_NE(nullptr, variable);
        *variable = nullptr;
        address = "OutStrAddr=" + addressText(variable);
    }
    void TearDown() override {
        if (!variable)
            return;
        rvFree(*variable);
        if (high)
            freeHighMemory(variable, 4096);
        else
            freeLowMemory(variable, 4096);
    }
    bool high = false;
    char** variable = nullptr;
    std::string address;
};

INSTANTIATE_TEST_SUITE_P(Placements, FileDataSource,
                         testing::Values(Placement::belowFourGiB, Placement::aboveFourGiB),
                         [](const testing::TestParamInfo<Placement>& info) {
                             return info.param == Placement::belowFourGiB ? "BelowFourGiB"
                                                                          : "AboveFourGiB";
                         });

TEST_P(FileDataSource, TheConnectionStringIsHandedBackAndNothingIsStored) {
    FakeInstaller installer;
    installer.ini["S"]["Database"] = "stored";
    EXPECT_EQ(1, ConfigDSN(nullptr, requestAddDsn, "{IBM INFORMIX ODBC DRIVER}",
                           attrs({"DSN=S", "SAVEFILE=sales.dsn", address.c_str(), "DB=stores",
                                  "Description=a b"})
                               .data()));
    ASSERT_NE(nullptr, *variable);
    // Braces of the driver description go; values are neither quoted nor
    // braced, and go as the context holds them; empty values are left out;
    // nothing comes from ODBC.INI.
    EXPECT_STREQ("DRIVER=IBM INFORMIX ODBC DRIVER;Description=a b;Database=stores;"
                 "CursorBehavior=1 - Preserve;CancelDetectInterval=0 - None;"
                 "EnableInsertCursors=0;"
                 "GetDBListFromInformix=1;ApplicationUsingThreads=1;UseDefaultLogin=0;"
                 "TrimBlankFromIndexName=1;",
                 *variable);
    for (const std::string& call : installer.calls) {
        EXPECT_EQ(std::string::npos, call.find("Write")) << call;
        EXPECT_EQ(std::string::npos, call.find("Remove")) << call;
    }
    EXPECT_TRUE(installer.reads.empty());
    EXPECT_EQ("stored", installer.ini["S"]["Database"]);
}

TEST_P(FileDataSource, AnAddressThatIsNotFullyReadableFailsTheRequestAndStoresNothing) {
    FakeInstaller installer;
    std::string good = addressText(variable);
    size_t digits = good.size() - 2;
    ASSERT_EQ(2 * sizeof(void*), digits);
    const std::string bad[] = {"OutStrAddr=" + good.substr(0, good.size() - 1), // a digit short
                               "OutStrAddr=" + good + "0",                      // a digit too many
                               "OutStrAddr=" + good.substr(0, good.size() - 1) + "G", // not a digit
                               "OutStrAddr=" + good.substr(0, 2 + digits / 2), // the low half only
                               "OutStrAddr=" + good.substr(0, 2) +
                                   std::string(digits, '0')}; // no variable
    for (const std::string& entry : bad) {
        EXPECT_EQ(0, silent(requestAddDsn, attrs({"DSN=S", "SAVEFILE=f.dsn", entry.c_str()})))
            << entry;
        EXPECT_EQ(nullptr, *variable) << entry;
    }
    // Without any address the request fails too.
    EXPECT_EQ(0, silent(requestAddDsn, attrs({"DSN=S", "SAVEFILE=f.dsn"})));
    EXPECT_EQ(nullptr, *variable);
    for (const std::string& call : installer.calls)
        EXPECT_EQ(std::string::npos, call.find("Write")) << call;
}

TEST_P(FileDataSource, RemovingOneRemovesNothingFromOdbcIni) {
    // The file is the caller's to delete; a stored data source named like
    // the file, or like the DSN entry, is another data source.
    FakeInstaller installer;
    installer.ini["f.dsn"]["Database"] = "x";
    installer.ini["S"]["Database"] = "y";
    EXPECT_EQ(1, silent(requestRemoveDsn, attrs({"DSN=S", "SAVEFILE=f.dsn", address.c_str()})));
    for (const std::string& call : installer.calls)
        EXPECT_EQ(std::string::npos, call.find("Remove")) << call;
    EXPECT_EQ("x", installer.ini["f.dsn"]["Database"]);
    EXPECT_EQ("y", installer.ini["S"]["Database"]);
    EXPECT_EQ(nullptr, *variable);
}

TEST_P(FileDataSource, AStringTheCallerLeftInTheVariableIsNotFreedByTheLibrary) {
    FakeInstaller installer;
    char callerText[] = "the caller's";
    *variable = callerText;
    EXPECT_EQ(1, silent(requestAddDsn, attrs({"SAVEFILE=f.dsn", address.c_str()})));
    ASSERT_NE(callerText, *variable);
    EXPECT_EQ(0, std::string(*variable).rfind("DRIVER=IBM INFORMIX ODBC DRIVER;", 0));
}

TEST(SilentWrite, AFailedWriteStopsAndReportsFailure) {
    FakeInstaller installer;
    installer.failWritesFrom = 5; // valid, register, two keys, then refused
    EXPECT_EQ(0, silent(requestAddDsn, attrs({"DSN=S"})));
    EXPECT_EQ(2u, installer.order.size());
    EXPECT_EQ(5u, installer.calls.size());
}

TEST(SilentRemove, RemovesTheNamedDataSourceEvenWithAParentWindow) {
    FakeInstaller installer;
    installer.ini["S"]["Database"] = "x";
    int window = 0;
    EXPECT_EQ(1, ConfigDSN(&window, requestRemoveDsn, driver, attrs({"DSN=S"}).data()));
    EXPECT_EQ(0u, installer.ini.count("S"));
}

TEST(AttributeString, MeasureStopsAtTheFirstDoubleNulOrAt2048Bytes) {
    EXPECT_EQ(0u, measureAttributes(std::string(2, '\0').data()));
    EXPECT_EQ(9u, measureAttributes(attrs({"DSN=Sales"}).data()));
    std::string longText = "DSN=S";
    longText += '\0';
    longText += "Description=" + std::string(3000, 'x');
    longText += std::string(2, '\0');
    EXPECT_EQ(2048u, measureAttributes(longText.data()));
}

TEST(AttributeString, AnOverlongStringIsReadOnlyUpTo2048Bytes) {
    FakeInstaller installer;
    std::string text = "DSN=S";
    text += '\0';
    text += "Description=" + std::string(3000, 'x');
    // An entry beyond the 2048 bytes read is never seen.
    text += literalBytes("\0UID=late\0\0");
    EXPECT_EQ(1, silent(requestAddDsn, text));
    EXPECT_EQ(std::string(2048 - 6 - 12, 'x'), installer.ini["S"]["Description"]);
    EXPECT_EQ("", installer.ini["S"]["LogonID"]);
}

TEST(SetupContext, DestroyPutsBackTheErrorListThatWasCurrent) {
    FakeInstaller installer;
    ScopedErrorList outer;
    EXPECT_EQ(0, silent(requestAddDsn, attrs({"DSN=A", "DSN=B"})));
    EXPECT_EQ(outer.get(), currentErrorList());
    // The request's own errors stay in its own list.
    EXPECT_EQ(0, outer->errorCount);
}

TEST(AllocationFailure, ASilentAddOrConfigureFailsCleanlyWhicheverAllocationFails) {
    FakeInstaller installer;
    struct Case {
        uint16_t request;
        std::string text;
    };
    // The configure request also reads stored values and drops a
    // parenthesised second entry: both allocate.
    const Case cases[] = {{requestAddDsn, attrs({"DSN=Sales", "DB=stores", "UID=bob"})},
                          {requestConfigDsn, attrs({"DSN=Sales", "(x)", "DB=stores"})}};
    for (const Case& c : cases) {
        int succeeded = 0;
        for (long n = 1;; ++n) {
            installer.ini.clear();
            installer.ini["Sales"]["LogonID"] = "bob";
            installer.ini["Sales"]["CLIENT_LOCALE"] = "ja_jp.sjis";
            installer.order.clear();
            installer.calls.clear();
            long live = rvAllocLive();
            rvAllocFailAt(n);
            int result = silent(c.request, c.text);
            long made = rvAllocCount();
            rvAllocFailAt(0);
            EXPECT_EQ(live, rvAllocLive()) << "failing allocation " << n;
            EXPECT_TRUE(result == 0 || result == 1);
            if (result) {
                // TRUE only for a data source written whole.
                ++succeeded;
                EXPECT_EQ(16u, installer.order.size()) << n;
                EXPECT_EQ("stores", installer.ini["Sales"]["Database"]) << n;
                EXPECT_EQ("ja_jp.sjis", installer.ini["Sales"]["CLIENT_LOCALE"]) << n;
                EXPECT_EQ("bob", installer.ini["Sales"]["LogonID"]) << n;
            }
            if (made < n) {
                EXPECT_EQ(1, result) << "a run without failures succeeds";
                break;
            }
            EXPECT_EQ(0, result) << "failing allocation " << n << " of " << made;
        }
        EXPECT_EQ(1, succeeded) << "request " << c.request;
    }
}

TEST(SecretValues, AreStoredScrambledBehindTheMarkerAndNeverScrambledTwice) {
    FakeInstaller installer;
    static const AttributeDescriptor table[] = {
        {"PWD", 0, controlSecret, nullptr, nullptr, 18, ""},
        {"Note", 0, controlText, nullptr, nullptr, 18, ""},
    };
    auto load = [&](const std::string& attributes) {
        SetupContext context;
        initSetupContext(&context, nullptr, requestAddDsn, driver, attributes.data(), table, 2);
        uint16_t wantsSheet = 0;
        int result = loadSetupContext(&context, &wantsSheet);
        destroySetupContext(&context);
        return result;
    };
    ASSERT_EQ(1, load(attrs({"DSN=S", "PWD=x", "Note=plain"})));
    std::string stored = installer.ini["S"]["PWD"];
    ASSERT_EQ(3u, stored.size());
    EXPECT_EQ('\xFF', stored[0]);
    EXPECT_NE(std::string::npos, std::string("0123456789ABCDEF").find(stored[1]));
    EXPECT_EQ("plain", installer.ini["S"]["Note"]);
    // Given back in its stored form, the value is written unchanged.
    ASSERT_EQ(1, load(attrs({"DSN=S", ("PWD=" + stored).c_str()})));
    EXPECT_EQ(stored, installer.ini["S"]["PWD"]);
    // An empty secret stays empty, without the marker.
    ASSERT_EQ(1, load(attrs({"DSN=S", "PWD="})));
    EXPECT_EQ("", installer.ini["S"]["PWD"]);
}

TEST(Rename, TheOldSectionGoesAndKeysTheTableDoesNotKnowMove) {
    FakeInstaller installer;
    installer.ini["Old"]["Database"] = "stores";
    installer.ini["Old"]["Unknown"] = "x";
    ASSERT_EQ(1, renameAndSave(driver, "Old", "New"));
    EXPECT_EQ(0u, installer.ini.count("Old"));
    EXPECT_EQ("stores", installer.ini["New"]["Database"]);
    EXPECT_EQ("x", installer.ini["New"]["Unknown"]);
}

TEST(Rename, AChangeOfLetterCaseOnlyRemovesNothing) {
    FakeInstaller installer;
    installer.ini["Sales"]["Unknown"] = "x";
    ASSERT_EQ(1, renameAndSave(driver, "Sales", "SALES"));
    for (const std::string& call : installer.calls)
        EXPECT_EQ(std::string::npos, call.find("Remove")) << call;
    EXPECT_EQ("x", installer.ini["SALES"]["Unknown"]);
}

// The new name is written whole before the old one is removed; when that
// removal is refused the new registration is taken back (refused here too,
// as an installer refuses every removal to a user without rights), and the
// old data source stays whole.
TEST(Rename, ARefusedRemovalLeavesTheOldNameWholeAndTakesTheNewBack) {
    FakeInstaller installer;
    installer.ini["Old"]["Database"] = "stores";
    installer.failRemove = true;
    EXPECT_EQ(0, renameAndSave(driver, "Old", "New"));
    EXPECT_EQ("stores", installer.ini["Old"]["Database"]);
    ASSERT_LE(2u, installer.calls.size());
    EXPECT_EQ("SQLRemoveDSNFromIni Old", installer.calls[installer.calls.size() - 2]);
    EXPECT_EQ("SQLRemoveDSNFromIni New", installer.calls.back());
}
