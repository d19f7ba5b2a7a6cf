#include "debuggerexpressions.h"

#include "expressionparser.h"
#include "parserexception.h"

// Strings, booleans and floating values can be neither indexed nor have members;
// integers and markers go to the debugger.
static void checkIndexable(const ExpressionValue &value)
{
    if (value.isString() || value.isBoolean() || value.isFloat())
        throw ParserException("bad expression type");
}

static QString accessText(MemberAccess access)
{
    switch (access) {
    case MemberAccess::Dot: return QStringLiteral(".");
    case MemberAccess::Arrow: return QStringLiteral("->");
    case MemberAccess::Scope: return QStringLiteral("::");
    }
    return QString();
}

// --- LeftSquareBracketExpression

ExpressionValue LeftSquareBracketExpression::evaluate()
{
    const ExpressionValue array = left().evaluate();
    const ExpressionValue index = right().evaluate().resolved();
    if (!index.isInteger())
        throw ParserException("bad index type");
    checkIndexable(array);
    return parser()->dereference(array, index);
}

QString LeftSquareBracketExpression::toString() const
{
    return QStringLiteral("LeftSquareBracketExpression(") + left().toString()
        + QStringLiteral(", ") + right().toString() + QLatin1Char(')');
}

ExpressionPtr LeftSquareBracketExpression::duplicate() const
{
    return std::make_unique<LeftSquareBracketExpression>(parser(), left().duplicate(),
                                                         right().duplicate());
}

// --- ArraySliceExpression

ArraySliceExpression::ArraySliceExpression(ExpressionParser *parser, ExpressionPtr array,
                                           ExpressionPtr start, ExpressionPtr stop)
    : Expression(parser), m_array(std::move(array)), m_start(std::move(start)),
      m_stop(std::move(stop))
{
}

ExpressionValue ArraySliceExpression::evaluate()
{
    const ExpressionValue array = m_array->evaluate();
    const ExpressionValue start = m_start->evaluate().resolved();
    if (!start.isInteger())
        throw ParserException("start should be an integer");
    const ExpressionValue stop = m_stop->evaluate().resolved();
    if (!stop.isInteger())
        throw ParserException("stop should be an integer");
    checkIndexable(array);
    return parser()->slice(array, start, stop);
}

QString ArraySliceExpression::toString() const
{
    return QStringLiteral("ArraySliceExpression(") + m_array->toString() + QStringLiteral(", ")
        + m_start->toString() + QStringLiteral(", ") + m_stop->toString() + QLatin1Char(')');
}

ExpressionPtr ArraySliceExpression::duplicate() const
{
    return std::make_unique<ArraySliceExpression>(parser(), m_array->duplicate(),
                                                  m_start->duplicate(), m_stop->duplicate());
}

// --- DotExpression, PtrToMemberExpression

DotExpression::DotExpression(ExpressionParser *parser, ExpressionPtr object,
                             const QString &member, MemberAccess access)
    : UnaryExpression(parser, std::move(object)), m_member(member), m_access(access)
{
}

ExpressionValue DotExpression::evaluate()
{
    const ExpressionValue object = operand().evaluate();
    if (!object.isMarker())
        throw ParserException("bad expression type");
    return parser()->member(object, m_member, m_access);
}

QString DotExpression::toString() const
{
    return QStringLiteral("DotExpression(") + operand().toString() + accessText(m_access)
        + m_member + QLatin1Char(')');
}

ExpressionPtr DotExpression::duplicate() const
{
    return std::make_unique<DotExpression>(parser(), operand().duplicate(), m_member, m_access);
}

PtrToMemberExpression::PtrToMemberExpression(ExpressionParser *parser, ExpressionPtr object,
                                             ExpressionPtr member, MemberAccess access)
    : BinaryExpression(parser, std::move(object), std::move(member)), m_access(access)
{
}

