// What the sheet makes of the user's edits, and what it says about them:
// a save that did not happen is never reported as one, a value the user
// did not touch is written back as it was stored, a refused write is
// explained, and a page leaves nothing of the request behind. Interactive
// requests under Wine against Wine's installer, with the recording
// installer where a refusal or the translator's dialog is scripted.
//
// Wine 8 behaviours these tests rely on:
// - its property sheet greys Apply after every successful apply cycle,
//   the one a test runs to read the pages back included;
// - PSM_PRESSBUTTON acts on a disabled sheet, as no user can: it stands for
//   an OK that reaches the sheet while a test runs;
// - its driver manager knows no Informix driver, so a test shows a "Test
//   Connect Error" box;
// - SetWindowText on an edit box keeps text longer than its EM_LIMITTEXT;
// - a message box given a page as its owner is owned by the sheet;
// - its installer reads "ODBC Data Sources" from HKEY_CURRENT_USER only,
//   where its SQLWriteDSNToIni never writes: tests list data sources there.
#include <windows.h>
#include <commctrl.h>
#include <odbcinst.h>
#include "base/allocation.h"
#include "recording_installer.h"
#include "sheetless_requests.h"
#include "sheet_request.h"
#include "wine_odbc_ini.h"
#include "support/windows_fixture.h"
#include "support/message_boxes.h"
#include "support/sheet_driver.h"
#include "support/sheet_windows.h"
#include "support/test_support.h"
#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace {
using Steps = std::vector<SheetDriver::Step>;

void pressOk(HWND sheet) {
    PropSheet_PressButton(sheet, PSBTN_OK);
}
// The last step of a test whose sheet may have stayed open; a closed sheet
// runs no more steps.
void cancelIfOpen(HWND sheet) {
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
}
void showPage(HWND sheet, int index) {
    PropSheet_SetCurSel(sheet, nullptr, index);
}

// A step that follows a box: once the box is answered, the sheet's thread
// still has to leave the box's loop, and a button pressed before then is
// handled inside that loop, in the middle of the save that showed the box.
// Waited for, within bounds, until the box's window is gone.
void waitForTheSheetAfterItsBox(BoxWatcher& boxes) {
    for (int i = 0; i < 3000; ++i, Sleep(10)) {
        std::vector<Box> shown = boxes.boxes();
        if (!shown.empty() && !IsWindow(shown.back().window))
            return;
    }
}

// A data source written through Wine's installer exactly as given.
void seedDataSource(const std::string& name, const KeyValues& keys) {
    ASSERT_TRUE(SQLWriteDSNToIni(name.c_str(), sheetDriver));
    for (const auto& key : keys)
        ASSERT_TRUE(SQLWritePrivateProfileString(name.c_str(), key.first.c_str(),
                                                 key.second.c_str(), "ODBC.INI"));
}
} // namespace

// While a test runs (its message boxes or the driver's prompt are up) the
// sheet takes no input, and an OK that reaches it all the same is refused
// instead of ending the sheet as if the edit had been saved.
TEST_F(Interactive, WhileATestRunsTheSheetCanNeitherBeAppliedNorEnd) {
    std::string name = freshName("Qs", "Busy");
    seedDataSource(name, {{"Description", "before"}});
    std::atomic<HWND> sheetWindow{nullptr};
    std::atomic<int> enabledDuringTest{-1};
    BoxWatcher boxes({}, [&](const Box&) {
        HWND sheet = sheetWindow;
        if (!sheet || enabledDuringTest != -1)
            return;
        enabledDuringTest = IsWindowEnabled(sheet) ? 1 : 0;
        pressOk(sheet);
    });
    bool openAfterTest = false, enabledAfterTest = false;
    SheetDriver user({
        [&](HWND sheet) {
            sheetWindow = sheet;
            SetDlgItemTextA(page(sheet, 0), 402, "after");
        },
        [](HWND sheet) { click(sheet, 321); },
        [&](HWND sheet) {
            openAfterTest = IsWindowVisible(sheet);
            enabledAfterTest = IsWindowEnabled(sheet);
            pressOk(sheet);
        },
        cancelIfOpen,
    });
    EXPECT_EQ(TRUE, request(ODBC_CONFIG_DSN, attrs({"DSN=" + name})));
    EXPECT_EQ(0, enabledDuringTest.load()); // Wine's driver manager answers with a box
    EXPECT_TRUE(openAfterTest);
    EXPECT_TRUE(enabledAfterTest);
    EXPECT_EQ("after", stored(name, "Description"));
}

