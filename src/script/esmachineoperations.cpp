// What the machine's instructions do beyond their fast paths: calls by name and by
// member, name look-up along the scope chain, member access, the operators on any
// operands, for-in enumeration, closures and array literals.

#include "esmachine_p.h"

#include "esatom.h"
#include "escodeblock.h"
#include "esexception.h"
#include "esnativeerror.h"
#include "esnatives.h"
#include "esobject.h"
#include "esopcode.h"

#include <QSet>

#include <cmath>
#include <cstdio>

namespace {

ESValue number(double value)
{
    return ESValue::fromNumber(value);
}

ESObject *asObject(ESContext *cx, const ESValue &value)
{
    return value.isObject() ? value.object : cx->toObject(value);
}

} // namespace

void ESMachine::stackTooSmall()
{
    ESContext::fatal(QStringLiteral("virtual machine stack too small"));
}

void ESMachine::notAnEnumeration()
{
    ESContext::fatal(QStringLiteral("tos isn't a property object"));
}

void ESMachine::unknownInstruction(ESContext *cx, ESCodeBlock *block, int position)
{
    std::fflush(stdout);
    block->printInstruction(*cx, position);
    cx->throwTypeError(QStringLiteral("???"));
}

// ---- Calls

ESValue ESMachine::callFunction(ESContext *cx, ESValue function, ESObject *receiver, int argc)
{
    if (!function.isObject() || !function.object->call)
        cx->throwTypeError(QStringLiteral("not a function object"));
    return invoke(cx, function.object, ESValue::fromObject(receiver), argc);
}

// CALLW: the name's owner on the scope chain is the receiver.
ESValue ESMachine::callName(ESContext *cx, ESAtom *name, int argc)
{
    ESObject *owner = ownerOf(cx, name);
    return callFunction(cx, owner->esClass->get(cx, owner, name), owner, argc);
}

ESValue ESMachine::callMember(ESContext *cx, ESValue object, ESAtom *key, int argc)
{
    ESObject *receiver = asObject(cx, object);
    return callFunction(cx, receiver->esClass->get(cx, receiver, key), receiver, argc);
}

ESValue ESMachine::callComputed(ESContext *cx, ESValue object, ESValue key, int argc)
{
    ESObject *receiver = asObject(cx, object);
    ESAtom *name = cx->toPropertyKey(key);
    return callFunction(cx, receiver->esClass->get(cx, receiver, name), receiver, argc);
}

// ---- Names

// The first scope node whose object has the name (own or inherited) owns it; without
// one the global object does, and a name found nowhere reads as undefined.
ESObject *ESMachine::ownerOf(ESContext *cx, ESAtom *name)
{
    for (ESObject *node = cx->m_scope; node; node = node->prototype) {
        ESObject *level = node->value.object;
        if (cx->hasProperty(level, name))
            return level;
    }
    return cx->m_global;
}

ESValue ESMachine::getName(ESContext *cx, ESAtom *name)
{
    ESObject *owner = ownerOf(cx, name);
    return owner->esClass->get(cx, owner, name);
}

// Assigning a name that exists nowhere creates a property of the global object.
void ESMachine::putName(ESContext *cx, ESAtom *name, ESValue value)
{
    ESObject *owner = ownerOf(cx, name);
    owner->esClass->put(cx, owner, name, &value);
}

// delete name: the first scope object that has it as its own; the global object is
// not searched, so deleting a global variable by name yields false.
bool ESMachine::deleteName(ESContext *cx, ESAtom *name)
{
    for (ESObject *node = cx->m_scope; node; node = node->prototype) {
        ESObject *level = node->value.object;
        if (level->findOwn(name))
            return cx->deleteProperty(level, name);
    }
    return false;
}

ESValue ESMachine::stepByName(ESContext *cx, ESValue nameValue, double delta, bool postfix)
{
    ESAtom *name = cx->toPropertyKey(nameValue);
    ESObject *owner = ownerOf(cx, name);
    const double old = cx->toNumber(owner->esClass->get(cx, owner, name));
    const ESValue stepped = number(old + delta);
    owner->esClass->put(cx, owner, name, &stepped);
    return postfix ? number(old) : stepped;
}

void ESMachine::stepValue(ESContext *cx, ESValue *slot, double delta)
{
    *slot = number((slot->isNumber() ? slot->number : cx->toNumber(*slot)) + delta);
}

void ESMachine::stepGlobal(ESContext *cx, int slot, double delta)
{
    const double value = cx->toNumber(cx->m_global->properties[std::size_t(slot)].value) + delta;
    // Looked up again: a valueOf may have grown the array meanwhile.
    ESProperty &property = cx->m_global->properties[std::size_t(slot)];
    if (!(property.attributes & ESAttribute::ReadOnly))
        property.value = number(value);
}

// ---- Members

