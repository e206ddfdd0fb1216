// The About page and its busy animation. The page's drawing thread only
// ever touches the AnimationState it is given, the page's display context
// and the icons it loads itself; the sheet's thread stops it and waits for
// it whenever the page stops being the active one.
#include "dialog/aboutpag.h"
#include "dialog/propshet.h"
#include "base/utility.h"
#include "dialog/winprop.h"
#include "base/bosfindf.h"
#include "base/rvdbcs.h"
#include "base/rvpath.h"
#include "setup/basesetu.h"
#include "store/registry.h"
#include "rvversion.h"

namespace {

// A driver path as the profiles hold it, terminator included.
enum { driverPathBytes = 393 };

// Room for a wide line converted to the ANSI code page.
enum { narrowLineBytes = 256 };

// The company's notice, shown for its own drivers only.
const char16_t copyrightLine[] = u"Copyright \u00A9 2026 Qzifx Software";
// The same where the ANSI code page of a narrow system has no copyright
// sign (932, for one, would show a plain "c").
const char16_t plainCopyrightLine[] = u"Copyright (C) 2026 Qzifx Software";
const char16_t rightsLine[] = u"All Rights Reserved.";
const char16_t addressLine1[] = u"Qzifx Software, 12 Mill Lane";
const char16_t addressLine2[] = u"Northbridge, NB 01234";

// The animated column, in pixels of the page: one icon wide, four high,
// its top left corner at (10, 15).
enum : int {
    iconSize = 32,
    columnLeft = 10,
    columnTop = 15,
    columnRight = 50,
    columnBottom = columnTop + animationIconCount * iconSize,
    stepPixels = 4,                                     // moved per frame
    stepsPerIcon = iconSize / stepPixels,               // 8 frames until the next icon leads
    framesPerCycle = stepsPerIcon * animationIconCount, // 32: back to the start
    frameMilliseconds = 500,
};

bool hasText(const char* text) {
    return text && *text;
}

// The driver file of the data source, else of the driver. An empty
// section name would read the profile's list of section names, so a data
// source without a name yet (an add) goes straight to the driver.
void readDriverPath(const SetupContext* context, char* path) {
    path[0] = 0;
    if (hasText(context->storedName))
        readProfileString(context->storedName, "Driver", "", path, driverPathBytes, "ODBC.INI");
    if (!path[0] && hasText(context->driverName))
        readProfileString(context->driverName, "Driver", "", path, driverPathBytes, "ODBCINST.INI");
}

// The company's drivers are named QZ..., in either letter case. Only the
// first two characters of the base name matter, and neither can be the
// directory, the extension or half of a double-byte character.
bool isCompanyDriver(const char* path) {
    const char* name = pathFileName(path);
    return (name[0] | 0x20) == 'q' && (name[1] | 0x20) == 'z';
}

// The file's date, and its size when it has one. A file that can't be
// found leaves both controls as they are.
void showFileDetails(HWND page, const char* path) {
    char date[fileDateTextSize];
    uint32_t size = 0;
    if (getFileDateAndSize(path, date, &size) != 0)
        return;
    SetDlgItemTextA(page, aboutFileDate, date);
    if (size == 0)
        return;
    // The size is the low 32 bits, shown unsigned: a file past 2 GiB does
    // not turn negative.
    char text[32];
    uint32_t digits = formatUnsigned(text, sizeof text - sizeof " bytes", size);
    copyBytes(text + digits, " bytes", sizeof " bytes");
    SetDlgItemTextA(page, aboutFileSize, text);
}

// Converts text to the ANSI code page into narrow. True only when every
// character has a place there: none is dropped or replaced by a look-alike.
bool toAnsiExactly(const char16_t* text, char (&narrow)[narrowLineBytes]) {
    int units = static_cast<int>(lengthW(text)) + 1;
    if (platWideToAnsi(text, units, narrow, sizeof narrow) <= 0)
        return false;
    char16_t back[narrowLineBytes];
    int bytes = static_cast<int>(textLength(narrow)) + 1;
    return platAnsiToWide(narrow, bytes, back, narrowLineBytes) == units &&
           compareW(back, text) == 0;
}

// Sets a control's text in the character form that the system uses. A
// narrow system shows plainText instead (when given) if text does not fit
// its ANSI code page whole.
void setControlText(HWND page, int control, const char16_t* text,
                    const char16_t* plainText = nullptr) {
    if (isNarrowCharacterSystem() != 1) {
        SetDlgItemTextW(page, control, reinterpret_cast<LPCWSTR>(text));
        return;
    }
    char narrow[narrowLineBytes];
    if (toAnsiExactly(text, narrow) || (plainText && toAnsiExactly(plainText, narrow)))
        SetDlgItemTextA(page, control, narrow);
    else if (platWideToAnsi(text, static_cast<int>(lengthW(text)) + 1, narrow, sizeof narrow) > 0)
        SetDlgItemTextA(page, control, narrow);
}

void showCompanyLines(HWND page) {
    setControlText(page, aboutCopyright, copyrightLine, plainCopyrightLine);
    setControlText(page, aboutRights, rightsLine);
    setControlText(page, aboutAddress1, addressLine1);
    setControlText(page, aboutAddress2, addressLine2);
}

void chooseIcons(HWND page, AnimationState* animation, bool company) {
    for (int i = 0; i < animationIconCount; ++i) {
        animation->iconIds[i] = company ? aboutFirstIcon + i : 0;
        if (!company)
            ShowWindow(GetDlgItem(page, aboutFirstIcon + i), SW_HIDE);
    }
}

// The drawing thread's icons, loaded as its own copies so that it can
// release them when it ends; an identifier 0 leaves its slot empty.
void loadIcons(const AnimationState* state, HICON* icons) {
    auto instance = static_cast<HINSTANCE>(state->instance);
    for (int i = 0; i < animationIconCount; ++i) {
        int id = state->iconIds[i];
        icons[i] = id ? static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON,
                                                      iconSize, iconSize, 0))
                      : nullptr;
    }
}

