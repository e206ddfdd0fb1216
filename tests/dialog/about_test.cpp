// The About page under Wine: the real page procedure on template 10 of the
// resource library, as a window of its own for what it shows and inside a
// running property sheet for its drawing thread.
#include "rvversion.h"
#include "dialog/aboutpag.h"
#include "dialog/propshet.h"
#include "base/utility.h"
#include "support/winfixture.h"
#include "setup/basesetu.h"
#include "support/boxwatch.h"
#include "support/pagesteps.h"
#include "support/regkeys.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

namespace {
const char dataSource[] = "RV About Test";
const char driver[] = "RV About Test Driver";

std::wstring textOf(HWND page, int control) {
    wchar_t text[512] = {};
    GetDlgItemTextW(page, control, text, 512);
    return text;
}

// Shown as far as the page goes; the lone page's owner stays hidden.
bool shown(HWND page, int control) {
    return (GetWindowLongA(GetDlgItem(page, control), GWL_STYLE) & WS_VISIBLE) != 0;
}

// A file of size bytes (sparse: nothing is written) last written on the
// given day at 23:30 UTC, which is the next day east of Greenwich.
bool makeFile(const std::string& path, LONGLONG size, WORD year, WORD month, WORD day) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER end;
    end.QuadPart = size;
    SYSTEMTIME utc = {year, month, 0, day, 23, 30, 0, 0};
    FILETIME stamp;
    bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file) &&
              SystemTimeToFileTime(&utc, &stamp) && SetFileTime(file, nullptr, nullptr, &stamp);
    return CloseHandle(file) && ok;
}

bool threadRuns(HANDLE thread) {
    return thread && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
}
bool threadEnded(HANDLE thread) {
    return thread && WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}
// A handle of the test's own to the page's drawing thread, valid after the
// page has closed its own.
HANDLE holdThread(const SetupContext& context) {
    HANDLE copy = nullptr;
    if (context.animation.thread)
        DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(context.animation.thread),
                        GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
    return copy;
}

// The page as a window of its own, under a hidden stand-in for the sheet.
struct LonePage {
    explicit LonePage(SetupContext* context) {
        owner = CreateWindowA("STATIC", "sheet", WS_POPUP, 0, 0, 500, 400, nullptr, nullptr,
                              nullptr, nullptr);
        PROPSHEETPAGEA record = {};
        record.lParam = reinterpret_cast<LPARAM>(context);
        page = CreateDialogParamA(static_cast<HINSTANCE>(resourceLibrary), MAKEINTRESOURCEA(10),
                                  owner, aboutPageProcedure, reinterpret_cast<LPARAM>(&record));
    }
    ~LonePage() { DestroyWindow(owner); }
    void notify(UINT code) {
        NMHDR header = {owner, 0, code};
        SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    }
    HWND owner, page;
};

class AboutPage : public testing::Test {
protected:
    void SetUp() override {
        savedMode = characterMode;
        context.storedName = const_cast<char*>(dataSource);
        context.driverName = driver;
        ASSERT_TRUE(makeFile(company, 1234, 2003, 7, 15));
        ASSERT_TRUE(makeFile(other, 0, 1999, 12, 31));
    }
    void TearDown() override {
        characterMode = savedMode;
        removeKey(HKEY_CURRENT_USER, std::string(dataSourcesKey) + dataSource);
        removeKey(HKEY_LOCAL_MACHINE, std::string(driversKey) + driver);
    }
    void seedPaths(const std::string& ofDataSource, const std::string& ofDriver) {
        std::string section = std::string(dataSourcesKey) + dataSource;
        removeKey(HKEY_CURRENT_USER, section);
        // The section exists either way; only its Driver entry may not.
        ASSERT_TRUE(seedText(HKEY_CURRENT_USER, section, "Description", "about"));
        if (!ofDataSource.empty()) {
            ASSERT_TRUE(seedText(HKEY_CURRENT_USER, section, "Driver", ofDataSource));
        }
        ASSERT_TRUE(
            seedText(HKEY_LOCAL_MACHINE, std::string(driversKey) + driver, "Driver", ofDriver));
    }

    int32_t savedMode;
    SetupContext context = {};
    ScratchDirectory files{"about"};
    std::string company = files.file("QZIFX06.DLL"), other = files.file("other.dll");
};
} // namespace