ESValue ESMachine::getMember(ESContext *cx, ESValue object, ESAtom *key)
{
    ESObject *target = asObject(cx, object);
    return target->esClass->get(cx, target, key);
}

ESValue ESMachine::getComputed(ESContext *cx, ESValue object, ESValue key)
{
    ESObject *target = asObject(cx, object);
    ESAtom *name = cx->toPropertyKey(key);
    return target->esClass->get(cx, target, name);
}

void ESMachine::putMember(ESContext *cx, ESValue object, ESAtom *key, ESValue value)
{
    ESObject *target = asObject(cx, object);
    target->esClass->put(cx, target, key, &value);
}

void ESMachine::putComputed(ESContext *cx, ESValue object, ESValue key, ESValue value)
{
    ESObject *target = asObject(cx, object);
    ESAtom *name = cx->toPropertyKey(key);
    target->esClass->put(cx, target, name, &value);
}

bool ESMachine::deleteComputed(ESContext *cx, ESValue object, ESValue key)
{
    ESObject *target = asObject(cx, object);
    return cx->deleteProperty(target, cx->toPropertyKey(key));
}

// The X instructions: o[k] = o[k] op operand, the result also the instruction's value.
ESValue ESMachine::memberOperation(ESContext *cx, int op, ESValue object, ESValue key,
                                   ESValue operand)
{
    ESObject *target = asObject(cx, object);
    ESAtom *name = cx->toPropertyKey(key);
    const ESValue result = binary(cx, op, target->esClass->get(cx, target, name), operand);
    target->esClass->put(cx, target, name, &result);
    return result;
}

void ESMachine::enterWith(ESContext *cx, ESValue value)
{
    ESObject *level = asObject(cx, value);
    ESObject *node = cx->newObject(cx->m_scope, cx->activationClass());
    node->value = ESValue::fromObject(level);
    cx->m_scope = node;
}

// ---- Operators

// + concatenates when either primitive is a string (the result interned), else adds.
ESValue ESMachine::add(ESContext *cx, ESValue left, ESValue right)
{
    left = cx->toPrimitive(left, ESHint::Default);
    right = cx->toPrimitive(right, ESHint::Default);
    if (left.tag == ESTag::Atom) {
        const QString tail = right.isString() ? right.text() : cx->toString(right);
        cx->checkTextLength(qint64(left.atom->text.size()) + tail.size());
        return ESValue::fromAtom(ESAtom::concat(left.atom, tail));
    }
    if (left.isString() || right.isString()) {
        const QString head = cx->toString(left);
        const QString tail = cx->toString(right);
        cx->checkTextLength(qint64(head.size()) + tail.size());
        return ESValue::fromAtom(ESAtom::intern(head + tail));
    }
    return number(cx->toNumber(left) + cx->toNumber(right));
}

// A two-operand operator (by its plain opcode) on operands of any type: the left one
// is converted first.
ESValue ESMachine::binary(ESContext *cx, int op, ESValue left, ESValue right)
{
    switch (ESOp(op)) {
    case ESOp::Add:
        return add(cx, left, right);
    case ESOp::BitAnd: case ESOp::BitOr: case ESOp::BitXor: {
        const qint32 a = cx->toInt32(left);
        const qint32 b = cx->toInt32(right);
        return number(ESOp(op) == ESOp::BitAnd ? a & b : ESOp(op) == ESOp::BitOr ? a | b : a ^ b);
    }
    case ESOp::Shl: case ESOp::Shr: case ESOp::UShr: {
        const quint32 bits = cx->toUint32(left);
        const quint32 count = cx->toUint32(right) & 31;
        if (ESOp(op) == ESOp::Shl)
            return number(qint32(bits << count));
        return number(ESOp(op) == ESOp::Shr ? double(qint32(bits) >> count) : double(bits >> count));
    }
    default: {
        const double a = cx->toNumber(left);
        const double b = cx->toNumber(right);
        switch (ESOp(op)) {
        case ESOp::Sub: return number(a - b);
        case ESOp::Mul: return number(a * b);
        case ESOp::Div: return number(a / b);
        default: return number(std::fmod(a, b));
        }
    }
    }
}

ESValue ESMachine::unary(ESContext *cx, int op, ESValue value)
{
    if (ESOp(op) == ESOp::BitNot)
        return number(~cx->toInt32(value));
    const double converted = cx->toNumber(value);
    return number(ESOp(op) == ESOp::Neg ? -converted : converted);
}

// < and <=: two strings compare by text, anything else as numbers (NaN: false).
bool ESMachine::compare(ESContext *cx, ESValue left, ESValue right, bool orEqual)
{
    left = cx->toPrimitive(left, ESHint::Number);
    right = cx->toPrimitive(right, ESHint::Number);
    if (left.isString() && right.isString())
        return orEqual ? left.text() <= right.text() : left.text() < right.text();
    const double a = cx->toNumber(left);
    const double b = cx->toNumber(right);
    return orEqual ? a <= b : a < b;
}

