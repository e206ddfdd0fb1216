// What a person sees of the setup sheet under Wine: the four pages of the
// resource library, opened by ConfigDSN as the installer opens them, and
// looked at as a user would meet them: the keyboard (labels, mnemonics,
// tab order), the room every text gets, the icon lists and the About
// page's icon column. The suite runs once at 96 DPI and once at 144 DPI
// (Wine's LogPixels, set by the test run; RV_EXPECT_DPI says which).
#include <windows.h>
#include <commctrl.h>
#include <odbcinst.h>
#include "dialog/about_page.h"
#include "dialog/connection_page.h"
#include "dialog/owner_drawn_items.h"
#include "base/resource_library.h"
#include "support/windows_fixture.h"
#include "support/sheet_driver.h"
#include "support/sheet_request.h"
#include "support/sheet_windows.h"
#include "support/test_support.h"
#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace {
const int pageCount = 4;
const int templateIds[pageCount] = {3, 4, 5, 10};
const char* const pageNames[pageCount] = {"General", "Connection", "Advanced", "About"};
const int testConnectButton = 321;

// Every problem found, one line each, so that a failure names them all.
using Problems = std::vector<std::string>;

std::string narrowText(const std::wstring& text) {
    char buffer[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

std::string className(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

LONG styleOf(HWND window) {
    return GetWindowLongA(window, GWL_STYLE);
}

bool isClass(HWND window, const char* name) {
    return lstrcmpiA(className(window).c_str(), name) == 0;
}

LONG buttonType(HWND window) {
    return styleOf(window) & BS_TYPEMASK;
}

bool isGroupBox(HWND window) {
    return isClass(window, "Button") && buttonType(window) == BS_GROUPBOX;
}

// Buttons that carry their own text: push buttons, check boxes, radios.
bool isTextButton(HWND window) {
    return isClass(window, "Button") && !isGroupBox(window) && buttonType(window) != BS_OWNERDRAW;
}

bool isTextStatic(HWND window) {
    if (!isClass(window, "Static"))
        return false;
    LONG type = styleOf(window) & SS_TYPEMASK;
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP ||
           type == SS_SIMPLE;
}

// A control the keyboard can reach and change.
bool isInput(HWND window) {
    return isClass(window, "Edit") || isClass(window, "ComboBox") || isTextButton(window);
}

std::string describe(HWND window) {
    return className(window) + " " + std::to_string(GetDlgCtrlID(window)) + " \"" +
           narrowText(windowTextW(window)) + "\"";
}

// The pages' controls in the order the dialog manager walks them.
std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// The letter that "&" marks in text, upper-cased; 0 without one. "&&"
// is a plain ampersand.
wchar_t mnemonicOf(const std::wstring& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] != L'&')
            return static_cast<wchar_t>(std::towupper(text[i + 1]));
        ++i;
    }
    return 0;
}

// The label that moves the focus to an edit box or combo box: the static
// text right before it, as the dialog manager finds it.
HWND labelOf(HWND control) {
    HWND before = GetWindow(control, GW_HWNDPREV);
    return before && isTextStatic(before) ? before : nullptr;
}

// The mnemonic that reaches control, and the window whose text holds it.
wchar_t mnemonicReaching(HWND control, HWND* holder) {
    *holder = isTextButton(control) ? control : labelOf(control);
    if (!*holder || (isTextStatic(*holder) && (styleOf(*holder) & SS_NOPREFIX)))
        return 0;
    return mnemonicOf(windowTextW(*holder));
}

// The sheet's own buttons (OK, Cancel, Apply, Help, Test Connect), shown
// or not: their mnemonics hold on every page.
std::vector<HWND> sheetButtons(HWND sheet) {
    std::vector<HWND> buttons;
    for (HWND child : childrenOf(sheet))
        if (isTextButton(child))
            buttons.push_back(child);
    return buttons;
}

Problems keyboardProblems(HWND sheet, HWND page) {
    Problems problems;
    std::map<wchar_t, std::string> taken;
    auto take = [&](wchar_t letter, HWND holder) {
        auto [at, fresh] = taken.emplace(letter, describe(holder));
        if (!fresh)
            problems.push_back(describe(holder) + " repeats the mnemonic of " + at->second);
    };
    for (HWND button : sheetButtons(sheet))
        if (wchar_t letter = mnemonicOf(windowTextW(button)))
            take(letter, button);
    for (HWND child : childrenOf(page)) {
        if (!isInput(child))
            continue;
        HWND holder = nullptr;
        wchar_t letter = mnemonicReaching(child, &holder);
        if (!holder)
            problems.push_back(describe(child) + " has no label");
        else if (!letter)
            problems.push_back(describe(holder) + " marks no mnemonic for " + describe(child));
        else
            take(letter, holder);
    }
    return problems;
}

