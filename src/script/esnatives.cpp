#include "esnatives.h"
#include "esnatives_p.h"

#include "esatom.h"
#include "esclass.h"
#include "escontext.h"
#include "esnativeerror.h"
#include "esobject.h"

#include <QByteArray>

void esDefineMethods(ESContext *cx, ESObject *target, ESClass *owner, const char *prefix,
                     std::initializer_list<ESNativeMethod> methods)
{
    for (const ESNativeMethod &method : methods) {
        const QByteArray fullName = QByteArray(prefix) + method.name;
        cx->defineBuiltin(target, owner,
                          {method.name, fullName.constData(), method.argumentCount, 0,
                           method.index});
    }
}

ESObject *esInstallConstructor(ESContext *cx, ESClass *owner, const char *name,
                               int argumentCount, ESObject *prototype)
{
    ESObject *constructor =
        cx->defineBuiltin(cx->global(), owner, {name, name, argumentCount, 1, 0});
    constructor->append(esKeys().prototype, ESValue::fromObject(prototype))->attributes =
        ESAttribute::ReadOnly | ESAttribute::DontEnum | ESAttribute::DontDelete;
    ESProperty *back = prototype->findOwn(esKeys().constructor);
    if (!back)
        back = prototype->append(esKeys().constructor, ESValue());
    back->value = ESValue::fromObject(constructor);
    back->attributes = ESAttribute::DontEnum;
    return constructor;
}

void esDefineConstant(ESContext *cx, ESObject *target, const char *name, const ESValue &value)
{
    ESAtom *key = ESAtom::intern(name);
    cx->put(target, key, value);
    if (ESProperty *property = target->findOwn(key))
        property->attributes = ESAttribute::ReadOnly | ESAttribute::DontEnum | ESAttribute::DontDelete;
}

void esBadSignature(ESContext *cx, bool construct)
{
    cx->throwScriptError(cx->errorClass(), construct
                                               ? QStringLiteral("bad signature in builtin construct")
                                               : QStringLiteral("bad signature in builtin call"));
}

const ESValue *esPrimitiveOf(const ESValue &value, ESTag tag, const ESClass *wrapperClass)
{
    if (value.tag == tag || (tag == ESTag::Atom && value.isString()))
        return &value;
    if (value.isObject() && value.object->esClass == wrapperClass)
        return &value.object->value;
    return nullptr;
}