// ==: the usual loose rules. Same types compare directly; null equals undefined;
// booleans become numbers, a string meeting a number becomes a number, an object
// meeting a number or string becomes a primitive.
bool ESMachine::looseEquals(ESContext *cx, ESValue left, ESValue right)
{
    for (;;) {
        if (left.isString() && right.isString())
            return left.text() == right.text();
        if (left.tag == right.tag) {
            switch (left.tag) {
            case ESTag::Boolean: case ESTag::Number: return left.number == right.number;
            case ESTag::Object: return left.object == right.object;
            default: return true;
            }
        }
        const bool leftEmpty = left.isUndefined() || left.isNull();
        const bool rightEmpty = right.isUndefined() || right.isNull();
        if (leftEmpty || rightEmpty)
            return leftEmpty && rightEmpty;
        if (left.isBoolean())
            left = number(left.number);
        else if (right.isBoolean())
            right = number(right.number);
        else if (left.isNumber() && right.isString())
            right = number(cx->toNumber(right));
        else if (left.isString() && right.isNumber())
            left = number(cx->toNumber(left));
        else if (right.isObject())
            right = cx->toPrimitive(right, ESHint::Default);
        else if (left.isObject())
            left = cx->toPrimitive(left, ESHint::Default);
        else
            return false;
    }
}

// IDENTITY: different types are unequal (the two string tags are one type).
bool ESMachine::strictEquals(ESValue left, ESValue right)
{
    if (left.isString() && right.isString())
        return left.text() == right.text();
    if (left.tag != right.tag)
        return false;
    switch (left.tag) {
    case ESTag::Boolean: case ESTag::Number: return left.number == right.number;
    case ESTag::Object: return left.object == right.object;
    default: return true;
    }
}

bool ESMachine::truthy(const ESContext *cx, ESValue value)
{
    return cx->toBoolean(value);
}

ESAtom *ESMachine::typeOf(ESValue value)
{
    static ESAtom *const names[] = {ESAtom::intern("undefined"), ESAtom::intern("object"),
                                    ESAtom::intern("boolean"), ESAtom::intern("number"),
                                    ESAtom::intern("string"), ESAtom::intern("function")};
    switch (value.tag) {
    case ESTag::Undefined: return names[0];
    case ESTag::Null: return names[1];
    case ESTag::Boolean: return names[2];
    case ESTag::Number: return names[3];
    case ESTag::String: case ESTag::Atom: return names[4];
    case ESTag::Object: return value.object->call ? names[5] : names[1];
    }
    return names[0];
}

// ---- Objects the instructions make

// The keys for-in visits, collected once: the object's own enumerable keys, then its
// prototypes', each key once (a key seen at one level hides it further up).
ESObject *ESMachine::enumerate(ESContext *cx, ESValue value)
{
    ESObject *target = asObject(cx, value);
    ESObject *enumeration = cx->newObject(nullptr, cx->m_enumerationClass.get());
    enumeration->value = number(0);
    QSet<const ESAtom *> seen;
    for (ESObject *level = target; level; level = level->prototype) {
        for (std::size_t i = 0; i < level->properties.size(); ++i) {
            const ESProperty &property = level->properties[i];
            if (!property.key || seen.contains(property.key))
                continue;
            seen.insert(property.key);
            if (!(property.attributes & ESAttribute::DontEnum)) {
                const int index = int(enumeration->properties.size());
                enumeration->append(cx->toPropertyKey(number(index)),
                                    ESValue::fromAtom(property.key));
            }
        }
    }
    const double count = double(enumeration->properties.size());
    enumeration->append(esKeys().length, number(count))->attributes = ESAttribute::DontEnum;
    return enumeration;
}

ESObject *ESMachine::closure(ESContext *cx, int blockNumber)
{
    ESCodeBlock *block = cx->block(blockNumber);
    auto info = std::make_unique<ESFunctionInfo>();
    info->parameterCount = block->parameterCount;
    info->block = block;
    info->scope = cx->m_scope;
    ESObject *function = cx->newFunction(cx->functionPrototype(), cx->functionClass(),
                                         std::move(info), true);
    function->value = ESValue::fromAtom(block->name);
    function->append(esKeys().length, number(block->parameterCount));
    ESObject *prototype = cx->newObject(cx->objectPrototype(), cx->objectClass());
    prototype->append(esKeys().constructor, ESValue::fromObject(function))->attributes =
        ESAttribute::DontEnum;
    function->append(esKeys().prototype, ESValue::fromObject(prototype));
    return function;
}

ESObject *ESMachine::makeArray(ESContext *cx, const ESValue *elements, int count)
{
    return ESNativeArray::newArray(cx, elements, count);
}