// The width and height that text takes in window's font, laid out with
// format (DT_ flags) in at most width pixels.
SIZE textExtent(HWND window, const std::wstring& text, UINT format, int width) {
    RECT area = {0, 0, width, 0};
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    DrawTextW(dc, text.c_str(), -1, &area, format | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return {area.right - area.left, area.bottom - area.top};
}

int lineHeight(HWND window) {
    return textExtent(window, L"Ag", DT_SINGLELINE, 1000).cy;
}

// The room a control leaves its text: a check box or radio button keeps
// its box and a gap to the left, a push button its edges, a group box its
// frame's corners.
int textRoom(HWND window, int clientWidth) {
    if (isGroupBox(window))
        return clientWidth - 2 * lineHeight(window);
    if (!isTextButton(window))
        return clientWidth;
    switch (buttonType(window)) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return clientWidth - GetSystemMetrics(SM_CXMENUCHECK) - 2 * GetSystemMetrics(SM_CXEDGE);
    }
    return clientWidth - 4 * GetSystemMetrics(SM_CXEDGE);
}

// Static texts wrap at word boundaries unless told otherwise; buttons and
// group boxes keep their text on one line.
Problems extentProblems(HWND window) {
    std::wstring text = windowTextW(window);
    if (text.empty() || !IsWindowVisible(window))
        return {};
    RECT client;
    GetClientRect(window, &client);
    UINT format = DT_SINGLELINE;
    if (isTextStatic(window)) {
        LONG type = styleOf(window) & SS_TYPEMASK;
        if (type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE)
            format = DT_WORDBREAK;
        if (styleOf(window) & SS_NOPREFIX)
            format |= DT_NOPREFIX;
    }
    int room = textRoom(window, client.right);
    SIZE needed = textExtent(window, text, format, room);
    if (needed.cx <= room && needed.cy <= client.bottom)
        return {};
    return {describe(window) + " needs " + std::to_string(needed.cx) + "x" +
            std::to_string(needed.cy) + " pixels, has " + std::to_string(room) + "x" +
            std::to_string(client.bottom)};
}

Problems textProblems(HWND parent) {
    Problems problems;
    for (HWND child : childrenOf(parent))
        if (isTextStatic(child) || isTextButton(child) || isGroupBox(child))
            for (const std::string& problem : extentProblems(child))
                problems.push_back(problem);
    return problems;
}

std::wstring itemText(HWND combo, int item) {
    wchar_t text[256] = L"";
    if (SendMessageW(combo, CB_GETLBTEXTLEN, item, 0) < 256)
        SendMessageW(combo, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
    return text;
}

bool isEditable(HWND combo) {
    return (styleOf(combo) & 3) == CBS_DROPDOWN;
}

// A plain drop-down combo box in the page's font, for the height that an
// editable combo box normally has.
int plainComboHeight(HWND page) {
    HWND plain = CreateWindowA("COMBOBOX", "", WS_POPUP | CBS_DROPDOWN, 0, 0, 100, 200, nullptr,
                               nullptr, nullptr, nullptr);
    SendMessageA(plain, WM_SETFONT, SendMessageA(page, WM_GETFONT, 0, 0), FALSE);
    RECT frame;
    GetWindowRect(plain, &frame);
    DestroyWindow(plain);
    return frame.bottom - frame.top;
}

// An owner-drawn combo box with icons: every item as tall as its text and
// its icon, every text beside the icon within the selection field (or,
// for an editable box, the list), and an editable box's edit field as
// tall as a plain combo box's.
Problems iconListProblems(HWND page, HWND combo) {
    Problems problems;
    std::string name = describe(combo);
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    GetComboBoxInfo(combo, &info);
    int text = lineHeight(combo);
    IconItemLayout layout = iconItemLayout(text);
    // The items are measured in the dialog's font, not in the system font
    // that the combo box has while it is being made.
    int itemHeight = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
    if (itemHeight != layout.itemHeight)
        problems.push_back(name + ": items of " + std::to_string(itemHeight) + " pixels, not " +
                           std::to_string(layout.itemHeight) + " for " + std::to_string(text) +
                           "-pixel text");
    RECT frame;
    GetWindowRect(combo, &frame);
    int room = info.rcItem.right - info.rcItem.left;
    if (isEditable(combo)) {
        room = frame.right - frame.left - 2 * GetSystemMetrics(SM_CXEDGE);
        int plain = plainComboHeight(page);
        if (frame.bottom - frame.top != plain)
            problems.push_back(name + " is " + std::to_string(frame.bottom - frame.top) +
                               " pixels tall, a plain combo box " + std::to_string(plain));
    } else if (info.rcItem.bottom - info.rcItem.top < std::max(layout.iconSize, text)) {
        problems.push_back(name + ": the selection field is " +
                           std::to_string(info.rcItem.bottom - info.rcItem.top) +
                           " pixels tall, for a " + std::to_string(layout.iconSize) +
                           "-pixel icon and " + std::to_string(text) + "-pixel text");
    }
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring item = itemText(combo, i);
        int width = textExtent(combo, item, DT_SINGLELINE | DT_NOPREFIX, 1000).cx;
        if (layout.textLeft + width > room)
            problems.push_back(name + ": item \"" + narrowText(item) + "\" needs " +
                               std::to_string(layout.textLeft + width) + " pixels, has " +
                               std::to_string(room));
    }
    return problems;
}

