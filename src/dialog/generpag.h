// The General page: the data source's name and description, and the page
// that commits the data source on every OK or Apply of the sheet. It also
// puts the Test Connect button into the sheet, beside OK, so that the
// button shows on every page.
#pragma once
#include <windows.h>

struct SetupContext;

INT_PTR CALLBACK generalPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The apply step that every page's apply ends in: while a test collects
// the values it only reads the page back; otherwise it saves the data
// source. True when the values were taken (PageProtocol::apply).
bool applyGeneralPage(HWND page, SetupContext* context);
