#include "simpleexpressionparser.h"

#include "parserexception.h"

ExpressionValue SimpleExpressionParser::lookupScopedName(const QStringList &parts)
{
    throw ParserException(parts.join(QStringLiteral("::")) + QStringLiteral(" symbol not found"));
}

ExpressionValue SimpleExpressionParser::lookupName(const QString &name)
{
    throw ParserException(name + QStringLiteral(" symbol not found"));
}

ExpressionValue SimpleExpressionParser::lookupRegister(const QString &)
{
    throw ParserException("unknown register");
}
