// The property sheet host under Wine's comctl32: pages of this program's
// own (sheettest.rc) that follow the shared page rules, driven from inside
// the sheet once it shows.
#include "base/rvalloc.h"
#include "base/rverror.h"
#include "dialog/dlldialg.h"
#include "dialog/propshet.h"
#include "base/utility.h"
#include "dialog/wincente.h"
#include "dialog/winprop.h"
#include "help/rvbrowser.h"
#include "help/rvdisplayhelp.h"
#include "support/winfixture.h"
#include "setup/basesetu.h"
#include "support/boxwatch.h"
#include "support/helprecord.h"
#include "support/pagesteps.h"
#include "support/regkeys.h"
#include "support/sheetwindows.h"
#include "support/testsupport.h"
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

namespace {
// What the test does once the first page shows.
PageSteps pageSteps;
bool shown = false;
// What the General page's apply step answers, and a line per
// apply step run: the page and whether a test was in progress.
int32_t generalApplyResult = 1;
std::vector<std::string> applies;

bool testing(HWND page) {
    return sheetOf(page) && sheetOf(page)->state != sheetEditing;
}
bool applyStep(const char* name, HWND page, int32_t result) {
    applies.push_back(std::string(name) + (testing(page) ? " testing" : ""));
    return result != 0;
}
bool generalApply(HWND page, SetupContext*) {
    return applyStep("general", page, testing(page) ? 1 : generalApplyResult);
}
bool connectionApply(HWND page, SetupContext*) {
    return applyStep("connection", page, 1);
}

PageProtocol generalProtocol = {"infgeneral", generalApply, true};
PageProtocol connectionProtocol = {"infconnection", connectionApply, false};

INT_PTR runPage(PageProtocol* protocol, HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        beginPage(page, lParam);
        return TRUE;
    }
    INT_PTR result;
    if (handlePageMessage(protocol, page, message, wParam, lParam, &result)) {
        if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == PSN_SETACTIVE &&
            !shown) {
            shown = true;
            PageSteps::start(page);
        }
        return result;
    }
    return pageSteps.handle(page, message) ? TRUE : FALSE;
}
INT_PTR CALLBACK generalPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return runPage(&generalProtocol, page, message, wParam, lParam);
}
INT_PTR CALLBACK connectionPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return runPage(&connectionProtocol, page, message, wParam, lParam);
}

const char driver[] = "RV Sheet Test Driver";

class Sheet : public testing::Test {
protected:
    void SetUp() override {
        savedMode = characterMode;
        context.driverName = driver;
        context.sheet = &holder;
        pages[0] = {u"General", 3, generalPage, &context, PSP_USETITLE, nullptr, nullptr};
        pages[1] = {u"Conn \u0416", 4, connectionPage, &context, PSP_USETITLE, nullptr, nullptr};
        sheet = {nullptr, GetModuleHandleA(nullptr), 20165, 0, 2, pages};
        holder = {};
        holder.descriptor = &sheet;
        pageSteps.set({});
        shown = false;
        generalApplyResult = 1;
        applies.clear();
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, std::string(driversKey) + driver,
                             "HelpRootDirectory", "C:\\Help"));
    }
    void TearDown() override {
        characterMode = savedMode;
        removeKey(HKEY_LOCAL_MACHINE, std::string(driversKey) + driver);
    }
    int run() { return runPropertySheet(&holder); }

    int32_t savedMode;
    HelpUrlRecorder help;
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
        applies.clear();
        std::wstring caption, first, second;
        bool applyEnabled = false;
        HWND current = nullptr;
        pageSteps.set({[&](HWND window) {
            wchar_t text[64] = {};
            GetWindowTextW(window, text, 64);
            caption = text;
            first = tabTitle(window, 0);
            second = tabTitle(window, 1);
            applyEnabled = IsWindowEnabled(GetDlgItem(window, sheetApplyButton));
            current = PropSheet_GetCurrentPageHwnd(window);
            PropSheet_PressButton(window, PSBTN_OK);
        }});
        EXPECT_EQ(0, run()) << narrow;
        EXPECT_NE(std::wstring::npos, caption.find(L"Sheet Test Setup")) << narrow;
        EXPECT_EQ(L"General", first);
        EXPECT_EQ(narrow ? L"Conn ?" : L"Conn \u0416", second);
        EXPECT_TRUE(applyEnabled);
        EXPECT_EQ(current, pages[0].pageWindow);
        // Only the pages that were made are applied.
        EXPECT_EQ(std::vector<std::string>{"general"}, applies);
    }

    shown = false;
    applies.clear();
    pageSteps.set({[](HWND window) { PropSheet_PressButton(window, PSBTN_CANCEL); }});
    EXPECT_EQ(1, run());
    EXPECT_TRUE(applies.empty());
}

