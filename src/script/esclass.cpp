#include "esclass.h"

#include "esatom.h"
#include "escontext.h"
#include "esnatives.h"
#include "esobject.h"

ESClass::~ESClass() = default;

ESValue ESClass::get(ESContext *, ESObject *object, ESAtom *key)
{
    for (ESObject *level = object; level; level = level->prototype) {
        if (ESProperty *property = level->findOwn(key))
            return property->value;
    }
    return ESValue();
}

void ESClass::put(ESContext *, ESObject *object, ESAtom *key, const ESValue *value)
{
    if (ESProperty *property = object->findOwn(key)) {
        if (!(property->attributes & ESAttribute::ReadOnly))
            property->value = *value;
        return;
    }
    object->append(key, *value);
}

void ESClass::reservedOperation1(ESContext *, ESObject *) {}
void ESClass::reservedOperation2(ESContext *, ESObject *) {}
void ESClass::reservedOperation3(ESContext *, ESObject *) {}

ESValue ESClass::query(ESContext *, ESObject *)
{
    return ESValue();
}

void ESClass::call(ESContext *, ESObject *, const ESValue &, int, ESValue *, ESValue *result)
{
    *result = ESValue();
}

ESObject *ESClass::construct(ESContext *, ESObject *, int, ESValue *)
{
    return nullptr;
}

ESObject *ESClass::install(ESContext *cx)
{
    ESObject *object = cx->newObject(cx->objectPrototype(), cx->objectClass());
    const ESValue value = ESValue::fromObject(object);
    cx->put(cx->global(), ESAtom::intern(m_name), value);
    return object;
}
