// Object, Function and Boolean: their constructors and prototype methods.

#include "esnatives.h"
#include "esnatives_p.h"

#include "escontext.h"
#include "esexception.h"
#include "esnativeerror.h"
#include "esobject.h"

namespace {

enum ObjectIndex {
    ObjectConstructor = 0,
    ObjectToString = 2,
    ObjectToLocaleString,
    ObjectValueOf,
    HasOwnProperty,
    IsPrototypeOf,
    PropertyIsEnumerable,
};

enum FunctionIndex { FunctionConstructor = 0, FunctionToString };

enum BooleanIndex { BooleanConstructor = 0, BooleanToString, BooleanValueOf };

// Object(value): a new plain object for nothing, undefined or null; the wrapper of a
// primitive; an object itself.
ESObject *objectFrom(ESContext *cx, int passed, const ESValue &value)
{
    if (passed == 0 || value.isUndefined() || value.isNull())
        return cx->newObject(cx->objectPrototype(), cx->objectClass());
    switch (value.tag) {
    case ESTag::Boolean: case ESTag::Number: case ESTag::String: case ESTag::Atom:
    case ESTag::Object:
        return cx->toObject(value);
    default:
        cx->throwScriptError(cx->errorClass(), QStringLiteral("unknown type in Object constructor"));
    }
}

// new Function(p1, ..., pn, body): the parameter texts joined with "," and the body,
// compiled as a function expression at the top level, so that the function sees only
// global names whoever creates it. The body starts on the first line, so the lines of
// its errors are its own; the closing brace gets a line of its own after a comment.
ESObject *functionFrom(ESContext *cx, int passed, const ESValue *argv)
{
    QStringList parameters;
    for (int i = 0; i + 1 < passed; ++i)
        parameters << cx->toString(argv[i]);
    const QString body = passed > 0 ? cx->toString(argv[passed - 1]) : QString();
    const QString source = QLatin1String("(function(") + parameters.join(u',')
                           + QLatin1String(") {") + body + QLatin1String("\n})");
    const ESCompletion completion = cx->evaluateAtTopLevel(QString(), source);
    if (completion.kind == ESCompletion::Throw)
        throw ESException(completion.value);
    // A body that closes the expression early can leave some other value.
    if (!completion.value.isObject() || !completion.value.object->call)
        cx->throwScriptError(cx->syntaxErrorClass(), QStringLiteral("bad function body"));
    return completion.value.object;
}

ESObject *thisObject(ESContext *cx, const ESValue &thisValue)
{
    return thisValue.isObject() ? thisValue.object : cx->toObject(thisValue);
}

} // namespace

// ---- Object

void ESNativeObject::addMembers(ESContext *cx)
{
    esInstallConstructor(cx, this, "Object", 1, cx->objectPrototype());
    esDefineMethods(cx, cx->objectPrototype(), this, "Object.prototype.",
                    {{"toString", 0, ObjectToString},
                     {"toLocaleString", 0, ObjectToLocaleString},
                     {"valueOf", 0, ObjectValueOf},
                     {"hasOwnProperty", 1, HasOwnProperty},
                     {"isPrototypeOf", 1, IsPrototypeOf},
                     {"propertyIsEnumerable", 1, PropertyIsEnumerable}});
}