bool isIconList(HWND window) {
    return isClass(window, "ComboBox") && (styleOf(window) & CBS_OWNERDRAWFIXED);
}

RECT rectInPage(HWND page, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool overlap(const RECT& a, const RECT& b) {
    RECT common;
    return IntersectRect(&common, &a, &b) != 0;
}

std::string rectText(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// The column that the page's drawing thread animates, in page pixels.
const RECT animationColumn = {10, 15, 50, 143};

// The icon controls stand where the animation draws its first frame, one
// 32-pixel cell each, and no text comes near the column.
Problems aboutIconProblems(HWND page) {
    Problems problems;
    std::vector<RECT> icons;
    for (int i = 0; i < animationIconCount; ++i) {
        RECT icon = rectInPage(page, GetDlgItem(page, aboutFirstIcon + i));
        RECT cell = {animationColumn.left, animationColumn.top + 32 * i, animationColumn.left + 32,
                     animationColumn.top + 32 * (i + 1)};
        if (!EqualRect(&icon, &cell))
            problems.push_back("icon " + std::to_string(aboutFirstIcon + i) + " at " +
                               rectText(icon) + ", its frame cell " + rectText(cell));
        for (const RECT& other : icons)
            if (overlap(icon, other))
                problems.push_back("icon " + std::to_string(aboutFirstIcon + i) +
                                   " overlaps another icon");
        icons.push_back(icon);
    }
    for (HWND child : childrenOf(page)) {
        if (isClass(child, "Static") && !isTextStatic(child))
            continue;
        RECT rect = rectInPage(page, child);
        if (IsWindowVisible(child) && overlap(rect, animationColumn))
            problems.push_back(describe(child) + " at " + rectText(rect) +
                               " reaches into the icon column");
    }
    return problems;
}

std::vector<HWND> tabStops(HWND page) {
    std::vector<HWND> stops;
    for (HWND child : childrenOf(page))
        if ((styleOf(child) & WS_TABSTOP) && IsWindowVisible(child))
            stops.push_back(child);
    return stops;
}

void join(Problems& into, const Problems& more) {
    into.insert(into.end(), more.begin(), more.end());
}

std::string lines(const Problems& problems) {
    std::string all;
    for (const std::string& problem : problems)
        all += "\n  " + problem;
    return all;
}

// A dialog template of the resource library as its author wrote it, in
// dialog units.
struct TemplateItem {
    DWORD id;
    DWORD style;
    short x, y, cx, cy;
    WORD classAtom; // 0x80 button, 0x81 edit, 0x82 static, 0x85 combo box
    std::wstring text;
};
struct DialogTemplate {
    DWORD style = 0;
    short cx = 0, cy = 0;
    WORD pointSize = 0;
    std::wstring typeface;
    std::vector<TemplateItem> items;
};

class TemplateReader {
public:
    explicit TemplateReader(const BYTE* data) : at(data) {}
    template <class T> T take() {
        T value;
        memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }
    // A name or an ordinal (0xFFFF and a number); the ordinal, or 0.
    WORD nameOrOrdinal(std::wstring* name = nullptr) {
        WORD first = take<WORD>();
        if (first == 0xFFFF)
            return take<WORD>();
        for (WORD unit = first; unit; unit = take<WORD>())
            if (name)
                *name += static_cast<wchar_t>(unit);
        return 0;
    }
    void alignToDword(const BYTE* start) {
        while ((at - start) % 4)
            ++at;
    }

private:
    const BYTE* at;
};

DialogTemplate readTemplate(int id) {
    DialogTemplate dialog;
    auto module = static_cast<HMODULE>(resourceLibrary);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_DIALOG);
    const BYTE* start =
        found ? static_cast<const BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
    if (!start)
        return dialog;
    TemplateReader read(start);
    if (read.take<WORD>() != 1 || read.take<WORD>() != 0xFFFF)
        return dialog;  // not an extended template
    read.take<DWORD>(); // help id
    read.take<DWORD>(); // extended style
    dialog.style = read.take<DWORD>();
    WORD count = read.take<WORD>();
    read.take<short>();
    read.take<short>();
    dialog.cx = read.take<short>();
    dialog.cy = read.take<short>();
    read.nameOrOrdinal(); // menu
    read.nameOrOrdinal(); // class
    read.nameOrOrdinal(); // caption
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = read.take<WORD>();
        read.take<WORD>(); // weight
        read.take<WORD>(); // italic, character set
        read.nameOrOrdinal(&dialog.typeface);
    }
    for (WORD i = 0; i < count; ++i) {
        read.alignToDword(start);
        TemplateItem item;
        read.take<DWORD>(); // help id
        read.take<DWORD>(); // extended style
        item.style = read.take<DWORD>();
        item.x = read.take<short>();
        item.y = read.take<short>();
        item.cx = read.take<short>();
        item.cy = read.take<short>();
        item.id = read.take<DWORD>();
        item.classAtom = read.nameOrOrdinal();
        read.nameOrOrdinal(&item.text);
        WORD extra = read.take<WORD>();
        for (WORD b = 0; b < extra; ++b)
            read.take<BYTE>();
        dialog.items.push_back(item);
    }
    return dialog;
}

