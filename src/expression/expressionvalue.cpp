#include "expressionvalue.h"

#include "parserexception.h"

#include <QLocale>

#include <cstring>
#include <iterator>
#include <limits>

// Single precision of a double; values beyond its range become infinities rather than
// an undefined conversion.
double ExpressionValue::roundToFloat(double value)
{
    if (value > std::numeric_limits<float>::max())
        return std::numeric_limits<double>::infinity();
    if (value < -std::numeric_limits<float>::max())
        return -std::numeric_limits<double>::infinity();
    return double(float(value));
}

ExpressionValue ExpressionValue::boolean(bool value)
{
    ExpressionValue v;
    v.kind = Kind::Boolean;
    v.data = value ? 1 : 0;
    v.size = 1;
    return v;
}

ExpressionValue ExpressionValue::signedInteger(qint64 value, quint32 size)
{
    ExpressionValue v;
    v.kind = Kind::Signed;
    v.data = quint64(value);
    v.size = size;
    v.normalise();
    return v;
}

ExpressionValue ExpressionValue::unsignedInteger(quint64 value, quint32 size)
{
    ExpressionValue v;
    v.kind = Kind::Unsigned;
    v.data = value;
    v.size = size;
    v.normalise();
    return v;
}

ExpressionValue ExpressionValue::floating(double value, quint32 size)
{
    ExpressionValue v;
    v.kind = Kind::Float;
    v.size = size;
    if (size == 4)
        value = roundToFloat(value);
    std::memcpy(&v.data, &value, sizeof value);
    return v;
}

ExpressionValue ExpressionValue::string(const QString &text)
{
    ExpressionValue v;
    v.kind = Kind::String;
    v.size = 0;
    v.text = text;
    return v;
}

ExpressionValue ExpressionValue::markerValue(std::shared_ptr<ExpressionMarker> marker)
{
    ExpressionValue v;
    v.kind = Kind::Marker;
    v.size = 0;
    v.marker = std::move(marker);
    return v;
}

double ExpressionValue::toDouble() const
{
    switch (kind) {
    case Kind::Float: {
        double d;
        std::memcpy(&d, &data, sizeof d);
        return d;
    }
    case Kind::Unsigned:
        return double(data);
    case Kind::Boolean:
        return data ? 1.0 : 0.0;
    default:
        return double(qint64(data));
    }
}

void ExpressionValue::normalise()
{
    if (size == 0 || size >= 8 || !isInteger())
        return;
    const unsigned bits = size * 8;
    const quint64 mask = (quint64(1) << bits) - 1;
    data &= mask;
    if (kind == Kind::Signed && (data >> (bits - 1)) != 0)
        data |= ~mask;
}

// Every name is a literal, so that naming a value allocates nothing.
QString ExpressionValue::typeName() const
{
    switch (kind) {
    case Kind::Boolean:
        return QStringLiteral("boolean");
    case Kind::Signed:
        switch (size) {
        case 1: return typeFlag == byteFlag ? QStringLiteral("byte") : QStringLiteral("char");
        case 2: return QStringLiteral("short");
        case 4: return QStringLiteral("int");
        case 8: return QStringLiteral("long long");
        }
        break;
    case Kind::Unsigned:
        switch (size) {
        case 1: return QStringLiteral("unsigned char");
        case 2: return QStringLiteral("unsigned short");
        case 4: return QStringLiteral("unsigned int");
        case 8: return QStringLiteral("unsigned long long");
        }
        break;
    case Kind::String:
        return QStringLiteral("string");
    case Kind::Marker:
        return QStringLiteral("marker");
    case Kind::Float:
        return size == 4 ? QStringLiteral("float") : QStringLiteral("double");
    }
    return QStringLiteral("unknown");
}

// The digits of `magnitude` in decimal, after a minus sign when `negative`: the text
// QString::number gives, written straight into the result.
// Writes the digits (and sign) backwards from `end`; answers where they start.
template<typename Char>
static Char *decimalDigits(Char *end, quint64 magnitude, bool negative)
{
    Char *begin = end;
    do {
        *--begin = Char(char('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative)
        *--begin = Char('-');
    return begin;
}

static QString decimalText(quint64 magnitude, bool negative)
{
    QChar digits[21];   // 20 digits of the largest quint64 and a sign
    QChar *const end = digits + std::size(digits);
    const QChar *begin = decimalDigits(end, magnitude, negative);
    return QString(begin, int(end - begin));
}

void ExpressionValue::appendText(QByteArray *utf8) const
{
    char digits[21];
    char *const end = digits + std::size(digits);
    const char *begin = nullptr;
    switch (kind) {
    case Kind::Boolean:
        utf8->append(data ? "true" : "false");
        return;
    case Kind::Signed:
        begin = decimalDigits(end, qint64(data) < 0 ? 0 - data : data, qint64(data) < 0);
        break;
    case Kind::Unsigned:
        begin = decimalDigits(end, data, false);
        break;
    default:
        utf8->append(toText().toUtf8());
        return;
    }
    utf8->append(begin, int(end - begin));
}

QString ExpressionValue::toText() const
{
    switch (kind) {
    case Kind::Boolean:
        return data ? QStringLiteral("true") : QStringLiteral("false");
    case Kind::Signed:
        return decimalText(qint64(data) < 0 ? 0 - data : data, qint64(data) < 0);
    case Kind::Unsigned:
        return decimalText(data, false);
    case Kind::String:
        return text;
    case Kind::Marker:
        return resolved().toText();
    case Kind::Float:
        return QString::number(toDouble(), 'g', QLocale::FloatingPointShortest);
    }
    return QString();
}

ExpressionValue ExpressionValue::resolved() const &
{
    return ExpressionValue(*this).resolved();
}

ExpressionValue ExpressionValue::resolved() &&
{
    ExpressionValue value = std::move(*this);
    // A marker yields a value, but one of ours may be built on another; a chain this
    // long means something refers to itself.
    for (int depth = 0; value.isMarker(); ++depth) {
        if (depth >= 64 || !value.marker)
            throw ParserException(QStringLiteral("cannot resolve marker"));
        value = value.marker->evaluate();
    }
    return value;
}
