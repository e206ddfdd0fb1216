#include "dialog/standalone_dialogs.h"
#include "base/resource_library.h"
#include "base/error_list.h"

int showModalDialog(HWND owner, unsigned templateId, DLGPROC procedure, LPARAM parameter) {
    HWND active = GetActiveWindow();
    if (!owner || (active && IsChild(owner, active)))
        owner = active;
    INT_PTR shown = DialogBoxParamA(static_cast<HINSTANCE>(resourceLibrary),
                                    MAKEINTRESOURCEA(templateId), owner, procedure, parameter);
    if (active && IsWindow(active) && GetActiveWindow() != active)
        SetFocus(active);
    // -1 is a dialog that could not be created. The pages end their
    // dialogs with 16-bit results, so only the low 16 bits are compared.
    if (static_cast<int16_t>(shown) == -1) {
        postError(9999);
        return 1;
    }
    return 0;
}
