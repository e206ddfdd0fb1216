#include "setup/attribute_table.h"
#include "resources/resource.h"

// Row order is the order of loading, writing, binding and of connection
// strings.
const AttributeDescriptor attributeTable[] = {
    {"Description", IDC_DESCRIPTION, controlText, "", "", 80, ""},
    {"Database", IDC_DATABASE, controlText, "", "", 80, "DB"},
    {"Databases", IDC_DATABASES, controlText, "", "", 256, ""},
    {"HostName", IDC_HOST_NAME, controlText, "", "", 80, "HOST"},
    {"LogonID", IDC_LOGON_ID, controlText, "", "", 18, "UID"},
    {"Service", IDC_SERVICE, controlText, "", "", 18, "SERV"},
    {"ServerName", IDC_SERVER_NAME, controlText, "", "", 80, "SRVR"},
    {"Protocol", IDC_PROTOCOL, controlWordList, "", "", 10, "PRO"},
    {"CursorBehavior", IDC_CURSOR_BEHAVIOR, controlChoiceList, "0 - Close,1 - Preserve",
     "1 - Preserve", 0, ""},
    {"CancelDetectInterval", IDC_CANCEL_DETECT, controlChoiceList,
     "0 - None,05 Sec.,10 Sec.,30 Sec.,60 Sec.", "0 - None", 0, ""},
    {"EnableInsertCursors", IDC_INSERT_CURSORS, controlFlag, "1", "0", 0, "EIC"},
    {"GetDBListFromInformix", IDC_GET_DB_LIST, controlFlag, "1", "1", 0, ""},
    {"ApplicationUsingThreads", IDC_APPLICATION_THREADS, controlFlag, "1", "1", 0, "AUT"},
    {"UseDefaultLogin", IDC_USE_DEFAULT_LOGIN, controlFlag, "1", "0", 0, "UDL"},
    {"TrimBlankFromIndexName", IDC_TRIM_BLANKS, controlFlag, "1", "1", 0, "TBFIN"},
};

const uint16_t attributeTableCount =
    static_cast<uint16_t>(sizeof attributeTable / sizeof attributeTable[0]);

const char* const connectExcludedKeywords[] = {
    "ALTERNATESERVERS",     "LOADBALANCING",   "CONNECTIONRETRYCOUNT",
    "CONNECTIONRETRYDELAY", "EXTENDEDOPTIONS",
};

const uint16_t connectExcludedKeywordCount =
    static_cast<uint16_t>(sizeof connectExcludedKeywords / sizeof connectExcludedKeywords[0]);
