#include "keywords.h"
#include "setup/infsgbvr.h"

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

} // namespace dsnconfig
