// The checks that the General page's save step makes before anything is
// written. Each one that fails has told the user why and put the sheet on
// the field to put right (showFault), and answers false.
#pragma once
#include <windows.h>

struct SetupContext;

// Every text on the sheet's pages that the user made can be stored: the
// controls are Unicode, ODBC.INI is ANSI, and a character the ANSI code
// page lacks would be stored as "?" without a word.
bool checkTextsStorable(HWND page, const SetupContext* context);

// The name read back fits the installer's 32 bytes, which 32 double-byte
// characters do not. A file data source is named by its file instead.
bool checkNameLength(HWND page, const SetupContext* context);

// A name new to this request (not its stored name in any letter case)
// that another data source has already: the user is asked, No by default,
// before that data source is replaced.
bool confirmReplacing(HWND page, const SetupContext* context);
