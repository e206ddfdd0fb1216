#include "dialog/owner_drawn_items.h"

namespace {
// In pixels: the room above and below an item's content, the icon's
// distance from the item's left edge and the gap between icon and text.
enum : int { itemMargin = 1, iconLeft = 2, iconGap = 4 };

// The height of a line of text in the font selected into dc.
int lineHeight(HDC dc) {
    TEXTMETRICA metrics;
    return GetTextMetricsA(dc, &metrics) ? metrics.tmHeight : 0;
}

// The line height of font (the system font when null) on window's screen.
int fontLineHeight(HWND window, HFONT font) {
    HDC dc = GetDC(window);
    if (!dc)
        return 0;
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    int height = lineHeight(dc);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return height;
}

HFONT fontOf(HWND window) {
    return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
}

bool isEditableCombo(HWND combo) {
    return combo && (GetWindowLongA(combo, GWL_STYLE) & 3) == CBS_DROPDOWN;
}

void drawIcon(HINSTANCE instance, HDC dc, int x, int y, int size, const char* iconName,
              bool greyed) {
    if (!instance || !iconName || size <= 0)
        return;
    HANDLE icon = LoadImageA(instance, iconName, IMAGE_ICON, size, size, 0);
    if (!icon)
        return;
    if (greyed)
        DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, size, size,
                   DST_ICON | DSS_DISABLED);
    else
        DrawIconEx(dc, x, y, static_cast<HICON>(icon), size, size, 0, nullptr, DI_NORMAL);
    DestroyIcon(static_cast<HICON>(icon));
}
} // namespace

IconItemLayout iconItemLayout(int textHeight) {
    int icon = GetSystemMetrics(SM_CXSMICON);
    int content = icon > textHeight ? icon : textHeight;
    return {icon, content + 2 * itemMargin, iconLeft + icon + iconGap};
}

void measureIconItem(HWND page, MEASUREITEMSTRUCT* record) {
    int text = fontLineHeight(page, fontOf(page));
    HWND combo = GetDlgItem(page, static_cast<int>(record->CtlID));
    if (record->itemID == static_cast<UINT>(-1) && isEditableCombo(combo)) {
        // The combo box proposes the field of a plain one in the font it
        // has now; the same field in the page's font differs by the two
        // fonts' line heights.
        int proposed =
            static_cast<int>(record->itemHeight) + text - fontLineHeight(combo, fontOf(combo));
        if (proposed > 0)
            record->itemHeight = static_cast<UINT>(proposed);
        return;
    }
    record->itemHeight = static_cast<UINT>(iconItemLayout(text).itemHeight);
}

void fitIconListFields(HWND page) {
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        LONG style = GetWindowLongA(child, GWL_STYLE);
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        COMBOBOXINFO info = {};
        info.cbSize = sizeof info;
        if (lstrcmpiA(className, "ComboBox") != 0 || !(style & CBS_OWNERDRAWFIXED) ||
            (style & 3) != CBS_DROPDOWNLIST || !GetComboBoxInfo(child, &info))
            continue;
        LRESULT item = SendMessageA(child, CB_GETITEMHEIGHT, 0, 0);
        LRESULT field = SendMessageA(child, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        LRESULT shown = info.rcItem.bottom - info.rcItem.top;
        if (item != CB_ERR && field != CB_ERR && shown < item)
            SendMessageA(child, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field + item - shown);
    }
}

void drawIconItem(HINSTANCE instance, const DRAWITEMSTRUCT* record, const char* text,
                  const char* iconName) {
    HDC dc = record->hDC;
    const RECT& item = record->rcItem;
    bool disabled = (record->itemState & ODS_DISABLED) != 0;
    bool selected = !disabled && (record->itemState & ODS_SELECTED);
    FillRect(dc, &item,
             GetSysColorBrush(disabled   ? COLOR_BTNFACE
                              : selected ? COLOR_HIGHLIGHT
                                         : COLOR_WINDOW));
    COLORREF oldColour = SetTextColor(dc, GetSysColor(disabled   ? COLOR_GRAYTEXT
                                                      : selected ? COLOR_HIGHLIGHTTEXT
                                                                 : COLOR_WINDOWTEXT));
    IconItemLayout layout = iconItemLayout(lineHeight(dc));
    // An item lower than the layout's still shows its whole icon, smaller.
    int height = item.bottom - item.top;
    int icon =
        height - 2 * itemMargin < layout.iconSize ? height - 2 * itemMargin : layout.iconSize;
    drawIcon(instance, dc, item.left + iconLeft, item.top + (height - icon) / 2, icon, iconName,
             disabled);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT textArea = {item.left + layout.textLeft, item.top, item.right, item.bottom};
    DrawTextA(dc, text ? text : "", -1, &textArea,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
    if (record->itemState & ODS_FOCUS)
        DrawFocusRect(dc, &item);
}
