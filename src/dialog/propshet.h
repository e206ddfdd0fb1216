// The property sheet of an interactive request and the rules its editing
// pages share: the apply result they agree on, the sheet notifications,
// help and the Test Connect command.
#pragma once
#include <windows.h>
#include <prsht.h>
#include <cstdint>

struct SetupContext;

struct PageDescriptor {
    const char16_t* title; // tab text
    uint32_t templateId;   // dialog template in the resource library
    DLGPROC procedure;
    SetupContext* context; // handed to the page as its creation parameter
    uint32_t flags;        // PSP_ flags of the page
    HWND pageWindow;       // the General page stores its window here
    HPROPSHEETPAGE pageHandle;
};

struct SheetDescriptor {
    HWND ownerWindow;
    HINSTANCE instance; // the resource library
    uint32_t captionId; // string id of the sheet caption
    uint32_t flags;     // PSH_ flags of the sheet
    uint32_t pageCount;
    PageDescriptor* pages;
};

// What a running sheet is doing. Each state has one meaning, and a failed
// apply leaves none behind: a retried OK, a page change and a test are
// never held back by an earlier failure.
enum SheetState : int32_t {
    sheetEditing = 0,           // the user edits the pages; OK and Apply save
    sheetTestCollecting = 1,    // Test Connect has the pages read back: nothing is checked or saved
    sheetTestCollectFailed = 2, // a page could not be read back for the test, which does not run
    sheetTestConnecting = 3,    // Test Connect tries the settings: no OK or Apply is taken
};

// The record of one running sheet: everything that belongs to the sheet
// rather than to the process, so that two sheets in one process (two
// administrator windows) share nothing. Its pages reach it from the
// sheet's window (sheetOf).
struct SheetHolder {
    SheetDescriptor* descriptor;
    SheetState state;
    // Titles reach the narrow page functions through this buffer, which
    // the next page reuses: the page functions keep their own copy.
    char narrowTitle[4096];
};

// The record of the sheet that page belongs to (its parent window); null
// for a page outside a running sheet.
SheetHolder* sheetOf(HWND page);

// Runs the sheet modally in the narrow or wide form that the system calls
// for. 0 when it ended with a positive result (OK), 1 when it was
// cancelled or could not be shown.
int runPropertySheet(SheetHolder* holder);

// Commands and notifications of the pages.
enum : uint16_t {
    pageCommandHelp = 9,          // open the page's help topic
    pageCommandTestConnect = 321, // the sheet's Test Connect button
    sheetApplyButton = 12321,     // the sheet's own Apply button
};

// What an editing page (General, Connection, Advanced) keeps for the
// rules it shares with the others.
struct PageProtocol {
    const char* helpTopic;
    // The page's own apply step: true when the page's values were taken
    // (saved, or read back for a test). A step that fails has told the user
    // why and put the sheet where it is to be put right (showFault).
    bool (*apply)(HWND page, SetupContext* context);
    // The General page records its window in the first page descriptor.
    bool recordsPageWindow;
};

// WM_INITDIALOG of a page: attaches the context that the page record
// carries, and the context's sheet record to the sheet's window. The
// context, or null when it could not be attached.
SetupContext* beginPage(HWND page, LPARAM pageRecord);
// The messages that the editing pages answer alike: the sheet
// notifications, help requests, the Test Connect command and the page's
// destruction (the context is detached). True when
// message was one of them, with the dialog procedure's return in *result
// (a notification's own result is set with DWLP_MSGRESULT).
bool handlePageMessage(PageProtocol* protocol, HWND page, UINT message, WPARAM wParam,
                       LPARAM lParam, INT_PTR* result);
// The Test Connect command: the sheet reads every page back, then the
// settings are tried through the driver manager. The sheet takes no input
// while they are tried, and its Apply button keeps its state. When a page
// cannot be read back the test does not run, and the user is told why.
void runTestConnectCommand(HWND sheet, SetupContext* context);

// Puts the sheet of page on that page and gives the focus to its control
// controlId (0: the page alone), its text selected, so that a failed save
// leaves the user at what is to be put right.
void showFault(HWND page, int controlId);
// The last diagnostic of the request's error list (running out of memory,
// say) in a warning box owned by owner; nothing when there is none.
void showLastDiagnostic(HWND owner);
