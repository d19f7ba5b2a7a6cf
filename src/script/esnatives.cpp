#include "esnatives.h"

#include "esatom.h"
#include "escontext.h"
#include "esobject.h"

QStringList &ESNativeGlobal::loadPath()
{
    static QStringList directories;
    return directories;
}

void ESNativeGlobal::addMembers(ESContext *) {}
void ESNativeObject::addMembers(ESContext *) {}
void ESNativeFunction::addMembers(ESContext *) {}
void ESNativeArray::addMembers(ESContext *) {}
void ESNativeString::addMembers(ESContext *) {}
void ESNativeBoolean::addMembers(ESContext *) {}
void ESNativeNumber::addMembers(ESContext *) {}
void ESNativeDate::addMembers(ESContext *) {}
void ESNativeMath::addMembers(ESContext *) {}

// After every store: an element key at or above the length raises "length" to one past
// it; a store to "length" itself is stored again as its to-uint32 number. Lowering the
// length removes nothing.
void ESNativeArray::put(ESContext *cx, ESObject *object, ESAtom *key, const ESValue *value)
{
    ESClass::put(cx, object, key, value);
    ESAtom *lengthKey = esKeys().length;
    if (key == lengthKey) {
        const ESValue length = ESValue::fromNumber(cx->toUint32(*value));
        ESClass::put(cx, object, key, &length);
        return;
    }
    if (key->arrayIndex < 0)
        return;
    const ESProperty *length = object->findOwn(lengthKey);
    if (length && cx->toNumber(length->value) > key->arrayIndex)
        return;
    const ESValue raised = ESValue::fromNumber(double(key->arrayIndex) + 1);
    ESClass::put(cx, object, lengthKey, &raised);
}