void ESNativeObject::call(ESContext *cx, ESObject *function, const ESValue &thisValue, int,
                          ESValue *argv, ESValue *result)
{
    const int passed = cx->passedArgumentCount();
    switch (function->builtinIndex) {
    case ObjectConstructor:
        *result = ESValue::fromObject(objectFrom(cx, passed, argv[0]));
        return;
    case ObjectToString:
        *result = esText(QLatin1String("[object ")
                         + QLatin1String(thisObject(cx, thisValue)->esClass->name()) + u']');
        return;
    case ObjectToLocaleString: {
        ESObject *object = thisObject(cx, thisValue);
        cx->call(cx->get(object, ESAtom::intern("toString")), ESValue::fromObject(object), 0,
                 nullptr, result);
        return;
    }
    case ObjectValueOf:
        *result = ESValue::fromObject(thisObject(cx, thisValue));
        return;
    case HasOwnProperty:
        *result = ESValue::boolean(
            cx->hasOwnProperty(thisObject(cx, thisValue), cx->toPropertyKey(argv[0])));
        return;
    case IsPrototypeOf:
        *result = ESValue::boolean(cx->isPrototypeOf(thisObject(cx, thisValue), argv[0]));
        return;
    case PropertyIsEnumerable:
        *result = ESValue::boolean(
            cx->isEnumerable(thisObject(cx, thisValue), cx->toPropertyKey(argv[0])));
        return;
    default:
        esBadSignature(cx);
    }
}

ESObject *ESNativeObject::construct(ESContext *cx, ESObject *function, int, ESValue *argv)
{
    if (function->builtinIndex != ObjectConstructor)
        esBadSignature(cx, true);
    return objectFrom(cx, cx->passedArgumentCount(), argv[0]);
}

// ---- Function

void ESNativeFunction::addMembers(ESContext *cx)
{
    esInstallConstructor(cx, this, "Function", 1, cx->functionPrototype());
    esDefineMethods(cx, cx->functionPrototype(), this, "Function.prototype.",
                    {{"toString", 0, FunctionToString}});
}

void ESNativeFunction::call(ESContext *cx, ESObject *function, const ESValue &, int,
                            ESValue *argv, ESValue *result)
{
    switch (function->builtinIndex) {
    case FunctionConstructor:
        *result = ESValue::fromObject(functionFrom(cx, cx->passedArgumentCount(), argv));
        return;
    case FunctionToString:
        // Compiled code keeps no source text: every function shows the same.
        *result = esText(QStringLiteral("<<function>>"));
        return;
    default:
        esBadSignature(cx);
    }
}

ESObject *ESNativeFunction::construct(ESContext *cx, ESObject *function, int, ESValue *argv)
{
    if (function->builtinIndex != FunctionConstructor)
        esBadSignature(cx, true);
    return functionFrom(cx, cx->passedArgumentCount(), argv);
}

// ---- Boolean

void ESNativeBoolean::addMembers(ESContext *cx)
{
    esInstallConstructor(cx, this, "Boolean", 1, cx->booleanPrototype());
    esDefineMethods(cx, cx->booleanPrototype(), this, "Boolean.prototype.",
                    {{"toString", 0, BooleanToString}, {"valueOf", 0, BooleanValueOf}});
}

void ESNativeBoolean::call(ESContext *cx, ESObject *function, const ESValue &thisValue, int,
                           ESValue *argv, ESValue *result)
{
    const int index = function->builtinIndex;
    if (index == BooleanConstructor) {
        *result = ESValue::boolean(cx->toBoolean(argv[0]));
        return;
    }
    if (index != BooleanToString && index != BooleanValueOf)
        esBadSignature(cx);
    const ESValue *value = esPrimitiveOf(thisValue, ESTag::Boolean, this);
    if (!value) {
        // One message for both methods.
        cx->throwTypeError(QStringLiteral("Boolean.prototype.toString called on non-Boolean object"));
    }
    if (index == BooleanValueOf)
        *result = *value;
    else
        *result = esText(value->number != 0 ? QStringLiteral("true") : QStringLiteral("false"));
}

ESObject *ESNativeBoolean::construct(ESContext *cx, ESObject *function, int, ESValue *argv)
{
    if (function->builtinIndex != BooleanConstructor)
        esBadSignature(cx, true);
    ESObject *wrapper = cx->newObject(cx->booleanPrototype(), this);
    wrapper->value = ESValue::boolean(cx->toBoolean(argv[0]));
    return wrapper;
}
