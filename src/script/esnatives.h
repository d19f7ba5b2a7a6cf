#pragma once

#include "esclass.h"

#include <QStringList>

// The native classes other than the Error family, one instance of each per context.
// The context's set-up calls addMembers() on each in the fixed order (Object, Boolean,
// Array, Global, Error, RangeError, ReferenceError, SyntaxError, TypeError, EvalError,
// Number, Math, String, Function, Date). Each built-in is a function object whose
// built-in index call() and construct() switch on; an index outside a class's table
// raises Error "bad signature in builtin call" (or "... construct").

/// The global object's class ("global"): eval, parseInt, parseFloat, isNaN, isFinite,
/// load, and the constants NaN, Infinity and undefined.
class ESNativeGlobal : public ESClass
{
public:
    ESNativeGlobal() : ESClass("global") {}
    void addMembers(ESContext *cx);
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;

    /// The directories load() searches after the path as given, in order; one list for
    /// the process (a runner fills it from its command line).
    static QStringList &loadPath();
};

/// Object: the class of plain objects, its constructor and Object.prototype's methods.
class ESNativeObject : public ESClass
{
public:
    ESNativeObject() : ESClass("Object") {}
    void addMembers(ESContext *cx);
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;
    ESObject *construct(ESContext *cx, ESObject *function, int argc, ESValue *argv) override;
};

/// Function: the class of function objects; its constructor compiles a body at run time.
class ESNativeFunction : public ESClass
{
public:
    ESNativeFunction() : ESClass("Function") {}
    void addMembers(ESContext *cx);
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;
    ESObject *construct(ESContext *cx, ESObject *function, int argc, ESValue *argv) override;
};

/// Array: elements are properties named by their decimal index; put() keeps "length"
/// one above the highest index stored, and a store to "length" keeps it a number.
class ESNativeArray : public ESClass
{
public:
    ESNativeArray() : ESClass("Array") {}
    void addMembers(ESContext *cx);
    void put(ESContext *cx, ESObject *object, ESAtom *key, const ESValue *value) override;
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;
    ESObject *construct(ESContext *cx, ESObject *function, int argc, ESValue *argv) override;

    /// A new array holding `count` elements (its "length" not enumerable).
    static ESObject *newArray(ESContext *cx, const ESValue *elements = nullptr, int count = 0);
    static bool isArray(const ESContext *cx, const ESValue &value);
    /// The array `value` is; TypeError "array argument expected" for anything else.
    static ESObject *requireArray(ESContext *cx, const ESValue &value);
    /// to-uint32 of the object's "length".
    static quint32 lengthOf(ESContext *cx, ESObject *object);
};

/// String wrapper objects; their "length" is the length of the wrapped text.
class ESNativeString : public ESClass
{
public:
    ESNativeString() : ESClass("String") {}
    void addMembers(ESContext *cx);
    ESValue get(ESContext *cx, ESObject *object, ESAtom *key) override;
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;
    ESObject *construct(ESContext *cx, ESObject *function, int argc, ESValue *argv) override;
};

/// Boolean wrapper objects.
class ESNativeBoolean : public ESClass
{
public:
    ESNativeBoolean() : ESClass("Boolean") {}
    void addMembers(ESContext *cx);
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;
    ESObject *construct(ESContext *cx, ESObject *function, int argc, ESValue *argv) override;
};

/// Number wrapper objects and the Number constants.
class ESNativeNumber : public ESClass
{
public:
    ESNativeNumber() : ESClass("Number") {}
    void addMembers(ESContext *cx);
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;
    ESObject *construct(ESContext *cx, ESObject *function, int argc, ESValue *argv) override;
};

/// Date objects: the internal value is milliseconds since 1970-01-01 00:00 UTC (NaN for
/// an invalid date); to-primitive tries their toString first.
class ESNativeDate : public ESClass
{
public:
    ESNativeDate() : ESClass("Date") {}
    void addMembers(ESContext *cx);
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;
    ESObject *construct(ESContext *cx, ESObject *function, int argc, ESValue *argv) override;
};

/// The Math object: a plain object of this class, not a constructor.
class ESNativeMath : public ESClass
{
public:
    ESNativeMath() : ESClass("Math") {}
    void addMembers(ESContext *cx);
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;
};

/// Activation objects (a called function's parameters and locals by name) and the
/// scope-chain nodes that carry them.
class ESActivation : public ESClass
{
public:
    ESActivation() : ESClass("activation") {}
};

/// The objects ENUM makes for for-in: the keys as elements "0".."n-1", then "length";
/// the internal value counts the keys handed out by NEXT.
class ESEnumeration : public ESClass
{
public:
    ESEnumeration() : ESClass("enumeration") {}
};