enum : WORD { atomButton = 0x80, atomEdit = 0x81, atomStatic = 0x82, atomCombo = 0x85 };
// The page margin and the height of an edit box, a combo box's closed
// field and a label, in dialog units.
enum : short { margin = 7, fieldHeight = 14, labelHeight = 8 };

bool isTemplateLabel(const TemplateItem& item) {
    return item.classAtom == atomStatic && (item.style & SS_TYPEMASK) == SS_LEFT;
}
bool isTemplateField(const TemplateItem& item) {
    return item.classAtom == atomEdit || item.classAtom == atomCombo;
}
// A combo box's height in the template is its dropped-down list's.
short shownHeight(const TemplateItem& item) {
    return item.classAtom == atomCombo ? static_cast<short>(fieldHeight) : item.cy;
}

// Every control inside the margins; every field the height of one line of
// input, on one column with the others, with its label beside it, centred
// on the field's line.
Problems templateProblems(const DialogTemplate& page) {
    Problems problems;
    short fieldColumn = -1;
    for (size_t i = 0; i < page.items.size(); ++i) {
        const TemplateItem& item = page.items[i];
        std::string name = "control " + std::to_string(static_cast<int>(item.id)) + " \"" +
                           narrowText(item.text) + "\"";
        if (item.x < margin || item.y < margin || item.x + item.cx > page.cx - margin ||
            item.y + shownHeight(item) > page.cy - margin)
            problems.push_back(name + " leaves the page's margins");
        if (!isTemplateField(item))
            continue;
        // A field without a border shows a value like a label does, on
        // its label's line.
        bool framed = item.classAtom == atomCombo || (item.style & WS_BORDER);
        short height = framed ? fieldHeight : labelHeight;
        if (item.classAtom == atomEdit && item.cy != height)
            problems.push_back(name + " is " + std::to_string(item.cy) + " units tall");
        if (fieldColumn < 0)
            fieldColumn = item.x;
        if (item.x != fieldColumn)
            problems.push_back(name + " is off the field column " + std::to_string(fieldColumn));
        const TemplateItem* label =
            i > 0 && isTemplateLabel(page.items[i - 1]) ? &page.items[i - 1] : nullptr;
        if (label && (label->cy != labelHeight || label->y != item.y + (height - labelHeight) / 2))
            problems.push_back(name + ": its label is not centred on its line");
    }
    return problems;
}

