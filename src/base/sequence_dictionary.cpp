// Dictionary of associations searched linearly in insertion order.
#include "base/sequence_dictionary.h"
#include "base/narrow_string.h"

RvSeqDictionary::~RvSeqDictionary() {
    // The associations belong to the dictionary, their keys and values to
    // whoever called clearContents (or did not).
    for (uint32_t i = count; i > 0; --i) {
        delete items[i - 1];
        items[i - 1] = nullptr;
    }
    count = 0;
}

int RvSeqDictionary::add(RvSubString* key, RvObject* value) {
    RvSubPtrKey* association = new RvSubPtrKey(key, value);
    if (!association)
        return 1;
    if (insertAt(association, count)) {
        delete association;
        return 1;
    }
    return 0;
}

uint32_t RvSeqDictionary::indexOf(const RvSubString& key) const {
    for (uint32_t i = 0; i < count; ++i) {
        const RvAssociation* association = at(i);
        if (ignoreCase ? association->keyEqualsIgnoreCase(key) : association->keyEquals(key))
            return i;
    }
    return count;
}

void RvSeqDictionary::clearContents() {
    for (uint32_t i = count; i > 0; --i) {
        RvAssociation* association = at(i - 1);
        association->deleteContents();
        delete association;
        items[i - 1] = nullptr;
    }
    count = 0;
}
