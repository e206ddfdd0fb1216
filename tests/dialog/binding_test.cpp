// The control binding on real dialogs under Wine: hidden pages made from the
// test's templates are filled from a setup context, changed as a user would
// change them, and read back. A table of the test's own covers the row types
// that the driver's table lacks. Every test ends with no block left.
#include "pages.h"
#include "base/scramble.h"
#include "base/allocation.h"
#include "dialog/control_binding.h"
#include "setup/setup_context.h"
#include "support/test_support.h"
#include <windows.h>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
INT_PTR CALLBACK quietPage(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

struct Page {
    explicit Page(int id)
        : window(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
                                    quietPage, 0)) {}
    ~Page() { DestroyWindow(window); }
    LRESULT send(int id, UINT message, WPARAM w = 0, LPARAM l = 0) const {
        return SendDlgItemMessageA(window, id, message, w, l);
    }
    std::string text(int id) const {
        char buffer[2048] = "";
        GetDlgItemTextA(window, id, buffer, sizeof buffer);
        return buffer;
    }
    void type(int id, const char* text) const { SetDlgItemTextA(window, id, text); }
    bool checked(int id) const { return IsDlgButtonChecked(window, id) == BST_CHECKED; }
    bool enabled(int id) const { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }
    int selection(int id) const { return static_cast<int>(send(id, CB_GETCURSEL)); }
    std::vector<std::string> items(int id) const {
        std::vector<std::string> all;
        for (int i = 0; i < send(id, CB_GETCOUNT); ++i) {
            std::string item(static_cast<size_t>(send(id, CB_GETLBTEXTLEN, i)) + 1, '\0');
            send(id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&item[0]));
            all.push_back(item.c_str());
        }
        return all;
    }
    HWND window;
};

char* ownedCopy(const char* text) {
    return std::strcpy(static_cast<char*>(rvAlloc(std::strlen(text) + 1)), text);
}

const char absent[] = "<absent>";

// A setup context that owns its names and values as a request's does.
struct Context {
    Context(const AttributeDescriptor* table, uint16_t count, uint16_t request = requestConfigDsn) {
        initSetupContext(&setup, nullptr, request, "Informix", nullptr, table, count);
        setup.values = static_cast<char**>(rvAlloc(sizeof(char*) * count));
        for (uint16_t i = 0; i < count; ++i)
            setup.values[i] = table[i].defaultValue ? ownedCopy(table[i].defaultValue) : nullptr;
        setup.storedName = ownedCopy("");
        setup.dataSourceName = ownedCopy("");
    }
    ~Context() { destroySetupContext(&setup); }
    // Sets every row of the keyword, as loading sets both rows of a radio pair.
    Context& set(const char* keyword, const char* value) {
        for (uint16_t i = 0; i < setup.attributeCount; ++i)
            if (std::strcmp(setup.table[i].keyword, keyword) == 0) {
                rvFree(setup.values[i]);
                setup.values[i] = value ? ownedCopy(value) : nullptr;
            }
        return *this;
    }
    Context& name(const char* text) {
        rvFree(setup.dataSourceName);
        setup.dataSourceName = ownedCopy(text);
        return *this;
    }
    std::string valueAt(uint16_t row) const {
        return setup.values[row] ? setup.values[row] : absent;
    }
    std::string value(const char* keyword) const {
        uint16_t i = 0;
        while (std::strcmp(setup.table[i].keyword, keyword) != 0)
            ++i;
        return valueAt(i);
    }
    int fill(const Page& page) { return fillControls(page.window, &setup); }
    int read(const Page& page) { return readControls(page.window, &setup); }
    SetupContext setup;
};

Context* driverContext(uint16_t request = requestConfigDsn) {
    return new Context(attributeTable, attributeTableCount, request);
}

