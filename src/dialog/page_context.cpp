#include "dialog/page_context.h"

namespace {
const char contextProperty[] = "Handle";
const char sheetProperty[] = "QzifxSheet";

int attachProperty(HWND window, const char* name, void* value) {
    return SetPropA(window, name, value) ? 0 : 1;
}
} // namespace

int attachContext(HWND window, SetupContext* context) {
    return attachProperty(window, contextProperty, context);
}

SetupContext* contextOf(HWND window) {
    return static_cast<SetupContext*>(GetPropA(window, contextProperty));
}

void detachContext(HWND window) {
    RemovePropA(window, contextProperty);
}

int attachSheet(HWND sheet, SheetHolder* holder) {
    return attachProperty(sheet, sheetProperty, holder);
}

SheetHolder* sheetRecordOf(HWND sheet) {
    return static_cast<SheetHolder*>(GetPropA(sheet, sheetProperty));
}

void detachSheet(HWND sheet) {
    RemovePropA(sheet, sheetProperty);
}
