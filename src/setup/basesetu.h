// The setup context: everything one ConfigDSN call knows, from its start
// until it returns, and the steps that load it and write it to ODBC.INI.
#pragma once
#include "setup/infsgbvr.h"
#include "setup/animstat.h"
#include <cstddef>

class RvErrorList;
struct SheetHolder;

// Request codes of ConfigDSN.
enum : uint16_t {
    requestAddDsn = 1,
    requestConfigDsn = 2,
    requestRemoveDsn = 3,
};

// SetupContext::flags.
enum : uint32_t {
    holdsResourceLibrary = 1u << 0, // one use of the resource library is the context's
    errorListInstalled = 1u << 1,   // errorList is the thread's current list
    ownsTable = 1u << 3,            // table and its strings are the context's copies
    ownsAttributes = 1u << 4,       // attributes was allocated by the context
};

struct SetupContext {
    void* parentWindow;     // null for a request without user interface
    uint16_t request;       // requestAddDsn, requestConfigDsn, requestRemoveDsn
    const char* driverName; // the caller's
    const char* attributes; // the caller's, unless ownsAttributes
    const AttributeDescriptor* table;
    uint16_t attributeCount;
    char** values;            // attributeCount owned strings, null when absent
    char* storedName;         // name of the data source before this request
    char* dataSourceName;     // name the data source is saved under
    SheetHolder* sheet;       // the running property sheet, if any
    char** outputAddress;     // file data source: the caller's string variable
    char* handedBack;         // the string last stored there by this request
    int32_t isFileDataSource; // the attribute string named a SAVEFILE
    RvErrorList* errorList;
    uint32_t flags;
    AnimationState animation; // the About page's icon column
    // The stored keys the table does not know, "name\0value\0" pairs in
    // the installer's listing order, keptKeysLength bytes in all: a save
    // writes them back, since the installer empties the section first.
    char* keptKeys;
    size_t keptKeysLength;
    // The installer's own words for the write it refused in the last save,
    // null when it gave none.
    char* refusalReason;
};

void initSetupContext(SetupContext* context, void* parentWindow, uint16_t request,
                      const char* driverName, const char* attributes,
                      const AttributeDescriptor* table, uint16_t count);
// Frees the texts of a row of a table the context owns (ownsTable).
void freeRowTexts(AttributeDescriptor* row);
// Releases everything the context owns and puts back the error list that
// was current before the request. Safe after a partial load.
void destroySetupContext(SetupContext* context);

// Loads names and values and, for a request without a sheet, carries it
// out. TRUE or FALSE; *wantsSheet is 1 when the property sheet is to run.
int loadSetupContext(SetupContext* context, uint16_t* wantsSheet);
// Outcomes of saveDataSource.
enum SaveOutcome {
    saveDone = 0,        // written, or the connection string handed back
    saveInvalidName = 1, // no name, or one the installer does not accept
    saveRefused = 2,     // the installer refused a write (refusalReason says why)
    saveFailed = 3,      // memory ran out, or the connection string could not be handed back
};
// Saves a loaded request the one way it allows, for the silent path and
// the sheet alike: a file data source (SAVEFILE) hands its connection
// string back through the caller's variable and is never stored; any other
// data source is written to ODBC.INI under dataSourceName: the
// registration, then one entry per row with a value, in table order, then
// the kept keys that no row writes; a rename then removes the old name.
// storedName is the name the data source is stored under afterwards.
SaveOutcome saveDataSource(SetupContext* context);

// The part of an attribute string that is read: up to the first pair of
// NUL bytes starting within the first 2048 bytes, or exactly 2048 bytes.
// The length excludes the pair.
uint32_t measureAttributes(const char* attributes);
