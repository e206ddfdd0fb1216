// The setup context of a request, carried by each page window so that
// every message of the page can reach it.
#pragma once
#include <windows.h>

struct SetupContext;
struct SheetHolder;

// Stores context as the window property "Handle": 0, or 1 when the
// property cannot be set.
int attachContext(HWND window, SetupContext* context);
// The context attached to window; null when none is.
SetupContext* contextOf(HWND window);
// Removes the property, as a window must before it is destroyed: the
// context ends with the request, and the property's name stays held by the
// system for as long as a window carries it.
void detachContext(HWND window);

// The record of a running sheet, carried by the sheet's window as the
// property "QzifxSheet" in the same way: 0, or 1 when it cannot be set.
int attachSheet(HWND sheet, SheetHolder* holder);
// The record attached to sheet; null when none is.
SheetHolder* sheetRecordOf(HWND sheet);
void detachSheet(HWND sheet);
