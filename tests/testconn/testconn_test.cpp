// Test Connect under Wine: the connection string, a real connection through
// Wine's odbc32, unixODBC and the sqlite ODBC driver (standing in for the
// Informix driver), and, through the driver manager stand-in of
// tests/fixtures/fake_driver_manager, the paths no real driver manager takes on demand.
// Every message box is read (caption, text, buttons, icon, owner) and
// answered by an automation thread.
#include "base/scramble.h"
#include "base/allocation.h"
#include "setup/setup_context.h"
#include "testconn/testconn.h"
#include "support/message_boxes.h"
#include "support/library_start.h"
#include "support/sheet_driver.h"
#include "support/sheet_windows.h"
#include "support/test_support.h"
#include <windows.h>
#include <odbcinst.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// A setup context over a table of the caller's, with values given by row
// (null: absent). Nothing is owned by the context.
struct Context {
    Context(const AttributeDescriptor* table, uint16_t count, const char* driver, HWND owner)
        : values(count, nullptr) {
        // Values point into texts, which never reallocates.
        texts.reserve(64);
        initSetupContext(&setup, owner, requestConfigDsn, driver, nullptr, table, count);
        setup.values = values.data();
    }
    void set(const char* keyword, const std::string& value) {
        for (uint16_t i = 0; i < setup.attributeCount; ++i)
            if (std::strcmp(setup.table[i].keyword, keyword) == 0 && texts.size() < 64) {
                texts.push_back(value);
                values[i] = &texts.back()[0];
            }
    }
    void set(std::initializer_list<std::pair<const char*, std::string>> rows) {
        for (const auto& r : rows)
            set(r.first, r.second);
    }
    SetupContext setup;
    std::vector<char*> values;
    std::vector<std::string> texts;
};

AttributeDescriptor row(const char* keyword, uint32_t type = controlText) {
    return AttributeDescriptor{keyword, 0, type, nullptr, nullptr, 0, ""};
}

// A plain window on the test's thread to own the boxes and the prompt.
class OwnerWindow {
public:
    OwnerWindow()
        : window(CreateWindowExA(0, "STATIC", "Setup", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr)) {}
    ~OwnerWindow() { DestroyWindow(window); }
    HWND window;
};

std::string unixDirectory() {
    const char* dir = std::getenv("RV_SQLITE_DIR");
    return dir ? dir : "";
}

const char sqliteDriver[] = "Informix Stand-in";

} // namespace

// The string carries the driver in one pair of braces and each row with a
// value in table order, values unchanged, secrets in clear text; empty and
// absent rows and the driver's own failover and option keywords are left out.
TEST(ConnectionString, RowsInTableOrderWithSecretsDecodedAndExclusionsLeftOut) {
    Context full(attributeTable, attributeTableCount, "Informix", nullptr);
    // Every row as stored, but the login absent.
    for (const auto& key : storedWith({{"Description", "Sales"},
                                       {"Database", "stores"},
                                       {"HostName", "dbhost"},
                                       {"Service", "sqlexec"},
                                       {"ServerName", "srv1"},
                                       {"Protocol", "onsoctcp"}}))
        if (key.first != "LogonID")
            full.set(key.first.c_str(), key.second);
    TestConnection test(&full.setup, nullptr);
    ASSERT_EQ(0, test.buildConnectString());
    EXPECT_STREQ("DRIVER={Informix};Description=Sales;Database=stores;HostName=dbhost;"
                 "Service=sqlexec;ServerName=srv1;Protocol=onsoctcp;CursorBehavior=1;"
                 "CancelDetectInterval=0;EnableInsertCursors=0;GetDBListFromInformix=1;"
                 "ApplicationUsingThreads=1;UseDefaultLogin=0;TrimBlankFromIndexName=1;",
                 test.connectionString());

    char secret[64];
    size_t secretLength = 0;
    ASSERT_EQ(0, encodeSecretValue(secret, sizeof secret, "pa;ss}", 6, &secretLength));
    const AttributeDescriptor table[] = {
        row("Database"),
        row("alternateServers"),
        row("Password", controlSecret),
        row("LoadBalancing"),
        row("ExtendedOptions"),
        row("ConnectionRetryCount"),
        row("connectionretrydelay"),
        row("Clear", controlSecret),
        row("TranslationName", controlCarried),
    };
    Context extra(table, 9, "Drv {x}", nullptr);
    extra.set({{"Database", "a;b}c"},
               {"alternateServers", "s2"},
               {"Password", secret},
               {"LoadBalancing", "1"},
               {"ExtendedOptions", "x"},
               {"ConnectionRetryCount", "3"},
               {"connectionretrydelay", "4"},
               {"Clear", "plain"},
               {"TranslationName", "Tr"}});
    TestConnection more(&extra.setup, nullptr);
    ASSERT_EQ(0, more.buildConnectString());
    EXPECT_STREQ("DRIVER={Drv {x}};Database=a;b}c;Password=pa;ss};Clear=plain;TranslationName=Tr;",
                 more.connectionString());
}