void releaseIcons(HICON* icons) {
    for (int i = 0; i < animationIconCount; ++i)
        if (icons[i])
            DestroyIcon(icons[i]);
}

void drawIcon(HDC dc, HICON icon, int y) {
    if (icon)
        DrawIcon(dc, columnLeft, y, icon);
}

// Frame 0 to 31 of the cycle: the column moved up by 4 pixels a frame,
// icon g leading. The icon leaving at the top comes back in at the bottom;
// on a frame that is a multiple of 8 the four icons fill the column by
// themselves. Nothing is erased: each frame covers the whole column.
void drawFrame(HDC dc, HRGN column, const HICON* icons, unsigned frame) {
    unsigned g = frame / stepsPerIcon;
    int s = static_cast<int>(frame % stepsPerIcon);
    SelectClipRgn(dc, column);
    for (unsigned j = 0; j < animationIconCount; ++j)
        drawIcon(dc, icons[(g + j) % animationIconCount],
                 columnTop + iconSize * static_cast<int>(j) - stepPixels * s);
    if (s != 0)
        drawIcon(dc, icons[g], columnBottom - stepPixels * s);
}

bool stopRequested(AnimationState* state) {
    return __atomic_load_n(&state->stopRequested, __ATOMIC_ACQUIRE) != 0;
}

// Waits out one frame; false at once when the thread is to stop. The wait
// is alertable so that the stop request's wake-up call (wakeAnimation)
// ends it early; any other early wake-up only resumes the wait, so the
// frames keep their pace.
bool waitForNextFrame(AnimationState* state) {
    DWORD start = GetTickCount();
    for (;;) {
        if (stopRequested(state))
            return false;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= frameMilliseconds)
            return true;
        SleepEx(frameMilliseconds - elapsed, TRUE);
    }
}

// Queued to the drawing thread by a stop: running it ends the thread's
// sleep, after which the thread sees the stop request.
void CALLBACK wakeAnimation(ULONG_PTR) {}

// Ends the page's drawing thread, if one runs, and waits until it has
// ended: at most the rest of the frame it is drawing.
void stopAnimation(AnimationState* state) {
    auto thread = static_cast<HANDLE>(state->thread);
    if (!thread)
        return;
    __atomic_store_n(&state->stopRequested, 1, __ATOMIC_RELEASE);
    QueueUserAPC(wakeAnimation, thread, 0);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    state->thread = nullptr;
}

