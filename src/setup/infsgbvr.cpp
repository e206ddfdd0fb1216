#include "setup/infsgbvr.h"

// Row order is the order of loading, writing, binding and of connection
// strings.
const AttributeDescriptor attributeTable[] = {
    {"Description", 402, controlText, "", "", 80, ""},
    {"Database", 300, controlText, "", "", 80, "DB"},
    {"Databases", 307, controlText, "", "", 256, ""},
    {"HostName", 301, controlText, "", "", 80, "HOST"},
    {"LogonID", 302, controlText, "", "", 18, "UID"},
    {"Service", 304, controlText, "", "", 18, "SERV"},
    {"ServerName", 316, controlText, "", "", 80, "SRVR"},
    {"Protocol", 305, controlWordList, "", "", 10, "PRO"},
    {"CursorBehavior", 309, controlChoiceList, "0 - Close,1 - Preserve", "1 - Preserve", 0, ""},
    {"CancelDetectInterval", 313, controlChoiceList, "0 - None,05 Sec.,10 Sec.,30 Sec.,60 Sec.",
     "0 - None", 0, ""},
    {"EnableInsertCursors", 318, controlFlag, "1", "0", 0, "EIC"},
    {"GetDBListFromInformix", 312, controlFlag, "1", "1", 0, ""},
    {"ApplicationUsingThreads", 317, controlFlag, "1", "1", 0, "AUT"},
    {"UseDefaultLogin", 319, controlFlag, "1", "0", 0, "UDL"},
    {"TrimBlankFromIndexName", 322, controlFlag, "1", "1", 0, "TBFIN"},
};

const uint16_t attributeTableCount =
    static_cast<uint16_t>(sizeof attributeTable / sizeof attributeTable[0]);