// A secret that does not decode, a string too long for the driver manager
// and running out of memory at any allocation all fail before any driver
// manager call or box, and leave nothing allocated.
TEST(ConnectionString, FailuresAreSilentAndLeaveNothingBehind) {
    OwnerWindow owner;
    const AttributeDescriptor table[] = {row("Database"), row("Password", controlSecret)};
    Context context(table, 2, sqliteDriver, owner.window);
    context.set("Database", "stores");
    context.set("Password", "\xFFZZ");
    {
        ScopedErrorList errors;
        BoxWatcher watcher;
        TestConnection test(&context.setup, context.setup.parentWindow);
        EXPECT_EQ(0, test.run());
        EXPECT_EQ(nullptr, test.connectionString());
        ASSERT_EQ(1u, errors->count);
        EXPECT_EQ(2708, errors->item(0)->messageId);
        EXPECT_TRUE(watcher.boxes().empty());
    }
    context.set("Password", "");
    context.set("Database", std::string(32767, 'd'));
    {
        TestConnection test(&context.setup, context.setup.parentWindow);
        EXPECT_EQ(1, test.buildConnectString()) << "over 32767 bytes";
    }
    // DRIVER={Informix Stand-in};Database=...; at exactly the limit.
    context.set("Database", std::string(32767 - 37, 'd'));
    {
        TestConnection test(&context.setup, context.setup.parentWindow);
        EXPECT_EQ(0, test.buildConnectString());
        EXPECT_EQ(32767u, test.connectionStringLength());
    }
    context.set("Database", "stores");
    context.set("Password", "\xFF"
                            "0A0B");
    long live = rvAllocLive();
    int failures = 0;
    for (long n = 1; n < 100; ++n) {
        ScopedErrorList errors;
        TestConnection test(&context.setup, context.setup.parentWindow);
        rvAllocFailAt(n);
        int result = test.buildConnectString();
        rvAllocFailAt(0);
        if (result == 0)
            break;
        ++failures;
        EXPECT_TRUE(errors->count > 0 || (errors->listFlags & RvErrorList::outOfMemoryPending))
            << "allocation " << n;
    }
    EXPECT_GT(failures, 1);
    EXPECT_EQ(live, rvAllocLive());
}

// Against the sqlite driver: the test connects (the driver creates the
// database file it was given), and the page's step shows only the success box.
TEST(SqliteDriver, SuccessfulTestShowsOnlyTheSuccessBox) {
    ASSERT_FALSE(unixDirectory().empty()) << "RV_SQLITE_DIR is not set";
    std::string database = unixDirectory() + "/success.db";
    std::string windowsName = "Z:" + database;
    DeleteFileA(windowsName.c_str());
    OwnerWindow owner;
    Context context(attributeTable, attributeTableCount, sqliteDriver, owner.window);
    context.set("Database", database);
    context.set("HostName", "dbhost");
    context.set("EnableInsertCursors", "0");
    BoxWatcher watcher;
    EXPECT_EQ(1, runTestConnect(&context.setup, owner.window));
    auto boxes = watcher.boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Test Connect", boxes[0].caption);
    EXPECT_EQ("The connection test was successful.", boxes[0].text);
    EXPECT_EQ("OK", boxes[0].buttons);
    EXPECT_EQ(owner.window, boxes[0].owner);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(windowsName.c_str()));
}

