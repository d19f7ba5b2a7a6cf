#include "esnativeerror.h"

#include "esatom.h"
#include "escontext.h"
#include "esnatives_p.h"
#include "esobject.h"

void ESNativeError::addMembers(ESContext *cx)
{
    m_prototype = cx->newObject(cx->objectPrototype(), cx->errorClass());
    m_constructor = esInstallConstructor(cx, this, name(), 1, m_prototype);
}

QString ESNativeError::kindOf(const ESContext *cx, const ESObject *error)
{
    const ESNativeError *const classes[] = {
        cx->errorClass(),          cx->evalErrorClass(),   cx->rangeErrorClass(),
        cx->referenceErrorClass(), cx->syntaxErrorClass(), cx->typeErrorClass(),
    };
    for (const ESNativeError *errorClass : classes) {
        if (error->prototype == errorClass->prototypeObject())
            return QString::fromLatin1(errorClass->name());
    }
    return QString::fromLatin1(error->esClass ? error->esClass->name() : "Error");
}

ESObject *ESNativeError::makeError(ESContext *cx, int argc, const ESValue *argv)
{
    ESObject *error = cx->newObject(m_prototype, cx->errorClass());
    if (argc > 0 && !argv[0].isUndefined()) {
        static ESAtom *const messageKey = ESAtom::intern("message");
        error->append(messageKey, argv[0]);
    }
    return error;
}

void ESNativeError::call(ESContext *cx, ESObject *function, const ESValue &, int argc,
                         ESValue *argv, ESValue *result)
{
    if (function->builtinIndex != 0) {
        esBadSignature(cx);
    }
    *result = ESValue::fromObject(makeError(cx, argc, argv));
}

ESObject *ESNativeError::construct(ESContext *cx, ESObject *function, int argc, ESValue *argv)
{
    if (function->builtinIndex != 0) {
        esBadSignature(cx, true);
    }
    return makeError(cx, argc, argv);
}

void ESNativeError::reservedErrorOperation() {}
