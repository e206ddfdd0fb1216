// Owner-drawn list items with an icon beside their text, as the combo
// boxes of the Connection and Advanced pages show them. Their size follows
// the dialog's font and the platform's small-icon size, so that neither
// the icon nor the text is cut off at any screen DPI.
#pragma once
#include <windows.h>

// Where an item puts its icon and its text, for text of a font whose lines
// are textHeight pixels high.
struct IconItemLayout {
    int iconSize;   // the icon's width and height: the platform's small icon
    int itemHeight; // the taller of icon and text, and a margin above and below
    int textLeft;   // where the text starts, from the item's left edge
};
IconItemLayout iconItemLayout(int textHeight);

// WM_MEASUREITEM of a page's owner-drawn combo box. Items are measured in
// the page's font: the combo box is measured while it is made, before it
// has a font of its own. An editable combo box keeps an edit field as tall
// as a plain one in that font; a drop-down list's field shows an item.
void measureIconItem(HWND page, MEASUREITEMSTRUCT* record);

// Gives the drop-down lists among page's owner-drawn combo boxes a
// selection field that shows a whole item: a combo box's frame may take
// from the height it was measured with.
void fitIconListFields(HWND page);

// Draws an item: the named icon of instance (none when iconName is null or
// the icon is missing), vertically centred, and text beside it; selected
// items in the selection colours, a disabled field greyed, icon included.
void drawIconItem(HINSTANCE instance, const DRAWITEMSTRUCT* record, const char* text,
                  const char* iconName);
