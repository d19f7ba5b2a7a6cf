// Array: the constructor, the "length" rule of put() and the prototype methods. The
// methods work through get and put on any object with a "length", except toString,
// which wants an array.

#include "esnatives.h"
#include "esnatives_p.h"

#include "escontext.h"
#include "esnativeerror.h"
#include "esobject.h"

namespace {

enum ArrayIndex {
    ArrayConstructor = 0,
    ArrayToString = 2,
    ArrayToLocaleString,
    Concat,
    Join,
    Pop,
    Push,
    Reverse,
    Shift,
    Slice,
    Sort,
};

// Loops over elements run up to 2^32 times: every 4,096 elements they let a context that
// wants to stop (a stop request, a time limit) end them early.
bool stopped(ESContext *cx, double count)
{
    return (quint64(count) & 4095) == 4095 && cx->stopRequested();
}

ESAtom *keyOf(ESContext *cx, double index)
{
    return cx->toPropertyKey(esNumber(index));
}

ESValue element(ESContext *cx, ESObject *object, double index)
{
    return cx->get(object, keyOf(cx, index));
}

void setElement(ESContext *cx, ESObject *object, double index, const ESValue &value)
{
    cx->put(object, keyOf(cx, index), value);
}

void setLength(ESContext *cx, ESObject *object, double length)
{
    cx->put(object, esKeys().length, esNumber(length));
}

// Moves element `from` to `to`, or removes `to` when `from` does not exist.
void moveElement(ESContext *cx, ESObject *object, double from, double to)
{
    ESAtom *fromKey = keyOf(cx, from);
    if (cx->hasProperty(object, fromKey))
        setElement(cx, object, to, cx->get(object, fromKey));
    else
        cx->deleteProperty(object, keyOf(cx, to));
}

// A relative position of slice(): negative counts from the end; the result is clamped
// to [0, length].
double relativePosition(ESContext *cx, const ESValue &value, double length, double fallback)
{
    if (value.isUndefined())
        return fallback;
    const double position = cx->toInteger(value);
    return position < 0 ? std::max(length + position, 0.0) : std::min(position, length);
}

QString join(ESContext *cx, ESObject *object, const QString &separator)
{
    const quint32 length = ESNativeArray::lengthOf(cx, object);
    QString text;
    for (quint32 i = 0; i < length && !stopped(cx, i); ++i) {
        if (i > 0)
            text += separator;
        const ESValue value = element(cx, object, i);
        if (!value.isUndefined() && !value.isNull())
            text += cx->toString(value);
        cx->checkTextLength(text.size());
    }
    return text;
}

ESObject *concat(ESContext *cx, ESObject *receiver, int argc, const ESValue *argv)
{
    ESObject *result = ESNativeArray::newArray(cx);
    double length = 0;
    for (int i = -1; i < argc; ++i) {
        const ESValue item = i < 0 ? ESValue::fromObject(receiver) : argv[i];
        if (!ESNativeArray::isArray(cx, item)) {
            setElement(cx, result, length++, item);
            continue;
        }
        const quint32 count = ESNativeArray::lengthOf(cx, item.object);
        for (quint32 k = 0; k < count && !stopped(cx, k); ++k) {
            ESAtom *key = keyOf(cx, k);
            if (cx->hasProperty(item.object, key))
                setElement(cx, result, length + k, cx->get(item.object, key));
        }
        length += count;
    }
    setLength(cx, result, length);
    return result;
}

ESValue pop(ESContext *cx, ESObject *object)
{
    const quint32 length = ESNativeArray::lengthOf(cx, object);
    if (length == 0) {
        setLength(cx, object, 0);
        return ESValue();
    }
    const ESValue last = element(cx, object, length - 1);
    cx->deleteProperty(object, keyOf(cx, length - 1));
    setLength(cx, object, length - 1);
    return last;
}

double push(ESContext *cx, ESObject *object, int argc, const ESValue *argv)
{
    double length = ESNativeArray::lengthOf(cx, object);
    for (int i = 0; i < argc; ++i)
        setElement(cx, object, length++, argv[i]);
    setLength(cx, object, length);
    return length;
}

void reverse(ESContext *cx, ESObject *object)
{
    const quint32 length = ESNativeArray::lengthOf(cx, object);
    for (quint32 lower = 0, upper = length - 1; length > 0 && lower < upper && !stopped(cx, lower);
         ++lower, --upper) {
        ESAtom *lowerKey = keyOf(cx, lower);
        ESAtom *upperKey = keyOf(cx, upper);
        const bool hasLower = cx->hasProperty(object, lowerKey);
        const bool hasUpper = cx->hasProperty(object, upperKey);
        const ESValue lowerValue = cx->get(object, lowerKey);
        const ESValue upperValue = cx->get(object, upperKey);
        if (hasUpper)
            cx->put(object, lowerKey, upperValue);
        else
            cx->deleteProperty(object, lowerKey);
        if (hasLower)
            cx->put(object, upperKey, lowerValue);
        else
            cx->deleteProperty(object, upperKey);
    }
}

ESValue shift(ESContext *cx, ESObject *object)
{
    const quint32 length = ESNativeArray::lengthOf(cx, object);
    if (length == 0) {
        setLength(cx, object, 0);
        return ESValue();
    }
    const ESValue first = element(cx, object, 0);
    for (quint32 k = 1; k < length && !stopped(cx, k); ++k)
        moveElement(cx, object, k, k - 1);
    cx->deleteProperty(object, keyOf(cx, length - 1));
    setLength(cx, object, length - 1);
    return first;
}

ESObject *slice(ESContext *cx, ESObject *object, const ESValue &start, const ESValue &end)
{
    const double length = ESNativeArray::lengthOf(cx, object);
    const double from = relativePosition(cx, start, length, 0);
    const double to = relativePosition(cx, end, length, length);
    ESObject *result = ESNativeArray::newArray(cx);
    double count = 0;
    for (double k = from; k < to && !stopped(cx, count); ++k, ++count) {
        ESAtom *key = keyOf(cx, k);
        if (cx->hasProperty(object, key))
            setElement(cx, result, count, cx->get(object, key));
    }
    setLength(cx, result, count);
    return result;
}

// Whether `a` orders before `b`: the comparison function's result is negative, or
// without one, a's text is less than b's.
bool ordersBefore(ESContext *cx, ESObject *array, const ESValue &compare, const ESValue &a,
                  const ESValue &b)
{
    if (compare.isUndefined())
        return QString::compare(cx->toString(a), cx->toString(b)) < 0;
    const ESValue arguments[2] = {a, b};
    ESValue result;
    cx->call(compare, ESValue::fromObject(array), 2, arguments, &result);
    return cx->toNumber(result) < 0;
}

// A diminishing-increment insertion sort through get and put. The gaps are
// (length + 3) / 5, then (gap + 1) / 3 down to 1: for 100 elements 20, 7, 2, 1.
void sort(ESContext *cx, ESObject *array, const ESValue &compare)
{
    if (!compare.isUndefined() && !(compare.isObject() && compare.object->call))
        cx->throwTypeError(QStringLiteral("Array.prototype.sort argument is not a function"));
    const quint32 length = ESNativeArray::lengthOf(cx, array);
    for (quint32 gap = (length + 3) / 5; gap > 0; gap = (gap + 1) / 3) {
        for (quint32 i = gap; i < length; ++i) {
            if (stopped(cx, i))
                return;
            const ESValue value = element(cx, array, i);
            quint32 j = i;
            for (; j >= gap; j -= gap) {
                const ESValue below = element(cx, array, j - gap);
                if (!ordersBefore(cx, array, compare, value, below))
                    break;
                setElement(cx, array, j, below);
            }
            if (j != i)
                setElement(cx, array, j, value);
        }
    }
}

ESObject *arrayFrom(ESContext *cx, int passed, const ESValue *argv)
{
    if (passed == 1 && argv[0].isNumber()) {
        const double length = argv[0].number;
        if (ESContext::uint32Of(length) != length)
            cx->throwScriptError(cx->rangeErrorClass(), QStringLiteral("bad length in array constructor"));
        ESObject *array = ESNativeArray::newArray(cx);
        setLength(cx, array, length);
        return array;
    }
    return ESNativeArray::newArray(cx, argv, passed);
}

} // namespace

