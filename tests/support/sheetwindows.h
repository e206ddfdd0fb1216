// What the dialog tests read off a running property sheet: its pages, its
// tab titles and the text of its windows, in UTF-16 whatever form the
// windows were made in.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>

inline HWND pageAt(HWND sheet, int index) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, index, 0));
}

inline std::wstring windowTextW(HWND window) {
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return text;
}

inline std::wstring tabTitle(HWND sheet, int index) {
    wchar_t text[64] = L"";
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(PropSheet_GetTabControl(sheet), TCM_GETITEMW, index,
                 reinterpret_cast<LPARAM>(&item));
    return text;
}

// The window that has the keyboard focus on the sheet's thread.
inline HWND focusIn(HWND sheet) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(sheet, nullptr), &info);
    return info.hwndFocus;
}