// F1, a right click and the sheet's Help button open the page's topic.
TEST_F(Sheet, HelpOpensTheTopicOfThePageAsked) {
    characterMode = 0;
    const std::string url = "file:///C:/Help/wwhelp/wwhimpl/api.htm?context=ODBC&topic=";
    pageSteps.set({
        [this](HWND) {
            HELPINFO info = {};
            info.cbSize = sizeof info;
            SendMessageA(pages[0].pageWindow, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        },
        [](HWND window) { PropSheet_SetCurSel(window, nullptr, 1); },
        [](HWND window) {
            HWND connection = PropSheet_GetCurrentPageHwnd(window);
            SendMessageA(connection, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(connection), 0);
            NMHDR header = {window, 0, static_cast<UINT>(PSN_HELP)};
            SendMessageA(connection, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
            PropSheet_PressButton(window, PSBTN_CANCEL);
        },
    });
    EXPECT_EQ(1, run());
    EXPECT_EQ(
        (std::vector<std::string>{url + "infgeneral&single=true", url + "infconnection&single=true",
                                  url + "infconnection&single=true"}),
        HelpUrlRecorder::urls());
}

// Test Connect has every created page read back without saving and the
// sheet goes on, right after a failed apply too. Without its strings no
// test runs; with them the driver manager (Wine's, which knows no such
// driver) is asked and its records are shown.
TEST_F(Sheet, TestConnectCollectsThePagesWithoutSavingAndTries) {
    characterMode = 0;
    generalApplyResult = 0;
    PlatModule library = resourceLibrary;
    int32_t flagAfter = -1;
    bool openAfter = false;
    size_t boxesWithoutStrings = 99;
    BoxWatcher watcher;
    auto testConnect = [](HWND window) {
        SendMessageA(PropSheet_GetCurrentPageHwnd(window), WM_COMMAND,
                     MAKEWPARAM(pageCommandTestConnect, BN_CLICKED), 0);
    };
    pageSteps.set({
        [](HWND window) { PropSheet_SetCurSel(window, nullptr, 1); },
        [](HWND window) { PropSheet_PressButton(window, PSBTN_APPLYNOW); },
        [&](HWND window) {
            resourceLibrary = nullptr;
            testConnect(window);
            resourceLibrary = library;
            boxesWithoutStrings = watcher.boxes().size();
            flagAfter = holder.state;
            openAfter = IsWindowVisible(window);
        },
        [&](HWND window) {
            testConnect(window);
            PropSheet_PressButton(window, PSBTN_CANCEL);
        },
    });
    EXPECT_EQ(1, run());
    EXPECT_EQ((std::vector<std::string>{"general", "general testing", "connection testing",
                                        "general testing", "connection testing"}),
              applies);
    EXPECT_EQ(0, flagAfter);
    EXPECT_TRUE(openAfter);
    EXPECT_EQ(0u, boxesWithoutStrings);
    std::vector<Box> boxes = watcher.boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ("Test Connect Error", boxes[0].caption);
    EXPECT_EQ(sheetEditing, holder.state);
}

TEST_F(Sheet, ASheetThatCannotBeBuiltIsNotShown) {
    characterMode = 0;
    for (long n : {1, 2}) {
        ScopedErrorList errors;
        rvAllocFailAt(n);
        EXPECT_EQ(1, run()) << n;
        rvAllocFailAt(0);
        EXPECT_TRUE(errors->listFlags & RvErrorList::outOfMemoryPending) << n;
        EXPECT_FALSE(shown);
    }
    // A page whose template is missing.
    pages[1].templateId = 99;
    pageSteps.set({[](HWND window) { PropSheet_SetCurSel(window, nullptr, 1); },
                   [](HWND window) { PropSheet_PressButton(window, PSBTN_CANCEL); }});
    EXPECT_EQ(1, run());
}

namespace {
HWND modalOwner = nullptr;
LPARAM modalParameter = 0;
INT_PTR CALLBACK modalProcedure(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        modalOwner = GetWindow(dialog, GW_OWNER);
        modalParameter = lParam;
        EndDialog(dialog, 5);
        return TRUE;
    }
    return FALSE;
}
} // namespace

// A dialog opened from inside the sheet belongs to the active window; one
// whose template is missing is reported.
TEST_F(Sheet, AModalDialogIsOwnedByTheActiveWindowOrReported) {
    characterMode = 0;
    PlatModule savedLibrary = resourceLibrary;
    resourceLibrary = GetModuleHandleA(nullptr);
    int shownResult = -1, missingResult = -1;
    uint16_t missingMessage = 0;
    HWND sheetWindow = nullptr;
    pageSteps.set({[&](HWND window) {
        sheetWindow = window;
        shownResult = showModalDialog(nullptr, 20, modalProcedure, 42);
        ScopedErrorList errors;
        missingResult = showModalDialog(window, 99, modalProcedure, 0);
        missingMessage = errors->lastDiagnostic() ? errors->lastDiagnostic()->messageId : 0;
        PropSheet_PressButton(window, PSBTN_CANCEL);
    }});
    EXPECT_EQ(1, run());
    resourceLibrary = savedLibrary;
    EXPECT_EQ(0, shownResult);
    EXPECT_EQ(sheetWindow, modalOwner);
    EXPECT_EQ(42, modalParameter);
    EXPECT_EQ(1, missingResult);
    EXPECT_EQ(9999, missingMessage);
}

TEST(WindowPlacement, AWindowIsCentredAndKeptOnTheScreen) {
    // Area 0..1000, screen 1000 wide.
    EXPECT_EQ(400, centeredPosition(0, 1000, 200, 1000));
    EXPECT_EQ(0, centeredPosition(0, 100, 300, 1000));     // negative: 0
    EXPECT_EQ(0, centeredPosition(0, 1000, 1200, 1000));   // wider than the screen
    EXPECT_EQ(700, centeredPosition(900, 200, 300, 1000)); // would pass the edge

    HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP, 100, 50, 400, 300, nullptr, nullptr,
                               nullptr, nullptr);
    HWND window = CreateWindowA("STATIC", "dialog", WS_POPUP, 0, 0, 200, 100, owner, nullptr,
                                nullptr, nullptr);
    ASSERT_TRUE(owner && window);
    centerWindow(window);
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(200, placed.left);
    EXPECT_EQ(150, placed.top);
    EXPECT_EQ(400, placed.right); // the size is kept
    // With its owner minimised the screen is the area.
    ShowWindow(owner, SW_MINIMIZE);
    centerWindow(window);
    GetWindowRect(window, &placed);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 200) / 2, placed.left);
    DestroyWindow(window);
    DestroyWindow(owner);
}

