// The type conversions of ESContext, each named after the language operation it is.

#include "escontext.h"

#include "esatom.h"
#include "esexception.h"
#include "esnatives.h"
#include "esobject.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

// Truncating conversions as the x86-64 instructions make them, so that integral
// values outside the 64-bit range give the same text as they always have: anything
// out of range becomes the "integer indefinite" 0x8000000000000000 (1e21 shows as
// -9223372036854775808), and in the unsigned conversion values from 2^64 become 0.
qint64 truncateToInt64(double value)
{
    if (value >= -9223372036854775808.0 && value < 9223372036854775808.0)
        return qint64(value);
    return std::numeric_limits<qint64>::min();
}

quint64 truncateToUInt64(double value)
{
    if (value < 9223372036854775808.0)
        return quint64(truncateToInt64(value));
    return quint64(truncateToInt64(value - 9223372036854775808.0)) ^ (quint64(1) << 63);
}

} // namespace

// to-boolean: NaN counts as true (only a zero payload is false).
bool ESContext::toBoolean(const ESValue &value) const
{
    switch (value.tag) {
    case ESTag::Undefined: case ESTag::Null:
        return false;
    case ESTag::Boolean: case ESTag::Number:
        return value.number != 0;
    case ESTag::String: case ESTag::Atom:
        return !value.text().isEmpty();
    case ESTag::Object:
        return true;
    }
    fatal(QStringLiteral("bad type in toBoolean"));
}

double ESContext::toNumber(const ESValue &value)
{
    switch (value.tag) {
    case ESTag::Undefined:
        return ESValue::NaN;
    case ESTag::Null:
        return 0;
    case ESTag::Boolean: case ESTag::Number:
        return value.number;
    case ESTag::String: case ESTag::Atom:
        return stringToNumber(value.text());
    case ESTag::Object:
        return toNumber(toPrimitive(value, ESHint::Number));
    }
    fatal(QStringLiteral("bad type in toNumber"));
}

// Blank text is NaN; "0x" introduces an unsigned hexadecimal integer; anything else
// must be a number as a whole ("12abc" is NaN).
double ESContext::stringToNumber(const QString &text)
{
    const QString stripped = text.trimmed();
    if (stripped.isEmpty())
        return ESValue::NaN;
    bool ok = false;
    if (stripped.startsWith(QLatin1String("0x")) || stripped.startsWith(QLatin1String("0X"))) {
        const qulonglong value = stripped.midRef(2).toULongLong(&ok, 16);
        return ok ? double(value) : ESValue::NaN;
    }
    const double value = stripped.toDouble(&ok);
    return ok ? value : ESValue::NaN;
}

double ESContext::integerOf(double number)
{
    if (std::isnan(number))
        return 0;
    if (number == 0 || std::isinf(number))
        return number;
    return std::trunc(number);
}

double ESContext::toInteger(const ESValue &value)
{
    return integerOf(toNumber(value));
}

// Modulo 2^32, keeping the low bits as two's complement for negative values.
quint32 ESContext::uint32Of(double number)
{
    if (std::isnan(number) || number == 0 || std::isinf(number))
        return 0;
    const double remainder = std::fmod(std::trunc(number), 4294967296.0);
    if (remainder < 0)
        return 0u - quint32(quint64(-remainder));
    return quint32(quint64(remainder));
}

quint32 ESContext::toUint32(const ESValue &value)
{
    return value.isNumber() ? uint32Of(value.number) : uint32Of(toNumber(value));
}

qint32 ESContext::toInt32(const ESValue &value)
{
    return qint32(toUint32(value));
}

QString ESContext::toString(const ESValue &value, int radix)
{
    switch (value.tag) {
    case ESTag::Undefined:
        return QStringLiteral("undefined");
    case ESTag::Null:
        return QStringLiteral("null");
    case ESTag::Boolean:
        return value.number != 0 ? QStringLiteral("true") : QStringLiteral("false");
    case ESTag::Number:
        return numberToString(value.number, radix);
    case ESTag::String: case ESTag::Atom:
        return value.text();
    case ESTag::Object:
        return toString(toPrimitive(value, ESHint::String), 10);
    }
    fatal(QStringLiteral("unknown type in toString"));
}

