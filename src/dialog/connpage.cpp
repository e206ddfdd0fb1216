// The Connection and Advanced pages share one procedure. The Connection
// page alone ties the LogonID field to the default-login check box; each
// page keeps its own sheet window and help topic.
#include "dialog/connpage.h"
#include "dialog/ownerdrw.h"
#include "dialog/propshet.h"
#include "base/utility.h"
#include "dialog/wincente.h"
#include "dialog/wingetst.h"
#include "dialog/winprop.h"
#include "base/rvdbcs.h"
#include "setup/basesetu.h"
#include "setup/mainsetu.h"
#include "resources/resource.h"
#include "store/registry.h"

namespace {
// Controls that the procedure addresses itself; the binding fills and
// reads the attribute controls among them as well.
enum : int {
    controlHostName = IDC_HOST_NAME,
    controlLogonId = IDC_LOGON_ID,
    controlService = IDC_SERVICE,
    controlProtocol = IDC_PROTOCOL,
    controlDatabases = IDC_DATABASES,
    controlCursorBehavior = IDC_CURSOR_BEHAVIOR,
    controlTranslator = IDC_TRANSLATOR,
    controlScroll = IDC_SCROLL,
    controlGetDbList = IDC_GET_DB_LIST,
    controlCancelDetect = IDC_CANCEL_DETECT,
    controlServerName = IDC_SERVER_NAME,
    controlUseDefaultLogin = IDC_USE_DEFAULT_LOGIN,
};

// Informix client settings are read into buffers of this size: a value
// needs its terminator within them.
enum : DWORD { clientValueSize = 32 };
// A combo box item's text, terminator included.
enum : LRESULT { itemTextSize = 256 };

const char* const protocolNames[] = {"sesoctcp", "olsoctcp", "onsoctcp", "sesocspx",
                                     "olsocspx", "onsocspx", "seipcpip"};

const char environmentKey[] = "Software\\Informix\\Environment";
const char sqlHostsKey[] = "Software\\Informix\\SqlHosts\\";
const char netrcKey[] = "Software\\Informix\\NETRC\\";

struct IconPage {
    PageProtocol protocol;
    // UseDefaultLogin disables LogonID (the Connection page).
    bool tiesLogonToDefaultLogin;
};

bool applyPage(HWND page, SetupContext* context);

IconPage connectionPage = {{"infconnection", applyPage, false}, true};
IconPage advancedPage = {{"infadvanced", applyPage, false}, false};

using ClientValue = char[clientValueSize];

// Reads value valueName of the key root\keyPrefix keyName. The client
// stores its settings as text; a longer value, or one of another type, is
// not a setting this page can show, and a cut one would name another
// server or host: it counts as missing.
bool readClientValue(PlatKey root, const char* keyPrefix, const char* keyName,
                     const char* valueName, ClientValue& value) {
    return readRegistryText(root, keyPrefix, keyName, valueName, value, clientValueSize);
}

// A value of the SQLHOSTS entry of server. An empty name names no entry.
bool readSqlHostsValue(const ClientValue& server, const char* valueName, ClientValue& value) {
    return server[0] && readClientValue(platKeyLocalMachine, sqlHostsKey, server, valueName, value);
}

// The entry consulted is always that of the user's current Informix
// server, whatever server the data source names.
bool lookUpClientSetting(int kind, ClientValue& value) {
    ClientValue server;
    if (!readClientValue(platKeyCurrentUser, environmentKey, "", "INFORMIXSERVER", server))
        return false;
    switch (kind) {
    case clientServer:
        copyBytes(value, server, sizeof server);
        return true;
    case clientProtocol:
        return readSqlHostsValue(server, "PROTOCOL", value);
    case clientService:
        return readSqlHostsValue(server, "SERVICE", value);
    case clientHost:
        return readSqlHostsValue(server, "HOST", value);
    case clientUser: {
        ClientValue host;
        return readSqlHostsValue(server, "HOST", host) && host[0] &&
               readClientValue(platKeyCurrentUser, netrcKey, host, "USER", value);
    }
    }
    return false;
}

// Empty server fields, in the order they are filled; each lookup starts
// again from the environment key.
const struct {
    int controlId;
    int kind;
} serverFields[] = {
    {controlServerName, clientServer}, {controlService, clientService},
    {controlProtocol, clientProtocol}, {controlHostName, clientHost},
    {controlLogonId, clientUser},
};

void fillServerFields(HWND page) {
    for (const auto& field : serverFields)
        fillFromClientRegistry(page, field.controlId, field.kind);
}

void addProtocolNames(HWND page) {
    for (const char* name : protocolNames)
        SendDlgItemMessageA(page, controlProtocol, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

// LogonID is used only when the default login is not.
void updateLogonId(HWND page) {
    EnableWindow(GetDlgItem(page, controlLogonId),
                 IsDlgButtonChecked(page, controlUseDefaultLogin) != BST_CHECKED);
}

INT_PTR initPage(IconPage* kind, HWND page, LPARAM pageRecord) {
    SetupContext* context = beginPage(page, pageRecord);
    centerWindow(page);
    fitIconListFields(page);
    addProtocolNames(page);
    if (!context || fillControls(page, context) != 0)
        return TRUE;
    fillServerFields(page);
    if (kind->tiesLogonToDefaultLogin)
        updateLogonId(page);
    // The Advanced page has no Databases field; focus on nothing would
    // leave the keyboard with no control.
    if (HWND databases = GetDlgItem(page, controlDatabases))
        SetFocus(databases);
    return FALSE;
}

// PSN_APPLY: the controls are read back, then the General page saves. It
// is applied before this page, so it saves once more to carry this page's
// values as well.
bool applyPage(HWND page, SetupContext* context) {
    if (!context)
        return false;
    if (readControls(page, context) != 0) {
        showFault(page, 0);
        return false;
    }
    SheetHolder* holder = sheetOf(page);
    HWND general = holder ? holder->descriptor->pages[0].pageWindow : nullptr;
    return !general || SendMessageA(general, WM_COMMAND, IDOK, 0) != 0;
}

// Command 310. A cancelled choice is no failure; running out of memory is
// reported with the last error's text.
void runTranslator(HWND page) {
    SetupContext* context = contextOf(page);
    if (!context || chooseTranslator(page, context) == 0)
        return;
    showLastDiagnostic(page);
}

// Commands come as a whole parameter: a control's notification other than
// a click is not a command.
INT_PTR handleCommand(IconPage* kind, HWND page, WPARAM command) {
    switch (command) {
    case controlTranslator:
        runTranslator(page);
        return TRUE;
    case controlUseDefaultLogin:
        if (!kind->tiesLogonToDefaultLogin)
            return FALSE;
        updateLogonId(page);
        return TRUE;
    }
    return FALSE;
}

bool isIconItemControl(UINT controlId) {
    switch (controlId) {
    case controlProtocol:
    case controlCursorBehavior:
    case controlScroll:
    case controlGetDbList:
    case controlCancelDetect:
        return true;
    }
    return false;
}

// The icon of a control's items; CancelDetectInterval has none.
const char* iconOfControl(UINT controlId) {
    switch (controlId) {
    case controlProtocol:
        return "Protocol";
    case controlCursorBehavior:
        return "Cursor";
    case controlScroll:
        return "Scroll";
    case controlGetDbList:
        return "GetDBList";
    }
    return nullptr;
}

// The text of the item drawn; empty for the empty field of a combo box
// without a selection, for a control that is no combo box, and for a text
// that would not fit.
void itemText(const DRAWITEMSTRUCT* record, char (&text)[itemTextSize]) {
    text[0] = 0;
    if (record->CtlType != ODT_COMBOBOX || record->itemID == static_cast<UINT>(-1))
        return;
    LRESULT length = SendMessageA(record->hwndItem, CB_GETLBTEXTLEN, record->itemID, 0);
    if (length == CB_ERR || length >= itemTextSize)
        return;
    if (SendMessageA(record->hwndItem, CB_GETLBTEXT, record->itemID,
                     reinterpret_cast<LPARAM>(text)) == CB_ERR)
        text[0] = 0;
}

INT_PTR drawPageItem(const DRAWITEMSTRUCT* record) {
    if (!isIconItemControl(record->CtlID))
        return FALSE;
    char text[itemTextSize];
    itemText(record, text);
    drawIconItem(static_cast<HINSTANCE>(resourceLibrary), record, text,
                 iconOfControl(record->CtlID));
    return TRUE;
}

INT_PTR runIconPage(IconPage* kind, HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return initPage(kind, page, lParam);
    case WM_MEASUREITEM:
        // Comes while the dialog makes its controls, before WM_INITDIALOG.
        measureIconItem(page, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_DRAWITEM:
        return drawPageItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    }
    INT_PTR result = FALSE;
    if (handlePageMessage(&kind->protocol, page, message, wParam, lParam, &result))
        return result;
    if (message == WM_COMMAND)
        return handleCommand(kind, page, wParam);
    return FALSE;
}
} // namespace

INT_PTR CALLBACK connectionPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return runIconPage(&connectionPage, page, message, wParam, lParam);
}

INT_PTR CALLBACK advancedPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    return runIconPage(&advancedPage, page, message, wParam, lParam);
}

int fillFromClientRegistry(HWND page, int controlId, int kind) {
    char text[clientValueSize] = "";
    GetDlgItemTextA(page, controlId, text, clientValueSize);
    // What the user or the data source already has is never replaced.
    if (text[0])
        return 1;
    ClientValue value;
    if (!lookUpClientSetting(kind, value))
        return 0;
    SetDlgItemTextA(page, controlId, value);
    return 1;
}