// A test reads the pages back through the sheet's apply cycle, which
// greys Apply when it succeeds; nothing was saved, so Apply stays as it was.
TEST_F(Interactive, TestConnectLeavesTheApplyButtonAsItWas) {
    std::string name = freshName("Qs", "Apply");
    seedDataSource(name, {});
    BoxWatcher boxes;
    std::vector<bool> before, after;
    auto testConnect = [&](HWND sheet) {
        HWND apply = GetDlgItem(sheet, 12321);
        before.push_back(IsWindowEnabled(apply));
        click(sheet, 321);
        after.push_back(IsWindowEnabled(apply));
    };
    SheetDriver user({
        testConnect, // an editing page shows: Apply is available
        [](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_APPLYNOW); },
        testConnect, // just applied: nothing to apply
        cancelIfOpen,
    });
    request(ODBC_CONFIG_DSN, attrs({"DSN=" + name}));
    EXPECT_EQ((std::vector<bool>{true, false}), before);
    EXPECT_EQ(before, after);
}

namespace {
std::string repeated(const std::string& text, size_t atLeast) {
    std::string result;
    while (result.size() < atLeast)
        result += text;
    return result;
}

// Every key of the table with a value that is valid but not what the
// sheet would offer: longer than its box lets the user type, in the ANSI
// code page's own characters (double-byte ones under 932, several with
// '\' as their trail byte), or no item of its list.
KeyValues unusualValues() {
    std::string local =
        expectedCodePage() == 932
            ? "\x83\x66\x81\x5B\x83\x5E\x83\x5C\x81\x5B\x83\x58\x95\x5C" // データソース表
            : "Caf\xE9 cr\xE8me \xE0 la \xFC";
    return {
        {"Description", repeated(local + " {a;b} = ", 300)},
        {"Database", local},
        {"Databases", repeated("stores," + local + ",", 400)},
        {"HostName", repeated("db-host.", 120)},
        {"LogonID", local + "_a_long_login"},
        {"Service", "sqlexec_alternate_port"},
        {"ServerName", "srv_" + local},
        {"Protocol", "onsocssl"},
        {"CursorBehavior", "0"},
        {"CancelDetectInterval", "45"},
        {"EnableInsertCursors", "1"},
        {"GetDBListFromInformix", "0"},
        {"ApplicationUsingThreads", "0"},
        {"UseDefaultLogin", "1"},
        {"TrimBlankFromIndexName", "0"},
    };
}
} // namespace

// Looking at the pages is not editing: OK writes every key back byte for
// byte, whether the pages that show a key were made or not.
TEST_F(Interactive, OkOnAnUntouchedSheetKeepsEveryStoredValue) {
    const KeyValues seeded = unusualValues();
    ASSERT_EQ(storedDefaults().size(), seeded.size());
    const struct {
        const char* what;
        std::vector<int> pages;
    } visits[] = {{"every page looked at", {1, 2, 3}}, {"the General page only", {}}};
    for (const auto& visit : visits) {
        std::string name = freshName("Qs", "Untouched");
        seedDataSource(name, seeded);
        for (const auto& key : seeded)
            ASSERT_EQ(key.second, stored(name, key.first.c_str())) << key.first;
        Steps steps;
        for (int index : visit.pages)
            steps.push_back([index](HWND sheet) { showPage(sheet, index); });
        steps.push_back(pressOk);
        steps.push_back(cancelIfOpen);
        SheetDriver user(steps);
        EXPECT_EQ(TRUE, request(ODBC_CONFIG_DSN, attrs({"DSN=" + name}))) << visit.what;
        for (const auto& key : seeded)
            EXPECT_EQ(key.second, stored(name, key.first.c_str()))
                << visit.what << ": " << key.first;
    }
}

