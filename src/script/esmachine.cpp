#include "esmachine_p.h"

#include "esatom.h"
#include "escodeblock.h"
#include "esexception.h"
#include "esnativeerror.h"
#include "esnatives.h"
#include "esobject.h"
#include "esopcode.h"

#include <cmath>

namespace {

inline ESValue number(double value)
{
    return ESValue::fromNumber(value);
}

inline ESValue object(ESObject *object)
{
    return ESValue::fromObject(object);
}

inline int operand(const quint8 *pc, int offset)
{
    return pc[offset] << 8 | pc[offset + 1];
}

inline ESAtom *atomOperand(const quint8 *pc, int offset)
{
    return ESAtom::byNumber(quint32(operand(pc, offset)));
}

inline double arithmetic(int op, double left, double right)
{
    switch (ESOp(op)) {
    case ESOp::Sub: return left - right;
    case ESOp::Mul: return left * right;
    case ESOp::Div: return left / right;
    case ESOp::Mod: return std::fmod(left, right);
    default: return left + right;
    }
}

} // namespace

// ---- Registers

ESRegisterGuard::ESRegisterGuard(ESContext *cx, Texts texts)
    : m_cx(cx), m_acc(cx->m_acc), m_stackIndex(cx->m_stackIndex), m_scope(cx->m_scope),
      m_this(cx->m_this), m_argumentIndex(cx->m_argumentIndex),
      m_argumentCount(cx->m_argumentCount), m_line(cx->m_line),
      m_savesTexts(texts == SaveTexts)
{
    if (m_savesTexts) {
        m_fileName = cx->m_fileName;
        m_sourceText = cx->m_sourceText;
    }
}

ESRegisterGuard::~ESRegisterGuard()
{
    m_cx->m_acc = m_acc;
    m_cx->m_stackIndex = m_stackIndex;
    m_cx->m_scope = m_scope;
    m_cx->m_this = m_this;
    m_cx->m_argumentIndex = m_argumentIndex;
    m_cx->m_argumentCount = m_argumentCount;
    m_cx->m_line = m_line;
    if (m_savesTexts) {
        m_cx->m_fileName = m_fileName;
        m_cx->m_sourceText = m_sourceText;
    }
}

// ---- Calls

// Every call asks for the slots it will use: missing arguments, locals, and one per
// code byte for the body's own pushes (no instruction pushes more than one). The
// native stack is checked here too, since each script call nests the loop once more.
void ESMachine::checkRoom(ESContext *cx, quint32 slots)
{
    if (cx->m_stackIndex > cx->m_stackSize || slots > cx->m_stackSize - cx->m_stackIndex
        || static_cast<const char *>(__builtin_frame_address(0)) < cx->m_nativeStackLimit)
        stackTooSmall();
}

// A call changes the stack index, scope chain, this and argument registers and puts
// them back when it returns. When an error unwinds instead, whoever catches it
// (evaluate, a call from native code) restores its own copy of all registers.
ESValue ESMachine::invoke(ESContext *cx, ESObject *function, ESValue thisValue, int argc)
{
    const ESFunctionInfo *info = function->call;
    ESCodeBlock *block = info->block;
    const int missing = info->parameterCount > argc ? info->parameterCount - argc : 0;
    checkRoom(cx, quint32(missing) + 2
                      + (block ? quint32(block->localCount) + quint32(block->code.size()) : 0));
    ESValue *stack = cx->m_stack;
    const quint32 entry = cx->m_stackIndex;
    const int passed = argc;
    for (; argc < info->parameterCount; ++argc)
        stack[cx->m_stackIndex++] = ESValue();
    ESValue result;
    if (function->builtinIndex >= 0) {
        cx->m_passedArgumentCount = passed;
        function->esClass->call(cx, function, thisValue, argc,
                                stack + cx->m_stackIndex - quint32(argc), &result);
    } else if (block) {  // (Function.prototype has an empty body)
        ESObject *const scope = cx->m_scope;
        const ESValue outerThis = cx->m_this;
        const quint32 argumentIndex = cx->m_argumentIndex;
        const int argumentCount = cx->m_argumentCount;
        cx->m_scope = info->scope;
        cx->m_this = thisValue;
        cx->m_argumentIndex = cx->m_stackIndex - quint32(argc);
        cx->m_argumentCount = argc;
        if (block->needsActivation) {
            enterActivation(cx, function, block, passed);
        } else {
            for (int i = 0; i < block->localCount; ++i)
                stack[cx->m_stackIndex++] = ESValue();
        }
        result = run(cx, block);
        cx->m_scope = scope;
        cx->m_this = outerThis;
        cx->m_argumentIndex = argumentIndex;
        cx->m_argumentCount = argumentCount;
    }
    cx->m_stackIndex = entry;
    return result;
}

