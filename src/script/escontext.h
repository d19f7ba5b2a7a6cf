#pragma once

#include "esvalue.h"

#include <QString>

#include <deque>
#include <memory>
#include <vector>

class ESActivation;
class ESAtom;
class ESClass;
class ESCodeBlock;
class ESEnumeration;
class ESNativeArray;
class ESNativeBoolean;
class ESNativeDate;
class ESNativeError;
class ESNativeEvalError;
class ESNativeFunction;
class ESNativeGlobal;
class ESNativeMath;
class ESNativeNumber;
class ESNativeObject;
class ESNativeRangeError;
class ESNativeReferenceError;
class ESNativeString;
class ESNativeSyntaxError;
class ESNativeTypeError;
class ESObject;
struct ESBuiltinDescriptor;
struct ESFunctionInfo;
struct ESStringCell;

/// How an evaluation ended: kind Normal with the script's value (the last expression
/// statement's), or Throw with the uncaught error value. The message is empty.
struct ESCompletion
{
    static constexpr int Normal = 0;
    static constexpr int Throw = 4;
    int kind = Normal;
    ESValue value;
    QString message;
};

/// The hint of to-primitive.
enum class ESHint { Default, Number, String };

/// One interpreter instance: it owns everything a script creates (objects, compiled
/// blocks, the value stack) and keeps the machine's registers. Create it, call setUp()
/// once, then evaluate any number of sources in turn; globals persist between them.
/// Nothing is shared with other contexts except the process-wide atoms. A context runs
/// on one thread at a time. Subclasses override keepRunning() for cancellation and
/// responsiveness.
class ESContext
{
public:
    /// The value stack's size in slots (16 MiB).
    static constexpr quint32 stackCapacity = 1048576;

    ESContext();
    virtual ~ESContext();
    ESContext(const ESContext &) = delete;
    ESContext &operator=(const ESContext &) = delete;

    /// Asked before every instruction, but only when a subclass of ESContext runs the
    /// script (a plain ESContext never asks); false ends the run at once, keeping the
    /// result computed so far.
    virtual bool keepRunning();
    /// Whether a subclass asks to stop: natives that loop over millions of elements ask
    /// now and then and give up early, as the machine does between instructions.
    bool stopRequested() { return m_asksKeepRunning && !keepRunning(); }

    /// Creates the native classes and prototypes, allocates and clears the stack, makes
    /// the global object (unless one is given) and lets each native class add its
    /// members. Call once, after construction.
    void setUp(ESObject *global = nullptr);
    /// A plain context, set up.
    static std::unique_ptr<ESContext> create();

    /// Compiles and runs a source. A script error (compile errors included) becomes a
    /// Throw completion; ESFatalError passes to the caller. The registers, the file name
    /// and the source text are as before when it returns, however it ends, so a native
    /// may evaluate from inside a running script.
    ESCompletion evaluate(const QString &fileName, const QString &source);
    /// As evaluate, but outside any running function: the scope chain is empty and
    /// `this` is the global object while the source runs (load(), the Function
    /// constructor).
    ESCompletion evaluateAtTopLevel(const QString &fileName, const QString &source);
    /// Compiles a source and registers its blocks without running it; answers the
    /// program block's number. Throws ESException with the SyntaxError.
    int compile(const QString &fileName, const QString &source);
    /// Runs a registered program block as evaluate does after compiling.
    ESCompletion run(int blockNumber);
    /// Registers a block made elsewhere (the machine trusts its code and operands);
    /// answers its number.
    int registerBlock(std::unique_ptr<ESCodeBlock> block);

    int blockCount() const { return int(m_blocks.size()); }
    /// The registered block with this number (the CLOSURE operand), or null.
    ESCodeBlock *block(int number) const;
    /// Every registered block's instruction listing, in registry order, each preceded
    /// by a line naming the block.
    QByteArray listing() const;

    // Objects. All come from the pool and live as long as the context.
    ESObject *newObject(ESObject *prototype, ESClass *esClass);
    /// A function object whose call record (and construct record, when `constructor`)
    /// is `info`; its "length" is not set.
    ESObject *newFunction(ESObject *prototype, ESClass *esClass,
                          std::unique_ptr<ESFunctionInfo> info, bool constructor);
    /// Makes the built-in function `descriptor` describes, dispatched by `owner`, and
    /// stores it on `target` under the short name.
    ESObject *defineBuiltin(ESObject *target, ESClass *owner,
                            const ESBuiltinDescriptor &descriptor);
    ESStringCell *newStringCell(const QString &text);
    /// Keeps a host class alive as long as the context (its functions point to it).
    ESClass *adoptClass(std::unique_ptr<ESClass> esClass);

