#include "esnativeerror.h"

#include "esatom.h"
#include "escontext.h"
#include "esobject.h"

void ESNativeError::addMembers(ESContext *cx)
{
    const ESBuiltinDescriptor descriptor{name(), name(), 1, 1, 0};
    m_constructor = cx->defineBuiltin(cx->global(), this, descriptor);
    m_prototype = cx->newObject(cx->objectPrototype(), this);
    m_constructor->append(esKeys().prototype, ESValue::fromObject(m_prototype));
    m_prototype->append(esKeys().constructor, ESValue::fromObject(m_constructor))->attributes =
        ESAttribute::DontEnum;
}

ESObject *ESNativeError::makeError(ESContext *cx, int argc, const ESValue *argv)
{
    ESObject *error = cx->newObject(m_prototype, this);
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
        cx->throwScriptError(cx->errorClass(), QStringLiteral("bad signature in builtin call"));
    }
    *result = ESValue::fromObject(makeError(cx, argc, argv));
}

ESObject *ESNativeError::construct(ESContext *cx, ESObject *function, int argc, ESValue *argv)
{
    if (function->builtinIndex != 0) {
        cx->throwScriptError(cx->errorClass(),
                             QStringLiteral("bad signature in builtin construct"));
    }
    return makeError(cx, argc, argv);
}

void ESNativeError::reservedErrorOperation() {}
