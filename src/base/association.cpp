// Behaviour of an association that has no key of the kind asked about.
#include "base/association.h"

int RvAssociation::keyEquals(const RvSubString& key) const {
    (void)key;
    return 0;
}

int RvAssociation::keyEqualsIgnoreCase(const RvSubString& key) const {
    (void)key;
    return 0;
}

int RvAssociation::equalsIgnoreCase(const RvAssociation& other) const {
    (void)other;
    return 0;
}

RvSubString* RvAssociation::key() const {
    return nullptr;
}

RvObject* RvAssociation::value() const {
    return nullptr;
}

void RvAssociation::setValue(RvObject* object) {
    (void)object;
}
