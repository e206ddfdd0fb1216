#include "generpag.h"
#include "propshet.h"
#include "utility.h"
#include "wincente.h"
#include "wingetst.h"
#include "winprop.h"
#include "../setup/basesetu.h"
#include "../setup/sheetsetu.h"

namespace {
enum : int { testConnectGap = 7 };

PageProtocol protocol = {"infgeneral", applyGeneralPage, true, nullptr};

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
    char text[256];
    if (LoadStringA(static_cast<HINSTANCE>(resourceLibrary), 20170, text, sizeof text) <= 0)
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
    SetupContext* context = beginPage(&protocol, page, pageRecord);
    if (!context || !addTestConnectButton(protocol.sheetWindow))
        return TRUE;
    centerWindow(page);
    if (fillControls(page, context) != 0)
        return TRUE;
    SetFocus(GetDlgItem(page, controlDataSourceName));
    return FALSE;
}

} // namespace

void applyGeneralPage(HWND page, SetupContext* context) {
    if (!context)
        return;
    int ok;
    if (testInProgress) {
        // A test only collects the values: nothing is checked or written.
        readControls(page, context);
        ok = 1;
    } else {
        ok = saveDataSource(page, context) == 0;
    }
    if (context->sheet)
        context->sheet->applyOk = ok;
}

INT_PTR CALLBACK generalPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return initialise(page, lParam);
    // The other pages send IDOK to this page to have the data source saved
    // with their values.
    if (message == WM_COMMAND && wParam == IDOK) {
        applyGeneralPage(page, contextOf(page));
        return TRUE;
    }
    INT_PTR result;
    if (handlePageMessage(&protocol, page, message, wParam, lParam, &result))
        return result;
    return FALSE;
}
