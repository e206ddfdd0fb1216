// Interactive requests under Wine: ConfigDSN with a window runs the real
// four-page sheet from the resource library against Wine's installer; an
// automation thread plays the user.
#include <windows.h>
#include <commctrl.h>
#include <odbcinst.h>
#include "base/rvalloc.h"
#include "requests.h"
#include "sheetrequest.h"
#include "wineini.h"
#include "support/winfixture.h"
#include "support/boxwatch.h"
#include "support/regkeys.h"
#include "support/sheetdrive.h"
#include "support/testsupport.h"
#include <string>

TEST_F(Interactive, AnAddShowsTheFourPagesAndOkStoresWhatTheUserTyped) {
    std::string name = freshName("Qs", "Add");
    int tabs = 0;
    std::string firstTab, lastTab, shownName;
    bool nameEnabled = true;
    RECT ok = {}, test = {};
    bool testVisible = false;
    std::vector<std::string> lists;
    SheetDriver user({
        [&](HWND sheet) {
            HWND tabControl = PropSheet_GetTabControl(sheet);
            tabs = static_cast<int>(SendMessageA(tabControl, TCM_GETITEMCOUNT, 0, 0));
            char title[32] = {};
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = title;
            item.cchTextMax = sizeof title;
            SendMessageA(tabControl, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            firstTab = title;
            SendMessageA(tabControl, TCM_GETITEMA, 3, reinterpret_cast<LPARAM>(&item));
            lastTab = title;
            shownName = text(page(sheet, 0), 401);
            nameEnabled = IsWindowEnabled(GetDlgItem(page(sheet, 0), 401));
            GetWindowRect(GetDlgItem(sheet, IDOK), &ok);
            GetWindowRect(GetDlgItem(sheet, 321), &test);
            testVisible = IsWindowVisible(GetDlgItem(sheet, 321));
            PropSheet_SetCurSel(sheet, nullptr, 2); // each choice once, the default selected
            for (int id : {309, 313})
                lists.push_back(
                    text(page(sheet, 2), id) + " of " +
                    std::to_string(SendDlgItemMessageA(page(sheet, 2), id, CB_GETCOUNT, 0, 0)));
            SetDlgItemTextA(page(sheet, 0), 402, "Typed in the sheet");
        },
        [](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_OK); },
    });
    EXPECT_EQ(TRUE, request(ODBC_ADD_DSN, attrs({"DSN=" + name, "DB=stores"})));
    EXPECT_EQ(4, tabs);
    EXPECT_EQ("General", firstTab);
    EXPECT_EQ("About", lastTab);
    EXPECT_EQ(name, shownName);
    EXPECT_FALSE(nameEnabled); // named by the caller: not to be changed
    EXPECT_EQ((std::vector<std::string>{"1 - Preserve of 2", "0 - None of 5"}), lists);
    // Test Connect sits left of OK, as large, 7 pixels apart.
    EXPECT_TRUE(testVisible);
    EXPECT_EQ(ok.left - 7, test.right);
    EXPECT_EQ(ok.top, test.top);
    EXPECT_EQ(ok.bottom - ok.top, test.bottom - test.top);
    EXPECT_TRUE(registered(name));
    EXPECT_EQ("Typed in the sheet", stored(name, "Description"));
    EXPECT_EQ("stores", stored(name, "Database"));
    EXPECT_EQ("1", stored(name, "CursorBehavior")); // the stored form
}

TEST_F(Interactive, CancelWritesNothingAndFails) {
    std::string name = freshName("Qs", "Cancel");
    ASSERT_EQ(TRUE, ConfigDSN(nullptr, ODBC_ADD_DSN, sheetDriver,
                              attrs({"DSN=" + name, "Description=before"}).data()));
    SheetDriver user({
        [](HWND sheet) { SetDlgItemTextA(page(sheet, 0), 402, "after"); },
        [](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_CANCEL); },
    });
    EXPECT_EQ(FALSE, request(ODBC_CONFIG_DSN, attrs({"DSN=" + name})));
    EXPECT_EQ("before", stored(name, "Description"));
}

