// The property sheet host under Wine's comctl32: pages of this program's
// own (sheettest.rc) that follow the shared page rules, driven from inside
// the sheet once it shows.
#include "base/rvalloc.h"
#include "base/rverror.h"
#include "dialog/dlldialg.h"
#include "dialog/propshet.h"
#include "dialog/utility.h"
#include "dialog/wincente.h"
#include "dialog/winprop.h"
#include "help/rvbrowser.h"
#include "help/rvdisplayhelp.h"
#include "profile/winfixture.h"
#include "setup/basesetu.h"
#include "support/testsupport.h"
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

namespace {
// What the test does once the first page shows, step by step with the
// sheet window. Each step runs after what the one before posted (pressing
// a button is a posted command), so it sees its effect.
std::vector<std::function<void(HWND sheet)>> steps;
size_t nextStep = 0;
bool shown = false;
// What the General page's apply step leaves in applyOk, and a line per
// apply step run: the page and whether a test was in progress.
int32_t generalApplyResult = 1;
std::vector<std::string> applies;

void applyStep(const char* page, SetupContext* context, int32_t result) {
    applies.push_back(std::string(page) + (testInProgress ? " testing" : ""));
    if (context && context->sheet)
        context->sheet->applyOk = result;
}
void generalApply(HWND, SetupContext* context) {
    applyStep("general", context, testInProgress ? 1 : generalApplyResult);
}
void connectionApply(HWND, SetupContext* context) {
    applyStep("connection", context, 1);
}

PageProtocol generalProtocol = {"infgeneral", generalApply, true, nullptr};
PageProtocol connectionProtocol = {"infconnection", connectionApply, false, nullptr};

INT_PTR runPage(PageProtocol* protocol, HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        beginPage(protocol, page, lParam);
        return TRUE;
    }
    INT_PTR result;
    if (handlePageMessage(protocol, page, message, wParam, lParam, &result)) {
        if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == PSN_SETACTIVE &&
            !shown) {
            shown = true;
            PostMessageA(page, WM_APP, 0, 0);
        }
        return result;
    }
    if (message == WM_APP) {
        if (nextStep < steps.size())
            steps[nextStep++](GetParent(page));
        if (nextStep < steps.size())
            PostMessageA(page, WM_APP, 0, 0);
        return TRUE;
    }
    return FALSE;
}
INT_PTR CALLBACK generalPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return runPage(&generalProtocol, page, message, wParam, lParam);
}
INT_PTR CALLBACK connectionPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return runPage(&connectionProtocol, page, message, wParam, lParam);
}

// The help requests that the pages make, recorded instead of opened.
std::vector<std::string> helpUrls;
int noStep() {
    return 0;
}
int noInfoStep(BrowserInfo*) {
    return 0;
}
int recordUrl(BrowserInfo*, const char* url, uint32_t length) {
    helpUrls.emplace_back(url, length);
    return 0;
}

const char driversKey[] = "SOFTWARE\\ODBC\\ODBCINST.INI\\";
const char driver[] = "RV Sheet Test Driver";

std::wstring tabText(HWND sheet, int index) {
    wchar_t text[64] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(PropSheet_GetTabControl(sheet), TCM_GETITEMW, index,
                 reinterpret_cast<LPARAM>(&item));
    return text;
}

