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
// Removes the property, as a window must before it is destroyed: the
// context ends with the request, and the property's name stays held by the
// system for as long as a window carries it.
void detachContext(HWND window);
