// Internet Explorer's open windows. A help window that Internet Explorer
// already shows is found through the shell's collection of browser windows
// and navigated to the hand-off URL, so the reader keeps one help window.
#pragma once
#include "help/browser_launch.h"

// Busy is read every step until the browser is done, for at most the
// limit: a page that never finishes loading must not hold the dialog.
enum { browserBusyStepMs = 100, browserBusyLimitMs = 10000 };

// Navigates the Internet Explorer window whose location shows
// helpLocation to length bytes of text and brings it forward. 0 when a
// window took the navigation; -1 when the shell windows cannot be reached
// (the thread has not initialised COM, or there is no collection), no
// window shows the help, or the navigation fails.
int navigateHelpWindow(BrowserInfo* info, const char* text, uint32_t length);
