#include "escontext.h"

#include "esatom.h"
#include "escodeblock.h"
#include "escompiler_p.h"
#include "esexception.h"
#include "esmachine_p.h"
#include "esnativeerror.h"
#include "esnatives.h"
#include "esobject.h"

#include <cstdlib>
#include <typeinfo>

void ESContext::StackDeleter::operator()(ESValue *stack) const
{
    std::free(stack);
}

ESContext::ESContext() = default;

ESContext::~ESContext() = default;

bool ESContext::keepRunning()
{
    return true;
}

std::unique_ptr<ESContext> ESContext::create()
{
    auto cx = std::make_unique<ESContext>();
    cx->setUp();
    return cx;
}

void ESContext::setUp(ESObject *global)
{
    Q_ASSERT(!m_stack);
    esKeys();  // the well-known keys are interned first
    m_globalClass = std::make_unique<ESNativeGlobal>();
    m_arrayClass = std::make_unique<ESNativeArray>();
    m_functionClass = std::make_unique<ESNativeFunction>();
    m_errorClass = std::make_unique<ESNativeError>();
    m_evalErrorClass = std::make_unique<ESNativeEvalError>();
    m_numberClass = std::make_unique<ESNativeNumber>();
    m_stringClass = std::make_unique<ESNativeString>();
    m_booleanClass = std::make_unique<ESNativeBoolean>();
    m_referenceErrorClass = std::make_unique<ESNativeReferenceError>();
    m_rangeErrorClass = std::make_unique<ESNativeRangeError>();
    m_syntaxErrorClass = std::make_unique<ESNativeSyntaxError>();
    m_typeErrorClass = std::make_unique<ESNativeTypeError>();
    m_dateClass = std::make_unique<ESNativeDate>();
    m_objectClass = std::make_unique<ESNativeObject>();
    m_mathClass = std::make_unique<ESNativeMath>();
    m_activationClass = std::make_unique<ESActivation>();
    m_enumerationClass = std::make_unique<ESEnumeration>();

    m_objectPrototype = newObject(nullptr, m_objectClass.get());
    // Function.prototype is a function with an empty body: calling it yields undefined.
    m_functionPrototype = newFunction(m_objectPrototype, m_functionClass.get(),
                                      std::make_unique<ESFunctionInfo>(), false);
    m_functionPrototype->value = ESValue::fromAtom(ESAtom::intern("Function.prototype"));
    m_functionPrototype->append(esKeys().length, ESValue::fromNumber(0));
    m_stringPrototype = newObject(m_objectPrototype, m_stringClass.get());
    m_stringPrototype->value = ESValue::fromAtom(ESAtom::intern(QString()));
    m_numberPrototype = newObject(m_objectPrototype, m_numberClass.get());
    m_numberPrototype->value = ESValue::fromNumber(0);
    m_booleanPrototype = newObject(m_objectPrototype, m_booleanClass.get());
    m_booleanPrototype->value = ESValue::boolean(false);
    m_arrayPrototype = newObject(m_objectPrototype, m_arrayClass.get());
    m_datePrototype = newObject(m_objectPrototype, m_dateClass.get());
    m_datePrototype->value = ESValue::fromNumber(ESValue::NaN);

    // Zero bytes are undefined values, so the cleared allocation needs no writing.
    m_stackStorage.reset(static_cast<ESValue *>(std::calloc(stackCapacity, sizeof(ESValue))));
    if (!m_stackStorage)
        throw std::bad_alloc();
    m_stack = m_stackStorage.get();
    m_stackSize = stackCapacity;
    m_stackIndex = 0;

    if (!global) {
        global = newObject(m_objectPrototype, m_globalClass.get());
        global->value = ESValue::fromAtom(ESAtom::intern("[object global]"));
    }
    m_global = global;
    m_this = ESValue::fromObject(global);
    m_globalText = newStringCell(QStringLiteral("[object global]"));

    m_objectClass->addMembers(this);
    m_booleanClass->addMembers(this);
    m_arrayClass->addMembers(this);
    m_globalClass->addMembers(this);
    m_errorClass->addMembers(this);
    m_rangeErrorClass->addMembers(this);
    m_referenceErrorClass->addMembers(this);
    m_syntaxErrorClass->addMembers(this);
    m_typeErrorClass->addMembers(this);
    m_evalErrorClass->addMembers(this);
    m_numberClass->addMembers(this);
    m_mathClass->addMembers(this);
    m_stringClass->addMembers(this);
    m_functionClass->addMembers(this);
    m_dateClass->addMembers(this);

    // Only a subclass can answer false, so a plain context never asks.
    m_asksKeepRunning = typeid(*this) != typeid(ESContext);
    m_nativeStackLimit = esNativeStackLimit();
}