TEST_F(AboutPage, ItDescribesTheDriverFileOfTheDataSource) {
    struct Case {
        std::string ofDataSource, ofDriver;
        const char *storedName, *driverName;
        std::string path;
        const wchar_t *date, *size;
        bool notice;
    };
    const std::string missing = files.file("qzmissing.dll"), large = files.file("qzlarge.dll");
    ASSERT_TRUE(makeFile(large, 3000000000, 2004, 2, 29));
    const Case cases[] = {
        // The data source's own entry first; the date as stored, in UTC.
        {company, other, dataSource, driver, company, L"07/15/2003", L"1234 bytes", true},
        // Else the driver's. An empty file has a date but no size.
        {"", other, dataSource, driver, other, L"12/31/1999", L"", false},
        // A data source not named yet has no entry of its own; a driver
        // without a name does not read the list of drivers either.
        {company, other, "", driver, other, L"12/31/1999", L"", false},
        {company, other, "", "", "", L"", L"", false},
        // A file that can't be found: the path alone. "qz" in either case.
        {missing, other, dataSource, driver, missing, L"", L"", true},
        // The prefix counts in the file name only.
        {"C:\\QZ\\driver.dll", other, dataSource, driver, "C:\\QZ\\driver.dll", L"", L"", false},
        {"D:qzdrv.dll", other, dataSource, driver, "D:qzdrv.dll", L"", L"", true},
        // Past 2 GiB the size stays positive.
        {large, other, dataSource, driver, large, L"02/29/2004", L"3000000000 bytes", true},
    };
    const std::wstring copyright = L"Copyright \u00A9 2026 Qzifx Software";
    for (int32_t narrow : {0, 1}) {
        characterMode = narrow;
        for (const Case& c : cases) {
            seedPaths(c.ofDataSource, c.ofDriver);
            context.storedName = const_cast<char*>(c.storedName);
            context.driverName = c.driverName;
            LonePage about(&context);
            ASSERT_TRUE(about.page);
            SCOPED_TRACE(c.path + (narrow ? " narrow" : " wide"));
            EXPECT_EQ(std::wstring(c.path.begin(), c.path.end()),
                      textOf(about.page, aboutDriverPath));
            EXPECT_EQ(c.date, textOf(about.page, aboutFileDate));
            EXPECT_EQ(c.size, textOf(about.page, aboutFileSize));
            EXPECT_EQ(L"" RV_FILE_VERSION_STRING, textOf(about.page, aboutVersion));
            EXPECT_EQ(c.notice ? copyright : L"", textOf(about.page, aboutCopyright));
            EXPECT_EQ(c.notice ? L"All Rights Reserved." : L"", textOf(about.page, aboutRights));
            EXPECT_EQ(c.notice, !textOf(about.page, aboutAddress1).empty());
            EXPECT_EQ(c.notice, !textOf(about.page, aboutAddress2).empty());
            for (int i = 0; i < animationIconCount; ++i) {
                EXPECT_EQ(c.notice, shown(about.page, aboutFirstIcon + i));
                EXPECT_EQ(c.notice ? aboutFirstIcon + i : 0, context.animation.iconIds[i]);
            }
        }
    }
}

// A page made active twice without being left in between, cancelled, or
// destroyed without notice leaves no drawing thread behind.
TEST_F(AboutPage, NoDrawingThreadOutlivesItsPage) {
    seedPaths(company, other);
    std::vector<HANDLE> threads;
    {
        LonePage about(&context);
        auto activate = [&] {
            about.notify(PSN_SETACTIVE);
            threads.push_back(holdThread(context));
            return threadRuns(threads.back());
        };
        EXPECT_TRUE(activate());
        EXPECT_TRUE(activate());
        EXPECT_TRUE(threadEnded(threads[0]));
        about.notify(PSN_RESET);
        EXPECT_TRUE(threadEnded(threads[1]));
        EXPECT_TRUE(activate());
    }
    EXPECT_TRUE(threadEnded(threads[2]));
    EXPECT_EQ(nullptr, context.animation.thread);
    for (HANDLE thread : threads)
        CloseHandle(thread);
}

namespace {
// What a sheet test does once its first page shows.
PageSteps pageSteps;
std::vector<std::string> applies;

bool otherApply(HWND page, SetupContext*) {
    SheetHolder* holder = sheetOf(page);
    applies.push_back(holder && holder->state != sheetEditing ? "other testing" : "other");
    return true;
}
PageProtocol otherProtocol = {"infgeneral", otherApply, true};

// A plain editing page in front of the About page; it runs the steps.
INT_PTR CALLBACK otherPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result;
    if (message == WM_INITDIALOG) {
        beginPage(page, lParam);
        PageSteps::start(page);
        return TRUE;
    }
    if (handlePageMessage(&otherProtocol, page, message, wParam, lParam, &result))
        return result;
    return pageSteps.handle(page, message) ? TRUE : FALSE;
}

// Which icon (0 to 3) the page shows at (14, y), by the colour of its tile
// there (tools/make-icons.py); -1 for none of them.
int iconAt(HWND page, int y) {
    const COLORREF tiles[] = {RGB(0x1F, 0x5F, 0xBF), RGB(0x1F, 0x9F, 0x3F), RGB(0xDF, 0x7F, 0x1F),
                              RGB(0x9F, 0x2F, 0xAF)};
    HDC dc = GetDC(page);
    COLORREF seen = GetPixel(dc, 14, y);
    ReleaseDC(page, dc);
    for (int i = 0; i < animationIconCount; ++i)
        if (seen == tiles[i])
            return i;
    return -1;
}

