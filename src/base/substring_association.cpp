// Association of a substring key with an object value.
#include "base/association.h"
#include "base/narrow_string.h"
#include <cstring>

int RvSubPtrKey::keyEquals(const RvSubString& key) const {
    if (!keyView || keyView->length != key.length)
        return 0;
    return key.length == 0 || std::memcmp(keyView->data, key.data, key.length) == 0;
}

int RvSubPtrKey::equals(const RvAssociation& other) const {
    return keyView ? other.keyEquals(*keyView) : 0;
}

int RvSubPtrKey::keyEqualsIgnoreCase(const RvSubString& key) const {
    if (!keyView)
        return 0;
    return equalsIgnoreCaseN(keyView->data, keyView->length, key.data, key.length);
}

int RvSubPtrKey::equalsIgnoreCase(const RvAssociation& other) const {
    return keyView ? other.keyEqualsIgnoreCase(*keyView) : 0;
}

uint32_t RvSubPtrKey::hash() const {
    return keyView ? keyView->hash() : 0;
}

void RvSubPtrKey::deleteContents() {
    delete keyView;
    keyView = nullptr;
    delete valueObject;
    valueObject = nullptr;
}
