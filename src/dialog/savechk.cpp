#include "dialog/savechk.h"
#include "dialog/propshet.h"
#include "dialog/wingetst.h"
#include "base/rvdbcs.h"
#include "base/rvstringw.h"
#include "base/utility.h"
#include "resources/resource.h"
#include "setup/basesetu.h"
#include "store/registry.h"
#include <initializer_list>

namespace {
// Room for a field's label, and for the driver of a listed data source.
enum : int { labelCapacity = 128, driverCapacity = 256 };

const char16_t errorCaption[] = u"Error";
const UINT errorStyle = MB_OK | MB_ICONSTOP | MB_TASKMODAL;

// The resource library's string textId with its placeholders %s1, %s2, ...
// filled from params in order, in a box owned by page's sheet. The button
// pressed; 0, with nothing shown, when the text is missing or memory ran
// out.
int showMessage(HWND page, unsigned textId, const char16_t* caption, UINT style,
                std::initializer_list<const char16_t*> params) {
    char16_t text[resourceStringCapacity];
    RvStringW message;
    if (loadResourceString(text, textId) <= 0 || message.assign(text) != 0)
        return 0;
    char16_t placeholder[] = u"%s1";
    for (const char16_t* param : params) {
        if (message.replaceAll(placeholder, param) != 0)
            return 0;
        ++placeholder[2];
    }
    return MessageBoxW(page, reinterpret_cast<LPCWSTR>(message.buffer),
                       reinterpret_cast<LPCWSTR>(caption), style);
}

// A field's label as the user reads it: the text before it in the tab
// order, without its mnemonic mark and colon. Empty when there is none or
// it would not fit.
void readLabel(HWND control, char16_t (&label)[labelCapacity]) {
    label[0] = 0;
    HWND before = GetWindow(control, GW_HWNDPREV);
    wchar_t text[labelCapacity];
    if (!before || GetWindowTextLengthW(before) >= labelCapacity ||
        GetWindowTextW(before, text, labelCapacity) <= 0)
        return;
    int n = 0;
    for (const wchar_t* p = text; *p; ++p)
        if (*p != L'&')
            label[n++] = static_cast<char16_t>(*p);
    if (n > 0 && label[n - 1] == u':')
        --n;
    label[n] = 0;
}

// Refuses the save at a field that holds text the code page cannot store.
bool refuseUnstorable(HWND page, int controlId) {
    char16_t label[labelCapacity];
    readLabel(GetDlgItem(page, controlId), label);
    showMessage(page, IDS_TEXT_NOT_STORABLE, errorCaption, errorStyle, {label});
    showFault(page, controlId);
    return false;
}

// The driver that ODBC.INI's list of data sources gives for name, as wide
// text in *driver; false when the name is not listed. A driver text that
// would not fit or cannot be shown is named "...", never cut.
bool listedDriver(const char* name, RvStringW* driver) {
    char text[driverCapacity];
    int n = readProfileString("ODBC Data Sources", name, "", text, driverCapacity, "ODBC.INI");
    if (n <= 0)
        return false;
    if (n >= driverCapacity - 1 ||
        driver->fromNarrow(text, static_cast<uint32_t>(n), encodingAnsi) != 0)
        driver->assign(u"...");
    return true;
}
} // namespace

bool checkTextsStorable(HWND page, const SetupContext* context) {
    SheetHolder* holder = sheetOf(page);
    HWND sheet = GetParent(page);
    for (uint32_t i = 0; holder && i < holder->descriptor->pageCount; ++i) {
        HWND made = PropSheet_IndexToHwnd(sheet, i);
        if (int controlId = made ? findUnstorableText(made, context) : 0)
            return refuseUnstorable(made, controlId);
    }
    return true;
}

bool checkNameLength(HWND page, const SetupContext* context) {
    if (context->isFileDataSource || textLength(context->dataSourceName) <= dataSourceNameBytes)
        return true;
    showMessage(page, IDS_NAME_TOO_LONG, errorCaption, errorStyle, {});
    showFault(page, controlDataSourceName);
    return false;
}

bool confirmReplacing(HWND page, const SetupContext* context) {
    const char* name = context->dataSourceName;
    const char* stored = context->storedName ? context->storedName : "";
    // An empty name would list every data source rather than name one.
    if (context->isFileDataSource || !name[0] || compareIgnoreCaseZ(name, stored) == 0)
        return true;
    RvStringW driver, shownName;
    if (!listedDriver(name, &driver))
        return true;
    char16_t caption[resourceStringCapacity];
    loadResourceString(caption, IDS_SHEET_CAPTION);
    // A question that cannot be asked is not answered Yes.
    if (shownName.fromNarrow(name, static_cast<uint32_t>(textLength(name)), encodingAnsi) == 0 &&
        showMessage(page, IDS_REPLACE_DATA_SOURCE, caption,
                    MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING | MB_TASKMODAL,
                    {shownName.buffer, driver.buffer}) == IDYES)
        return true;
    showFault(page, controlDataSourceName);
    return false;
}
