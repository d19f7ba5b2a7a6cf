#pragma once

#include "expression/expressionparser.h"

/// The stand-alone evaluator: constants and operators only; every question about the
/// program is answered with an error.
class SimpleExpressionParser : public ExpressionParser
{
public:
    ExpressionValue lookupScopedName(const QStringList &parts) override;
    ExpressionValue lookupName(const QString &name) override;
    ExpressionValue lookupRegister(const QString &name) override;
};
