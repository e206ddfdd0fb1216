// The Connection and Advanced pages under Wine's comctl32: the real page
// procedures on the resource library's templates 4 and 5, in a running
// sheet whose General page is the test's own and records the saves the
// other pages ask of it. The Informix client's registry settings are seeded
// for each test and removed afterwards.
#include "base/rvalloc.h"
#include "dialog/connpage.h"
#include "dialog/ownerdrw.h"
#include "dialog/propshet.h"
#include "base/utility.h"
#include "help/rvbrowser.h"
#include "support/winfixture.h"
#include "setup/basesetu.h"
#include "support/helprecord.h"
#include "support/pagesteps.h"
#include "support/regkeys.h"
#include "support/testsupport.h"
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

namespace {
const char driver[] = "RV Connection Page Test Driver";
const char informixKey[] = "Software\\Informix";
const char environmentKey[] = "Software\\Informix\\Environment";
const char hostsKey[] = "Software\\Informix\\SqlHosts\\ol_rv";
const char netrcKey[] = "Software\\Informix\\NETRC\\dbhost";
const std::string driverKey = keyOfDriver(driver);
const int standInGeneralTemplate = 30; // connpagetest.rc

// What the test does once the sheet runs: one step per posted message, so
// each sees what the one before posted.
PageSteps pageSteps;
SetupContext context;
// The HostName value at each save that the General page was asked for.
std::vector<std::string> saves;

std::string valueOf(const char* keyword) {
    for (uint16_t i = 0; i < context.attributeCount; ++i)
        if (std::string(context.table[i].keyword) == keyword)
            return context.values[i] ? context.values[i] : "(none)";
    return "(no row)";
}

// The stand-in General page saves on its own apply and on the other pages'
// request, as the real one does.
bool generalApply(HWND page, SetupContext*) {
    return SendMessageA(page, WM_COMMAND, IDOK, 0) != 0;
}
PageProtocol generalProtocol = {"infgeneral", generalApply, true};

INT_PTR CALLBACK generalPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = FALSE;
    switch (message) {
    case WM_INITDIALOG:
        beginPage(page, lParam);
        PageSteps::start(page);
        return TRUE;
    case WM_APP:
        return pageSteps.handle(page, message);
    case WM_COMMAND:
        if (wParam == IDOK) {
            saves.push_back(valueOf("HostName"));
            SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
            return TRUE;
        }
    }
    return handlePageMessage(&generalProtocol, page, message, wParam, lParam, &result) ? result
                                                                                       : FALSE;
}

// A sheet takes every page template from one module: the resource library
// as built, with the stand-in General page added to a copy of it.
HMODULE makePagesLibrary(const std::string& path) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(standInGeneralTemplate), RT_DIALOG);
    HGLOBAL standIn = found ? LoadResource(nullptr, found) : nullptr;
    std::string built = moduleFileName(static_cast<HMODULE>(resourceLibrary));
    if (!standIn || !CopyFileA(built.c_str(), path.c_str(), FALSE))
        return nullptr;
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update)
        return nullptr;
    BOOL added = UpdateResourceA(update, RT_DIALOG, MAKEINTRESOURCEA(standInGeneralTemplate),
                                 MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), LockResource(standIn),
                                 SizeofResource(nullptr, found));
    if (!EndUpdateResourceA(update, !added) || !added)
        return nullptr;
    return LoadLibraryA(path.c_str());
}