// A driver that refuses the connection, and a driver unknown to the driver
// manager: each record is shown in a warning box with OK and Cancel, owned
// by the setup window; no success box follows.
TEST(SqliteDriver, FailingConnectShowsTheDriverManagersRecords) {
    OwnerWindow owner;
    Context refused(attributeTable, attributeTableCount, sqliteDriver, owner.window);
    refused.set("Database", "/nonexistent-qzifx/dir/x.db");
    Context unknown(attributeTable, attributeTableCount, "No Such Driver", owner.window);
    struct {
        Context* context;
        const char* text;
    } cases[] = {{&refused, "[SQLite]connect failed"},
                 {&unknown, "[unixODBC][Driver Manager]Can't open lib 'No Such Driver'"}};
    for (auto& c : cases) {
        BoxWatcher watcher;
        EXPECT_EQ(0, runTestConnect(&c.context->setup, owner.window));
        auto boxes = watcher.boxes();
        ASSERT_EQ(1u, boxes.size()) << c.text;
        EXPECT_EQ("Test Connect Error", boxes[0].caption);
        EXPECT_EQ(0u, boxes[0].text.find(c.text)) << boxes[0].text;
        EXPECT_EQ("OK|Cancel", boxes[0].buttons);
        EXPECT_EQ("warning", boxes[0].icon);
        EXPECT_EQ(owner.window, boxes[0].owner);
    }
}

namespace {
// The stand-in's controls; the suite fails when Wine's own odbc32 was loaded.
struct ScriptedDriverManager : testing::Test {
    void SetUp() override {
        // The library loads the driver manager at its first call; the
        // same load here finds the stand-in beside the program.
        HMODULE dm = LoadLibraryA("odbc32.dll");
        // Through void* : FARPROC and the exports' types differ.
        script = reinterpret_cast<void (*)(const char*)>(
            reinterpret_cast<void*>(GetProcAddress(dm, "fakeDmScript")));
        calls = reinterpret_cast<const char* (*)()>(
            reinterpret_cast<void*>(GetProcAddress(dm, "fakeDmCalls")));
        ASSERT_TRUE(script && calls) << "odbc32.dll is not the stand-in";
    }
    // Runs one test with the script and returns its result.
    int runWith(const char* text, std::vector<int> answers = {}) {
        script(text);
        BoxWatcher watcher(std::move(answers));
        TestConnection test(&context.setup, context.setup.parentWindow);
        int result = test.run();
        boxes = watcher.boxes();
        log = calls();
        return result;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const Box& b : boxes)
            out.push_back(b.text);
        return out;
    }
    // The stand-in's line for a connect with this string.
    std::string connectLine(const std::string& text) const {
        char line[128];
        std::snprintf(line, sizeof line, "SQLDriverConnect dbc %p %u buffer 1024 nolength 1 ",
                      static_cast<void*>(owner.window), unsigned(text.size()));
        return line + text + "\n";
    }

    OwnerWindow owner;
    const AttributeDescriptor table[1] = {row("Database")};
    Context context{table, 1, "Drv", owner.window};
    void (*script)(const char*) = nullptr;
    const char* (*calls)() = nullptr;
    std::vector<Box> boxes;
    std::string log;
};

const std::vector<std::string> threeRecords = {"fake record 1", "fake record 2", "fake record 3"};
} // namespace