// Each save moves the data source from the name it was last saved under.
TEST_F(Interactive, TwoRenamesInOneSheetLeaveOnlyTheLastName) {
    std::string first = freshName("Qs", "RenA"), second = freshName("Qs", "RenB"),
                third = freshName("Qs", "RenC");
    seedDataSource(first, {{"Description", "moved"}});
    auto rename = [](const std::string& to, int button) {
        return [to, button](HWND sheet) {
            SetDlgItemTextA(page(sheet, 0), 401, to.c_str());
            PropSheet_PressButton(sheet, button);
        };
    };
    SheetDriver user({rename(second, PSBTN_APPLYNOW), rename(third, PSBTN_OK), cancelIfOpen});
    EXPECT_EQ(TRUE, request(ODBC_CONFIG_DSN, attrs({"DSN=" + first})));
    EXPECT_FALSE(registered(first));
    EXPECT_FALSE(registered(second));
    EXPECT_TRUE(registered(third));
    EXPECT_EQ("moved", stored(third, "Description"));
}

// A file data source is named by its file, which need not be a valid
// data-source name: OK hands the connection string back without a word.
TEST_F(Interactive, AFileDataSourceSavesWhateverItsFileIsCalled) {
    auto** variable = static_cast<char**>(allocateLowMemory(4096));
    ASSERT_NE(nullptr, variable);
    for (std::string file : {"C:\\Users\\Public\\Documents\\sales.dsn",
                             "a file data source called far more than thirty-two characters.dsn"}) {
        *variable = nullptr;
        BoxWatcher boxes;
        SheetDriver user({pressOk, cancelIfOpen});
        EXPECT_EQ(TRUE, request(ODBC_ADD_DSN,
                                attrs({"SAVEFILE=" + file, "OutStrAddr=" + addressText(variable),
                                       "Database=stores"})))
            << file;
        EXPECT_EQ(0u, boxes.boxes().size()) << file;
        ASSERT_NE(nullptr, *variable) << file;
        EXPECT_NE(std::string::npos, std::string(*variable).find(";Database=stores;")) << file;
        rvFree(*variable);
    }
    freeLowMemory(variable, 4096);
}

// A write the installer refuses is explained in the installer's own words,
// in a box owned by the sheet, which stays open: the user may put things
// right and try again, or cancel.
TEST_F(Interactive, ARefusedWriteShowsTheInstallersReasonAndKeepsTheSheetOpen) {
    RecordingInstaller installer;
    ASSERT_TRUE(installer.bound());
    const struct {
        const char* function;
        bool renamed; // a rename removes the old name first
    } refusals[] = {{"SQLWritePrivateProfileString", false},
                    {"SQLWriteDSNToIni", false},
                    {"SQLRemoveDSNFromIni", true}};
    for (const auto& refusal : refusals) {
        std::string name = freshName("Qs", "Refused");
        std::string savedAs = refusal.renamed ? freshName("Qs", "Moved") : name;
        seedDataSource(name, {{"Description", "before"}});
        std::string reason =
            std::string("No rights to change system data sources (") + refusal.function + ")";
        installer.refuse((std::string(refusal.function) + ":11:" + reason).c_str());
        HWND sheetWindow = nullptr;
        bool openAfterRefusal = false;
        BoxWatcher boxes;
        SheetDriver user({
            [&](HWND sheet) {
                sheetWindow = sheet;
                SetDlgItemTextA(page(sheet, 0), 401, savedAs.c_str());
                SetDlgItemTextA(page(sheet, 0), 402, "after");
                pressOk(sheet);
            },
            [&](HWND sheet) {
                waitForTheSheetAfterItsBox(boxes);
                openAfterRefusal = IsWindowVisible(sheet);
                installer.refuse(nullptr);
                pressOk(sheet);
            },
            cancelIfOpen,
        });
        EXPECT_EQ(TRUE, request(ODBC_CONFIG_DSN, attrs({"DSN=" + name}))) << refusal.function;
        EXPECT_TRUE(openAfterRefusal) << refusal.function;
        std::vector<Box> shown = boxes.boxes();
        ASSERT_EQ(1u, shown.size()) << refusal.function;
        EXPECT_EQ(reason, shown[0].text);
        EXPECT_EQ("Error", shown[0].caption);
        EXPECT_EQ(sheetWindow, shown[0].owner);
        EXPECT_EQ("after", stored(savedAs, "Description")) << refusal.function;
    }
}