class Pages : public testing::Test {
protected:
    static void SetUpTestSuite() {
        scratch = new ScratchDirectory("connpage");
        library = makePagesLibrary(scratch->file("pages.dll"));
    }
    static void TearDownTestSuite() {
        FreeLibrary(library);
        delete scratch;
    }
    void SetUp() override {
        ASSERT_TRUE(library);
        savedLibrary = resourceLibrary;
        resourceLibrary = library;
        savedMode = characterMode;
        characterMode = 0;
        pageSteps.set({});
        saves.clear();
        ASSERT_TRUE(seedText(HKEY_CURRENT_USER, environmentKey, "INFORMIXSERVER", "ol_rv"));
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, hostsKey, "HOST", "dbhost"));
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, hostsKey, "SERVICE", "turbo"));
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, hostsKey, "PROTOCOL", "onsoctcp"));
        ASSERT_TRUE(seedText(HKEY_CURRENT_USER, netrcKey, "USER", "informix"));
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, driverKey, "HelpRootDirectory", "C:\\Help"));
    }
    void TearDown() override {
        if (loaded)
            destroySetupContext(&context);
        resourceLibrary = savedLibrary;
        characterMode = savedMode;
        removeKey(HKEY_CURRENT_USER, informixKey);
        removeKey(HKEY_LOCAL_MACHINE, informixKey);
        removeKey(HKEY_LOCAL_MACHINE, driverKey);
    }
    // A request to add a data source, loaded as ConfigDSN loads it for the
    // sheet.
    void load(std::vector<std::string> pairs) {
        attributes.clear();
        for (const std::string& pair : pairs)
            attributes += pair + '\0';
        attributes += '\0';
        initSetupContext(&context, &parentStandIn, requestAddDsn, driver, attributes.data(),
                         attributeTable, attributeTableCount);
        uint16_t wantsSheet = 0;
        loaded = true;
        ASSERT_EQ(1, loadSetupContext(&context, &wantsSheet));
        ASSERT_EQ(1, wantsSheet);
    }
    int run() {
        pages[0] = page(u"General", standInGeneralTemplate, generalPage);
        pages[1] = page(u"Connection", 4, connectionPageProcedure);
        pages[2] = page(u"Advanced", 5, advancedPageProcedure);
        sheet = {nullptr, library, 20165, 0, 3, pages};
        holder = {};
        holder.descriptor = &sheet;
        context.sheet = &holder;
        int result = runPropertySheet(&holder);
        context.sheet = nullptr;
        return result;
    }
    PageDescriptor page(const char16_t* title, uint32_t id, DLGPROC procedure) {
        return {title, id, procedure, &context, PSP_USETITLE, nullptr, nullptr};
    }

    static ScratchDirectory* scratch;
    static HMODULE library;
    PlatModule savedLibrary;
    int32_t savedMode;
    HelpUrlRecorder help;
    std::string attributes;
    int parentStandIn = 0;
    bool loaded = false;
    PageDescriptor pages[3];
    SheetDescriptor sheet;
    SheetHolder holder;
};
ScratchDirectory* Pages::scratch = nullptr;
HMODULE Pages::library = nullptr;

std::string textOf(HWND page, int id) {
    char text[256] = "";
    GetDlgItemTextA(page, id, text, sizeof text);
    return text;
}
HWND pageAt(HWND sheet, int index) {
    return PropSheet_IndexToHwnd(sheet, index);
}
void showPage(HWND sheet, int index) {
    PropSheet_SetCurSel(sheet, nullptr, index);
}
// Drops the list down and has it painted, items and all, then closes it.
bool dropDown(HWND page, int id) {
    HWND combo = GetDlgItem(page, id);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    GetComboBoxInfo(combo, &info);
    UpdateWindow(combo);
    UpdateWindow(info.hwndList);
    bool dropped = SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0;
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    return dropped;
}
} // namespace