// A clean test: the calls of the ODBC 3 protocol in order, with the owner
// window, the string and its length, a 1024-byte buffer, no length pointer
// and the driver's completion prompt allowed. An informational connect is a
// success and its records are not shown.
TEST_F(ScriptedDriverManager, SuccessCallsInOrderAndInformationIsNotShown) {
    context.set("Database", "stores;x");
    for (const char* script : {"", "connect=1;records=2"}) {
        EXPECT_EQ(1, runWith(script)) << script;
        EXPECT_TRUE(boxes.empty()) << script;
        EXPECT_EQ("SQLAllocHandle 1 null\n"
                  "SQLSetEnvAttr env 200 3 -6\n"
                  "SQLAllocHandle 2 env\n" +
                      connectLine("DRIVER={Drv};Database=stores;x;") +
                      "SQLDisconnect dbc\n"
                      "SQLFreeHandle 2 dbc\n"
                      "SQLFreeHandle 1 env\n",
                  log)
            << script;
    }
}

// Every record of a failed connect in record order, from the connection
// handle, the next one after Cancel as after OK; then the handles go back.
// A cancelled prompt (SQL_NO_DATA) is silent.
TEST_F(ScriptedDriverManager, FailedConnectShowsEveryRecordEvenAfterCancel) {
    context.set("Database", "stores");
    EXPECT_EQ(0, runWith("connect=-1;records=3", {IDCANCEL, IDOK, IDCANCEL}));
    EXPECT_EQ(threeRecords, texts());
    for (const Box& b : boxes) {
        EXPECT_EQ("Test Connect Error", b.caption);
        EXPECT_EQ("OK|Cancel", b.buttons);
        EXPECT_EQ(owner.window, b.owner);
    }
    EXPECT_NE(std::string::npos, log.find("SQLGetDiagRec 2 dbc 1 256\nSQLGetDiagRec 2 dbc 2 256\n"
                                          "SQLGetDiagRec 2 dbc 3 256\nSQLGetDiagRec 2 dbc 4 256\n"
                                          "SQLFreeHandle 2 dbc\nSQLFreeHandle 1 env\n"));
    EXPECT_EQ(std::string::npos, log.find("SQLDisconnect"));

    EXPECT_EQ(0, runWith("connect=100;records=3"));
    EXPECT_TRUE(boxes.empty());
    EXPECT_NE(std::string::npos, log.find("SQLFreeHandle 2 dbc\nSQLFreeHandle 1 env\n"));
}

// Failing environment, version attribute or connection allocation: the
// records are shown (of the environment, whose handle the failed connection
// allocation leaves as the only one) and what was allocated is freed.
TEST_F(ScriptedDriverManager, AllocationFailuresShowRecordsAndReleaseWhatWasAllocated) {
    EXPECT_EQ(0, runWith("env=-1;records=3"));
    EXPECT_EQ(threeRecords, texts());
    EXPECT_EQ("SQLAllocHandle 1 null\n"
              "SQLGetDiagRec 1 null 1 256\nSQLGetDiagRec 1 null 2 256\n"
              "SQLGetDiagRec 1 null 3 256\nSQLGetDiagRec 1 null 4 256\n",
              log);

    EXPECT_EQ(0, runWith("version=-1;records=3"));
    EXPECT_EQ(threeRecords, texts());
    EXPECT_NE(std::string::npos, log.find("SQLGetDiagRec 1 env 4 256\nSQLFreeHandle 1 env\n"));
    EXPECT_EQ(std::string::npos, log.find("SQLAllocHandle 2"));

    EXPECT_EQ(0, runWith("dbc=-1;records=3"));
    EXPECT_EQ(threeRecords, texts());
    EXPECT_NE(std::string::npos, log.find("SQLAllocHandle 2 env\nSQLGetDiagRec 1 env 1 256\n"));
    EXPECT_NE(std::string::npos, log.find("SQLGetDiagRec 1 env 4 256\nSQLFreeHandle 1 env\n"));
    EXPECT_EQ(std::string::npos, log.find("SQLDriverConnect"));
}