class Sheet : public testing::Test {
protected:
    void SetUp() override {
        savedMode = characterMode;
        savedLaunch = browserLaunch;
        browserLaunch = {noStep,     noStep,    noInfoStep,      noInfoStep,
                         noInfoStep, recordUrl, savedLaunch.info};
        context.driverName = driver;
        context.sheet = &holder;
        pages[0] = {u"General", 3, generalPage, &context, PSP_USETITLE, nullptr, nullptr};
        pages[1] = {u"Conn \u0416", 4, connectionPage, &context, PSP_USETITLE, nullptr, nullptr};
        sheet = {nullptr, GetModuleHandleA(nullptr), 20165, 0, 2, pages};
        holder = {&sheet, -7};
        steps.clear();
        nextStep = 0;
        shown = false;
        generalApplyResult = 1;
        applies.clear();
        helpUrls.clear();
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, std::string(driversKey) + driver,
                             "HelpRootDirectory", "C:\\Help"));
    }
    void TearDown() override {
        characterMode = savedMode;
        browserLaunch = savedLaunch;
        removeKey(HKEY_LOCAL_MACHINE, std::string(driversKey) + driver);
    }
    int run() { return runPropertySheet(&holder); }

    int32_t savedMode;
    BrowserLaunch savedLaunch;
    SetupContext context = {};
    PageDescriptor pages[2];
    SheetDescriptor sheet;
    SheetHolder holder;
};
} // namespace

TEST_F(Sheet, ItShowsItsPagesInTheSystemsCharacterFormAndEndsByItsButtons) {
    // Narrow systems get the titles through the ANSI code page (1252 has
    // no Zhe); wide ones get them as they are.
    for (int32_t narrow : {0, 1}) {
        characterMode = narrow;
        shown = false;
        nextStep = 0;
        applies.clear();
        std::wstring caption, first, second;
        bool applyEnabled = false;
        HWND current = nullptr;
        steps = {[&](HWND window) {
            wchar_t text[64] = {};
            GetWindowTextW(window, text, 64);
            caption = text;
            first = tabText(window, 0);
            second = tabText(window, 1);
            applyEnabled = IsWindowEnabled(GetDlgItem(window, sheetApplyButton));
            current = PropSheet_GetCurrentPageHwnd(window);
            PropSheet_PressButton(window, PSBTN_OK);
        }};
        EXPECT_EQ(0, run()) << narrow;
        EXPECT_NE(std::wstring::npos, caption.find(L"Sheet Test Setup")) << narrow;
        EXPECT_EQ(L"General", first);
        EXPECT_EQ(narrow ? L"Conn ?" : L"Conn \u0416", second);
        EXPECT_TRUE(applyEnabled);
        EXPECT_EQ(current, pages[0].pageWindow);
        EXPECT_EQ(1, holder.applyOk);
        // Only the pages that were made are applied.
        EXPECT_EQ(std::vector<std::string>{"general"}, applies);
    }

    shown = false;
    nextStep = 0;
    applies.clear();
    steps = {[](HWND window) { PropSheet_PressButton(window, PSBTN_CANCEL); }};
    EXPECT_EQ(1, run());
    EXPECT_TRUE(applies.empty());
}

// A failed apply keeps the sheet open on its page; OK is refused until the
// user changes something, and then saves.
TEST_F(Sheet, AFailedApplyKeepsTheSheetOnItsPageUntilSomethingChanges) {
    characterMode = 0;
    generalApplyResult = 0;
    bool openAfterOk = false, openAfterSecondOk = false;
    HWND afterMove = nullptr;
    steps = {
        [](HWND window) { PropSheet_PressButton(window, PSBTN_OK); },
        [&](HWND window) {
            openAfterOk = IsWindowVisible(window);
            PropSheet_SetCurSel(window, nullptr, 1);
        },
        [&](HWND window) {
            afterMove = PropSheet_GetCurrentPageHwnd(window);
            PropSheet_PressButton(window, PSBTN_OK);
        },
        [&](HWND window) {
            openAfterSecondOk = IsWindowVisible(window);
            // The user puts the fault right.
            generalApplyResult = 1;
            SetDlgItemTextA(pages[0].pageWindow, 401, "Sales");
            PropSheet_PressButton(window, PSBTN_OK);
        },
        [](HWND window) { PropSheet_PressButton(window, PSBTN_CANCEL); }, // still open
    };
    EXPECT_EQ(0, run());
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(pages[0].pageWindow, afterMove);
    EXPECT_TRUE(openAfterSecondOk);
    EXPECT_EQ((std::vector<std::string>{"general", "general"}), applies);
}