TEST_F(Interactive, AnInvalidNameIsRefusedWithAMessageButNotByTestConnect) {
    std::string name = freshName("Qs", "Named"), other = freshName("Qs", "Other");
    // A data source added without a name has no stored name to remove:
    // removing "" would address every data source.
    ASSERT_EQ(TRUE, ConfigDSN(nullptr, ODBC_ADD_DSN, sheetDriver, attrs({"DSN=" + other}).data()));
    BoxWatcher boxes;
    bool openAfterRefusal = false;
    SheetDriver user({
        [](HWND sheet) { SetDlgItemTextA(page(sheet, 0), 401, "bad{name}"); },
        // Test Connect collects the values without checking the name.
        [](HWND sheet) { click(sheet, 321); },
        [](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_OK); },
        [&](HWND sheet) {
            openAfterRefusal = IsWindowVisible(sheet);
            SetDlgItemTextA(page(sheet, 0), 401, name.c_str());
        },
        [](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_OK); },
    });
    EXPECT_EQ(TRUE, request(ODBC_ADD_DSN, attrs({"Description=unnamed"})));
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_TRUE(registered(name));
    EXPECT_TRUE(registered(other));
    EXPECT_FALSE(registered("bad{name}"));
    std::vector<Box> shown = boxes.boxes();
    ASSERT_FALSE(shown.empty());
    // The test's own records come first (Wine's driver manager knows no
    // such driver), then the one refusal of the name.
    EXPECT_EQ("Test Connect Error", shown.front().caption);
    EXPECT_EQ("Error", shown.back().caption);
    EXPECT_EQ("Invalid data source name.  The first character must be a letter, and the name "
              "cannot contain any of the following characters:  [ ] { } ( ) ? * = ! @ , ;",
              shown.back().text);
    size_t refusals = 0;
    for (const Box& b : shown)
        refusals += b.caption == "Error";
    EXPECT_EQ(1u, refusals);
}

TEST_F(Interactive, RenamingInTheSheetMovesTheDataSource) {
    std::string oldName = freshName("Qs", "Old"), newName = freshName("Qs", "New");
    ASSERT_EQ(TRUE,
              ConfigDSN(nullptr, ODBC_ADD_DSN, sheetDriver, attrs({"DSN=" + oldName}).data()));
    SheetDriver user({
        [&](HWND sheet) { SetDlgItemTextA(page(sheet, 0), 401, newName.c_str()); },
        [](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_OK); },
    });
    EXPECT_EQ(TRUE, request(ODBC_CONFIG_DSN, attrs({"DSN=" + oldName})));
    EXPECT_FALSE(registered(oldName));
    EXPECT_TRUE(registered(newName));
}

TEST_F(Interactive, AFileDataSourceGetsItsStringAndNothingIsStored) {
    std::string name = freshName("Qs", "File");
    auto** variable = static_cast<char**>(allocateLowMemory(4096));
    ASSERT_NE(nullptr, variable);
    *variable = nullptr;
    SheetDriver user({[](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_OK); }});
    EXPECT_EQ(TRUE, request(ODBC_ADD_DSN,
                            attrs({"DSN=" + name, "SAVEFILE=x.dsn",
                                   "OutStrAddr=" + addressText(variable), "Database=stores"})));
    ASSERT_NE(nullptr, *variable);
    std::string handed = *variable;
    EXPECT_EQ(0u, handed.find(std::string("DRIVER=") + sheetDriver + ";")) << handed;
    EXPECT_NE(std::string::npos, handed.find("Database=stores;")) << handed;
    EXPECT_FALSE(registered(name));
    rvFree(*variable);
    freeLowMemory(variable, 4096);
}

TEST_F(Interactive, ASheetForTheDesktopHasNoOwner) {
    std::string name = freshName("Qs", "Desk");
    HWND sheetOwner = owner;
    SheetDriver user({[&](HWND sheet) {
        sheetOwner = GetWindow(sheet, GW_OWNER);
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
    }});
    EXPECT_EQ(FALSE, request(ODBC_ADD_DSN, attrs({"DSN=" + name}), GetDesktopWindow()));
    EXPECT_EQ(nullptr, sheetOwner);
}

// The installer's own way in: SQLConfigDataSource loads the setup library
// registered for the driver (the built qzifx06s.dll, with its resource
// library beside it), whose ConfigDSN runs the sheet on this thread.
TEST_F(Interactive, TheInstallerRunsTheSheetOfTheRegisteredSetupLibrary) {
    const char registeredDriver[] = "RV Sheet Through The Installer";
    const std::string driverKey = keyOfDriver(registeredDriver);
    const std::string setup = programDirectory() + "\\qzifx06s.dll";
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, driverKey, "Driver", setup));
    ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, driverKey, "Setup", setup));
    std::string name = freshName("Qs", "Inst");
    SheetDriver user({
        [](HWND sheet) { SetDlgItemTextA(page(sheet, 0), 402, "Through the installer"); },
        [](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_OK); },
    });
    EXPECT_TRUE(
        SQLConfigDataSource(owner, ODBC_ADD_DSN, registeredDriver, attrs({"DSN=" + name}).data()));
    EXPECT_EQ(2u, user.stepsRun());
    EXPECT_EQ("Through the installer", stored(name, "Description"));
    removeKey(HKEY_LOCAL_MACHINE, driverKey);
}
