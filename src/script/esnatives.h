#pragma once

#include "esclass.h"

#include <QStringList>

// The native classes other than the Error family, one instance of each per context.
// The context's set-up calls addMembers() on each in the fixed order (Object, Boolean,
// Array, Global, Error, RangeError, ReferenceError, SyntaxError, TypeError, EvalError,
// Number, Math, String, Function, Date).
//
// TODO: the member lists (constructors, prototype methods, global functions and
// constants) come with the native objects; until then these classes only give the
// prototypes and wrapper objects their class names, and arrays their "length".

/// The global object's class ("global").
class ESNativeGlobal : public ESClass
{
public:
    ESNativeGlobal() : ESClass("global") {}
    void addMembers(ESContext *cx);

    /// The directories load() searches after the path as given, in order; one list for
    /// the process (a runner fills it from its command line).
    static QStringList &loadPath();
};

/// Object: the class of plain objects.
class ESNativeObject : public ESClass
{
public:
    ESNativeObject() : ESClass("Object") {}
    void addMembers(ESContext *cx);
};

/// Function: the class of script functions.
class ESNativeFunction : public ESClass
{
public:
    ESNativeFunction() : ESClass("Function") {}
    void addMembers(ESContext *cx);
};

/// Array: elements are properties named by their decimal index; put() keeps "length"
/// one above the highest index stored, and a store to "length" keeps it a number.
class ESNativeArray : public ESClass
{
public:
    ESNativeArray() : ESClass("Array") {}
    void addMembers(ESContext *cx);
    void put(ESContext *cx, ESObject *object, ESAtom *key, const ESValue *value) override;
};

/// String wrapper objects.
class ESNativeString : public ESClass
{
public:
    ESNativeString() : ESClass("String") {}
    void addMembers(ESContext *cx);
};

/// Boolean wrapper objects.
class ESNativeBoolean : public ESClass
{
public:
    ESNativeBoolean() : ESClass("Boolean") {}
    void addMembers(ESContext *cx);
};

/// Number wrapper objects.
class ESNativeNumber : public ESClass
{
public:
    ESNativeNumber() : ESClass("Number") {}
    void addMembers(ESContext *cx);
};

/// Date objects; to-primitive tries their toString first.
class ESNativeDate : public ESClass
{
public:
    ESNativeDate() : ESClass("Date") {}
    void addMembers(ESContext *cx);
};

/// The Math object.
class ESNativeMath : public ESClass
{
public:
    ESNativeMath() : ESClass("Math") {}
    void addMembers(ESContext *cx);
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