// What an icon item drawn in the given state shows: whether its icon has
// colour, and whether its text has pixels of the window's text colour or
// of the system's grey.
struct ItemPixels {
    bool colouredIcon = false, windowText = false, greyText = false;
};

ItemPixels drawnItem(UINT state) {
    ItemPixels seen;
    const int width = 200;
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HFONT font = CreateFontA(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0,
                             0, 0, 0, "MS Shell Dlg 2");
    HGDIOBJ oldFont = SelectObject(dc, font);
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    IconItemLayout layout = iconItemLayout(metrics.tmHeight);
    BITMAPINFO info = {};
    info.bmiHeader = {
        sizeof info.bmiHeader, width, -layout.itemHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT record = {};
    record.CtlType = ODT_COMBOBOX;
    record.itemAction = ODA_DRAWENTIRE;
    record.itemState = state;
    record.hDC = dc;
    record.rcItem = {0, 0, width, layout.itemHeight};
    drawIconItem(static_cast<HINSTANCE>(resourceLibrary), &record, "WWW", "Protocol");
    GdiFlush();
    auto colourOf = [](COLORREF c) {
        return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
    };
    const DWORD text = colourOf(GetSysColor(COLOR_WINDOWTEXT));
    const DWORD grey = colourOf(GetSysColor(COLOR_GRAYTEXT));
    for (int y = 0; y < layout.itemHeight; ++y)
        for (int x = 0; x < width; ++x) {
            DWORD pixel = static_cast<const DWORD*>(bits)[y * width + x] & 0xFFFFFF;
            BYTE r = pixel >> 16, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
            if (x < layout.textLeft)
                seen.colouredIcon |= r != g || g != b;
            else {
                seen.windowText |= pixel == text;
                seen.greyText |= pixel == grey;
            }
        }
    SelectObject(dc, oldBitmap);
    SelectObject(dc, oldFont);
    DeleteObject(bitmap);
    DeleteObject(font);
    DeleteDC(dc);
    return seen;
}

unsigned expectedDpi() {
    const char* value = std::getenv("RV_EXPECT_DPI");
    return value ? static_cast<unsigned>(std::atoi(value)) : 96;
}

class Look : public SheetRequestTest {
protected:
    Look() : SheetRequestTest("RV Look Test Driver") {}
    void SetUp() override {
        HDC screen = GetDC(nullptr);
        int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        ASSERT_EQ(expectedDpi(), static_cast<unsigned>(dpi)) << "Wine's LogPixels";
        SheetRequestTest::SetUp();
    }
    // Opens the sheet for a new data source, shows each page in turn and
    // has look check it, then cancels: nothing is stored.
    Problems lookAtEveryPage(std::function<Problems(HWND sheet, HWND page, int index)> look) {
        Problems problems;
        int looked = 0;
        SheetDriver user({[&](HWND sheet) {
            for (int i = 0; i < pageCount; ++i) {
                SendMessageA(sheet, PSM_SETCURSEL, i, 0);
                SheetDriver::settle(sheet);
                for (const std::string& problem : look(sheet, pageAt(sheet, i), i))
                    problems.push_back(std::string(pageNames[i]) + ": " + problem);
                ++looked;
            }
            PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        }});
        std::string attributes = attrs({"DSN=RvLook", "Description=Sales figures of the north",
                                        "PRO=onsoctcp", "CursorBehavior=1", "CDSI=05"});
        EXPECT_EQ(FALSE, ConfigDSN(owner, ODBC_ADD_DSN, driver, attributes.data()));
        EXPECT_EQ(pageCount, looked);
        return problems;
    }
};
} // namespace

// Every edit box, combo box, check box and button is reached by a letter
// of its own: its label's or its own, marked, and different from every
// other on the page and from the sheet's buttons.
TEST_F(Look, EveryInputHasALabelWithAMnemonicOfItsOwn) {
    Problems problems =
        lookAtEveryPage([](HWND sheet, HWND page, int) { return keyboardProblems(sheet, page); });
    EXPECT_TRUE(problems.empty()) << lines(problems);
}