// The icon column as drawn on any frame from 1 to 7 (0.5 to 4 s in): near
// the top of each of the four places, the first icon back in at the bottom,
// and nothing on rows 13 and 145 just outside the column. The page's own
// icon controls are hidden so that only the drawing thread paints there.
std::vector<int> sampleColumn(HWND page) {
    for (int i = 0; i < animationIconCount; ++i)
        ShowWindow(GetDlgItem(page, aboutFirstIcon + i), SW_HIDE);
    RedrawWindow(page, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
    // Wait for a frame after the repaint that has wrapped the first icon.
    DWORD start = GetTickCount();
    while (iconAt(page, 141) != 0 && GetTickCount() - start < 2500)
        Sleep(20);
    std::vector<int> column;
    for (int y : {13, 17, 49, 81, 113, 141, 145})
        column.push_back(iconAt(page, y));
    return column;
}

void showPage(HWND sheet, int index) {
    PropSheet_SetCurSel(sheet, nullptr, index);
}

class AboutSheet : public AboutPage {
protected:
    void SetUp() override {
        AboutPage::SetUp();
        characterMode = 0;
        seedPaths(company, other);
        context.sheet = &holder;
        pages[0] = {u"Other", 10, otherPage, &context, PSP_USETITLE, nullptr, nullptr};
        pages[1] = {u"About", 10, aboutPageProcedure, &context, PSP_USETITLE, nullptr, nullptr};
        sheet = {nullptr, static_cast<HINSTANCE>(resourceLibrary), 20165, 0, 2, pages};
        holder = {};
        holder.descriptor = &sheet;
        pageSteps.set({});
        applies.clear();
    }
    int run() { return runPropertySheet(&holder); }

    PageDescriptor pages[2];
    SheetDescriptor sheet;
    SheetHolder holder;
};
} // namespace

// The icons scroll exactly while the page shows: a thread starts when the
// page becomes active, is stopped and waited for when the page is left or
// the sheet cancelled, and starts anew on coming back.
TEST_F(AboutSheet, TheAnimationRunsOnlyWhileThePageShows) {
    HANDLE first = nullptr, second = nullptr;
    bool firstRan = false, endedOnLeave = false, secondRan = false;
    DWORD stopMilliseconds = 0;
    void* threadAfterLeave = this;
    std::vector<int> column;
    pageSteps.set({
        [](HWND window) { showPage(window, 1); },
        [&](HWND window) {
            first = holdThread(context);
            firstRan = threadRuns(first);
            column = sampleColumn(PropSheet_GetCurrentPageHwnd(window));
            DWORD start = GetTickCount();
            showPage(window, 0);
            stopMilliseconds = GetTickCount() - start;
            endedOnLeave = threadEnded(first);
            threadAfterLeave = context.animation.thread;
        },
        [](HWND window) { showPage(window, 1); },
        [&](HWND window) {
            second = holdThread(context);
            secondRan = threadRuns(second);
            PropSheet_PressButton(window, PSBTN_CANCEL);
        },
    });
    EXPECT_EQ(1, run());
    EXPECT_TRUE(firstRan);
    EXPECT_EQ((std::vector<int>{-1, 0, 1, 2, 3, 0, -1}), column);
    EXPECT_TRUE(endedOnLeave);
    EXPECT_LT(stopMilliseconds, 250u); // no waiting out the frame's half second
    EXPECT_EQ(nullptr, threadAfterLeave);
    EXPECT_TRUE(secondRan);
    EXPECT_TRUE(threadEnded(second));
    EXPECT_EQ(nullptr, context.animation.thread);
    CloseHandle(first);
    CloseHandle(second);
}

// Test Connect from the About page reads the other page back without
// saving and leaves no test in progress; OK then stops the animation.
TEST_F(AboutSheet, TestConnectAndOkFromThePage) {
    BoxWatcher watcher;
    int32_t flagAfter = -1;
    bool threadSound = false;
    pageSteps.set({
        [](HWND window) { showPage(window, 1); },
        [&](HWND window) {
            SendMessageA(PropSheet_GetCurrentPageHwnd(window), WM_COMMAND,
                         MAKEWPARAM(pageCommandTestConnect, BN_CLICKED), 0);
            flagAfter = holder.state;
            // Whatever the apply cycle did to the page, a thread on record
            // is one that runs.
            HANDLE thread = static_cast<HANDLE>(context.animation.thread);
            threadSound = !thread || threadRuns(thread);
            PropSheet_PressButton(window, PSBTN_OK);
        },
    });
    EXPECT_EQ(0, run());
    EXPECT_EQ(0, flagAfter);
    EXPECT_TRUE(threadSound);
    EXPECT_EQ((std::vector<std::string>{"other testing", "other"}), applies);
    EXPECT_EQ(nullptr, context.animation.thread);
    EXPECT_FALSE(watcher.boxes().empty()); // the driver manager's answer
}