    // Properties, through the object's class where the class decides.
    ESValue get(ESObject *object, ESAtom *key);
    void put(ESObject *object, ESAtom *key, const ESValue &value);
    bool hasOwnProperty(ESObject *object, const ESAtom *key) const;
    bool hasProperty(ESObject *object, const ESAtom *key) const;  // along the chain
    bool isEnumerable(ESObject *object, const ESAtom *key) const;
    /// False when the property is not deletable; true otherwise, also when missing.
    bool deleteProperty(ESObject *object, const ESAtom *key);
    /// Whether `prototype` is on the prototype chain of `value`.
    bool isPrototypeOf(const ESObject *prototype, const ESValue &value) const;

    // Conversions. Those that may reach an object can run script code (valueOf,
    // toString) and so throw ESException; a value with a bad tag throws ESFatalError.
    bool toBoolean(const ESValue &value) const;
    double toNumber(const ESValue &value);
    double toInteger(const ESValue &value);
    qint32 toInt32(const ESValue &value);
    quint32 toUint32(const ESValue &value);
    QString toString(const ESValue &value, int radix = 10);
    ESValue toPrimitive(const ESValue &value, ESHint hint);
    ESObject *toObject(const ESValue &value);
    ESAtom *toPropertyKey(const ESValue &value);
    static double stringToNumber(const QString &text);
    static QString numberToString(double number, int radix = 10);
    static double integerOf(double number);   // to-integer of a number
    static quint32 uint32Of(double number);   // to-uint32 of a number

    /// Calls a function from native code: pushes the accumulator and the arguments,
    /// runs the call and restores the accumulator. TypeError "can only call function
    /// objects" for a value without a call record.
    void call(const ESValue &function, const ESValue &thisValue, int argc,
              const ESValue *argv, ESValue *result);
    /// `new function(argv...)`.
    ESObject *construct(const ESValue &function, int argc, const ESValue *argv);

    /// Builds an error of `errorClass` with the interned message, adds "fileName",
    /// "lineNumber" and "sourceLine" from the current file, line and source text, and
    /// throws it as ESException.
    [[noreturn]] void throwScriptError(ESNativeError *errorClass, const QString &message);
    [[noreturn]] void throwTypeError(const QString &message);
    /// Texts may hold up to 2^28 characters; RangeError "string too long" beyond.
    static constexpr qint64 maxTextLength = qint64(1) << 28;
    void checkTextLength(qint64 length);
    [[noreturn]] static void fatal(const QString &message);

    // Registers and shared objects.
    ESObject *global() const { return m_global; }
    const ESValue &thisValue() const { return m_this; }
    ESObject *scopeChain() const { return m_scope; }
    ESValue *arguments() const { return m_stack + m_argumentIndex; }
    int argumentCount() const { return m_argumentCount; }
    /// How many arguments the caller of the running built-in passed, before the missing
    /// ones up to its declared count were filled with undefined; read it on entry to a
    /// class's call or construct (what the built-in runs next may change it).
    int passedArgumentCount() const { return m_passedArgumentCount; }
    int currentLine() const { return m_line; }
    void setCurrentLine(int line) { m_line = line; }
    const QString &fileName() const { return m_fileName; }
    const QString &sourceText() const { return m_sourceText; }
    quint32 stackIndex() const { return m_stackIndex; }

    ESObject *objectPrototype() const { return m_objectPrototype; }
    ESObject *functionPrototype() const { return m_functionPrototype; }
    ESObject *stringPrototype() const { return m_stringPrototype; }
    ESObject *numberPrototype() const { return m_numberPrototype; }
    ESObject *booleanPrototype() const { return m_booleanPrototype; }
    ESObject *arrayPrototype() const { return m_arrayPrototype; }
    ESObject *datePrototype() const { return m_datePrototype; }