// Test Connect stands left of OK, and the Tab key goes that way too.
TEST_F(Look, TestConnectComesJustBeforeOkInTheTabOrder) {
    Problems problems = lookAtEveryPage([](HWND sheet, HWND, int) -> Problems {
        HWND test = GetDlgItem(sheet, testConnectButton), ok = GetDlgItem(sheet, IDOK);
        if (GetNextDlgTabItem(sheet, test, FALSE) != ok)
            return {"Tab from Test Connect goes to " +
                    describe(GetNextDlgTabItem(sheet, test, FALSE))};
        if (GetNextDlgTabItem(sheet, ok, TRUE) != test)
            return {"Shift+Tab from OK goes to " + describe(GetNextDlgTabItem(sheet, ok, TRUE))};
        return {};
    });
    EXPECT_TRUE(problems.empty()) << lines(problems);
}

// The About page has nothing to edit: the keyboard reaches only the
// driver's path, a read-only field whose text can be selected and copied.
TEST_F(Look, TheAboutPageOffersOnlyTheDriverPathToTheKeyboard) {
    std::vector<std::string> stops;
    std::string path;
    bool readOnly = false;
    lookAtEveryPage([&](HWND, HWND page, int index) -> Problems {
        if (index == 3) {
            for (HWND stop : tabStops(page))
                stops.push_back(describe(stop));
            HWND field = GetDlgItem(page, aboutDriverPath);
            path = narrowText(windowTextW(field));
            readOnly = isClass(field, "Edit") && (styleOf(field) & ES_READONLY);
        }
        return {};
    });
    EXPECT_EQ(std::vector<std::string>{"Edit 605 \"" + path + "\""}, stops);
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(builtSetupLibrary(), path);
}

// No label, check box, button or group box text is cut off, on the pages
// or on the sheet's own buttons.
TEST_F(Look, EveryTextFitsItsControl) {
    Problems problems = lookAtEveryPage([](HWND sheet, HWND page, int index) {
        Problems found = textProblems(page);
        if (index == 0)
            join(found, textProblems(sheet));
        return found;
    });
    EXPECT_TRUE(problems.empty()) << lines(problems);
}

// The icon lists of the Connection and Advanced pages show whole items.
TEST_F(Look, IconListItemsFitTheirComboBoxes) {
    int lists = 0;
    Problems problems = lookAtEveryPage([&](HWND, HWND page, int) {
        Problems found;
        for (HWND child : childrenOf(page))
            if (isIconList(child)) {
                ++lists;
                join(found, iconListProblems(page, child));
            }
        return found;
    });
    EXPECT_EQ(3, lists);
    EXPECT_TRUE(problems.empty()) << lines(problems);
}

TEST_F(Look, TheAboutIconsStandInTheirColumnClearOfTheTexts) {
    Problems problems = lookAtEveryPage([](HWND, HWND page, int index) {
        return index == 3 ? aboutIconProblems(page) : Problems{};
    });
    EXPECT_TRUE(problems.empty()) << lines(problems);
}

// The four pages are one size, in the shell's dialog font, with their
// controls inside a margin of 7 dialog units and their fields aligned.
TEST_F(Look, PagesShareOneSizeTheShellFontAndAlignedFields) {
    const DialogTemplate first = readTemplate(templateIds[0]);
    ASSERT_FALSE(first.items.empty());
    for (int i = 0; i < pageCount; ++i) {
        SCOPED_TRACE(pageNames[i]);
        DialogTemplate page = readTemplate(templateIds[i]);
        EXPECT_EQ(first.cx, page.cx);
        EXPECT_EQ(first.cy, page.cy);
        EXPECT_EQ(static_cast<DWORD>(DS_SHELLFONT), page.style & DS_SHELLFONT);
        EXPECT_EQ(L"MS Shell Dlg 2", page.typeface);
        EXPECT_EQ(8, page.pointSize);
        Problems problems = templateProblems(page);
        EXPECT_TRUE(problems.empty()) << lines(problems);
    }
}

// A disabled icon list shows its items greyed: the icon without colour, the
// text in the system's grey.
TEST_F(Look, DisabledIconItemsAreGreyed) {
    ItemPixels enabled = drawnItem(0), disabled = drawnItem(ODS_DISABLED);
    EXPECT_TRUE(enabled.colouredIcon);
    EXPECT_TRUE(enabled.windowText);
    EXPECT_FALSE(disabled.colouredIcon);
    EXPECT_FALSE(disabled.windowText);
    EXPECT_TRUE(disabled.greyText);
}