// Only empty fields are filled, each on its own, and always from the
// user's current server: the LogonID comes from that server's host, not
// from the host the data source names.
TEST_F(Pages, EmptyServerFieldsTakeTheClientSettings) {
    load({"DSN=RvConnPage", "HostName=own.example"});
    std::vector<std::string> fields, protocols;
    bool logonEnabled = false, protocolShown = false, cursorShown = false;
    int itemHeight = 0, expectedHeight = -1;
    pageSteps.set({
        [](HWND sheet) { showPage(sheet, 1); },
        [&](HWND sheet) {
            HWND page = pageAt(sheet, 1);
            for (int id : {316, 301, 304, 305, 302})
                fields.push_back(textOf(page, id));
            for (int i = 0; i < SendDlgItemMessageA(page, 305, CB_GETCOUNT, 0, 0); ++i) {
                char name[32] = "";
                SendDlgItemMessageA(page, 305, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
                protocols.push_back(name);
            }
            logonEnabled = IsWindowEnabled(GetDlgItem(page, 302));
            itemHeight = static_cast<int>(SendDlgItemMessageA(page, 305, CB_GETITEMHEIGHT, 0, 0));
            // Items are measured in the page's font.
            TEXTMETRICA metrics = {};
            HDC dc = GetDC(page);
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(page, WM_GETFONT, 0, 0)));
            GetTextMetricsA(dc, &metrics);
            SelectObject(dc, old);
            ReleaseDC(page, dc);
            expectedHeight = iconItemLayout(metrics.tmHeight).itemHeight;
            protocolShown = dropDown(page, 305);
            showPage(sheet, 2);
        },
        [&](HWND sheet) {
            cursorShown = dropDown(pageAt(sheet, 2), 309) && dropDown(pageAt(sheet, 2), 313);
            PropSheet_PressButton(sheet, PSBTN_CANCEL);
        },
    });
    EXPECT_EQ(1, run());
    EXPECT_EQ((std::vector<std::string>{"ol_rv", "own.example", "turbo", "onsoctcp", "informix"}),
              fields);
    EXPECT_EQ((std::vector<std::string>{"sesoctcp", "olsoctcp", "onsoctcp", "sesocspx", "olsocspx",
                                        "onsocspx", "seipcpip"}),
              protocols);
    EXPECT_TRUE(logonEnabled);
    EXPECT_EQ(expectedHeight, itemHeight);
    EXPECT_TRUE(protocolShown);
    EXPECT_TRUE(cursorShown);
    // The icons that the items are drawn with.
    for (const char* name : {"Protocol", "Cursor", "Scroll", "GetDBList"})
        EXPECT_TRUE(LoadImageA(library, name, IMAGE_ICON, 32, 32, LR_SHARED)) << name;
}

// The values are a setting's only when they fit a 32-byte buffer whole; a
// cut one would name another server or host.
TEST_F(Pages, ClientSettingsThatDoNotFitOrAreMissingFillNothing) {
    HWND parent =
        CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 100, 20, parent, reinterpret_cast<HMENU>(316),
                  nullptr, nullptr);
    auto fill = [parent](int kind) {
        SetDlgItemTextA(parent, 316, "");
        int found = fillFromClientRegistry(parent, 316, kind);
        return std::to_string(found) + ":" + textOf(parent, 316);
    };
    const std::string name31(31, 's'), name32(32, 's');
    seedText(HKEY_CURRENT_USER, environmentKey, "INFORMIXSERVER", name31);
    EXPECT_EQ("1:" + name31, fill(clientServer));
    seedText(HKEY_CURRENT_USER, environmentKey, "INFORMIXSERVER", name32);
    EXPECT_EQ("0:", fill(clientServer));

    seedText(HKEY_CURRENT_USER, environmentKey, "INFORMIXSERVER", "ol_rv");
    seedText(HKEY_LOCAL_MACHINE, hostsKey, "HOST", name32);
    EXPECT_EQ("0:", fill(clientHost));
    EXPECT_EQ("0:", fill(clientUser));
    seedValue(HKEY_LOCAL_MACHINE, hostsKey, "PROTOCOL", std::string("\1\0\0\0", 4), REG_DWORD);
    EXPECT_EQ("0:", fill(clientProtocol));
    EXPECT_EQ("1:turbo", fill(clientService));
    seedText(HKEY_CURRENT_USER, environmentKey, "INFORMIXSERVER", "no_such_server");
    EXPECT_EQ("0:", fill(clientService));

    removeKey(HKEY_CURRENT_USER, informixKey);
    EXPECT_EQ("0:", fill(clientServer));
    SetDlgItemTextA(parent, 316, "mine");
    EXPECT_EQ(1, fillFromClientRegistry(parent, 316, clientServer));
    EXPECT_EQ("mine", textOf(parent, 316));
    DestroyWindow(parent);
}

