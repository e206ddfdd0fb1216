// Tests that make interactive requests: ConfigDSN with an owner window of
// the test's own, for a driver whose ODBCINST.INI entry names the built
// setup library as its driver file (the About page shows it). An
// interactive request gives the resource library back when it ends; the
// tests' own use of it returns after each test.
#pragma once
#include <windows.h>
#include "support/library_start.h"
#include "support/windows_fixture.h"
#include "support/registry_keys.h"
#include <gtest/gtest.h>
#include <string>

class SheetRequestTest : public testing::Test {
protected:
    explicit SheetRequestTest(const char* driverName)
        : driver(driverName), driverKey(keyOfDriver(driverName)) {}
    void SetUp() override {
        owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
        ASSERT_TRUE(owner);
        ASSERT_TRUE(seedText(HKEY_LOCAL_MACHINE, driverKey, "Driver", builtSetupLibrary()));
    }
    void TearDown() override {
        DestroyWindow(owner);
        removeKey(HKEY_LOCAL_MACHINE, driverKey);
        reloadResourceLibrary();
    }
    static std::string builtSetupLibrary() { return programDirectory() + "\\qzifx06s.dll"; }

    const char* driver;
    const std::string driverKey;
    HWND owner = nullptr;
};