// A rename whose write is refused leaves the data source under its old name
// alone, and the request still names it there: taking the old name back
// saves it in place and leaves nothing under the new one.
TEST_F(Interactive, ARefusedRenameKeepsTheDataSourceUnderItsOldName) {
    RecordingInstaller installer;
    ASSERT_TRUE(installer.bound());
    std::string oldName = freshName("Qs", "Kept"), newName = freshName("Qs", "Lost");
    seedDataSource(oldName, {{"Description", "before"}});
    installer.refuse("SQLWritePrivateProfileString:11:No rights");
    bool oldAfterRefusal = false, newAfterRefusal = true;
    BoxWatcher boxes;
    SheetDriver user({
        [&](HWND sheet) {
            SetDlgItemTextA(page(sheet, 0), 401, newName.c_str());
            SetDlgItemTextA(page(sheet, 0), 402, "after");
            pressOk(sheet);
        },
        [&](HWND sheet) {
            waitForTheSheetAfterItsBox(boxes);
            oldAfterRefusal = stored(oldName, "Description") == "before";
            newAfterRefusal = registered(newName);
            installer.refuse(nullptr);
            SetDlgItemTextA(page(sheet, 0), 401, oldName.c_str());
            pressOk(sheet);
        },
        cancelIfOpen,
    });
    EXPECT_EQ(TRUE, request(ODBC_CONFIG_DSN, attrs({"DSN=" + oldName})));
    EXPECT_TRUE(oldAfterRefusal);
    EXPECT_FALSE(newAfterRefusal);
    EXPECT_EQ("after", stored(oldName, "Description"));
    EXPECT_FALSE(registered(newName));
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ("No rights", boxes.boxes()[0].text);
}

// Keys the table does not know survive every save byte for byte, though the
// installer empties the section first; a translator chosen replaces the old.
TEST_F(Interactive, EverySaveKeepsTheKeysTheTableDoesNotKnow) {
    RecordingInstaller installer;
    ASSERT_TRUE(installer.bound());
    std::string name = freshName("Qs", "Keys"), renamed = freshName("Qs", "KeysMoved");
    KeyValues kept = {{"CLIENT_LOCALE", "ja_jp.sjis"}, {"DB_LOCALE", "en_us.819"},
                      {"TranslationName", "Old"},      {"TranslationDLL", "C:\\old.dll"},
                      {"TranslationOption", "3"},      {"AdminNote", " {a;b} = c\xE9 "}};
    seedDataSource(name, kept);
    ASSERT_EQ(TRUE, ConfigDSN(nullptr, ODBC_CONFIG_DSN, sheetDriver,
                              attrs({"DSN=" + name, "Description=changed"}).data()));
    EXPECT_EQ(kept[0].second, stored(name, "CLIENT_LOCALE")) << "silent configure";
    ASSERT_EQ(TRUE, renameAndSave(sheetDriver, name.c_str(), renamed.c_str()));
    EXPECT_EQ(kept[0].second, stored(renamed, "CLIENT_LOCALE")) << "rename";
    installer.translator("confirm:New:C:\\new.dll:7");
    SheetDriver user({[](HWND sheet) { showPage(sheet, 1); },
                      [](HWND sheet) { click(page(sheet, 1), 310); }, pressOk, cancelIfOpen});
    EXPECT_EQ(TRUE, request(ODBC_CONFIG_DSN, attrs({"DSN=" + renamed})));
    kept[2].second = "New", kept[3].second = "C:\\new.dll", kept[4].second = "7";
    for (const auto& key : kept) // after all three saves
        EXPECT_EQ(key.second, stored(renamed, key.first.c_str())) << key.first;
}