// UseDefaultLogin rules LogonID on the Connection page only: the Advanced
// page's procedure leaves it alone even on a template that holds both.
TEST_F(Pages, DefaultLoginDisablesLogonIdOnTheConnectionPageOnly) {
    load({"DSN=RvConnPage", "UseDefaultLogin=1"});
    std::vector<bool> enabled;
    pageSteps.set({
        [](HWND sheet) { showPage(sheet, 1); },
        [&](HWND sheet) {
            HWND page = pageAt(sheet, 1);
            for (int click = 0; click < 3; ++click) {
                enabled.push_back(IsWindowEnabled(GetDlgItem(page, 302)));
                SendDlgItemMessageA(page, 319, BM_CLICK, 0, 0);
            }
            PropSheet_PressButton(sheet, PSBTN_CANCEL);
        },
    });
    EXPECT_EQ(1, run());
    EXPECT_EQ((std::vector<bool>{false, true, false}), enabled);

    HWND parent =
        CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    PROPSHEETPAGEA record = {};
    record.lParam = reinterpret_cast<LPARAM>(&context);
    HWND advanced = CreateDialogParamA(library, MAKEINTRESOURCEA(4), parent, advancedPageProcedure,
                                       reinterpret_cast<LPARAM>(&record));
    ASSERT_TRUE(advanced);
    EXPECT_TRUE(IsDlgButtonChecked(advanced, 319));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(advanced, 302)));
    SendDlgItemMessageA(advanced, 319, BM_CLICK, 0, 0);
    SendDlgItemMessageA(advanced, 319, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(advanced, 302)));
    DestroyWindow(parent);
}

// Each page answers the shared page rules with its own parts: its apply
// reads it back and then has the General page save, while a failed
// read-back saves nothing and keeps the sheet open on the page; help opens
// its own topic.
TEST_F(Pages, ApplyAndHelpAreEachPagesOwn) {
    load({"DSN=RvConnPage"});
    LONG_PTR failedAnswer = -1;
    size_t savesAfterFailure = 99;
    pageSteps.set({
        [](HWND sheet) { showPage(sheet, 1); },
        [](HWND sheet) {
            HELPINFO info = {};
            info.cbSize = sizeof info;
            SendMessageA(pageAt(sheet, 1), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
            showPage(sheet, 2);
        },
        [&](HWND sheet) {
            HWND advanced = pageAt(sheet, 2);
            SendMessageA(advanced, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(advanced), 0);
            HWND page = pageAt(sheet, 1);
            NMHDR apply = {sheet, 0, static_cast<UINT>(PSN_APPLY)};
            rvAllocFailAt(1);
            SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&apply));
            rvAllocFailAt(0);
            failedAnswer = GetWindowLongPtrA(page, DWLP_MSGRESULT);
            savesAfterFailure = saves.size();
            SetDlgItemTextA(page, 300, "stores");
            PropSheet_PressButton(sheet, PSBTN_OK);
        },
    });
    EXPECT_EQ(0, run());
    EXPECT_EQ(PSNRET_INVALID_NOCHANGEPAGE, failedAnswer);
    EXPECT_EQ(0u, savesAfterFailure);
    // The General page's own save, then one after each other page's
    // read-back, with the Connection page's values.
    EXPECT_EQ((std::vector<std::string>{"", "dbhost", "dbhost"}), saves);
    EXPECT_EQ("stores", valueOf("Database"));
    const std::string url = "file:///C:/Help/wwhelp/wwhimpl/api.htm?context=ODBC&topic=";
    EXPECT_EQ((std::vector<std::string>{url + "infconnection&single=true",
                                        url + "infadvanced&single=true"}),
              HelpUrlRecorder::urls());
}