ESObject *ESNativeArray::newArray(ESContext *cx, const ESValue *elements, int count)
{
    ESObject *array = cx->newObject(cx->arrayPrototype(), cx->arrayClass());
    array->properties.reserve(std::size_t(count) + 1);
    for (int i = 0; i < count; ++i)
        array->append(cx->toPropertyKey(esNumber(i)), elements[i]);
    array->append(esKeys().length, esNumber(count))->attributes =
        ESAttribute::DontEnum | ESAttribute::DontDelete;
    return array;
}

bool ESNativeArray::isArray(const ESContext *cx, const ESValue &value)
{
    return value.isObject() && value.object->esClass == cx->arrayClass();
}

ESObject *ESNativeArray::requireArray(ESContext *cx, const ESValue &value)
{
    if (!isArray(cx, value))
        cx->throwTypeError(QStringLiteral("array argument expected"));
    return value.object;
}

quint32 ESNativeArray::lengthOf(ESContext *cx, ESObject *object)
{
    return cx->toUint32(cx->get(object, esKeys().length));
}

void ESNativeArray::addMembers(ESContext *cx)
{
    ESObject *prototype = cx->arrayPrototype();
    if (!prototype->findOwn(esKeys().length)) {
        prototype->append(esKeys().length, esNumber(0))->attributes =
            ESAttribute::DontEnum | ESAttribute::DontDelete;
    }
    esInstallConstructor(cx, this, "Array", 1, prototype);
    esDefineMethods(cx, prototype, this, "Array.prototype.",
                    {{"toString", 0, ArrayToString}, {"toLocaleString", 0, ArrayToLocaleString},
                     {"concat", 0, Concat}, {"join", 1, Join}, {"pop", 0, Pop},
                     {"push", 0, Push}, {"reverse", 0, Reverse}, {"shift", 0, Shift},
                     {"slice", 2, Slice}, {"sort", 1, Sort}});
}

