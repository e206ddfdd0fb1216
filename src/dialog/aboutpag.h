// The About page of the setup sheet: which driver file the data source
// uses, that file's date and size, the build, and for the company's own
// drivers a notice with a column of icons that a thread of the page's own
// scrolls while the page shows.
#pragma once
#include <windows.h>
#include "setup/animstat.h"

struct SetupContext;

// Control identifiers of the page (dialog template 10).
enum : int {
    aboutFirstIcon = 601, // 601 to 604: the icon column
    aboutDriverPath = 605,
    aboutVersion = 606,
    aboutFileDate = 607,
    aboutFileSize = 608,
    aboutCopyright = 609,
    aboutAddress1 = 610,
    aboutAddress2 = 611,
    aboutRights = 616,
};

// The page's dialog procedure. It keeps its own rules rather than the
// editing pages' (there is nothing to apply), and runs the animation
// exactly while the page is the active one.
INT_PTR CALLBACK aboutPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the driver file of the data source (from ODBC.INI, else from the
// driver's ODBCINST.INI section), its date and size, and the company lines
// when the file's name starts with "QZ"; chooses the icons the animation
// draws. Returns 0.
int fillAboutText(HWND page, SetupContext* context);

// The drawing thread: scrolls the icons of state (an AnimationState) up
// the page's column, 4 pixels every half second, until stopRequested.
DWORD WINAPI animateIcons(void* state);
