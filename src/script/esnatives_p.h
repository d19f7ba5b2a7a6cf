#pragma once

// What the native classes' files share: installing constructors, methods and
// constants, and the small conversions their built-ins repeat.

#include "esatom.h"
#include "esvalue.h"

#include <initializer_list>

class ESClass;
class ESContext;
class ESObject;

/// One method of a native table: short name, declared argument count, built-in index.
struct ESNativeMethod
{
    const char *name;
    int argumentCount;
    int index;
};

/// Defines each method on `target`, dispatched by `owner`, with the full name
/// `prefix` + name (e.g. "Array.prototype." + "join").
void esDefineMethods(ESContext *cx, ESObject *target, ESClass *owner, const char *prefix,
                     std::initializer_list<ESNativeMethod> methods);

/// Installs the constructor `name` (built-in index 0, constructor flag set) on the global
/// object and links it with `prototype` both ways.
ESObject *esInstallConstructor(ESContext *cx, ESClass *owner, const char *name,
                               int argumentCount, ESObject *prototype);

/// A read-only, not enumerable, not deletable property: the constants of the natives.
void esDefineConstant(ESContext *cx, ESObject *target, const char *name, const ESValue &value);

/// Error "bad signature in builtin call" (or "... construct").
[[noreturn]] void esBadSignature(ESContext *cx, bool construct = false);

inline ESValue esText(const QString &text)
{
    return ESValue::fromAtom(ESAtom::intern(text));
}

inline ESValue esNumber(double number)
{
    return ESValue::fromNumber(number);
}

/// The wrapped primitive of `value` when it is a primitive of `tag` or an object of
/// `wrapperClass`; null otherwise.
const ESValue *esPrimitiveOf(const ESValue &value, ESTag tag, const ESClass *wrapperClass);
