// Interactive requests under Wine: ConfigDSN with a window runs the real
// four-page sheet from the resource library; an automation thread plays
// the user (support/sheet_driver.h).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "support/library_start.h"
#include <odbcinst.h>
#include <gtest/gtest.h>
#include <string>

inline constexpr char sheetDriver[] = "IBM INFORMIX ODBC DRIVER";

// Page index of the running sheet.
inline HWND page(HWND sheet, int index) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_INDEXTOHWND, index, 0));
}
inline std::string text(HWND window, int id) {
    char buffer[256] = {};
    GetDlgItemTextA(window, id, buffer, sizeof buffer);
    return buffer;
}
// The command of a push button, sent as its click sends it.
inline void click(HWND window, int id) {
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// Requests made with a window of the test's own as the parent.
class Interactive : public testing::Test {
protected:
    void SetUp() override {
        owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
        ASSERT_TRUE(owner);
    }
    void TearDown() override { DestroyWindow(owner); }
    BOOL request(WORD kind, const std::string& attributes, HWND parent = nullptr) {
        BOOL result = ConfigDSN(parent ? parent : owner, kind, sheetDriver, attributes.data());
        // An interactive request gives the resource library back; the
        // tests' own use goes with it.
        reloadResourceLibrary();
        return result;
    }
    HWND owner = nullptr;
};