    ESNativeGlobal *globalClass() const { return m_globalClass.get(); }
    ESNativeArray *arrayClass() const { return m_arrayClass.get(); }
    ESNativeFunction *functionClass() const { return m_functionClass.get(); }
    ESNativeError *errorClass() const { return m_errorClass.get(); }
    ESNativeEvalError *evalErrorClass() const { return m_evalErrorClass.get(); }
    ESNativeNumber *numberClass() const { return m_numberClass.get(); }
    ESNativeString *stringClass() const { return m_stringClass.get(); }
    ESNativeBoolean *booleanClass() const { return m_booleanClass.get(); }
    ESNativeReferenceError *referenceErrorClass() const { return m_referenceErrorClass.get(); }
    ESNativeRangeError *rangeErrorClass() const { return m_rangeErrorClass.get(); }
    ESNativeSyntaxError *syntaxErrorClass() const { return m_syntaxErrorClass.get(); }
    ESNativeTypeError *typeErrorClass() const { return m_typeErrorClass.get(); }
    ESNativeDate *dateClass() const { return m_dateClass.get(); }
    ESNativeObject *objectClass() const { return m_objectClass.get(); }
    ESNativeMath *mathClass() const { return m_mathClass.get(); }
    ESActivation *activationClass() const { return m_activationClass.get(); }

private:
    friend class ESMachine;
    friend class ESRegisterGuard;

    int compileSource(const QString &source);
    ESCompletion runGuarded(int blockNumber, const QString *source);
    ESValue defaultValue(ESObject *object, ESHint hint);

    // The machine's registers. The accumulator is the top of the stack.
    ESValue m_acc;
    ESValue *m_stack = nullptr;
    quint32 m_stackSize = 0;
    quint32 m_stackIndex = 0;  // the next free slot
    ESObject *m_scope = nullptr;

    ESObject *m_objectPrototype = nullptr;
    ESObject *m_functionPrototype = nullptr;
    ESObject *m_stringPrototype = nullptr;
    ESObject *m_numberPrototype = nullptr;
    ESObject *m_booleanPrototype = nullptr;
    ESObject *m_arrayPrototype = nullptr;
    ESObject *m_datePrototype = nullptr;

    ESObject *m_global = nullptr;
    ESValue m_this;

    quint32 m_argumentIndex = 0;  // the first argument's slot
    int m_argumentCount = 0;

    std::unique_ptr<ESNativeGlobal> m_globalClass;
    std::unique_ptr<ESNativeArray> m_arrayClass;
    std::unique_ptr<ESNativeFunction> m_functionClass;
    std::unique_ptr<ESNativeError> m_errorClass;
    std::unique_ptr<ESNativeEvalError> m_evalErrorClass;
    std::unique_ptr<ESNativeNumber> m_numberClass;
    std::unique_ptr<ESNativeString> m_stringClass;
    std::unique_ptr<ESNativeBoolean> m_booleanClass;
    std::unique_ptr<ESNativeReferenceError> m_referenceErrorClass;
    std::unique_ptr<ESNativeRangeError> m_rangeErrorClass;
    std::unique_ptr<ESNativeSyntaxError> m_syntaxErrorClass;
    std::unique_ptr<ESNativeTypeError> m_typeErrorClass;
    std::unique_ptr<ESNativeDate> m_dateClass;
    std::unique_ptr<ESNativeObject> m_objectClass;
    std::unique_ptr<ESNativeMath> m_mathClass;
    std::unique_ptr<ESActivation> m_activationClass;

    ESObject *m_allObjects = nullptr;
    ESObject *m_freeObjects = nullptr;

    int m_line = 0;

    QString m_sourceText;
    QString m_fileName;

    std::vector<std::unique_ptr<ESCodeBlock>> m_blocks;

    // Beyond the record: the pool's storage, string cells, host classes, the class of
    // for-in enumerations, and what the machine needs to run.
    std::vector<std::unique_ptr<ESObject[]>> m_objectChunks;
    std::deque<ESStringCell> m_stringCells;
    std::vector<std::unique_ptr<ESClass>> m_hostClasses;
    std::unique_ptr<ESEnumeration> m_enumerationClass;
    ESStringCell *m_globalText = nullptr;  // "[object global]", to-primitive of the global
    struct StackDeleter { void operator()(ESValue *stack) const; };
    std::unique_ptr<ESValue, StackDeleter> m_stackStorage;
    bool m_asksKeepRunning = false;
    int m_evaluateDepth = 0;
    int m_passedArgumentCount = 0;
    const char *m_nativeStackLimit = nullptr;
};