ExpressionValue PtrToMemberExpression::evaluate()
{
    const ExpressionValue object = left().evaluate();
    const ExpressionValue member = right().evaluate();
    if (!object.isMarker())
        throw ParserException("bad expression type");
    return parser()->pointerToMember(object, member, m_access);
}

QString PtrToMemberExpression::toString() const
{
    return QStringLiteral("PtrToMemberExpression(") + left().toString() + accessText(m_access)
        + QLatin1Char('*') + right().toString() + QLatin1Char(')');
}

ExpressionPtr PtrToMemberExpression::duplicate() const
{
    return std::make_unique<PtrToMemberExpression>(parser(), left().duplicate(),
                                                   right().duplicate(), m_access);
}

// --- CallExpression

CallExpression::CallExpression(ExpressionParser *parser, ExpressionPtr function,
                               std::vector<ExpressionPtr> arguments)
    : Expression(parser), m_function(std::move(function)), m_arguments(std::move(arguments))
{
}

ExpressionValue CallExpression::evaluate()
{
    return parser()->call(*m_function, m_arguments);
}

QString CallExpression::toString() const
{
    QString text = QStringLiteral("CallExpression(") + m_function->toString();
    for (const ExpressionPtr &argument : m_arguments)
        text += QStringLiteral(", ") + argument->toString();
    return text + QLatin1Char(')');
}

// --- SizeofExpression

SizeofExpression::SizeofExpression(ExpressionParser *parser, ExpressionPtr operand)
    : Expression(parser), m_operand(std::move(operand))
{
}

SizeofExpression::SizeofExpression(ExpressionParser *parser, UserTypePtr type)
    : Expression(parser), m_type(std::move(type))
{
}

ExpressionValue SizeofExpression::evaluate()
{
    if (m_type)
        return parser()->sizeOfType(*m_type);
    if (m_operand->isConstant())
        throw ParserException("cannot determine sizeof of a constant");
    return parser()->sizeOf(*m_operand);
}

QString SizeofExpression::toString() const
{
    return QStringLiteral("sizeof(") + (m_type ? m_type->name() : m_operand->toString())
        + QLatin1Char(')');
}

ExpressionPtr SizeofExpression::duplicate() const
{
    if (m_type)
        return std::make_unique<SizeofExpression>(parser(), m_type);
    return std::make_unique<SizeofExpression>(parser(), m_operand->duplicate());
}

// --- AddressofLineExpression, SymbolAtExpression

ExpressionValue AddressofLineExpression::evaluate()
{
    return parser()->addressOfLine(m_fileName, m_line);
}

QString AddressofLineExpression::toString() const
{
    return QStringLiteral("addressof(\"") + m_fileName + QStringLiteral("\", ")
        + QString::number(m_line) + QLatin1Char(')');
}

ExpressionPtr AddressofLineExpression::duplicate() const
{
    return std::make_unique<AddressofLineExpression>(parser(), m_fileName, m_line);
}

ExpressionValue SymbolAtExpression::evaluate()
{
    return parser()->symbolAt(operand().evaluate().resolved());
}

QString SymbolAtExpression::toString() const
{
    return QStringLiteral("symbolat(") + operand().toString() + QLatin1Char(')');
}

ExpressionPtr SymbolAtExpression::duplicate() const
{
    return std::make_unique<SymbolAtExpression>(parser(), operand().duplicate());
}

// --- CastExpression

// The operand is handed over unresolved: casting a marker may keep its location.
ExpressionValue CastExpression::evaluate()
{
    return parser()->cast(operand().evaluate(), m_type);
}

QString CastExpression::toString() const
{
    return QStringLiteral("CastExpression(") + m_type->name() + QStringLiteral(", ")
        + operand().toString() + QLatin1Char(')');
}

ExpressionPtr CastExpression::duplicate() const
{
    return std::make_unique<CastExpression>(parser(), m_type, operand().duplicate());
}
