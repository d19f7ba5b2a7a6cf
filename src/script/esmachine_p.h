#pragma once

#include "escontext.h"

class ESAtom;
class ESCodeBlock;
class ESObject;

/// The virtual machine: the instruction loop over a code block and the call and
/// construct operations. It works on the registers of an ESContext; script calls
/// re-enter the loop recursively, native ones go through ESClass::call.
class ESMachine
{
public:
    /// Runs a program block on top of the current registers; its result.
    static ESValue runProgram(ESContext *cx, ESCodeBlock *block);
    /// Calls `function` with the `argc` arguments that lie on top of the stack; the
    /// stack index is as before when it returns.
    static ESValue invoke(ESContext *cx, ESObject *function, ESValue thisValue, int argc);
    /// `new function` with the arguments on top of the stack.
    static ESObject *construct(ESContext *cx, ESValue function, int argc);
    static void callFromNative(ESContext *cx, const ESValue &function,
                               const ESValue &thisValue, int argc, const ESValue *argv,
                               ESValue *result);
    static ESObject *constructFromNative(ESContext *cx, const ESValue &function, int argc,
                                         const ESValue *argv);

private:
    // The loop and the calls (esmachine.cpp).
    static ESValue run(ESContext *cx, ESCodeBlock *block);
    static void checkRoom(ESContext *cx, quint32 slots);
    static void enterActivation(ESContext *cx, ESObject *function, ESCodeBlock *block,
                                int passed);

    // What the instructions do beyond their fast paths (esmachineoperations.cpp). They
    // stay out of the loop's function, and take values, not references, so that the
    // loop keeps its frame small and its accumulator in registers.
    static ESValue callFunction(ESContext *cx, ESValue function, ESObject *receiver, int argc);
    static ESValue callName(ESContext *cx, ESAtom *name, int argc);
    static ESValue callMember(ESContext *cx, ESValue object, ESAtom *key, int argc);
    static ESValue callComputed(ESContext *cx, ESValue object, ESValue key, int argc);
    static ESObject *ownerOf(ESContext *cx, ESAtom *name);
    static ESValue getName(ESContext *cx, ESAtom *name);
    static void putName(ESContext *cx, ESAtom *name, ESValue value);
    static bool deleteName(ESContext *cx, ESAtom *name);
    static ESValue getMember(ESContext *cx, ESValue object, ESAtom *key);
    static ESValue getComputed(ESContext *cx, ESValue object, ESValue key);
    static void putMember(ESContext *cx, ESValue object, ESAtom *key, ESValue value);
    static void putComputed(ESContext *cx, ESValue object, ESValue key, ESValue value);
    static bool deleteComputed(ESContext *cx, ESValue object, ESValue key);
    static ESValue memberOperation(ESContext *cx, int op, ESValue object, ESValue key,
                                   ESValue operand);
    static void enterWith(ESContext *cx, ESValue value);
    static ESValue add(ESContext *cx, ESValue left, ESValue right);
    static ESValue binary(ESContext *cx, int op, ESValue left, ESValue right);
    static ESValue unary(ESContext *cx, int op, ESValue value);
    static bool compare(ESContext *cx, ESValue left, ESValue right, bool orEqual);
    static bool looseEquals(ESContext *cx, ESValue left, ESValue right);
    static bool strictEquals(ESValue left, ESValue right);
    static bool truthy(const ESContext *cx, ESValue value);
    static ESAtom *typeOf(ESValue value);
    static ESObject *enumerate(ESContext *cx, ESValue value);
    static ESObject *closure(ESContext *cx, int blockNumber);
    static ESObject *makeArray(ESContext *cx, const ESValue *elements, int count);
    static ESValue stepByName(ESContext *cx, ESValue name, double delta, bool postfix);
    static void stepValue(ESContext *cx, ESValue *slot, double delta);
    static void stepGlobal(ESContext *cx, int slot, double delta);
    [[noreturn]] static void unknownInstruction(ESContext *cx, ESCodeBlock *block, int position);
    [[noreturn]] static void notAnEnumeration();
    [[noreturn]] static void stackTooSmall();
};

/// Saves the machine's registers, the file name and the source text, and puts them
/// back when it goes out of scope, on every path: what evaluate and calls from native
/// code promise their callers. Calls from native code leave the texts alone (only an
/// evaluation changes them, and it restores them itself), so they skip copying them.
class ESRegisterGuard
{
public:
    enum Texts { SaveTexts, KeepTexts };
    explicit ESRegisterGuard(ESContext *cx, Texts texts = SaveTexts);
    ~ESRegisterGuard();
    ESRegisterGuard(const ESRegisterGuard &) = delete;
    ESRegisterGuard &operator=(const ESRegisterGuard &) = delete;

private:
    ESContext *m_cx;
    ESValue m_acc;
    quint32 m_stackIndex;
    ESObject *m_scope;
    ESValue m_this;
    quint32 m_argumentIndex;
    int m_argumentCount;
    int m_line;
    bool m_savesTexts;
    QString m_fileName;
    QString m_sourceText;
};
