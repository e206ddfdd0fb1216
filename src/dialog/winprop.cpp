#include "dialog/winprop.h"

namespace {
const char contextProperty[] = "Handle";
const char sheetProperty[] = "QzifxSheet";
} // namespace

int attachContext(HWND window, SetupContext* context) {
    return SetPropA(window, contextProperty, context) ? 0 : 1;
}

SetupContext* contextOf(HWND window) {
    return static_cast<SetupContext*>(GetPropA(window, contextProperty));
}

void detachContext(HWND window) {
    RemovePropA(window, contextProperty);
}

int attachSheet(HWND sheet, SheetHolder* holder) {
    return SetPropA(sheet, sheetProperty, holder) ? 0 : 1;
}

SheetHolder* sheetRecordOf(HWND sheet) {
    return static_cast<SheetHolder*>(GetPropA(sheet, sheetProperty));
}

void detachSheet(HWND sheet) {
    RemovePropA(sheet, sheetProperty);
}
