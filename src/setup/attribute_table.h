// The attribute table: one row per data-source attribute that the setup
// library manages. Every per-attribute fact (keywords, control, how the
// value is shown and stored, default) lives here; the load, write, control
// binding and connection-string code walk the table.
#pragma once
#include <cstdint>

// How a value is shown and stored.
enum : uint32_t {
    controlText = 0,       // free text, stored as typed
    controlRadio = 1,      // one radio button: stored as choices when selected
    controlFlag = 2,       // check box: "1" or "0"
    controlWordList = 3,   // word from a page-supplied list; "n - text" stored as "n"
    controlChoiceList = 4, // item of choices; "n - text" stored as "n"
    controlCarried = 5,    // no control (translation rows), stored as is
    controlSecret = 6,     // secret text, stored scrambled behind a 0xFF byte
    controlYesNo = 7,      // "Yes" or "No"
};

struct AttributeDescriptor {
    const char* keyword; // ODBC.INI value name and attribute-string keyword
    uint16_t controlId;
    uint32_t controlType;
    const char* choices;      // type 4: comma-separated items; type 1: the value
    const char* defaultValue; // used when nothing non-empty is given or stored
    uint16_t textLimit;       // edit boxes of types 0 and 6
    const char* shortKeyword; // "" when the attribute has none
};

extern const AttributeDescriptor attributeTable[];
extern const uint16_t attributeTableCount;

// Keywords that never go into a connection string, whatever table holds
// them (upper case; compared without regard to case): they configure the
// driver's own failover and option handling, which the driver reads from
// the data source, and a connection string that carried them would
// override it.
extern const char* const connectExcludedKeywords[];
extern const uint16_t connectExcludedKeywordCount;
