// Test Connect: the connection string, the driver manager calls and the
// diagnostic boxes.
#include "testconn/testconn.h"
#include "resources/resource.h"
#include "base/scramble.h"
#include "base/platform_odbc.h"
#include "base/allocation.h"
#include "base/multibyte_text.h"
#include "base/platform.h"
#include "base/narrow_string.h"
#include "base/resource_library.h"
#include "setup/setup_context.h"
#include <cstring>

namespace {

const char diagnosticCaption[] = "Test Connect Error";

// The keyword is compared upper-cased over at most its first 63 bytes.
int isExcludedKeyword(const char* keyword) {
    uint32_t n = static_cast<uint32_t>(std::strlen(keyword));
    if (n > 63)
        n = 63;
    for (uint16_t i = 0; i < connectExcludedKeywordCount; ++i) {
        const char* name = connectExcludedKeywords[i];
        if (equalsIgnoreCaseN(keyword, n, name, static_cast<uint32_t>(std::strlen(name))))
            return 1;
    }
    return 0;
}

// The driver manager's length arguments are SQLSMALLINT.
const uint32_t maxConnectLength = 32767;

// Connection-string bytes of one row: a copy of the clear text of a secret
// value (freed by the caller), or the stored value itself. 1 on failure.
int rowValue(const AttributeDescriptor& row, const char* stored, char** owned, const char** value,
             size_t* length) {
    *owned = nullptr;
    *value = stored;
    *length = stored ? std::strlen(stored) : 0;
    if (!stored || row.controlType != controlSecret)
        return 0;
    size_t size = *length + 1;
    char* clear = static_cast<char*>(rvAlloc(size));
    if (!clear)
        return 1;
    if (decodeSecretValue(clear, size, stored, *length, length)) {
        rvFree(clear);
        return 1;
    }
    *owned = clear;
    *value = clear;
    return 0;
}

} // namespace

TestConnection::TestConnection(SetupContext* setupContext, void* owner)
    : context(setupContext), ownerWindow(owner) {}

TestConnection::~TestConnection() {
    rvFree(connectString);
}

int TestConnection::buildConnectString() {
    RvString text;
    if (text.append("DRIVER={") || text.append(context->driverName ? context->driverName : "") ||
        text.append("};"))
        return 1;
    for (uint16_t i = 0; i < context->attributeCount; ++i) {
        const AttributeDescriptor& row = context->table[i];
        char* owned = nullptr;
        const char* value = nullptr;
        size_t length = 0;
        if (rowValue(row, context->values ? context->values[i] : nullptr, &owned, &value, &length))
            return 1;
        int failed = 0;
        if (value && length && !isExcludedKeyword(row.keyword))
            failed = text.append(row.keyword) || text.append("=") ||
                     text.append(value, static_cast<uint32_t>(length)) || text.append(";");
        rvFree(owned);
        if (failed || text.length > maxConnectLength)
            return 1;
    }
    char* copy = rvAllocText(text.data, text.length);
    if (!copy)
        return 1;
    rvFree(connectString);
    connectString = copy;
    connectLength = text.length;
    return 0;
}

int TestConnection::allocateHandles() {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle) == SQL_ERROR) {
        // No environment exists to hold records; the driver manager is
        // asked all the same and answers for the null handle.
        showDiagnostics();
        releaseHandles();
        return 0;
    }
    environment = handle;
    if (SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION,
                      reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(SQL_OV_ODBC3)),
                      SQL_IS_INTEGER) == SQL_ERROR) {
        showDiagnostics();
        releaseHandles();
        return 0;
    }
    handle = SQL_NULL_HANDLE;
    if (SQLAllocHandle(SQL_HANDLE_DBC, environment, &handle) == SQL_ERROR) {
        connection = nullptr;
        showDiagnostics();
        releaseHandles();
        return 0;
    }
    connection = handle;
    return 1;
}

int TestConnection::releaseHandles() {
    if (connection) {
        if (SQLFreeHandle(SQL_HANDLE_DBC, connection) == SQL_ERROR) {
            showDiagnostics();
            return 0;
        }
        connection = nullptr;
    }
    if (environment) {
        if (SQLFreeHandle(SQL_HANDLE_ENV, environment) == SQL_ERROR) {
            showDiagnostics();
            return 0;
        }
        environment = nullptr;
    }
    return 1;
}

void TestConnection::showDiagnostics() {
    SQLSMALLINT type = connection ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
    SQLHANDLE handle = connection ? connection : environment;
    for (SQLSMALLINT record = 1; record <= testConnectMaxRecords; ++record) {
        SQLCHAR state[6] = "";
        SQLINTEGER nativeError = 0;
        SQLCHAR message[256] = "";
        SQLSMALLINT messageLength = 0;
        SQLRETURN result = SQLGetDiagRec(type, handle, record, state, &nativeError, message,
                                         sizeof message, &messageLength);
        if (result != SQL_SUCCESS && result != SQL_SUCCESS_WITH_INFO)
            return;
        // At most 255 bytes are shown, whatever the driver manager wrote.
        message[sizeof message - 1] = 0;
        // The user may press either button; every record is shown.
        platMessageBox(ownerWindow, reinterpret_cast<const char*>(message), diagnosticCaption,
                       platBoxOkCancel | platBoxIconWarning);
    }
}

int TestConnection::run() {
    if (buildConnectString())
        return 0;
    if (!allocateHandles())
        return 0;
    // The completed string is not used; the buffer only gives the driver
    // room to write it.
    SQLCHAR completed[1024];
    SQLRETURN result = SQLDriverConnect(connection, static_cast<SQLHWND>(ownerWindow),
                                        reinterpret_cast<SQLCHAR*>(connectString),
                                        static_cast<SQLSMALLINT>(connectLength), completed,
                                        sizeof completed, nullptr, SQL_DRIVER_COMPLETE);
    if (result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO) {
        if (SQLDisconnect(connection) == SQL_ERROR) {
            showDiagnostics();
            releaseHandles();
            return 0;
        }
        // A test that cannot give its handles back did not end cleanly.
        return releaseHandles();
    }
    if (result == SQL_ERROR)
        showDiagnostics();
    // Any other result (the user cancelled the driver's prompt) is silent.
    releaseHandles();
    return 0;
}

int runTestConnect(SetupContext* context, void* ownerWindow) {
    char text[resourceStringCapacity], caption[resourceStringCapacity];
    if (loadResourceStringA(text, IDS_TEST_CONNECT_SUCCEEDED) <= 0 ||
        loadResourceStringA(caption, IDS_TEST_CONNECT_CAPTION) <= 0)
        return 0;
    TestConnection test(context, ownerWindow);
    int connected = test.run();
    if (connected)
        platMessageBox(ownerWindow, text, caption, platBoxOk);
    return connected;
}