// The activation object holds the parameters and locals by name, in slot order, for
// the AM and LM forms and for look-up along the scope chain; a local "arguments" holds
// the arguments object (the passed values as elements, "length" and "callee").
void ESMachine::enterActivation(ESContext *cx, ESObject *function, ESCodeBlock *block, int passed)
{
    const ESValue *args = cx->m_stack + cx->m_argumentIndex;
    ESObject *activation = cx->newObject(nullptr, cx->activationClass());
    activation->properties.reserve(std::size_t(block->parameterCount + block->localCount));
    for (int i = 0; i < block->parameterCount; ++i)
        activation->properties.push_back(ESProperty{block->parameterNames[i], 0, args[i]});
    for (int i = 0; i < block->localCount; ++i)
        activation->properties.push_back(ESProperty{block->localNames[i], 0, ESValue()});
    if (block->argumentsSlot >= 0) {
        ESObject *arguments = cx->newObject(cx->objectPrototype(), cx->objectClass());
        arguments->properties.reserve(std::size_t(passed) + 2);
        for (int i = 0; i < passed; ++i)
            arguments->append(cx->toPropertyKey(number(i)), args[i]);
        arguments->append(esKeys().length, number(passed))->attributes = ESAttribute::DontEnum;
        arguments->append(esKeys().callee, object(function))->attributes = ESAttribute::DontEnum;
        activation->value = object(arguments);
        activation->properties[std::size_t(block->parameterCount + block->argumentsSlot)].value =
            object(arguments);
    }
    ESObject *node = cx->newObject(cx->m_scope, cx->activationClass());
    node->value = object(activation);
    cx->m_scope = node;
}

ESObject *ESMachine::construct(ESContext *cx, ESValue function, int argc)
{
    if (!function.isObject() || !function.object->construct)
        cx->throwTypeError(QStringLiteral("new must be given a constructor object"));
    ESObject *constructor = function.object;
    if (constructor->builtinIndex < 0) {
        const ESValue prototype = cx->get(constructor, esKeys().prototype);
        ESObject *made = cx->newObject(prototype.isObject() ? prototype.object
                                                            : cx->objectPrototype(),
                                       cx->objectClass());
        const ESValue result = invoke(cx, constructor, object(made), argc);
        return result.isObject() ? result.object : made;
    }
    const int parameters = constructor->construct->parameterCount;
    checkRoom(cx, quint32(parameters > argc ? parameters - argc : 0) + 2);
    const quint32 entry = cx->m_stackIndex;
    cx->m_passedArgumentCount = argc;
    for (; argc < parameters; ++argc)
        cx->m_stack[cx->m_stackIndex++] = ESValue();
    ESObject *made = constructor->esClass->construct(
        cx, constructor, argc, cx->m_stack + cx->m_stackIndex - quint32(argc));
    cx->m_stackIndex = entry;
    if (!made) {
        const QString name = constructor->value.isString() ? constructor->value.text() : QString();
        cx->throwScriptError(cx->errorClass(), name + QLatin1String(" failed to generate an object"));
    }
    return made;
}

void ESMachine::callFromNative(ESContext *cx, const ESValue &function, const ESValue &thisValue,
                               int argc, const ESValue *argv, ESValue *result)
{
    if (!function.isObject() || !function.object->call)
        cx->throwTypeError(QStringLiteral("can only call function objects"));
    if (argc < 0 || cx->m_stackIndex > cx->m_stackSize
        || quint32(argc) + 1 > cx->m_stackSize - cx->m_stackIndex)
        stackTooSmall();
    ESRegisterGuard registers(cx, ESRegisterGuard::KeepTexts);
    cx->m_stack[cx->m_stackIndex++] = cx->m_acc;
    for (int i = 0; i < argc; ++i)
        cx->m_stack[cx->m_stackIndex++] = argv[i];
    *result = invoke(cx, function.object, thisValue, argc);
}

