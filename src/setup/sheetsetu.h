// The interactive part of a request: the property sheet in which the user
// edits the data source, and the save step behind its OK and Apply.
#pragma once
#include <windows.h>

struct SetupContext;

// Runs the four-page sheet for a loaded request and gives back the
// request's use of the resource library. TRUE when the user confirmed
// with OK, FALSE when the sheet was cancelled or could not be shown.
int runSetupSheet(SetupContext* context);

// The General page's save step: reads the page back, checks the name
// (telling the user when it is not valid) and writes the data source, or
// for a file data source hands its connection string to the caller. The
// page then shows the stored forms. 0 on success, 1 on failure.
int saveDataSource(HWND page, SetupContext* context);
