// The narrow (ANSI) sheet for real: the test run gives this program the
// Windows 98 version (Wine's per-program Version setting) and the Japanese
// ANSI code page 932, so the library finds a narrow system by asking the
// platform, as it would on Windows 98 or ME, and shows its sheet through
// the narrow property-sheet functions. Titles and values are Japanese:
// every text crosses the narrow path in Shift-JIS, including characters
// whose second byte is a backslash.
#include <windows.h>
#include <commctrl.h>
#include <odbcinst.h>
#include "base/platform.h"
#include "base/resource_library.h"
#include "support/windows_fixture.h"
#include "setup/wine_odbc_ini.h"
#include "support/sheet_driver.h"
#include "support/sheet_request.h"
#include "support/sheet_windows.h"
#include "support/test_support.h"
#include <string>
#include <vector>

namespace {
// The tab titles (strings 20160 to 20163: About, Advanced, Connection,
// General) and the sheet's caption (20165), in Japanese.
const wchar_t* const japaneseTitles[] = {L"\u30d0\u30fc\u30b8\u30e7\u30f3\u60c5\u5831",
                                         L"\u8a73\u7d30\u8a2d\u5b9a", L"\u63a5\u7d9a",
                                         L"\u5168\u822c"};
const wchar_t japaneseCaption[] = L"Informix ODBC \u30c9\u30e9\u30a4\u30d0\u30fc\u306e\u8a2d\u5b9a";
const unsigned firstTitle = 20160, caption = 20165;

// "Display software" and "sales table": Shift-JIS puts a backslash (0x5C)
// in the second byte of \u8868 and \u30bd.
const wchar_t shownDescription[] = L"\u8868\u793a\u30bd\u30d5\u30c8";
const wchar_t typedDescription[] = L"\u58f2\u4e0a\u8868\uff08\u5317\u90e8\uff09";
const wchar_t database[] = L"\u8ca9\u58f2\u30c7\u30fc\u30bf";

std::string shiftJis(const std::wstring& text) {
    char bytes[256] = "";
    WideCharToMultiByte(932, 0, text.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
}

std::string narrowTextOf(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The string table block (16 strings) that holds id, as a block resource.
std::vector<WORD> stringBlock(HMODULE module, unsigned first, const wchar_t* const* replaced,
                              unsigned count, unsigned id, const wchar_t* text) {
    std::vector<WORD> block;
    unsigned start = first & ~15u;
    for (unsigned i = start; i < start + 16; ++i) {
        std::wstring value;
        if (i >= first && i < first + count)
            value = replaced[i - first];
        else if (i == id)
            value = text;
        else {
            const wchar_t* own = nullptr;
            int length = LoadStringW(module, i, reinterpret_cast<LPWSTR>(&own), 0);
            value.assign(own ? own : L"", length > 0 ? length : 0);
        }
        block.push_back(static_cast<WORD>(value.size()));
        block.insert(block.end(), value.begin(), value.end());
    }
    return block;
}

BOOL CALLBACK firstLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

// A copy of the resource library whose tab titles and caption are
// Japanese; the sheet takes its templates from the copy too.
HMODULE japaneseResourceLibrary(const std::string& path) {
    auto built = static_cast<HMODULE>(resourceLibrary);
    LPCSTR blockName = MAKEINTRESOURCEA(firstTitle / 16 + 1);
    WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    EnumResourceLanguagesA(built, reinterpret_cast<LPCSTR>(RT_STRING), blockName, firstLanguage,
                           reinterpret_cast<LONG_PTR>(&language));
    std::vector<WORD> block =
        stringBlock(built, firstTitle, japaneseTitles, 4, caption, japaneseCaption);
    if (!CopyFileA(moduleFileName(built).c_str(), path.c_str(), FALSE))
        return nullptr;
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    if (!update)
        return nullptr;
    BOOL added = UpdateResourceA(update, reinterpret_cast<LPCSTR>(RT_STRING), blockName, language,
                                 block.data(), static_cast<DWORD>(block.size() * sizeof(WORD)));
    if (!EndUpdateResourceA(update, !added) || !added)
        return nullptr;
    return LoadLibraryA(path.c_str());
}

class NarrowSheet : public SheetRequestTest {
protected:
    NarrowSheet() : SheetRequestTest("RV Narrow Sheet Test Driver") {}
    ScratchDirectory scratch{"narrow"};
};
} // namespace

// Wine reports Windows 98 to this program, and the library takes that for
// a narrow system, as it takes Windows 98 and ME.
TEST_F(NarrowSheet, TheWindows98VersionMakesTheSystemNarrow) {
    unsigned major = 0, minor = 0;
    ASSERT_EQ(0, platVersion(&major, &minor));
    EXPECT_EQ(4u, major);
    EXPECT_EQ(10u, minor);
    characterMode = -1;
    EXPECT_EQ(1, isNarrowCharacterSystem());
}

// The sheet is made with the narrow functions (its windows are not
// Unicode windows) and still shows Japanese titles, caption and values;
// what the user types in Shift-JIS is stored byte for byte.
TEST_F(NarrowSheet, ItShowsAndStoresShiftJisText) {
    characterMode = -1;
    HMODULE copy = japaneseResourceLibrary(scratch.file("japanese.dll"));
    ASSERT_TRUE(copy);
    platFreeLibrary(resourceLibrary);
    resourceLibrary = copy;
    resourceLibraryUses = 1;

    std::string name = freshName("Qn", "Narrow");
    bool unicodeSheet = true, unicodePage = true;
    std::wstring shownCaption, shownName, description, shownDatabase, notice;
    std::string narrowDescription;
    std::vector<std::wstring> titles;
    SheetDriver user({
        [&](HWND sheet) {
            unicodeSheet = IsWindowUnicode(sheet);
            unicodePage = IsWindowUnicode(pageAt(sheet, 0));
            shownCaption = windowTextW(sheet);
            for (int i = 0; i < 4; ++i)
                titles.push_back(tabTitle(sheet, i));
            shownName = windowTextW(GetDlgItem(pageAt(sheet, 0), 401));
            description = windowTextW(GetDlgItem(pageAt(sheet, 0), 402));
            narrowDescription = narrowTextOf(GetDlgItem(pageAt(sheet, 0), 402));
            SetDlgItemTextA(pageAt(sheet, 0), 402, shiftJis(typedDescription).c_str());
            PropSheet_SetCurSel(sheet, nullptr, 1);
        },
        [&](HWND sheet) {
            shownDatabase = windowTextW(GetDlgItem(pageAt(sheet, 1), 300));
            PropSheet_SetCurSel(sheet, nullptr, 3);
        },
        [&](HWND sheet) {
            notice = windowTextW(GetDlgItem(pageAt(sheet, 3), 609));
            PropSheet_PressButton(sheet, PSBTN_OK);
        },
    });
    std::string attributes = attrs(
        {"DSN=" + name, "Description=" + shiftJis(shownDescription), "DB=" + shiftJis(database)});
    EXPECT_EQ(TRUE, ConfigDSN(owner, ODBC_ADD_DSN, driver, attributes.data()));
    EXPECT_EQ(3u, user.stepsRun());
    // Code page 932 has no copyright sign.
    EXPECT_EQ(L"Copyright (C) 2026 Qzifx Software", notice);
    EXPECT_FALSE(unicodeSheet);
    EXPECT_FALSE(unicodePage);
    EXPECT_EQ(japaneseCaption, shownCaption);
    EXPECT_EQ((std::vector<std::wstring>{japaneseTitles[3], japaneseTitles[2], japaneseTitles[1],
                                         japaneseTitles[0]}),
              titles);
    EXPECT_EQ(std::wstring(name.begin(), name.end()), shownName);
    EXPECT_EQ(shownDescription, description);
    EXPECT_EQ(shiftJis(shownDescription), narrowDescription);
    EXPECT_EQ(database, shownDatabase);
    EXPECT_EQ(shiftJis(typedDescription), stored(name, "Description"));
    EXPECT_EQ(shiftJis(database), stored(name, "Database"));
}
