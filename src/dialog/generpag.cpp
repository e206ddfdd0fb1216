#include "dialog/generpag.h"
#include "dialog/propshet.h"
#include "dialog/savechk.h"
#include "base/utility.h"
#include "dialog/wincente.h"
#include "dialog/wingetst.h"
#include "dialog/winprop.h"
#include "resources/resource.h"
#include "setup/basesetu.h"
#include "base/rvalloc.h"
#include "base/rvdbcs.h"
#include "store/instshim.h"

namespace {
enum : int { testConnectGap = 7 };

PageProtocol protocol = {"infgeneral", applyGeneralPage, true};

// The Test Connect button's width: the OK button's, unless its text in
// OK's font would then touch the button's edges; it then grows to keep an
// average character's room on either side.
int testConnectWidth(HWND ok, const char* text, int okWidth) {
    HDC dc = GetDC(ok);
    if (!dc)
        return okWidth;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(ok, WM_GETFONT, 0, 0)));
    RECT extent = {};
    DrawTextA(dc, text, -1, &extent, DT_SINGLELINE | DT_CALCRECT);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(ok, dc);
    int needed = extent.right - extent.left + 2 * metrics.tmAveCharWidth;
    return needed > okWidth ? needed : okWidth;
}

// The Test Connect button comes right before OK in the tab order, as it
// stands right before it on the screen.
void placeBeforeInTabOrder(HWND button, HWND next) {
    HWND before = GetWindow(next, GW_HWNDPREV);
    SetWindowPos(button, before ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// The Test Connect button, left of the sheet's OK button with its height
// and font. False when its text is missing from the resource library.
bool addTestConnectButton(HWND sheet) {
    char text[resourceStringCapacity];
    if (loadResourceStringA(text, IDS_TEST_CONNECT_BUTTON) <= 0)
        return false;
    HWND ok = GetDlgItem(sheet, IDOK);
    RECT frame = {};
    GetWindowRect(ok, &frame);
    int16_t width = static_cast<int16_t>(
        testConnectWidth(ok, text, static_cast<int16_t>(frame.right - frame.left)));
    int16_t height = static_cast<int16_t>(frame.bottom - frame.top);
    POINT corner = {frame.left, frame.top};
    ScreenToClient(sheet, &corner);
    HWND button =
        CreateWindowA("BUTTON", text, WS_CHILD | WS_TABSTOP | BS_VCENTER,
                      corner.x - width - testConnectGap, corner.y, width, height, sheet,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(pageCommandTestConnect)),
                      static_cast<HINSTANCE>(resourceLibrary), nullptr);
    if (button) {
        SendMessageA(button, WM_SETFONT, SendMessageA(ok, WM_GETFONT, 0, 0), TRUE);
        placeBeforeInTabOrder(button, ok);
        ShowWindow(button, SW_SHOW);
    }
    return true;
}

INT_PTR initialise(HWND page, LPARAM pageRecord) {
    SetupContext* context = beginPage(page, pageRecord);
    if (!context || !addTestConnectButton(GetParent(page)))
        return TRUE;
    centerWindow(page);
    if (fillControls(page, context) != 0)
        return TRUE;
    SetFocus(GetDlgItem(page, controlDataSourceName));
    return FALSE;
}

const char invalidNameText[] =
    "Invalid data source name.  The first character must be a letter, and the name cannot "
    "contain any of the following characters:  [ ] { } ( ) ? * = ! @ , ;";
// Shown for a refused write when the installer gives no reason of its own.
const char notSavedText[] = "The data source could not be saved.";

void showError(HWND page, const char* text) {
    MessageBoxA(page, text, "Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

// A write the installer refused: the user is told why, in the installer's
// own words when it has any, in a box owned by the sheet.
void showWriteRefused(HWND page, const SetupContext* context) {
    showError(page, context->refusalReason ? context->refusalReason : notSavedText);
}

// The General page's save step: checks the pages and reads them back,
// saves the data source as its request allows, tells the user what went
// wrong and puts the sheet where it is to be put right, and shows the
// stored forms. 0 on success, 1 on failure.
int savePage(HWND page, SetupContext* context) {
    if (!checkTextsStorable(page, context) || readControls(page, context) != 0 ||
        !checkNameLength(page, context) || !confirmReplacing(page, context))
        return 1;
    switch (saveDataSource(context)) {
    case saveDone:
        break;
    case saveInvalidName:
        showError(page, invalidNameText);
        showFault(page, controlDataSourceName);
        return 1;
    case saveRefused:
        showWriteRefused(page, context);
        showFault(page, 0);
        return 1;
    case saveFailed:
        showFault(page, 0);
        return 1;
    }
    // A file data source was handed back, not stored: nothing to show.
    if (context->isFileDataSource)
        return 0;
    // The page shows what was stored ("1" selects "1 - Preserve" again).
    return fillControls(page, context) == 0 ? 0 : 1;
}
} // namespace

bool applyGeneralPage(HWND page, SetupContext* context) {
    if (!context)
        return false;
    SheetHolder* holder = sheetOf(page);
    // A test only collects the values: nothing is checked or written.
    if (holder && holder->state == sheetTestCollecting)
        return readControls(page, context) == 0;
    return savePage(page, context) == 0;
}

INT_PTR CALLBACK generalPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return initialise(page, lParam);
    // The other pages send IDOK to this page to have the data source saved
    // with their values; the answer is 1 when it was.
    if (message == WM_COMMAND && wParam == IDOK) {
        SetWindowLongPtrA(page, DWLP_MSGRESULT, applyGeneralPage(page, contextOf(page)));
        return TRUE;
    }
    INT_PTR result;
    if (handlePageMessage(&protocol, page, message, wParam, lParam, &result))
        return result;
    return FALSE;
}
