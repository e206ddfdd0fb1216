// Key/value association interface and its substring-keyed kind.
#pragma once
#include "base/object.h"

class RvSubString;

class RvAssociation : public RvObject {
public:
    virtual int keyEquals(const RvSubString& key) const;
    virtual int equals(const RvAssociation& other) const = 0;
    virtual int keyEqualsIgnoreCase(const RvSubString& key) const;
    virtual int equalsIgnoreCase(const RvAssociation& other) const;
    virtual RvSubString* key() const;
    virtual RvObject* value() const;
    virtual void setValue(RvObject* object);
    virtual uint32_t hash() const = 0;
    virtual void deleteContents() = 0;
};

// Substring key with an object value. Neither is freed by the association's
// destruction; deleteContents frees both.
class RvSubPtrKey : public RvAssociation {
public:
    RvSubPtrKey(RvSubString* k, RvObject* v) : keyView(k), valueObject(v) {}

    int keyEquals(const RvSubString& key) const override;
    int equals(const RvAssociation& other) const override;
    int keyEqualsIgnoreCase(const RvSubString& key) const override;
    int equalsIgnoreCase(const RvAssociation& other) const override;
    RvSubString* key() const override { return keyView; }
    RvObject* value() const override { return valueObject; }
    void setValue(RvObject* object) override { valueObject = object; }
    uint32_t hash() const override;
    void deleteContents() override;

    RvSubString* keyView;
    RvObject* valueObject;
};
