// Dictionary of associations searched linearly in insertion order.
#pragma once
#include "base/pointer_array.h"
#include "base/association.h"

class RvSeqDictionary : public RvArray {
public:
    ~RvSeqDictionary() override;

    // 1 when the association cannot be made or stored; key and value then
    // stay with the caller.
    int add(RvSubString* key, RvObject* value);
    uint32_t indexOf(const RvSubString& key) const;
    int contains(const RvSubString& key) const { return indexOf(key) != count; }
    RvAssociation* at(uint32_t index) const { return static_cast<RvAssociation*>(items[index]); }
    void clearContents();

    int32_t ignoreCase = 0;
};