ESCompletion ESContext::evaluate(const QString &fileName, const QString &source)
{
    ESRegisterGuard guard(this);
    m_fileName = fileName;
    m_sourceText = source;
    return runGuarded(-1, &source);
}

ESCompletion ESContext::evaluateAtTopLevel(const QString &fileName, const QString &source)
{
    ESRegisterGuard guard(this);
    m_scope = nullptr;
    m_this = ESValue::fromObject(m_global);
    m_fileName = fileName;
    m_sourceText = source;
    return runGuarded(-1, &source);
}

ESCompletion ESContext::run(int blockNumber)
{
    ESRegisterGuard guard(this);
    return runGuarded(blockNumber, nullptr);
}

// Compiles `source` when given, then runs the block; a script error becomes the
// completion. The caller's guard puts the registers back.
ESCompletion ESContext::runGuarded(int blockNumber, const QString *source)
{
    if (m_evaluateDepth == 0)
        m_nativeStackLimit = esNativeStackLimit();  // this thread's
    ++m_evaluateDepth;
    struct DepthGuard
    {
        int &depth;
        ~DepthGuard() { --depth; }
    } depthGuard{m_evaluateDepth};
    ESCompletion completion;
    try {
        if (source)
            blockNumber = compileSource(*source);
        ESCodeBlock *program = block(blockNumber);
        if (!program)
            fatal(QStringLiteral("no code block %1").arg(blockNumber));
        completion.value = ESMachine::runProgram(this, program);
    } catch (const ESException &exception) {
        completion.kind = ESCompletion::Throw;
        completion.value = exception.value();
    }
    return completion;
}

int ESContext::compile(const QString &fileName, const QString &source)
{
    m_fileName = fileName;
    m_sourceText = source;
    return compileSource(source);
}

// A source evaluated while a function runs (the scope chain is not empty) finds its
// free names along the chain, so it sees the variables of the functions around it.
int ESContext::compileSource(const QString &source)
{
    auto blocks = esCompile(this, source, blockCount(), m_scope != nullptr);
    int number = -1;
    for (auto &block : blocks)
        number = registerBlock(std::move(block));
    return number;
}

int ESContext::registerBlock(std::unique_ptr<ESCodeBlock> block)
{
    m_blocks.push_back(std::move(block));
    return int(m_blocks.size()) - 1;
}

ESCodeBlock *ESContext::block(int number) const
{
    return number >= 0 && number < blockCount() ? m_blocks[std::size_t(number)].get() : nullptr;
}

QByteArray ESContext::listing() const
{
    QByteArray text;
    for (int number = 0; number < blockCount(); ++number) {
        const ESCodeBlock *code = m_blocks[std::size_t(number)].get();
        text += "block " + QByteArray::number(number) + ": "
                + (code->name ? code->name->text.toUtf8() : QByteArray()) + "\n";
        text += code->listing(*this);
    }
    return text;
}

// The pool hands out objects from its free list and refills it 64 objects at a time.
// Nothing returns to it: objects live until the context is destroyed.
ESObject *ESContext::newObject(ESObject *prototype, ESClass *esClass)
{
    if (!m_freeObjects) {
        constexpr int chunkSize = 64;
        m_objectChunks.emplace_back(new ESObject[chunkSize]);
        ESObject *chunk = m_objectChunks.back().get();
        for (int i = 0; i < chunkSize; ++i) {
            chunk[i].nextAll = m_allObjects;
            m_allObjects = &chunk[i];
            chunk[i].nextFree = m_freeObjects;
            m_freeObjects = &chunk[i];
        }
    }
    ESObject *object = m_freeObjects;
    m_freeObjects = object->nextFree;
    object->nextFree = nullptr;
    object->prototype = prototype;
    object->esClass = esClass;
    return object;
}

ESObject *ESContext::newFunction(ESObject *prototype, ESClass *esClass,
                                 std::unique_ptr<ESFunctionInfo> info, bool constructor)
{
    ESObject *function = newObject(prototype, esClass);
    function->ownedInfo = std::move(info);
    function->call = function->ownedInfo.get();
    if (constructor)
        function->construct = function->call;
    return function;
}

