#pragma once

#include "expression/expression.h"

/// Operator nodes. Each evaluates its operands, resolves markers and applies the
/// operator; the left operand's kind selects the operation and the result keeps the
/// left operand's kind and size.

/// Shared toString() and duplicate() of the unary operator nodes.
template <class Derived>
class UnaryOperatorNode : public UnaryExpression
{
public:
    UnaryOperatorNode(ExpressionParser *parser, ExpressionPtr operand)
        : UnaryExpression(parser, std::move(operand)) {}
    QString toString() const override
    {
        return QLatin1String(Derived::nodeName) + QLatin1Char('(') + operand().toString()
            + QLatin1Char(')');
    }
    ExpressionPtr duplicate() const override
    {
        return std::make_unique<Derived>(parser(), operand().duplicate());
    }
};

/// Shared toString() and duplicate() of the binary operator nodes.
template <class Derived>
class BinaryOperatorNode : public BinaryExpression
{
public:
    BinaryOperatorNode(ExpressionParser *parser, ExpressionPtr left, ExpressionPtr right)
        : BinaryExpression(parser, std::move(left), std::move(right)) {}
    QString toString() const override
    {
        return QLatin1String(Derived::nodeName) + QLatin1Char('(') + left().toString()
            + QStringLiteral(", ") + right().toString() + QLatin1Char(')');
    }
    ExpressionPtr duplicate() const override
    {
        return std::make_unique<Derived>(parser(), left().duplicate(), right().duplicate());
    }
};

#define TESSA_OPERATOR_NODE(Name, Base)                      \
    class Name : public Base<Name>                           \
    {                                                        \
    public:                                                  \
        static constexpr const char *nodeName = #Name;       \
        using Base<Name>::Base;                              \
        ExpressionValue evaluate() override;                 \
    };

TESSA_OPERATOR_NODE(NegateExpression, UnaryOperatorNode)
TESSA_OPERATOR_NODE(BitNotExpression, UnaryOperatorNode)
TESSA_OPERATOR_NODE(LogicalNotExpression, UnaryOperatorNode)
TESSA_OPERATOR_NODE(AddressofExpression, UnaryOperatorNode)

TESSA_OPERATOR_NODE(MultiplyExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(DivideExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(ModExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(PlusExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(MinusExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(LshiftExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(RshiftExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(LtExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(LeExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(GtExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(GeExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(EqExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(NeExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(BitAndExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(BitXorExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(BitOrExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(LogicalAndExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(LogicalOrExpression, BinaryOperatorNode)
TESSA_OPERATOR_NODE(AssignExpression, BinaryOperatorNode)

#undef TESSA_OPERATOR_NODE
