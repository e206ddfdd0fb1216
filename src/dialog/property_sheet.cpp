// The property sheet host. The pages come from the resource library; the
// sheet is made with the narrow or the wide property-sheet functions, by
// what the system supports (isNarrowCharacterSystem).
#include "dialog/property_sheet.h"
#include "base/resource_library.h"
#include "dialog/page_context.h"
#include "base/allocation.h"
#include "base/platform.h"
#include "base/multibyte_text.h"
#include "base/error_list.h"
#include "help/help_url.h"
#include "setup/setup_context.h"
#include "testconn/testconn.h"
#include <cstddef>

// The record layouts: pages with the header-title fields, the sheet header
// with the watermark and header fields (48 and 52 bytes on 32-bit Windows).
const unsigned pageRecordSize = offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + sizeof(LPCSTR);
static_assert(offsetof(PROPSHEETPAGEW, pszHeaderSubTitle) + sizeof(LPCWSTR) == pageRecordSize,
              "page record forms");
static_assert(sizeof(void*) != 4 || (pageRecordSize == 48 && sizeof(PROPSHEETHEADERA) == 52 &&
                                     sizeof(PROPSHEETHEADERW) == 52),
              "property sheet record layouts");

namespace {
// A resource identifier in the string type of either record form.
template <class Text> Text resourceName(uint32_t id) {
    return reinterpret_cast<Text>(static_cast<ULONG_PTR>(static_cast<WORD>(id)));
}

// Fills a page record of either form with the page's description and
// title, and creates the page with that form's function.
template <class Record, class Text>
HPROPSHEETPAGE createPage(const SheetDescriptor* sheet, const PageDescriptor* page, Text title,
                          Record* record, HPROPSHEETPAGE(WINAPI* create)(const Record*)) {
    record->dwSize = pageRecordSize;
    record->dwFlags = page->flags;
    record->hInstance = sheet->instance;
    record->pszTemplate = resourceName<Text>(page->templateId);
    record->pszTitle = title;
    record->pfnDlgProc = page->procedure;
    record->lParam = reinterpret_cast<LPARAM>(page->context);
    return create(record);
}

HPROPSHEETPAGE createNarrowPage(SheetHolder* holder, const PageDescriptor* page,
                                PROPSHEETPAGEA* record) {
    char* title = holder->narrowTitle;
    int units = static_cast<int>(lengthW(page->title)) + 1;
    if (platWideToAnsi(page->title, units, title, sizeof holder->narrowTitle) <= 0)
        return nullptr;
    return createPage<PROPSHEETPAGEA, LPCSTR>(holder->descriptor, page, title, record,
                                              CreatePropertySheetPageA);
}

HPROPSHEETPAGE createWidePage(const SheetDescriptor* sheet, const PageDescriptor* page,
                              PROPSHEETPAGEW* record) {
    return createPage<PROPSHEETPAGEW, LPCWSTR>(sheet, page, reinterpret_cast<LPCWSTR>(page->title),
                                               record, CreatePropertySheetPageW);
}

void destroyPages(SheetDescriptor* sheet, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        DestroyPropertySheetPage(sheet->pages[i].pageHandle);
        sheet->pages[i].pageHandle = nullptr;
    }
}

// Creates every page in index order into its pageHandle. A page that
// cannot be made takes the ones made before it with it.
bool createPages(SheetHolder* holder, bool narrow) {
    SheetDescriptor* sheet = holder->descriptor;
    size_t recordSize = narrow ? sizeof(PROPSHEETPAGEA) : sizeof(PROPSHEETPAGEW);
    // rvAlloc notes a failure as out of memory itself.
    void* records = rvAlloc(recordSize * sheet->pageCount);
    if (!records)
        return false;
    zeroBytes(records, recordSize * sheet->pageCount);
    uint32_t made = 0;
    for (; made < sheet->pageCount; ++made) {
        PageDescriptor* page = &sheet->pages[made];
        page->pageHandle =
            narrow ? createNarrowPage(holder, page, static_cast<PROPSHEETPAGEA*>(records) + made)
                   : createWidePage(sheet, page, static_cast<PROPSHEETPAGEW*>(records) + made);
        if (!page->pageHandle)
            break;
    }
    rvFree(records);
    if (made == sheet->pageCount)
        return true;
    destroyPages(sheet, made);
    return false;
}