// A data source added without a name has no section of its own yet: the
// translator's dialog opens empty, without a read of the section "" (a
// list of every data source, to the profile store and on Windows).
TEST_F(Interactive, TheTranslatorOfAnUnnamedDataSourceReadsNoSection) {
    RecordingInstaller installer;
    ASSERT_TRUE(installer.recordsProfileReads());
    installer.translator("cancel");
    SheetDriver user({
        [](HWND sheet) { showPage(sheet, 1); },
        [](HWND sheet) { click(page(sheet, 1), 310); },
        cancelIfOpen,
    });
    request(ODBC_ADD_DSN, attrs({"Description=unnamed"}));
    std::string log = installer.log();
    EXPECT_NE(std::string::npos, log.find("SQLGetTranslator(window, \"\", 63, 260) = 0")) << log;
    EXPECT_EQ(std::string::npos, log.find("SQLGetPrivateProfileString(\"\", \"Translation")) << log;
}

namespace {
// Page windows whose destruction the hook below saw, and those of them
// that still carried the request's context then.
std::vector<HWND> destroyed, destroyedWithContext;

LRESULT CALLBACK noteDestruction(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_NCDESTROY) {
        destroyed.push_back(message->hwnd);
        if (GetPropA(message->hwnd, "Handle"))
            destroyedWithContext.push_back(message->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
} // namespace

// The context a page carries is the request's, which ends with the sheet:
// no page window keeps it once it is gone.
TEST_F(Interactive, NoPageKeepsTheRequestsContextPastItsEnd) {
    std::string name = freshName("Qs", "Props");
    std::vector<HWND> pages;
    SheetDriver user({
        [](HWND sheet) { showPage(sheet, 1); },
        [](HWND sheet) { showPage(sheet, 2); },
        [](HWND sheet) { showPage(sheet, 3); },
        [&](HWND sheet) {
            for (int i = 0; i < 4; ++i)
                pages.push_back(page(sheet, i));
            cancelIfOpen(sheet);
        },
    });
    destroyed.clear();
    destroyedWithContext.clear();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, noteDestruction, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    request(ODBC_ADD_DSN, attrs({"DSN=" + name}));
    UnhookWindowsHookEx(hook);
    ASSERT_EQ(4u, pages.size());
    for (HWND window : pages) {
        EXPECT_NE(destroyed.end(), std::find(destroyed.begin(), destroyed.end(), window));
        EXPECT_EQ(destroyedWithContext.end(),
                  std::find(destroyedWithContext.begin(), destroyedWithContext.end(), window));
    }
}

// A name new to the request that another data source has is taken only
// after a Yes: No, the default, keeps the sheet open with the name
// selected. The request's own name in other letter case asks nothing.
TEST_F(Interactive, SavingOverAnotherDataSourceAsksFirst) {
    std::string mine = freshName("Qs", "Mine"), theirs = freshName("Qs", "Theirs"), upper = mine;
    CharUpperA(&upper[0]);
    for (const auto& name : {mine, theirs}) {
        seedDataSource(name, {{"Description", name}});
        ASSERT_TRUE(SQLWritePrivateProfileString("ODBC Data Sources", name.c_str(), "RV Other",
                                                 "ODBC.INI"));
    }
    BoxWatcher boxes({IDNO, IDYES});
    LRESULT selection = -1;
    auto rename = [](const std::string& to, int button) {
        return [to, button](HWND sheet) {
            SetDlgItemTextA(page(sheet, 0), 401, to.c_str());
            PropSheet_PressButton(sheet, button);
        };
    };
    SheetDriver user({rename(upper, PSBTN_APPLYNOW), rename(theirs, PSBTN_OK),
                      [&](HWND sheet) {
                          // The sheet's thread selects the name after the
                          // box closes: waited for, within bounds.
                          waitForTheSheetAfterItsBox(boxes);
                          HWND box = GetDlgItem(page(sheet, 0), 401);
                          for (int i = 0; i < 300 && focusIn(sheet) != box; ++i)
                              Sleep(10);
                          if (focusIn(sheet) == box)
                              selection = SendMessageA(box, EM_GETSEL, 0, 0);
                          pressOk(sheet);
                      },
                      cancelIfOpen});
    EXPECT_EQ(TRUE, request(ODBC_CONFIG_DSN, attrs({"DSN=" + mine})));
    EXPECT_EQ(MAKELONG(0, theirs.size()), selection);
    std::vector<Box> shown = boxes.boxes();
    ASSERT_EQ(2u, shown.size());
    for (const Box& box : shown)
        EXPECT_EQ("The data source \"" + theirs +
                      "\" of the driver \"RV Other\" already exists. "
                      "Do you want to replace it? Yes|No 7",
                  box.text + " " + box.buttons + " " + std::to_string(box.defaultButton));
    EXPECT_EQ(mine, stored(theirs, "Description"));
    for (const auto& name : {mine, theirs})
        SQLWritePrivateProfileString("ODBC Data Sources", name.c_str(), nullptr, "ODBC.INI");
}

// What the store cannot take is refused at its field, shown focused on its
// page, and nothing is saved: text the ANSI code page lacks (stored as "?"
// before) and a name over the installer's 32 bytes (32 double-byte
// characters are 64).
TEST_F(Interactive, WhatTheStoreCannotTakeIsRefusedAtItsField) {
    const bool doubleByte = expectedCodePage() == 932;
    const struct {
        int page, control;
        std::wstring text;
        const char* said;
    } fields[] = {
        {0, 401, std::wstring(doubleByte ? 32 : 33, doubleByte ? L'\u3042' : L'n'), "32 bytes"},
        {0, 402, L"x\u0E01", "\"Description\""},
        {1, 300, L"x\u0E01", "\"Database name\""}};
    for (const auto& field : fields) {
        std::string name = freshName("Qs", "Store");
        seedDataSource(name, {{"Description", "before"}, {"Database", "stores"}});
        BoxWatcher boxes;
        bool atTheField = false;
        SheetDriver user({
            [](HWND sheet) { showPage(sheet, 1); },
            [&](HWND sheet) {
                SetDlgItemTextA(page(sheet, 0), 402, "after");
                SetDlgItemTextA(page(sheet, 1), 300, "typed");
                SetDlgItemTextW(page(sheet, field.page), field.control, field.text.c_str());
                showPage(sheet, 1 - field.page);
                pressOk(sheet);
            },
            [&](HWND sheet) {
                // The sheet's thread moves the focus after the box closes:
                // waited for, within bounds.
                HWND shown = page(sheet, field.page);
                for (int i = 0; i < 300 && !atTheField; ++i, Sleep(atTheField ? 0 : 10))
                    atTheField = PropSheet_GetCurrentPageHwnd(sheet) == shown &&
                                 focusIn(sheet) == GetDlgItem(shown, field.control);
                cancelIfOpen(sheet);
            },
        });
        EXPECT_EQ(FALSE, request(ODBC_CONFIG_DSN, attrs({"DSN=" + name}))) << field.said;
        ASSERT_EQ(1u, boxes.boxes().size()) << field.said;
        EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find(field.said)) << field.said;
        EXPECT_TRUE(atTheField) << field.said;
        EXPECT_EQ("before stores", stored(name, "Description") + " " + stored(name, "Database"));
    }
}
