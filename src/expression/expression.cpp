#include "expression.h"

#include "expressionparser.h"
#include "parserexception.h"

#include <QLocale>

ExpressionPtr Expression::duplicate() const
{
    throw ParserException("cannot duplicate expression");
}

// --- Literals

ExpressionPtr ConstantExpression::duplicate() const
{
    return std::make_unique<ConstantExpression>(parser(), m_value);
}

ExpressionPtr IntegerConstantExpression::duplicate() const
{
    return std::make_unique<IntegerConstantExpression>(parser(), value().toSigned());
}

// Always readable as a floating literal again: 2.0 rather than 2.
QString FloatConstantExpression::toString() const
{
    QString text = QString::number(value().toDouble(), 'g', QLocale::FloatingPointShortest);
    bool plain = true;
    for (const QChar c : text) {
        if (!c.isDigit() && c != QLatin1Char('-'))
            plain = false;
    }
    return plain ? text + QStringLiteral(".0") : text;
}

ExpressionPtr FloatConstantExpression::duplicate() const
{
    return std::make_unique<FloatConstantExpression>(parser(), value().toDouble());
}

// Control characters and the rest of Latin-1 as \ooo, other non-ASCII characters as
// \uXXXX; everything else, backslashes included, as written.
QString StringConstantExpression::toString() const
{
    QString text = QStringLiteral("\"");
    for (const QChar c : value().text) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0xff))
            text += QString::asprintf("\\%03o", u);
        else if (u > 0xff)
            text += QString::asprintf("\\u%04x", u);
        else
            text += c;
    }
    return text + QLatin1Char('"');
}

ExpressionPtr StringConstantExpression::duplicate() const
{
    return std::make_unique<StringConstantExpression>(parser(), value().text);
}

// --- Names

ExpressionValue IdentifierExpression::evaluate()
{
    if (m_name == QLatin1String("this"))
        return parser()->thisObject();
    return parser()->lookupName(m_name);
}

ExpressionPtr IdentifierExpression::duplicate() const
{
    return std::make_unique<IdentifierExpression>(parser(), m_name);
}

ExpressionValue ScopedIdentifierExpression::evaluate()
{
    return parser()->lookupScopedName(m_parts);
}

ExpressionPtr ScopedIdentifierExpression::duplicate() const
{
    return std::make_unique<ScopedIdentifierExpression>(parser(), m_parts);
}

ExpressionValue RegisterExpression::evaluate()
{
    return parser()->lookupRegister(m_name);
}

ExpressionPtr RegisterExpression::duplicate() const
{
    return std::make_unique<RegisterExpression>(parser(), m_name);
}
