#include "keywords.h"

namespace dsnconfig {

namespace {

// LOCAL COPY, TO BE REPLACED: these are the keywords of the setup library's
// attribute table (src/setup/infsgbvr.h), which is not on this branch yet.
// Once it is, storedKey() reads attributeTable[] and only the translation
// keys stay here.
const char* const tableKeywords[] = {
    "Description",
    "Database",
    "Databases",
    "HostName",
    "LogonID",
    "Service",
    "ServerName",
    "Protocol",
    "CursorBehavior",
    "CancelDetectInterval",
    "EnableInsertCursors",
    "GetDBListFromInformix",
    "ApplicationUsingThreads",
    "UseDefaultLogin",
    "TrimBlankFromIndexName",
};
constexpr size_t tableCount = sizeof tableKeywords / sizeof tableKeywords[0];

// Written after the table's keys when a translator was chosen.
const char* const translationKeys[] = {"TranslationName", "TranslationDll", "TranslationOption"};
constexpr size_t translationCount = sizeof translationKeys / sizeof translationKeys[0];

} // namespace

size_t storedKeyCount() {
    return tableCount + translationCount;
}

const char* storedKey(size_t index) {
    if (index < tableCount)
        return tableKeywords[index];
    if (index < tableCount + translationCount)
        return translationKeys[index - tableCount];
    return nullptr;
}

} // namespace dsnconfig