const AttributeDescriptor ownTable[] = {
    {"Mode", CONTROL_MODE_ALPHA, controlRadio, "alpha", "", 0, ""},
    {"Mode", CONTROL_MODE_BETA, controlRadio, "beta", "", 0, ""},
    {"Password", CONTROL_PASSWORD, controlSecret, "", "", 20, "PWD"},
    {"Trace", CONTROL_TRACE, controlYesNo, "", "No", 0, ""},
    {"Choice", CONTROL_CHOICE, controlChoiceList, " first , second,third ", "", 0, ""},
    {"TranslationName", 0, controlCarried, nullptr, nullptr, 0, "TranslationName"},
};

Context* ownContext() {
    return new Context(ownTable, sizeof ownTable / sizeof ownTable[0]);
}

std::string storedSecret(const char* clear) {
    char stored[128];
    size_t length = 0;
    encodeSecretValue(stored, sizeof stored, clear, std::strlen(clear), &length);
    return std::string(stored, length);
}

class Binding : public testing::Test {
protected:
    void SetUp() override {
        live = rvAllocLive();
        errors.reset(new ScopedErrorList);
    }
    void TearDown() override {
        errors.reset();
        EXPECT_EQ(live, rvAllocLive()) << "blocks left behind";
    }
    long live = 0;
    std::unique_ptr<ScopedErrorList> errors;
};
} // namespace

