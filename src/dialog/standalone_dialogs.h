// Dialogs of the resource library shown on their own, outside the sheet.
#pragma once
#include <windows.h>

// Shows dialog template templateId of the resource library modally with
// procedure and parameter. The owner is owner, or the active window when
// owner is null or the active window lies inside it (a dialog opened from
// a page belongs above the sheet). The window active before gets the focus
// back. 0, or 1 after posting error 9999 when the dialog cannot be made.
int showModalDialog(HWND owner, unsigned templateId, DLGPROC procedure, LPARAM parameter);