// Two sheets in one process (two administrator windows) share nothing: a
// Test Connect under way in one leaves the other free to apply, and each
// page finds its own sheet's record.
TEST_F(Sheet, EachSheetKeepsItsOwnStateBesideAnotherInTheSameProcess) {
    SheetHolder other = {};
    other.descriptor = &sheet;
    other.state = sheetTestConnecting;
    HWND owners[2];
    for (HWND& owner : owners)
        owner = CreateWindowA("STATIC", "sheet", WS_POPUP, 0, 0, 500, 400, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_EQ(0, attachSheet(owners[1], &other));
    PROPSHEETPAGEA record = {};
    record.lParam = reinterpret_cast<LPARAM>(&context);
    HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(3), owners[0],
                                   generalPage, reinterpret_cast<LPARAM>(&record));
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(&holder, sheetOf(page));

    NMHDR header = {owners[0], 0, static_cast<UINT>(PSN_APPLY)};
    SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(PSNRET_NOERROR, GetWindowLongPtrA(page, DWLP_MSGRESULT));
    EXPECT_EQ(std::vector<std::string>{"general"}, applies);
    EXPECT_EQ(sheetTestConnecting, other.state);

    DestroyWindow(page);
    EXPECT_EQ(nullptr, sheetRecordOf(owners[0])) << "a closing sheet takes its record off";
    EXPECT_EQ(&other, sheetRecordOf(owners[1]));
    detachSheet(owners[1]);
    for (HWND owner : owners)
        DestroyWindow(owner);
}