ESObject *ESContext::defineBuiltin(ESObject *target, ESClass *owner,
                                   const ESBuiltinDescriptor &descriptor)
{
    auto info = std::make_unique<ESFunctionInfo>();
    info->parameterCount = descriptor.argumentCount;
    ESObject *function = newFunction(m_functionPrototype, owner, std::move(info),
                                     descriptor.isConstructor != 0);
    function->value = ESValue::fromAtom(ESAtom::intern(descriptor.fullName));
    function->builtinIndex = descriptor.builtinIndex;
    function->append(esKeys().length, ESValue::fromNumber(descriptor.argumentCount))->attributes =
        ESAttribute::ReadOnly | ESAttribute::DontEnum | ESAttribute::DontDelete;
    // Built-ins stay out of for-in, which would otherwise list every method of the
    // prototypes along the chain.
    ESAtom *name = ESAtom::intern(descriptor.name);
    put(target, name, ESValue::fromObject(function));
    if (ESProperty *property = target->findOwn(name))
        property->attributes |= ESAttribute::DontEnum;
    if (descriptor.help) {
        function->append(ESAtom::intern("help"),
                         ESValue::fromAtom(ESAtom::intern(QString::fromUtf8(descriptor.help))));
    }
    return function;
}

ESStringCell *ESContext::newStringCell(const QString &text)
{
    m_stringCells.push_back(ESStringCell{text});
    return &m_stringCells.back();
}

ESClass *ESContext::adoptClass(std::unique_ptr<ESClass> esClass)
{
    m_hostClasses.push_back(std::move(esClass));
    return m_hostClasses.back().get();
}

ESValue ESContext::get(ESObject *object, ESAtom *key)
{
    return object->esClass->get(this, object, key);
}

void ESContext::put(ESObject *object, ESAtom *key, const ESValue &value)
{
    object->esClass->put(this, object, key, &value);
}

bool ESContext::hasOwnProperty(ESObject *object, const ESAtom *key) const
{
    return object->findOwn(key) != nullptr;
}

bool ESContext::hasProperty(ESObject *object, const ESAtom *key) const
{
    for (ESObject *level = object; level; level = level->prototype) {
        if (level->findOwn(key))
            return true;
    }
    return false;
}

bool ESContext::isEnumerable(ESObject *object, const ESAtom *key) const
{
    const ESProperty *property = object->findOwn(key);
    return property && !(property->attributes & ESAttribute::DontEnum);
}

// The record stays in the array with its key cleared, so global slots keep their
// indices.
bool ESContext::deleteProperty(ESObject *object, const ESAtom *key)
{
    ESProperty *property = object->findOwn(key);
    if (!property)
        return true;
    if (property->attributes & ESAttribute::DontDelete)
        return false;
    *property = ESProperty();
    return true;
}

bool ESContext::isPrototypeOf(const ESObject *prototype, const ESValue &value) const
{
    if (!value.isObject())
        return false;
    for (const ESObject *level = value.object->prototype; level; level = level->prototype) {
        if (level == prototype)
            return true;
    }
    return false;
}

void ESContext::call(const ESValue &function, const ESValue &thisValue, int argc,
                     const ESValue *argv, ESValue *result)
{
    ESMachine::callFromNative(this, function, thisValue, argc, argv, result);
}

ESObject *ESContext::construct(const ESValue &function, int argc, const ESValue *argv)
{
    return ESMachine::constructFromNative(this, function, argc, argv);
}

void ESContext::throwScriptError(ESNativeError *errorClass, const QString &message)
{
    ESValue text = ESValue::fromAtom(ESAtom::intern(message));
    ESObject *error = errorClass->constructorObject()
                          ? errorClass->construct(this, errorClass->constructorObject(), 1, &text)
                          : nullptr;
    if (!error)
        fatal(message);  // during set-up, before the Error classes exist
    if (!m_fileName.isEmpty()) {
        static ESAtom *const fileNameKey = ESAtom::intern("fileName");
        put(error, fileNameKey, ESValue::fromAtom(ESAtom::intern(m_fileName)));
    }
    const int lineCount = m_sourceText.count(u'\n') + 1;
    if (m_line > 0 && m_line <= lineCount) {
        static ESAtom *const lineNumberKey = ESAtom::intern("lineNumber");
        static ESAtom *const sourceLineKey = ESAtom::intern("sourceLine");
        int start = 0;
        for (int line = 1; line < m_line; ++line)
            start = m_sourceText.indexOf(u'\n', start) + 1;
        const int end = m_sourceText.indexOf(u'\n', start);
        const QString text = m_sourceText.mid(start, end < 0 ? -1 : end - start);
        put(error, lineNumberKey, ESValue::fromNumber(m_line));
        put(error, sourceLineKey, ESValue::fromAtom(ESAtom::intern(text)));
    }
    throw ESException(ESValue::fromObject(error));
}

void ESContext::throwTypeError(const QString &message)
{
    throwScriptError(m_typeErrorClass.get(), message);
}

void ESContext::checkTextLength(qint64 length)
{
    if (length > maxTextLength)
        throwScriptError(m_rangeErrorClass.get(), QStringLiteral("string too long"));
}

void ESContext::fatal(const QString &message)
{
    throw ESFatalError(message);
}