// Runs the sheet modally with the header of either form.
template <class Header, class Text>
INT_PTR showSheetAs(const SheetDescriptor* sheet, HPROPSHEETPAGE* handles,
                    INT_PTR(WINAPI* show)(const Header*)) {
    Header header = {};
    header.dwSize = sizeof header;
    header.dwFlags = sheet->flags;
    header.hwndParent = sheet->ownerWindow;
    header.hInstance = sheet->instance;
    header.pszCaption = resourceName<Text>(sheet->captionId);
    header.nPages = sheet->pageCount;
    header.phpage = handles;
    return show(&header);
}

INT_PTR showSheet(const SheetDescriptor* sheet, HPROPSHEETPAGE* handles, bool narrow) {
    return narrow ? showSheetAs<PROPSHEETHEADERA, LPCSTR>(sheet, handles, PropertySheetA)
                  : showSheetAs<PROPSHEETHEADERW, LPCWSTR>(sheet, handles, PropertySheetW);
}

void setNotifyResult(HWND page, LONG_PTR value) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, value);
}

void sendHelpCommand(HWND page) {
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(pageCommandHelp, 0), 0);
}

// PSN_APPLY to an editing page: its apply step's answer to the sheet.
LONG_PTR applyPage(PageProtocol* protocol, HWND page, SheetHolder* holder) {
    // The sheet is disabled while a test tries the settings; an OK that
    // still reaches it would end the sheet, and the request would report a
    // save that never happened.
    if (holder && holder->state == sheetTestConnecting)
        return PSNRET_INVALID_NOCHANGEPAGE;
    if (!protocol->apply || protocol->apply(page, contextOf(page)))
        return PSNRET_NOERROR;
    if (holder && holder->state == sheetTestCollecting)
        holder->state = sheetTestCollectFailed;
    // The failed step has put the sheet on the page to put right.
    return PSNRET_INVALID_NOCHANGEPAGE;
}

// A sheet notification to an editing page; the result goes through
// DWLP_MSGRESULT. No page checks its fields when it is left, only when it
// is saved: the sheet leaves the page at the start of every OK, Apply and
// test, which a refusal would hold back.
void handleNotification(PageProtocol* protocol, HWND page, const NMHDR* header) {
    SheetHolder* holder = sheetOf(page);
    switch (header->code) {
    case PSN_SETACTIVE:
        // Apply stays available whenever an editing page shows.
        SendMessageA(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
        if (protocol->recordsPageWindow && holder)
            holder->descriptor->pages[0].pageWindow = page;
        setNotifyResult(page, 0);
        break;
    case PSN_KILLACTIVE:
        setNotifyResult(page, FALSE);
        break;
    case PSN_APPLY:
        setNotifyResult(page, applyPage(protocol, page, holder));
        break;
    case PSN_HELP:
        sendHelpCommand(page);
        break;
    }
}
} // namespace

int runPropertySheet(SheetHolder* holder) {
    SheetDescriptor* sheet = holder ? holder->descriptor : nullptr;
    if (!sheet || sheet->pageCount == 0)
        return 1;
    bool narrow = isNarrowCharacterSystem() == 1;
    if (!createPages(holder, narrow))
        return 1;
    auto* handles =
        static_cast<HPROPSHEETPAGE*>(rvAlloc(sizeof(HPROPSHEETPAGE) * sheet->pageCount));
    if (!handles) {
        destroyPages(sheet, sheet->pageCount);
        return 1;
    }
    for (uint32_t i = 0; i < sheet->pageCount; ++i)
        handles[i] = sheet->pages[i].pageHandle;
    INT_PTR result = showSheet(sheet, handles, narrow);
    rvFree(handles);
    return result > 0 ? 0 : 1;
}

SetupContext* beginPage(HWND page, LPARAM pageRecord) {
    // The creation parameter sits at the same place in both record forms.
    auto* record = reinterpret_cast<const PROPSHEETPAGEA*>(pageRecord);
    auto* context = record ? reinterpret_cast<SetupContext*>(record->lParam) : nullptr;
    if (!context || attachContext(page, context) != 0)
        return nullptr;
    if (context->sheet)
        attachSheet(GetParent(page), context->sheet);
    return context;
}

