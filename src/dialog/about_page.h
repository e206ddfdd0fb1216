// The About page of the setup sheet: which driver file the data source
// uses, that file's date and size, the build, and for the company's own
// drivers a notice with a column of icons that a thread of the page's own
// scrolls while the page shows.
#pragma once
#include <windows.h>
#include "resources/resource.h"
#include "setup/animation_state.h"

struct SetupContext;

// Control identifiers of the page (dialog template IDD_ABOUT).
enum : int {
    aboutFirstIcon = IDI_ABOUT1, // and the three after it: the icon column
    aboutDriverPath = IDC_DRIVER_PATH,
    aboutVersion = IDC_SETUP_VERSION,
    aboutFileDate = IDC_FILE_DATE,
    aboutFileSize = IDC_FILE_SIZE,
    aboutCopyright = IDC_COPYRIGHT,
    aboutAddress1 = IDC_ADDRESS1,
    aboutAddress2 = IDC_ADDRESS2,
    aboutRights = IDC_RIGHTS,
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