// A connection that cannot be closed or released cleanly is not a success:
// its records are shown and the result is 0. An environment whose
// connection could not be freed is left alone.
TEST_F(ScriptedDriverManager, DisconnectOrReleaseFailureIsNotASuccess) {
    EXPECT_EQ(0, runWith("disconnect=-1;records=1"));
    EXPECT_EQ(std::vector<std::string>{"fake record 1"}, texts());
    EXPECT_NE(std::string::npos, log.find("SQLDisconnect dbc\nSQLGetDiagRec 2 dbc 1 256\n"
                                          "SQLGetDiagRec 2 dbc 2 256\nSQLFreeHandle 2 dbc\n"
                                          "SQLFreeHandle 1 env\n"));

    EXPECT_EQ(0, runWith("freedbc=-1;records=1"));
    EXPECT_EQ(std::vector<std::string>{"fake record 1"}, texts());
    EXPECT_NE(std::string::npos, log.find("SQLFreeHandle 2 dbc\nSQLGetDiagRec 2 dbc 1 256\n"));
    EXPECT_EQ(std::string::npos, log.find("SQLFreeHandle 1 env"));

    EXPECT_EQ(0, runWith("freeenv=-1;records=2"));
    EXPECT_EQ(2u, boxes.size());
    EXPECT_NE(std::string::npos, log.find("SQLFreeHandle 1 env\nSQLGetDiagRec 1 env 1 256\n"));
}

// A driver manager that never runs out of records: the boxes stop after 64.
TEST_F(ScriptedDriverManager, EndlessDiagnosticsStopAfterSixtyFourBoxes) {
    EXPECT_EQ(0, runWith("connect=-1;records=-1"));
    ASSERT_EQ(64u, boxes.size());
    EXPECT_EQ("fake record 64", boxes.back().text);
    EXPECT_EQ(std::string::npos, log.find("SQLGetDiagRec 2 dbc 65 "));
    EXPECT_NE(std::string::npos, log.find("SQLFreeHandle 1 env\n"));
}

// A test from a sheet tries what its pages show, after a refused save too,
// in boxes and a prompt owned by the sheet, which then cannot cover them.
TEST_F(ScriptedDriverManager, ASheetTestsWhatItShowsInWindowsOfItsOwn) {
    for (const char* text : {"", "connect=-1;records=1"}) {
        script(text);
        BoxWatcher watcher;
        HWND sheet = nullptr;
        bool focusOnTheButton = false;
        SheetDriver user({[](HWND window) { PropSheet_SetCurSel(window, nullptr, 1); },
                          [](HWND window) {
                              SetDlgItemTextA(pageAt(window, 1), 300, "typed");
                              SetDlgItemTextA(pageAt(window, 0), 401, "bad{name}");
                              PropSheet_PressButton(window, PSBTN_OK);
                          },
                          [&](HWND window) {
                              sheet = window;
                              SendMessageA(window, WM_COMMAND, MAKEWPARAM(321, BN_CLICKED), 0);
                              focusOnTheButton = focusIn(window) == GetDlgItem(window, 321);
                              PropSheet_PressButton(window, PSBTN_CANCEL);
                          }});
        ConfigDSN(owner.window, ODBC_ADD_DSN, "Drv", attrs({"Database=stored"}).data());
        reloadResourceLibrary();
        char line[64];
        std::snprintf(line, sizeof line, "SQLDriverConnect dbc %p ", static_cast<void*>(sheet));
        EXPECT_NE(std::string::npos, std::string(calls()).find(line)) << calls();
        EXPECT_NE(std::string::npos, std::string(calls()).find(";Database=typed;")) << calls();
        std::vector<Box> boxes = watcher.boxes(); // the refused name, then the test's
        ASSERT_EQ(2u, boxes.size()) << text;
        EXPECT_EQ(sheet, boxes[1].owner) << text;
        EXPECT_TRUE(focusOnTheButton) << text;
    }
}