SheetHolder* sheetOf(HWND page) {
    return sheetRecordOf(GetParent(page));
}

bool handlePageMessage(PageProtocol* protocol, HWND page, UINT message, WPARAM wParam,
                       LPARAM lParam, INT_PTR* result) {
    switch (message) {
    case WM_NOTIFY:
        handleNotification(protocol, page, reinterpret_cast<const NMHDR*>(lParam));
        *result = TRUE;
        return true;
    case WM_HELP:
    case WM_CONTEXTMENU:
        sendHelpCommand(page);
        *result = TRUE;
        return true;
    case WM_DESTROY:
        detachContext(page);
        detachSheet(GetParent(page));
        return false;
    case WM_COMMAND: {
        SetupContext* context = contextOf(page);
        if (LOWORD(wParam) == pageCommandHelp) {
            if (context)
                showContextHelp(context->driverName, protocol->helpTopic, "ODBC");
            *result = TRUE;
            return true;
        }
        if (LOWORD(wParam) == pageCommandTestConnect) {
            if (context)
                runTestConnectCommand(GetParent(page), context);
            *result = TRUE;
            return true;
        }
        return false;
    }
    }
    return false;
}

namespace {
// The sheet's apply cycle reads every created page back into the context;
// the General page saves nothing while a test collects. The sheet greys
// Apply after a successful cycle, but nothing was applied: Apply keeps the
// state it had. True when every page was read back.
bool collectPages(HWND sheet, SheetHolder* holder) {
    HWND apply = GetDlgItem(sheet, sheetApplyButton);
    BOOL applyEnabled = apply && IsWindowEnabled(apply);
    holder->state = sheetTestCollecting;
    SendMessageA(sheet, WM_COMMAND, MAKEWPARAM(sheetApplyButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(apply));
    if (apply)
        EnableWindow(apply, applyEnabled);
    return holder->state == sheetTestCollecting;
}

// Tries the collected settings with the sheet disabled: the test's boxes
// and the driver's prompt belong to the sheet, which must not be applied
// or closed under them, nor come to the front over them. Afterwards the
// sheet gets the focus back, on its Test Connect button.
void tryWithSheetDisabled(HWND sheet, SheetHolder* holder, SetupContext* context) {
    holder->state = sheetTestConnecting;
    bool wasDisabled = EnableWindow(sheet, FALSE) != 0;
    runTestConnect(context, sheet);
    if (wasDisabled)
        return;
    EnableWindow(sheet, TRUE);
    SetActiveWindow(sheet);
    if (HWND button = GetDlgItem(sheet, pageCommandTestConnect))
        SendMessageA(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
}

// Diagnostic texts are kept as UTF-8; a narrow message box shows ANSI.
const char* shownText(RvError* error) {
    if (error->flags & RvError::outOfMemory)
        return error->messageText();
    return error->message.toNarrow(encodingAnsi);
}
} // namespace

void runTestConnectCommand(HWND sheet, SetupContext* context) {
    // Outside a running sheet there is nothing to collect the settings
    // from, and no record to keep the test's state in.
    SheetHolder* holder = sheetRecordOf(sheet);
    if (!holder)
        return;
    // A test on values partly read back would try settings nobody entered.
    if (collectPages(sheet, holder))
        tryWithSheetDisabled(sheet, holder, context);
    else
        showLastDiagnostic(sheet);
    holder->state = sheetEditing;
}

void showFault(HWND page, int controlId) {
    HWND sheet = GetParent(page);
    PropSheet_SetCurSel(sheet, nullptr, PropSheet_HwndToIndex(sheet, page));
    HWND control = controlId ? GetDlgItem(page, controlId) : nullptr;
    // The dialog manager selects an edit box's text as it gives it the focus.
    if (control)
        SendMessageA(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void showLastDiagnostic(HWND owner) {
    RvErrorList* errors = currentErrorList();
    RvError* last = errors ? errors->lastDiagnostic() : nullptr;
    if (last)
        MessageBoxA(owner, shownText(last), "Warning", MB_ICONWARNING | MB_TASKMODAL);
}
