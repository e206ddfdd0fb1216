// The setup context of a request, carried by each page window so that
// every message of the page can reach it.
#pragma once
#include <windows.h>

struct SetupContext;

// Stores context as the window property "Handle": 0, or 1 when the
// property cannot be set.
int attachContext(HWND window, SetupContext* context);
// The context attached to window; null when none is.
SetupContext* contextOf(HWND window);