// A combo box shows a stored value so that reading it back stores it
// again: the item that reads back as the value is selected, and a value
// that none reads back as is shown as it is (typed into an editable combo
// box, an item of its own in a list) rather than as the closest item.
TEST_F(Binding, ComboRowsShowTheStoredValueAndChoicesReadBackTheirLeadingWord) {
    Page page(PAGE_ALL_CONTROLS);
    std::unique_ptr<Context> c(driverContext());
    // The page fills the protocol list itself before it binds.
    for (const char* item : {"onsoctcp", "ontlitcp", "ontlitcp2"})
        page.send(305, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    c->set("Protocol", "ontlitcp").set("CursorBehavior", "1").set("CancelDetectInterval", "05");
    ASSERT_EQ(0, c->fill(page));
    EXPECT_EQ(1, page.selection(305));
    EXPECT_EQ((std::vector<std::string>{"0 - Close", "1 - Preserve"}), page.items(309));
    EXPECT_EQ("1 - Preserve", page.text(309));
    EXPECT_EQ(5u, page.items(313).size());
    EXPECT_EQ("05 Sec.", page.text(313));
    ASSERT_EQ(0, c->read(page));
    EXPECT_EQ("ontlitcp", c->value("Protocol"));
    EXPECT_EQ("1", c->value("CursorBehavior"));
    EXPECT_EQ("05", c->value("CancelDetectInterval"));

    // The start of an item, another letter case, a number the list lacks
    // (though an item begins with it). Filling again, as after a save,
    // adds no second set of items.
    c->set("Protocol", "ONT").set("CursorBehavior", "5").set("CancelDetectInterval", "1");
    for (int fill = 0; fill < 2; ++fill) {
        ASSERT_EQ(0, c->fill(page));
        EXPECT_EQ(CB_ERR, page.selection(305));
        EXPECT_EQ("ONT", page.text(305));
        EXPECT_EQ("5", page.text(309));
        EXPECT_EQ("1", page.text(313));
        EXPECT_EQ(3u, page.items(309).size());
        EXPECT_EQ(6u, page.items(313).size());
    }
    ASSERT_EQ(0, c->read(page));
    EXPECT_EQ("ONT", c->value("Protocol"));
    EXPECT_EQ("5", c->value("CursorBehavior"));
    EXPECT_EQ("1", c->value("CancelDetectInterval"));

    // An empty value selects nothing; a typed word that is no item is
    // stored as typed.
    Page fresh(PAGE_ALL_CONTROLS);
    c->set("CursorBehavior", "");
    ASSERT_EQ(0, c->fill(fresh));
    EXPECT_EQ(CB_ERR, fresh.selection(309));
    fresh.type(305, "my proto");
    ASSERT_EQ(0, c->read(fresh));
    EXPECT_EQ("", c->value("CursorBehavior"));
    EXPECT_EQ("my proto", c->value("Protocol"));
}

TEST_F(Binding, TextAndFlagRowsWithTheirLimits) {
    Page page(PAGE_ALL_CONTROLS);
    std::unique_ptr<Context> c(driverContext());
    c->name("Sales").set("Database", "stores").set("LogonID", "informix");
    c->set("EnableInsertCursors", "1").set("GetDBListFromInformix", "yes");
    c->set("ApplicationUsingThreads", "true").set("UseDefaultLogin", "0");
    ASSERT_EQ(0, c->fill(page));
    EXPECT_EQ("Sales", page.text(401));
    EXPECT_EQ("stores", page.text(300));
    const int limits[][2] = {{401, 32}, {402, 255}, {300, 80}, {307, 256},
                             {301, 80}, {302, 18},  {304, 18}, {316, 80}};
    for (const auto& l : limits)
        EXPECT_EQ(l[1], page.send(l[0], EM_GETLIMITTEXT)) << l[0];
    // Only "1" checks a box.
    EXPECT_TRUE(page.checked(318));
    EXPECT_FALSE(page.checked(312) || page.checked(317) || page.checked(319));

    page.type(401, "Renamed");
    page.type(300, "");
    CheckDlgButton(page.window, 319, BST_CHECKED);
    ASSERT_EQ(0, c->read(page));
    EXPECT_STREQ("Renamed", c->setup.dataSourceName);
    EXPECT_EQ("", c->value("Database"));
    EXPECT_EQ("informix", c->value("LogonID"));
    EXPECT_EQ("1", c->value("EnableInsertCursors"));
    EXPECT_EQ("0", c->value("GetDBListFromInformix"));
    EXPECT_EQ("0", c->value("ApplicationUsingThreads"));
    EXPECT_EQ("1", c->value("UseDefaultLogin"));
}

// A stored value may be longer than its box lets the user type (and the
// Databases box takes 256): reading back must not cut it on every save.
TEST_F(Binding, TextLongerThanTwoHundredAndFiftyFiveBytesReadsBackWhole) {
    Page page(PAGE_ALL_CONTROLS);
    std::unique_ptr<Context> c(driverContext());
    std::string databases(256, 'd'), description(300, 'x');
    c->set("Databases", databases.c_str()).set("Description", description.c_str());
    ASSERT_EQ(0, c->fill(page));
    ASSERT_EQ(0, c->read(page));
    EXPECT_EQ(databases, c->value("Databases"));
    EXPECT_EQ(description, c->value("Description"));
}

TEST_F(Binding, ADataSourceAddedUnderAGivenNameKeepsIt) {
    const struct {
        uint16_t request;
        const char* name;
        bool fileDataSource, nameEnabled, companionEnabled;
    } cases[] = {
        {requestAddDsn, "Sales", false, false, false},
        {requestAddDsn, "", false, true, true},
        {requestConfigDsn, "Sales", false, true, true},
        {requestAddDsn, "", true, false, true},
    };
    for (const auto& k : cases) {
        Page page(PAGE_ALL_CONTROLS);
        std::unique_ptr<Context> c(driverContext(k.request));
        char* callerString = nullptr;
        c->name(k.name).setup.outputAddress = k.fileDataSource ? &callerString : nullptr;
        ASSERT_EQ(0, c->fill(page));
        EXPECT_EQ(k.nameEnabled, page.enabled(401)) << k.request << k.name << k.fileDataSource;
        EXPECT_EQ(k.companionEnabled, page.enabled(403)) << k.request << k.name;
    }
}

TEST_F(Binding, APageLeavesTheRowsItDoesNotHoldToThePageThatHasThem) {
    Page general(PAGE_GENERAL);
    std::unique_ptr<Context> c(driverContext());
    c->set("Protocol", "1 - tcp").set("HostName", "dbhost").set("UseDefaultLogin", "1");
    c->set("CancelDetectInterval", "05 Sec.");
    c->set("ServerName", nullptr).set("TrimBlankFromIndexName", nullptr);
    ASSERT_EQ(0, c->fill(general));
    general.type(402, "Typed here");
    ASSERT_EQ(0, c->read(general));
    EXPECT_EQ("Typed here", c->value("Description"));
    EXPECT_EQ("1 - tcp", c->value("Protocol"));
    EXPECT_EQ("dbhost", c->value("HostName"));
    EXPECT_EQ("1", c->value("UseDefaultLogin"));
    // A choice held for another page takes its stored form.
    EXPECT_EQ("1", c->value("CursorBehavior"));
    EXPECT_EQ("05", c->value("CancelDetectInterval"));
    // An absent value reads as its control's empty state wherever it is.
    EXPECT_EQ("", c->value("ServerName"));
    EXPECT_EQ("0", c->value("TrimBlankFromIndexName"));
}

TEST_F(Binding, RadioSecretYesNoAndCarriedRows) {
    Page page(PAGE_OWN_TABLE);
    std::unique_ptr<Context> c(ownContext());
    std::string secret = storedSecret("s3cret");
    c->set("Mode", "BETA").set("Password", secret.c_str()).set("Trace", "yes");
    c->set("Choice", "third").set("TranslationName", "Latin");
    const char* carried = c->setup.values[5];
    ASSERT_EQ(0, c->fill(page));
    EXPECT_FALSE(page.checked(CONTROL_MODE_ALPHA));
    EXPECT_TRUE(page.checked(CONTROL_MODE_BETA));
    EXPECT_EQ("s3cret", page.text(CONTROL_PASSWORD));
    EXPECT_EQ(20, page.send(CONTROL_PASSWORD, EM_GETLIMITTEXT));
    EXPECT_TRUE(page.checked(CONTROL_TRACE));
    // Leading blanks go, trailing ones stay.
    EXPECT_EQ((std::vector<std::string>{"first ", "second", "third "}), page.items(CONTROL_CHOICE));
    ASSERT_EQ(0, c->read(page));
    EXPECT_EQ(absent, c->valueAt(0));
    EXPECT_EQ("beta", c->valueAt(1));
    EXPECT_EQ("s3cret", c->value("Password"));
    EXPECT_EQ("Yes", c->value("Trace"));
    EXPECT_EQ("third", c->value("Choice"));
    EXPECT_EQ(carried, c->setup.values[5]);

    // A secret in clear text, as an attribute string gives it, is shown so
    // that reading back keeps it; the marker alone is the empty secret.
    c->set("Mode", "").set("Password", "given").set("Trace", "1");
    ASSERT_EQ(0, c->fill(page));
    EXPECT_EQ("given", page.text(CONTROL_PASSWORD));
    EXPECT_FALSE(page.checked(CONTROL_TRACE));
    CheckRadioButton(page.window, CONTROL_MODE_ALPHA, CONTROL_MODE_BETA, CONTROL_MODE_ALPHA);
    ASSERT_EQ(0, c->read(page));
    EXPECT_EQ("alpha", c->valueAt(0));
    EXPECT_EQ(absent, c->valueAt(1));
    EXPECT_EQ("given", c->value("Password"));
    EXPECT_EQ("No", c->value("Trace"));
    c->set("Password", "\xFF");
    ASSERT_EQ(0, c->fill(page));
    EXPECT_EQ("", page.text(CONTROL_PASSWORD));
}

TEST_F(Binding, AnUnreadableSecretStopsTheFillBeforeTheRowsAfterIt) {
    // Not hexadecimal; an odd count of digits, which is no whole byte.
    for (const char* bad : {"\xFFZZ12", "\xFF"
                                        "ABC"}) {
        Page page(PAGE_OWN_TABLE);
        std::unique_ptr<Context> c(ownContext());
        c->set("Password", bad).set("Trace", "Yes");
        EXPECT_EQ(1, c->fill(page)) << bad + 1;
        EXPECT_EQ(msgBadHexDigit, (*errors)->lastDiagnostic()->messageId);
        EXPECT_FALSE(page.checked(CONTROL_TRACE));
        EXPECT_TRUE(page.items(CONTROL_CHOICE).empty());
        (*errors)->clear();
    }
}

// Shift-JIS: 0x81 0x40 is the ideographic space; 0x83 0x81 is one character
// whose trail byte is that space's lead byte, followed here by "@" (0x40).
TEST_F(Binding, TheIdeographicSpaceEndsAChoiceButATrailByteDoesNot) {
    REQUIRE_CODE_PAGE(932);
    const AttributeDescriptor table[] = {
        {"Choice", CONTROL_CHOICE, controlChoiceList, "1\x81\x40One,2\x83\x81@x y", "", 0, ""},
        {"Description", 402, controlText, "", "", 255, ""},
    };
    Page page(PAGE_OWN_TABLE), general(PAGE_GENERAL);
    Context c(table, 2);
    const char* cases[][3] = {{"1", "1\x81\x40One", "1"},
                              {"2\x83\x81@x", "2\x83\x81@x y", "2\x83\x81@x"}};
    for (const auto& k : cases) {
        c.set("Choice", k[0]);
        ASSERT_EQ(0, c.fill(page));
        EXPECT_EQ(k[1], page.text(CONTROL_CHOICE));
        ASSERT_EQ(0, c.read(page));
        EXPECT_EQ(k[2], c.value("Choice"));
        // The same cut for a value held for another page.
        c.set("Choice", k[1]);
        ASSERT_EQ(0, c.read(general));
        EXPECT_EQ(k[2], c.value("Choice"));
    }
    // Two hundred double-byte characters are four hundred bytes.
    std::string description;
    for (int i = 0; i < 200; ++i)
        description += "\x82\xA0";
    c.set("Description", description.c_str());
    ASSERT_EQ(0, c.fill(general));
    ASSERT_EQ(0, c.read(general));
    EXPECT_EQ(description, c.value("Description"));
}

// Each run fails the n-th allocation, on a fresh page and context, until a
// run no longer reaches it; a failed run reports 1 and out of memory and
// leaves nothing behind once its context is destroyed.
TEST_F(Binding, FillAndReadFailCleanlyWhicheverAllocationFails) {
    typedef Context* (*Make)();
    const struct {
        int page;
        Make make;
        bool fill;
    } runs[] = {
        {PAGE_ALL_CONTROLS, [] { return driverContext(); }, true},
        {PAGE_OWN_TABLE, ownContext, true},
        {PAGE_ALL_CONTROLS, [] { return driverContext(); }, false},
        {PAGE_GENERAL, [] { return &driverContext()->set("ServerName", nullptr); }, false},
        {PAGE_OWN_TABLE, ownContext, false},
    };
    std::string secret = storedSecret("pw");
    for (const auto& run : runs)
        for (long n = 1;; ++n) {
            long live = rvAllocLive();
            int result = 0;
            long made = 0;
            {
                Page page(run.page);
                std::unique_ptr<Context> c(run.make());
                c->set("Password", secret.c_str());
                rvAllocFailAt(n);
                result = run.fill ? c->fill(page) : c->read(page);
                made = rvAllocCount();
                rvAllocFailAt(0);
                if (result) {
                    EXPECT_EQ(outOfMemoryRecord(), (*errors)->lastDiagnostic()) << n;
                }
            }
            (*errors)->clear();
            EXPECT_EQ(live, rvAllocLive()) << n;
            if (made < n) {
                EXPECT_EQ(0, result) << n;
                EXPECT_GT(n, 2);
                break;
            }
            EXPECT_EQ(1, result) << n;
        }
}