ESObject *ESMachine::constructFromNative(ESContext *cx, const ESValue &function, int argc,
                                         const ESValue *argv)
{
    if (argc < 0 || cx->m_stackIndex > cx->m_stackSize
        || quint32(argc) + 1 > cx->m_stackSize - cx->m_stackIndex)
        stackTooSmall();
    ESRegisterGuard registers(cx, ESRegisterGuard::KeepTexts);
    cx->m_stack[cx->m_stackIndex++] = cx->m_acc;
    for (int i = 0; i < argc; ++i)
        cx->m_stack[cx->m_stackIndex++] = argv[i];
    return construct(cx, function, argc);
}

// A program runs on top of whatever is on the stack: the accumulator is pushed, so the
// first expression statement's drop takes it back off.
ESValue ESMachine::runProgram(ESContext *cx, ESCodeBlock *block)
{
    checkRoom(cx, quint32(block->code.size()) + 2);
    cx->m_stack[cx->m_stackIndex++] = cx->m_acc;
    cx->m_argumentIndex = cx->m_stackIndex;
    cx->m_argumentCount = 0;
    return run(cx, block);
}

// ---- The instruction loop

// The accumulator and the stack pointer live in locals. Before anything that may run
// script code, allocate on the stack or throw, the stack index goes back to the
// context (SYNC). Operands are decoded in place; number operands take the fast paths
// first; everything slower is a call out of this function, with values passed by
// value, so that the loop's frame (one per script call) stays small.
ESValue ESMachine::run(ESContext *cx, ESCodeBlock *block)
{
    if (static_cast<const char *>(__builtin_frame_address(0)) < cx->m_nativeStackLimit)
        stackTooSmall();
    const quint8 *const code = block->code.data();
    const quint32 *const lines = block->lines.data();
    const double *const constants = block->constants.data();
    ESValue *const stack = cx->m_stack;
    ESValue *sp = stack + cx->m_stackIndex;
    ESValue *const args = stack + cx->m_argumentIndex;
    ESValue *const locals = args + cx->m_argumentCount;
    ESObject *const global = cx->m_global;
    // AM and LM address the activation object the call made, even inside `with`.
    ESObject *const activation = block->needsActivation ? cx->m_scope->value.object : nullptr;
    const std::size_t firstLocal = std::size_t(block->parameterCount);
    const bool polls = cx->m_asksKeepRunning;
    const quint8 *pc = code;
    ESValue acc;

#define SYNC() (cx->m_stackIndex = quint32(sp - stack))
    // push X: the accumulator goes to the next free slot and X takes its place.
#define PUSH(value) (*sp++ = acc, acc = (value))
#define TRUTHY(value)                                                                    \
    ((value).tag == ESTag::Boolean || (value).tag == ESTag::Number ? (value).number != 0  \
                                                                   : truthy(cx, value))
    for (;;) {
        if (polls) {
            SYNC();
            cx->m_acc = acc;
            if (!cx->keepRunning())
                return acc;
        }
        cx->m_line = int(lines[pc - code]);
        switch (ESOp(*pc)) {
        case ESOp::Num:
            PUSH(number(constants[operand(pc, 1)]));
            pc += 3;
            break;
        case ESOp::Num0: case ESOp::Num1: case ESOp::Num2: case ESOp::Num3: case ESOp::Num4:
            PUSH(number(*pc - int(ESOp::Num0)));
            pc += 1;
            break;
        case ESOp::NumM1:
            PUSH(number(-1));
            pc += 1;
            break;
        case ESOp::Null:
            PUSH(ESValue::null());
            pc += 1;
            break;
        case ESOp::True: case ESOp::False:
            PUSH(ESValue::boolean(*pc == quint8(ESOp::True)));
            pc += 1;
            break;
        case ESOp::Undefined:
            PUSH(ESValue());
            pc += 1;
            break;
        case ESOp::This:
            PUSH(cx->m_this);
            pc += 1;
            break;
        case ESOp::Str:
            PUSH(ESValue::fromAtom(atomOperand(pc, 1)));
            pc += 3;
            break;
        case ESOp::New: case ESOp::NewA: {
            // ( a1..an f -- o ): the arguments are already on the stack.
            const bool withArguments = *pc == quint8(ESOp::NewA);
            const int count = withArguments ? operand(pc, 1) : 0;
            SYNC();
            acc = object(construct(cx, acc, count));
            sp -= count;
            pc += withArguments ? 3 : 1;
            break;
        }
        case ESOp::Drop:
            acc = *--sp;
            pc += 1;
            break;
        case ESOp::Dup:
            *sp++ = acc;
            pc += 1;
            break;
        case ESOp::Void:
            acc = ESValue();
            pc += 1;
            break;
        case ESOp::TypeOf:
            acc = ESValue::fromAtom(typeOf(acc));
            pc += 1;
            break;
        case ESOp::Enum:
            SYNC();
            acc = object(enumerate(cx, acc));
            pc += 1;
            break;
        case ESOp::Next: {
            // ( e -- key ), or ( e -- ) and a jump once every key was handed out.
            if (!acc.isObject() || acc.object->esClass != cx->m_enumerationClass.get())
                notAnEnumeration();
            ESObject *enumeration = acc.object;
            const std::size_t next = std::size_t(enumeration->value.number);
            if (next + 1 < enumeration->properties.size()) {
                enumeration->value.number = double(next + 1);
                acc = enumeration->properties[next].value;
                pc += 3;
            } else {
                acc = *--sp;
                pc = code + operand(pc, 1);
            }
            break;
        }
        case ESOp::Closure:
            SYNC();
            PUSH(object(closure(cx, operand(pc, 1))));
            pc += 3;
            break;
        case ESOp::MkArray: {
            const int count = operand(pc, 1);
            *sp++ = acc;
            sp -= count;
            SYNC();
            acc = object(makeArray(cx, sp, count));
            pc += 3;
            break;
        }
        case ESOp::NewObj:
            PUSH(object(cx->newObject(cx->m_objectPrototype, cx->objectClass())));
            pc += 1;
            break;
        case ESOp::With:
            SYNC();
            enterWith(cx, acc);
            acc = *--sp;
            pc += 1;
            break;
        case ESOp::EndWith:
            cx->m_scope = cx->m_scope->prototype;
            pc += 1;
            break;
        case ESOp::InitF:
            SYNC();
            putMember(cx, sp[-1], atomOperand(pc, 1), acc);
            acc = *--sp;
            pc += 3;
            break;
        case ESOp::CallW: {
            const int count = operand(pc, 3);
            *sp++ = acc;
            SYNC();
            acc = callName(cx, atomOperand(pc, 1), count);
            sp -= count;
            pc += 5;
            break;
        }
        case ESOp::CallF: {
            const int count = operand(pc, 3);
            *sp++ = acc;
            SYNC();
            acc = callMember(cx, sp[-count - 1], atomOperand(pc, 1), count);
            sp -= count + 1;
            pc += 5;
            break;
        }
        case ESOp::CallG: case ESOp::CallA: case ESOp::CallAM: case ESOp::CallL:
        case ESOp::CallLM: {
            const int slot = operand(pc, 1);
            const int count = operand(pc, 3);
            *sp++ = acc;
            SYNC();
            const ESValue function = *pc == quint8(ESOp::CallG) ? global->properties[slot].value
                                     : *pc == quint8(ESOp::CallA) ? args[slot]
                                     : *pc == quint8(ESOp::CallL) ? locals[slot]
                                     : *pc == quint8(ESOp::CallAM)
                                         ? activation->properties[slot].value
                                         : activation->properties[firstLocal + slot].value;
            acc = callFunction(cx, function, global, count);
            sp -= count;
            pc += 5;
            break;
        }
        case ESOp::CallX: {
            const int count = operand(pc, 1);
            *sp++ = acc;
            SYNC();
            acc = callComputed(cx, sp[-count - 2], sp[-count - 1], count);
            sp -= count + 2;
            pc += 3;
            break;
        }
        case ESOp::GetW:
            SYNC();
            PUSH(getName(cx, atomOperand(pc, 1)));
            pc += 3;
            break;
        case ESOp::GetF:
            SYNC();
            acc = getMember(cx, acc, atomOperand(pc, 1));
            pc += 3;
            break;
        case ESOp::GetG:
            PUSH(global->properties[operand(pc, 1)].value);
            pc += 3;
            break;
        case ESOp::GetA:
            PUSH(args[operand(pc, 1)]);
            pc += 3;
            break;
        case ESOp::GetL:
            PUSH(locals[operand(pc, 1)]);
            pc += 3;
            break;
        case ESOp::GetAM:
            PUSH(activation->properties[operand(pc, 1)].value);
            pc += 3;
            break;
        case ESOp::GetLM:
            PUSH(activation->properties[firstLocal + operand(pc, 1)].value);
            pc += 3;
            break;
        case ESOp::GetX:
            // ( o k -- o[k] )
            --sp;
            SYNC();
            acc = getComputed(cx, *sp, acc);
            pc += 1;
            break;
        case ESOp::PutW:
            SYNC();
            putName(cx, atomOperand(pc, 1), acc);
            acc = *--sp;
            pc += 3;
            break;
        case ESOp::PutF:
            // ( v o -- )
            --sp;
            SYNC();
            putMember(cx, acc, atomOperand(pc, 1), *sp);
            acc = *--sp;
            pc += 3;
            break;
        case ESOp::PutG: {
            ESProperty &property = global->properties[operand(pc, 1)];
            if (!(property.attributes & ESAttribute::ReadOnly))
                property.value = acc;
            acc = *--sp;
            pc += 3;
            break;
        }
        case ESOp::PutA:
            args[operand(pc, 1)] = acc;
            acc = *--sp;
            pc += 3;
            break;
        case ESOp::PutL:
            locals[operand(pc, 1)] = acc;
            acc = *--sp;
            pc += 3;
            break;
        case ESOp::PutAM:
            activation->properties[operand(pc, 1)].value = acc;
            acc = *--sp;
            pc += 3;
            break;
        case ESOp::PutLM:
            activation->properties[firstLocal + operand(pc, 1)].value = acc;
            acc = *--sp;
            pc += 3;
            break;
        case ESOp::PutX:
            // ( v o k -- )
            sp -= 2;
            SYNC();
            putComputed(cx, sp[1], acc, sp[0]);
            acc = *--sp;
            pc += 1;
            break;
        case ESOp::Add: {
            const ESValue left = *--sp;
            if (left.isNumber() && acc.isNumber()) {
                acc.number = left.number + acc.number;
            } else {
                SYNC();
                acc = add(cx, left, acc);
            }
            pc += 1;
            break;
        }
        case ESOp::Sub: case ESOp::Mul: case ESOp::Div: case ESOp::Mod: {
            const ESValue left = *--sp;
            if (left.isNumber() && acc.isNumber()) {
                acc.number = arithmetic(*pc, left.number, acc.number);
            } else {
                SYNC();
                acc = binary(cx, *pc, left, acc);
            }
            pc += 1;
            break;
        }
        case ESOp::AddX: case ESOp::SubX: case ESOp::MulX: case ESOp::DivX: case ESOp::ModX:
        case ESOp::BitAndX: case ESOp::BitOrX: case ESOp::BitXorX:
            // ( o k v -- o[k] op= v ); the plain opcode is one below the X form.
            sp -= 2;
            SYNC();
            acc = memberOperation(cx, *pc - 1, sp[0], sp[1], acc);
            pc += 1;
            break;
        case ESOp::BitAnd: case ESOp::BitOr: case ESOp::BitXor:
        case ESOp::Shl: case ESOp::Shr: case ESOp::UShr:
            --sp;
            SYNC();
            acc = binary(cx, *pc, *sp, acc);
            pc += 1;
            break;
        case ESOp::IncG: case ESOp::DecG:
            SYNC();
            stepGlobal(cx, operand(pc, 1), *pc == quint8(ESOp::IncG) ? 1 : -1);
            pc += 3;
            break;
        case ESOp::IncA: case ESOp::DecA: {
            ESValue &slot = args[operand(pc, 1)];
            const double delta = *pc == quint8(ESOp::IncA) ? 1 : -1;
            if (slot.isNumber()) {
                slot.number += delta;
            } else {
                SYNC();
                stepValue(cx, &slot, delta);
            }
            pc += 3;
            break;
        }
        case ESOp::IncL: case ESOp::DecL: {
            ESValue &slot = locals[operand(pc, 1)];
            const double delta = *pc == quint8(ESOp::IncL) ? 1 : -1;
            if (slot.isNumber()) {
                slot.number += delta;
            } else {
                SYNC();
                stepValue(cx, &slot, delta);
            }
            pc += 3;
            break;
        }
        case ESOp::PreIncX: case ESOp::PostIncX: case ESOp::PreDecX: case ESOp::PostDecX: {
            // ( name -- value )
            const bool increment = *pc == quint8(ESOp::PreIncX) || *pc == quint8(ESOp::PostIncX);
            const bool postfix = *pc == quint8(ESOp::PostIncX) || *pc == quint8(ESOp::PostDecX);
            SYNC();
            acc = stepByName(cx, acc, increment ? 1 : -1, postfix);
            pc += 1;
            break;
        }
        case ESOp::DeleteW:
            SYNC();
            PUSH(ESValue::boolean(deleteName(cx, atomOperand(pc, 1))));
            pc += 3;
            break;
        case ESOp::DeleteX:
            --sp;
            SYNC();
            acc = ESValue::boolean(deleteComputed(cx, *sp, acc));
            pc += 1;
            break;
        case ESOp::Lt: case ESOp::Le: {
            const ESValue left = *--sp;
            const bool orEqual = *pc == quint8(ESOp::Le);
            if (left.isNumber() && acc.isNumber()) {
                acc = ESValue::boolean(orEqual ? left.number <= acc.number
                                               : left.number < acc.number);
            } else {
                SYNC();
                acc = ESValue::boolean(compare(cx, left, acc, orEqual));
            }
            pc += 1;
            break;
        }
        case ESOp::Eq: case ESOp::Ne: {
            const ESValue left = *--sp;
            bool equal;
            if (left.isNumber() && acc.isNumber()) {
                equal = left.number == acc.number;
            } else {
                SYNC();
                equal = looseEquals(cx, left, acc);
            }
            acc = ESValue::boolean(equal == (*pc == quint8(ESOp::Eq)));
            pc += 1;
            break;
        }
        case ESOp::Identity: case ESOp::NotIdentity: {
            const ESValue left = *--sp;
            acc = ESValue::boolean(strictEquals(left, acc) == (*pc == quint8(ESOp::Identity)));
            pc += 1;
            break;
        }
        case ESOp::LogNot:
            // ! negates to-boolean, as the conditional jumps decide (so !1 is false).
            acc = ESValue::boolean(!TRUTHY(acc));
            pc += 1;
            break;
        case ESOp::BitNot: case ESOp::Pos: case ESOp::Neg:
            if (acc.isNumber() && *pc != quint8(ESOp::BitNot)) {
                if (*pc == quint8(ESOp::Neg))
                    acc.number = -acc.number;
            } else {
                SYNC();
                acc = unary(cx, *pc, acc);
            }
            pc += 1;
            break;
        case ESOp::LogAnd: case ESOp::LogOr:
            // Jump keeping the value when it decides the result, else drop it.
            if (TRUTHY(acc) == (*pc == quint8(ESOp::LogOr))) {
                pc = code + operand(pc, 1);
            } else {
                acc = *--sp;
                pc += 3;
            }
            break;
        case ESOp::J:
            pc = code + operand(pc, 1);
            break;
        case ESOp::JT: case ESOp::JF: {
            const bool jump = TRUTHY(acc) == (*pc == quint8(ESOp::JT));
            acc = *--sp;
            pc = jump ? code + operand(pc, 1) : pc + 3;
            break;
        }
        case ESOp::JTDrop:
            if (TRUTHY(acc)) {
                sp -= 2;
                acc = *sp;
                pc = code + operand(pc, 1);
            } else {
                acc = *--sp;
                pc += 3;
            }
            break;
        case ESOp::JLt: {
            const ESValue left = *--sp;
            bool less;
            if (left.isNumber() && acc.isNumber()) {
                less = left.number < acc.number;
            } else {
                SYNC();
                less = compare(cx, left, acc, false);
            }
            acc = *--sp;
            pc = less ? code + operand(pc, 1) : pc + 3;
            break;
        }
        case ESOp::Ret:
            return acc;
        case ESOp::RetU:
            return ESValue();
        default:
            SYNC();
            unknownInstruction(cx, block, int(pc - code));
        }
    }
#undef SYNC
#undef PUSH
#undef TRUTHY
}
