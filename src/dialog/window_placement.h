// Window placement. The pages centre themselves at initialisation: inside
// a running sheet the sheet then places them itself, but a template shown
// as a stand-alone dialog ends up centred on its owner.
#pragma once
#include <windows.h>

// Centres window on its direct parent, or on the screen when it has no
// parent or its topmost ancestor is minimised, and keeps it on the screen.
void centerWindow(HWND window);
// The left (or top) edge that centres a window of extent size in an area
// from start of extent area, moved back onto a screen of extent screen.
int centeredPosition(int start, int area, int size, int screen);
