// Internet Explorer's open windows, reached through the shell-windows
// automation objects. The library never initialises COM itself: on a
// thread that has not, the collection cannot be created and the caller
// starts the browser instead.
#include "help/browser_shell.h"
#include "base/allocation.h"
#include "base/multibyte_text.h"
#include "base/platform.h"

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>

namespace {
// IShellWindows and IWebBrowser2; spelled out so that nothing depends on
// which identifiers the toolchain's uuid library carries.
const IID shellWindowsInterface = {
    0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
const IID webBrowserInterface = {
    0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};

template <class T> void release(T*& object) {
    if (object)
        object->Release();
    object = nullptr;
}

// An owned narrow copy of an automation string in the ANSI code page;
// fails for an empty string or a conversion that does not come out at the
// length it measured.
int bstrToAnsi(BSTR text, char** out) {
    *out = nullptr;
    UINT units = text ? SysStringLen(text) : 0;
    if (units == 0 || units > INT32_MAX)
        return -1;
    const char16_t* wide = reinterpret_cast<const char16_t*>(text);
    int n = platWideToAnsi(wide, static_cast<int>(units), nullptr, 0);
    char* narrow = n > 0 ? static_cast<char*>(rvAlloc(static_cast<size_t>(n) + 1)) : nullptr;
    if (!narrow)
        return -1;
    if (platWideToAnsi(wide, static_cast<int>(units), narrow, n) != n) {
        rvFree(narrow);
        return -1;
    }
    narrow[n] = 0;
    *out = narrow;
    return 0;
}

// A new automation string of count ANSI bytes.
int ansiToBstr(const char* bytes, uint32_t count, BSTR* out) {
    *out = nullptr;
    if (!bytes || count == 0 || count > INT32_MAX)
        return -1;
    int units = platAnsiToWide(bytes, static_cast<int>(count), nullptr, 0);
    BSTR wide = units > 0 ? SysAllocStringLen(nullptr, static_cast<UINT>(units)) : nullptr;
    if (!wide)
        return -1;
    if (platAnsiToWide(bytes, static_cast<int>(count), reinterpret_cast<char16_t*>(wide), units) !=
        units) {
        SysFreeString(wide);
        return -1;
    }
    *out = wide;
    return 0;
}

// A text property of the window, narrow; null when it cannot be read.
char* readWindowText(IWebBrowser2* window, HRESULT (STDMETHODCALLTYPE IWebBrowser2::*get)(BSTR*)) {
    BSTR text = nullptr;
    char* narrow = nullptr;
    if (SUCCEEDED((window->*get)(&text)))
        bstrToAnsi(text, &narrow);
    SysFreeString(text);
    return narrow;
}

// Only Internet Explorer's own windows count: the collection also holds
// the shell's folder windows, whose locations may name the help folder.
bool isInternetExplorer(IWebBrowser2* window) {
    char* program = readWindowText(window, &IWebBrowser2::get_FullName);
    bool found = program && (findText(program, "iexplore.exe", encodingAnsi) ||
                             findText(program, "IEXPLORE.EXE", encodingAnsi));
    rvFree(program);
    return found;
}

bool showsHelp(IWebBrowser2* window, const char* helpLocation) {
    if (!isInternetExplorer(window))
        return false;
    char* location = readWindowText(window, &IWebBrowser2::get_LocationURL);
    bool found = location && locationShowsHelp(location, helpLocation);
    rvFree(location);
    return found;
}

// The first window of the collection that shows the help; 0 and the
// window (the caller releases it), or -1.
int findHelpWindow(IShellWindows* windows, const char* helpLocation, IWebBrowser2** found) {
    *found = nullptr;
    long count = 0;
    if (FAILED(windows->get_Count(&count)))
        return -1;
    for (long i = 0; i < count && !*found; ++i) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_I4;
        index.lVal = i;
        IDispatch* item = nullptr;
        // A window closing meanwhile is simply passed over.
        if (FAILED(windows->Item(index, &item)) || !item)
            continue;
        IWebBrowser2* window = nullptr;
        if (SUCCEEDED(
                item->QueryInterface(webBrowserInterface, reinterpret_cast<void**>(&window))) &&
            window) {
            if (showsHelp(window, helpLocation))
                *found = window;
            else
                release(window);
        }
        release(item);
    }
    return *found ? 0 : -1;
}

// Waits while the window loads the new page, so that it comes forward
// showing it. A browser that never stops being busy is left loading once
// the limit has passed: the navigation was already taken.
void waitWhileBusy(IWebBrowser2* window) {
    for (int waited = 0; waited < browserBusyLimitMs; waited += browserBusyStepMs) {
        Sleep(browserBusyStepMs);
        VARIANT_BOOL busy = VARIANT_FALSE;
        if (FAILED(window->get_Busy(&busy)) || busy != VARIANT_TRUE)
            return;
    }
}

void bringForward(IWebBrowser2* window) {
    SHANDLE_PTR handle = 0;
    if (FAILED(window->get_HWND(&handle)) || !handle)
        return;
    HWND frame = reinterpret_cast<HWND>(handle);
    if (IsIconic(frame))
        ShowWindow(frame, SW_RESTORE);
    else
        SetForegroundWindow(frame);
}
} // namespace

int navigateHelpWindow(BrowserInfo* info, const char* text, uint32_t length) {
    const BrowserClassId* id = browserShellWindowsClassId();
    CLSID shellWindows;
    static_assert(sizeof shellWindows == sizeof *id, "class identifier layout");
    copyBytes(&shellWindows, id, sizeof shellWindows);
    IShellWindows* windows = nullptr;
    if (FAILED(CoCreateInstance(shellWindows, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                shellWindowsInterface, reinterpret_cast<void**>(&windows))) ||
        !windows)
        return -1;
    IWebBrowser2* window = nullptr;
    BSTR url = nullptr;
    int result = -1;
    if (info->helpLocation && findHelpWindow(windows, info->helpLocation, &window) == 0 &&
        ansiToBstr(text, length, &url) == 0) {
        VARIANT flags, target, postData, headers;
        VariantInit(&flags);
        VariantInit(&target);
        VariantInit(&postData);
        VariantInit(&headers);
        if (SUCCEEDED(window->Navigate(url, &flags, &target, &postData, &headers))) {
            waitWhileBusy(window);
            bringForward(window);
            result = 0;
        }
    }
    SysFreeString(url);
    release(window);
    release(windows);
    return result;
}
