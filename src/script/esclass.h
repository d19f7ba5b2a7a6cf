#pragma once

#include "esvalue.h"

class ESAtom;
class ESContext;
class ESObject;

/// What a class hands to ESContext::defineBuiltin for each of its methods.
struct ESBuiltinDescriptor
{
    const char *name;          // short name, the property it is stored under
    const char *fullName;      // e.g. "WScript.prototype.Echo", the function's name
    int argumentCount;         // the "length" property and the parameter count
    int isConstructor;         // 1: `new` accepts it (native constructors); 0: a method
    int builtinIndex;          // what the class's call and construct switch on
    const char *help = nullptr;  // becomes the function's "help" property when given
};

/// The base of every native and host class: property access, calls and construction
/// of the objects that point to it. The operations are virtual in this fixed order; each
/// default does nothing or the plain thing, so a class overrides only what it needs.
/// One instance per context; the name is what "[object NAME]" and error reports show.
class ESClass
{
public:
    explicit ESClass(const char *name) : m_name(name) {}
    virtual ~ESClass();
    ESClass(const ESClass &) = delete;
    ESClass &operator=(const ESClass &) = delete;

    /// Walks the object and then its prototype chain, each property array searched in
    /// turn; undefined when no object has the key.
    virtual ESValue get(ESContext *cx, ESObject *object, ESAtom *key);
    /// Searches only the object's own array: an existing property that is not read-only
    /// takes the value; a missing one is appended with attributes 0.
    virtual void put(ESContext *cx, ESObject *object, ESAtom *key, const ESValue *value);
    // Three operations kept for their slots; no class gives them a body.
    virtual void reservedOperation1(ESContext *cx, ESObject *object);
    virtual void reservedOperation2(ESContext *cx, ESObject *object);
    virtual void reservedOperation3(ESContext *cx, ESObject *object);
    /// A value query no class overrides; undefined.
    virtual ESValue query(ESContext *cx, ESObject *object);
    /// Runs the built-in `function` (dispatch on its builtinIndex). The arguments are at
    /// least the declared count (missing ones undefined). The default yields undefined.
    virtual void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
                      ESValue *argv, ESValue *result);
    /// A new object for `new function(...)`, or null, which the machine reports as
    /// "new must be given a constructor object" (the default).
    virtual ESObject *construct(ESContext *cx, ESObject *function, int argc, ESValue *argv);
    /// Creates a plain object, stores it in the global object under the class's name and
    /// returns it; host classes call this and then add their methods.
    virtual ESObject *install(ESContext *cx);

    const char *name() const { return m_name; }

private:
    const char *m_name;
};