// After every store: an element key at or above the length raises "length" to one past
// it; a store to "length" itself is stored again as its to-uint32 number. Lowering the
// length removes nothing.
void ESNativeArray::put(ESContext *cx, ESObject *object, ESAtom *key, const ESValue *value)
{
    ESClass::put(cx, object, key, value);
    ESAtom *lengthKey = esKeys().length;
    if (key == lengthKey) {
        const ESValue length = esNumber(cx->toUint32(*value));
        ESClass::put(cx, object, key, &length);
        return;
    }
    if (key->arrayIndex < 0)
        return;
    const ESProperty *length = object->findOwn(lengthKey);
    if (length && cx->toNumber(length->value) > key->arrayIndex)
        return;
    const ESValue raised = esNumber(double(key->arrayIndex) + 1);
    ESClass::put(cx, object, lengthKey, &raised);
}

void ESNativeArray::call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
                         ESValue *argv, ESValue *result)
{
    const int index = function->builtinIndex;
    if (index == ArrayConstructor) {
        *result = ESValue::fromObject(arrayFrom(cx, cx->passedArgumentCount(), argv));
        return;
    }
    if (index == ArrayToString || index == ArrayToLocaleString) {
        if (!isArray(cx, thisValue))
            cx->throwTypeError(QStringLiteral("Array.prototype.toString requires an array"));
        *result = esText(join(cx, thisValue.object, QStringLiteral(",")));
        return;
    }
    ESObject *object = thisValue.isObject() ? thisValue.object : cx->toObject(thisValue);
    switch (index) {
    case Concat:
        *result = ESValue::fromObject(concat(cx, object, argc, argv));
        return;
    case Join:
        *result = esText(join(cx, object, argv[0].isUndefined() ? QStringLiteral(",")
                                                                : cx->toString(argv[0])));
        return;
    case Pop:
        *result = pop(cx, object);
        return;
    case Push:
        *result = esNumber(push(cx, object, argc, argv));
        return;
    case Reverse:
        reverse(cx, object);
        *result = ESValue::fromObject(object);
        return;
    case Shift:
        *result = shift(cx, object);
        return;
    case Slice:
        *result = ESValue::fromObject(slice(cx, object, argv[0], argv[1]));
        return;
    case Sort:
        sort(cx, object, argv[0]);
        *result = ESValue::fromObject(object);
        return;
    default:
        esBadSignature(cx);
    }
}

ESObject *ESNativeArray::construct(ESContext *cx, ESObject *function, int, ESValue *argv)
{
    if (function->builtinIndex != ArrayConstructor)
        esBadSignature(cx, true);
    return arrayFrom(cx, cx->passedArgumentCount(), argv);
}
