#include "dialog/window_placement.h"

int centeredPosition(int start, int area, int size, int screen) {
    int position = start + (area - size) / 2;
    if (position < 0)
        position = 0;
    if (size > screen)
        position = 0;
    else if (position + size > screen)
        position = screen - size;
    return position;
}

void centerWindow(HWND window) {
    RECT own;
    if (!GetWindowRect(window, &own))
        return;
    int width = own.right - own.left, height = own.bottom - own.top;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);

    HWND parent = GetParent(window);
    HWND top = parent;
    while (top && GetParent(top))
        top = GetParent(top);
    RECT area = {0, 0, screenWidth, screenHeight};
    if (parent && !IsIconic(top))
        GetWindowRect(parent, &area);

    int x = centeredPosition(area.left, area.right - area.left, width, screenWidth);
    int y = centeredPosition(area.top, area.bottom - area.top, height, screenHeight);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