// Starts a drawing thread on page from frame 0. A thread still running
// from before is ended first, so that none is left drawing unwatched.
void startAnimation(AnimationState* state, HWND page) {
    stopAnimation(state);
    state->instance = resourceLibrary;
    state->window = page;
    state->stopRequested = 0;
    DWORD id = 0;
    state->thread = CreateThread(nullptr, 0, animateIcons, state, 0, &id);
}

void setNotifyResult(HWND page, LONG_PTR value) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, value);
}

void handleNotification(HWND page, const NMHDR* header) {
    SetupContext* context = contextOf(page);
    switch (header->code) {
    case PSN_SETACTIVE:
        // Nothing on this page can be applied.
        SendMessageA(GetParent(page), PSM_UNCHANGED, reinterpret_cast<WPARAM>(page), 0);
        if (context)
            startAnimation(&context->animation, page);
        break;
    case PSN_RESET:
        if (context)
            stopAnimation(&context->animation);
        return;
    case PSN_KILLACTIVE:
        if (context)
            stopAnimation(&context->animation);
        break;
    }
    setNotifyResult(page, 0);
}

// The icon controls stand in the cells of the animation's first frame, in
// pixels and at its icon size, whatever the template's dialog units come
// to on this screen: the drawing thread draws over exactly them. (They are
// made with SS_REALSIZECONTROL, so their icon fits the cell.)
void placeIconColumn(HWND page) {
    for (int i = 0; i < animationIconCount; ++i)
        SetWindowPos(GetDlgItem(page, aboutFirstIcon + i), nullptr, columnLeft,
                     columnTop + i * iconSize, iconSize, iconSize, SWP_NOZORDER | SWP_NOACTIVATE);
}

void initialisePage(HWND page, LPARAM pageRecord) {
    placeIconColumn(page);
    SetupContext* context = beginPage(page, pageRecord);
    if (context)
        fillAboutText(page, context);
    SetDlgItemTextA(page, aboutVersion, RV_FILE_VERSION_STRING);
}
} // namespace

int fillAboutText(HWND page, SetupContext* context) {
    char path[driverPathBytes];
    readDriverPath(context, path);
    if (path[0]) {
        SetDlgItemTextA(page, aboutDriverPath, path);
        showFileDetails(page, path);
    }
    bool company = isCompanyDriver(path);
    if (company)
        showCompanyLines(page);
    chooseIcons(page, &context->animation, company);
    return 0;
}

DWORD WINAPI animateIcons(void* parameter) {
    auto* state = static_cast<AnimationState*>(parameter);
    auto window = static_cast<HWND>(state->window);
    HDC dc = GetDC(window);
    HICON icons[animationIconCount];
    loadIcons(state, icons);
    HRGN column = CreateRectRgn(columnLeft, columnTop, columnRight, columnBottom);
    // Without a display context or a region nothing is drawn, but the
    // thread still keeps the page's pace until it is stopped.
    unsigned frame = 0;
    do {
        if (dc && column)
            drawFrame(dc, column, icons, frame);
        frame = (frame + 1) % framesPerCycle;
    } while (waitForNextFrame(state));
    if (column)
        DeleteObject(column);
    releaseIcons(icons);
    if (dc)
        ReleaseDC(window, dc);
    return 0;
}

INT_PTR CALLBACK aboutPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initialisePage(page, lParam);
        return FALSE;
    case WM_NOTIFY:
        handleNotification(page, reinterpret_cast<const NMHDR*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != pageCommandTestConnect)
            return FALSE;
        if (SetupContext* context = contextOf(page))
            runTestConnectCommand(GetParent(page), context);
        return TRUE;
    case WM_DESTROY:
        // The sheet normally stops the thread before it closes; a page
        // destroyed without notice (its owner gone) must not leave the
        // thread drawing on a dead window from a context about to be freed.
        if (SetupContext* context = contextOf(page))
            stopAnimation(&context->animation);
        detachContext(page);
        detachSheet(GetParent(page));
        return FALSE;
    }
    return FALSE;
}
