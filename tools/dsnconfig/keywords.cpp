#include "keywords.h"
#include "setup/infsgbvr.h"
#include <cstring>
#include <strings.h>

namespace dsnconfig {

namespace {

// Written after the attribute table's keys when a translator was chosen.
const char* const translationKeys[] = {"TranslationName", "TranslationDll", "TranslationOption"};
constexpr size_t translationCount = sizeof translationKeys / sizeof translationKeys[0];

} // namespace

size_t storedKeyCount() {
    return attributeTableCount + translationCount;
}

const char* storedKey(size_t index) {
    if (index < attributeTableCount)
        return attributeTable[index].keyword;
    if (index < attributeTableCount + translationCount)
        return translationKeys[index - attributeTableCount];
    return nullptr;
}

const char* storedKeyFor(const char* keyword) {
    for (size_t i = 0; i < attributeTableCount; ++i) {
        const AttributeDescriptor& row = attributeTable[i];
        if (strcasecmp(keyword, row.keyword) == 0 ||
            (*row.shortKeyword && strcasecmp(keyword, row.shortKeyword) == 0))
            return row.keyword;
    }
    return keyword;
}

const char* const maskedValue = "********";

bool isSecretKey(const char* key) {
    static const char* const parts[] = {"pwd", "passwd", "password"};
    for (const char* start = key; *start; ++start) {
        for (const char* part : parts) {
            if (strncasecmp(start, part, std::strlen(part)) == 0)
                return true;
        }
    }
    return false;
}

} // namespace dsnconfig
