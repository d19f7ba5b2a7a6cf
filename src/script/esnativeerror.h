#pragma once

#include "esclass.h"

/// Error and its five subclasses: each a constructor with one argument and its own
/// prototype object. Calling or constructing one makes an object of the Error class
/// whose prototype is the constructor's prototype; an argument that is not undefined is
/// stored unconverted as "message". There is no "name" property and no toString of
/// their own. ESContext::throwScriptError builds the engine's errors through construct().
class ESNativeError : public ESClass
{
public:
    ESNativeError() : ESNativeError("Error") {}

    /// Installs the constructor on the global object and links it with a new prototype.
    void addMembers(ESContext *cx);
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;
    ESObject *construct(ESContext *cx, ESObject *function, int argc, ESValue *argv) override;
    /// A slot of the Error class's own; nothing uses it.
    virtual void reservedErrorOperation();

    /// The constructor function (null before addMembers).
    ESObject *constructorObject() const { return m_constructor; }
    ESObject *prototypeObject() const { return m_prototype; }

    /// The kind of an error object ("TypeError", ...), known from the error class whose
    /// prototype it has (errors carry no name of their own); else its class's name.
    static QString kindOf(const ESContext *cx, const ESObject *error);

protected:
    explicit ESNativeError(const char *name) : ESClass(name) {}

private:
    ESObject *makeError(ESContext *cx, int argc, const ESValue *argv);

    ESObject *m_constructor = nullptr;
    ESObject *m_prototype = nullptr;
};

class ESNativeEvalError : public ESNativeError
{
public:
    ESNativeEvalError() : ESNativeError("EvalError") {}
};

class ESNativeRangeError : public ESNativeError
{
public:
    ESNativeRangeError() : ESNativeError("RangeError") {}
};

class ESNativeReferenceError : public ESNativeError
{
public:
    ESNativeReferenceError() : ESNativeError("ReferenceError") {}
};

class ESNativeSyntaxError : public ESNativeError
{
public:
    ESNativeSyntaxError() : ESNativeError("SyntaxError") {}
};

class ESNativeTypeError : public ESNativeError
{
public:
    ESNativeTypeError() : ESNativeError("TypeError") {}
};
