#include "sheetsetu.h"
#include "basesetu.h"
#include "instshim.h"
#include "mainsetu.h"
#include "../base/rvalloc.h"
#include "../base/rvdbcs.h"
#include "../dialog/aboutpag.h"
#include "../dialog/connpage.h"
#include "../dialog/generpag.h"
#include "../dialog/propshet.h"
#include "../dialog/utility.h"
#include "../dialog/wingetst.h"

namespace {
enum { pageCount = 4, titleCapacity = 16 };

const char invalidNameText[] =
    "Invalid data source name.  The first character must be a letter, and the name cannot "
    "contain any of the following characters:  [ ] { } ( ) ? * = ! @ , ;";
// Shown for a refused write when the installer gives no reason of its own.
const char notSavedText[] = "The data source could not be saved.";

// The installer keeps at most eight error records of its last call; each
// message fits SQL_MAX_MESSAGE_LENGTH (512) bytes.
enum : uint16_t { installerRecords = 8, installerMessageBytes = 512 };
enum : int16_t { installerSuccess = 0, installerSuccessWithInfo = 1 };

struct PagePlan {
    unsigned titleId;
    uint32_t templateId;
    DLGPROC procedure;
};
const PagePlan pagePlans[pageCount] = {
    {20163, 3, generalPageProcedure},
    {20162, 4, connectionPageProcedure},
    {20161, 5, advancedPageProcedure},
    {20160, 10, aboutPageProcedure},
};
} // namespace

int runSetupSheet(SetupContext* context) {
    char16_t titles[pageCount][titleCapacity];
    PageDescriptor pages[pageCount];
    for (int i = 0; i < pageCount; ++i) {
        loadResourceStringW(resourceLibrary, pagePlans[i].titleId, titles[i], titleCapacity);
        pages[i] = {titles[i],
                    pagePlans[i].templateId,
                    pagePlans[i].procedure,
                    context,
                    PSP_USETITLE,
                    nullptr,
                    nullptr};
    }
    SheetDescriptor sheet = {static_cast<HWND>(context->parentWindow),
                             static_cast<HINSTANCE>(resourceLibrary),
                             20165,
                             0,
                             pageCount,
                             pages};
    auto* holder = static_cast<SheetHolder*>(rvAlloc(sizeof(SheetHolder)));
    int confirmed = 0;
    if (holder) {
        holder->descriptor = &sheet;
        holder->applyOk = 1;
        context->sheet = holder;
        confirmed = runPropertySheet(holder) == 0;
        context->sheet = nullptr;
        rvFree(holder);
    }
    // An interactive request gives the library back; a silent one keeps it.
    if (resourceLibrary)
        releaseResourceLibrary(&resourceLibrary, &resourceLibraryUses);
    return confirmed;
}

namespace {
void showError(HWND page, const char* text) {
    MessageBoxA(page, text, "Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

// Appends the installer's error messages of its last call to text, one a
// line; a message that would not fit whole is left out. False when the
// installer gave none.
bool collectInstallerMessages(char* text, size_t capacity) {
    size_t used = 0;
    for (uint16_t record = 1; record <= installerRecords; ++record) {
        char message[installerMessageBytes] = "";
        uint32_t code = 0;
        uint16_t length = 0;
        int16_t status = SQLInstallerError(record, &code, message, sizeof message, &length);
        if (status != installerSuccess && status != installerSuccessWithInfo)
            break;
        size_t n = textLength(message);
        size_t separator = used ? 1 : 0;
        if (n == 0 || used + separator + n >= capacity)
            continue;
        if (separator)
            text[used++] = '\n';
        copyBytesZ(text + used, message, n);
        used += n;
    }
    return used > 0;
}

// A write the installer refused: the user is told why, in the installer's
// own words when it has any, in a box owned by the sheet.
void showWriteRefused(HWND page) {
    char text[installerRecords * installerMessageBytes];
    showError(page, collectInstallerMessages(text, sizeof text) ? text : notSavedText);
}

// After a save the data source is stored under its new name: the next
// save of the same sheet moves it from there.
int rememberStoredName(SetupContext* context) {
    char* name = rvAllocText(context->dataSourceName);
    if (!name)
        return 1;
    rvFree(context->storedName);
    context->storedName = name;
    return 0;
}
} // namespace

int saveDataSource(HWND page, SetupContext* context) {
    if (readControls(page, context) != 0)
        return 1;
    const char* name = context->dataSourceName;
    // A file data source is never stored: its string goes to the caller.
    // It is named by its file, which need not be a valid data-source name.
    if (context->outputAddress && name && name[0])
        return storeConnectionString(context) == 0 ? 0 : 1;
    if (!name || !name[0] || !SQLValidDSN(name)) {
        showError(page, invalidNameText);
        return 1;
    }
    if (!writeDataSource(context)) {
        showWriteRefused(page);
        return 1;
    }
    if (rememberStoredName(context) != 0)
        return 1;
    // The page shows what was stored ("1" selects "1 - Preserve" again).
    return fillControls(page, context) == 0 ? 0 : 1;
}
