#include "entry/sheetsetu.h"
#include "base/rvalloc.h"
#include "base/utility.h"
#include "dialog/aboutpag.h"
#include "dialog/connpage.h"
#include "dialog/generpag.h"
#include "dialog/propshet.h"
#include "resources/resource.h"
#include "setup/basesetu.h"

namespace {
enum { pageCount = 4, titleCapacity = 16 };

struct PagePlan {
    unsigned titleId;
    uint32_t templateId;
    DLGPROC procedure;
};
const PagePlan pagePlans[pageCount] = {
    {IDS_TITLE_GENERAL, IDD_GENERAL, generalPageProcedure},
    {IDS_TITLE_CONNECTION, IDD_CONNECTION, connectionPageProcedure},
    {IDS_TITLE_ADVANCED, IDD_ADVANCED, advancedPageProcedure},
    {IDS_TITLE_ABOUT, IDD_ABOUT, aboutPageProcedure},
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
                             IDS_SHEET_CAPTION,
                             0,
                             pageCount,
                             pages};
    auto* holder = static_cast<SheetHolder*>(rvAlloc(sizeof(SheetHolder)));
    int confirmed = 0;
    if (holder) {
        holder->descriptor = &sheet;
        holder->state = sheetEditing;
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