// A fraction shows with six significant digits whatever the radix; an integral value
// goes through a 64-bit integer, signed in radix 10 and unsigned in the others. A radix
// outside 2 to 36 counts as 10.
QString ESContext::numberToString(double number, int radix)
{
    if (std::isnan(number))
        return QStringLiteral("NaN");
    if (number == 0)
        return QStringLiteral("0");
    if (std::isinf(number))
        return number > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (number != std::trunc(number))
        return QString::number(number, 'g', 6);
    if (radix < 2 || radix > 36)
        radix = 10;
    // Beyond the signed 64-bit range a decimal integer keeps its value: all its digits
    // below 1e21, the shortest exponent form from there on (1e21 is "1e+21").
    if (radix == 10 && std::fabs(number) >= 9223372036854775808.0) {
        return std::fabs(number) < 1e21
                   ? QString::number(number, 'f', 0)
                   : QString::number(number, 'g', QLocale::FloatingPointShortest);
    }
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    char buffer[72];
    int position = int(sizeof buffer);
    bool negative = false;
    quint64 magnitude;
    if (radix == 10) {
        const qint64 integer = truncateToInt64(number);
        negative = integer < 0;
        magnitude = negative ? 0 - quint64(integer) : quint64(integer);
    } else {
        magnitude = truncateToUInt64(number);
    }
    do {
        buffer[--position] = digits[magnitude % quint64(radix)];
        magnitude /= quint64(radix);
    } while (magnitude);
    if (negative)
        buffer[--position] = '-';
    return QString::fromLatin1(buffer + position, int(sizeof buffer) - position);
}

ESValue ESContext::toPrimitive(const ESValue &value, ESHint hint)
{
    if (!value.isObject())
        return value;
    if (value.object == m_global)
        return ESValue::fromCell(m_globalText);
    const ESValue primitive = defaultValue(value.object, hint);
    if (primitive.isObject())
        fatal(QStringLiteral("bad type in toPrimitive"));
    return primitive;
}

// The default-value rule: valueOf, then toString -- the other way round only for Date
// objects under the string or default hint. A method that is missing, not a function,
// or yields undefined or an object does not count.
ESValue ESContext::defaultValue(ESObject *object, ESHint hint)
{
    static ESAtom *const valueOfKey = ESAtom::intern("valueOf");
    static ESAtom *const toStringKey = ESAtom::intern("toString");
    const bool stringFirst = hint != ESHint::Number && object->esClass == m_dateClass.get();
    ESAtom *const order[] = {stringFirst ? toStringKey : valueOfKey,
                             stringFirst ? valueOfKey : toStringKey};
    for (ESAtom *name : order) {
        const ESValue method = get(object, name);
        if (!method.isObject() || !method.object->call)
            continue;
        ESValue result;
        call(method, ESValue::fromObject(object), 0, nullptr, &result);
        if (!result.isUndefined() && !result.isObject())
            return result;
    }
    throwTypeError(QStringLiteral("type error: no default value"));
}

ESObject *ESContext::toObject(const ESValue &value)
{
    ESObject *wrapper = nullptr;
    switch (value.tag) {
    case ESTag::Undefined:
        throwTypeError(QStringLiteral("can't convert undefined to an object"));
    case ESTag::Null:
        throwTypeError(QStringLiteral("can't convert null to an object"));
    case ESTag::Object:
        return value.object;
    case ESTag::Boolean:
        wrapper = newObject(m_booleanPrototype, m_booleanClass.get());
        wrapper->value = value;
        return wrapper;
    case ESTag::Number:
        wrapper = newObject(m_numberPrototype, m_numberClass.get());
        wrapper->value = value;
        return wrapper;
    case ESTag::String: case ESTag::Atom:
        wrapper = newObject(m_stringPrototype, m_stringClass.get());
        wrapper->value = value.tag == ESTag::Atom ? value
                                                  : ESValue::fromAtom(ESAtom::intern(value.text()));
        return wrapper;
    }
    fatal(QStringLiteral("unknown type in toObject"));
}

// Integral numbers below 1024 take their pre-interned atoms; everything else is
// converted to text and interned.
ESAtom *ESContext::toPropertyKey(const ESValue &value)
{
    switch (value.tag) {
    case ESTag::Atom:
        return value.atom;
    case ESTag::String:
        return ESAtom::intern(value.cell->text);
    case ESTag::Number:
        // Integral numbers below 2^32 are written as they are: their atoms come from the
        // index cache (the first 1,024 made at start-up).
        if (value.number >= 0 && value.number < 4294967296.0
            && value.number == std::trunc(value.number))
            return ESAtom::forIndex(quint32(value.number));
        break;
    default:
        break;
    }
    return ESAtom::intern(toString(value));
}
