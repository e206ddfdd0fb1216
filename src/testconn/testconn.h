// Test Connect: tries the data source's current settings through the ODBC
// driver manager, with the driver's own completion prompt allowed, and
// reports every diagnostic record in a message box.
#pragma once
#include <cstdint>

struct SetupContext;

// Diagnostic records shown for one failing call at most. A driver manager
// that keeps answering SQLGetDiagRec with records would otherwise hold the
// user in an endless series of message boxes.
enum : int16_t { testConnectMaxRecords = 64 };

// One test, made on the caller's stack for one Test Connect command. Its
// boxes and the driver's prompt are owned by ownerWindow (the sheet).
class TestConnection {
public:
    TestConnection(SetupContext* context, void* ownerWindow);
    ~TestConnection();
    TestConnection(const TestConnection&) = delete;
    TestConnection& operator=(const TestConnection&) = delete;

    // 1 when the connection succeeded and was closed cleanly, 0 otherwise;
    // every failure has been reported (or deliberately not) when it returns.
    int run();
    // DRIVER={driverName}; then keyword=value; for every row with a value,
    // in table order. 0 on success; 1 when memory runs out, a secret value
    // does not decode, or the string would exceed what SQLDriverConnect can
    // be told (32767 bytes).
    int buildConnectString();
    // Environment (ODBC 3) and connection handles: 1, or 0 after the
    // diagnostics were shown and what was allocated was released.
    int allocateHandles();
    // Frees the connection, then the environment: 1, or 0 after showing the
    // diagnostics of the handle that could not be freed (the environment
    // stays allocated while its connection does).
    int releaseHandles();
    // One "Test Connect Error" box per diagnostic record of the connection
    // while it is allocated, else of the environment.
    void showDiagnostics();

    const char* connectionString() const { return connectString; }
    uint32_t connectionStringLength() const { return connectLength; }

private:
    SetupContext* context;
    void* ownerWindow;
    void* environment = nullptr;
    void* connection = nullptr;
    char* connectString = nullptr;
    uint32_t connectLength = 0;
};

// The page's Test Connect step after the sheet has read the controls back:
// loads the success text and caption (IDS_TEST_CONNECT_SUCCEEDED and
// IDS_TEST_CONNECT_CAPTION), runs a test owned by ownerWindow and, when it
// succeeds, shows the success box (OK only) owned by it too. The run's
// result; 0 without a test when either string is missing.
int runTestConnect(SetupContext* context, void* ownerWindow);
