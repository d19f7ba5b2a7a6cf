#pragma once

#include "expression/expression.h"
#include "expression/usertype.h"

#include <vector>

/// Nodes whose evaluation rests on the debugger: indexing, member access, calls,
/// `sizeof`, `addressof`, `symbolat` and casts. They check what the language itself
/// can check and ask their parser for the rest.

/// a[i], and *a as a[0].
class LeftSquareBracketExpression : public BinaryExpression
{
public:
    using BinaryExpression::BinaryExpression;
    ExpressionValue evaluate() override;
    QString toString() const override;
    ExpressionPtr duplicate() const override;
};

/// a[start:stop]
class ArraySliceExpression : public Expression
{
public:
    ArraySliceExpression(ExpressionParser *parser, ExpressionPtr array, ExpressionPtr start,
                         ExpressionPtr stop);
    ExpressionValue evaluate() override;
    QString toString() const override;
    ExpressionPtr duplicate() const override;

private:
    ExpressionPtr m_array;
    ExpressionPtr m_start;
    ExpressionPtr m_stop;
};

/// a.b, a->b, and a::b after an operand.
class DotExpression : public UnaryExpression
{
public:
    DotExpression(ExpressionParser *parser, ExpressionPtr object, const QString &member,
                  MemberAccess access);
    ExpressionValue evaluate() override;
    QString toString() const override;
    ExpressionPtr duplicate() const override;

private:
    QString m_member;
    MemberAccess m_access;
};

/// a.*b and a->*b
class PtrToMemberExpression : public BinaryExpression
{
public:
    PtrToMemberExpression(ExpressionParser *parser, ExpressionPtr object, ExpressionPtr member,
                          MemberAccess access);
    ExpressionValue evaluate() override;
    QString toString() const override;
    ExpressionPtr duplicate() const override;

private:
    MemberAccess m_access;
};

/// f(x, y). Calls are never duplicated: a compound assignment to a call would call the
/// function twice.
class CallExpression : public Expression
{
public:
    CallExpression(ExpressionParser *parser, ExpressionPtr function,
                   std::vector<ExpressionPtr> arguments);
    ExpressionValue evaluate() override;
    QString toString() const override;

private:
    ExpressionPtr m_function;
    std::vector<ExpressionPtr> m_arguments;
};

/// sizeof expression, sizeof(expression) or sizeof(type).
class SizeofExpression : public Expression
{
public:
    SizeofExpression(ExpressionParser *parser, ExpressionPtr operand);
    SizeofExpression(ExpressionParser *parser, UserTypePtr type);
    ExpressionValue evaluate() override;
    QString toString() const override;
    ExpressionPtr duplicate() const override;

private:
    ExpressionPtr m_operand;
    UserTypePtr m_type;
};

/// addressof("file", line): the code address of a source line.
class AddressofLineExpression : public Expression
{
public:
    AddressofLineExpression(ExpressionParser *parser, const QString &fileName, qint64 line)
        : Expression(parser), m_fileName(fileName), m_line(line) {}
    ExpressionValue evaluate() override;
    QString toString() const override;
    ExpressionPtr duplicate() const override;

private:
    QString m_fileName;
    qint64 m_line;
};

/// symbolat(address): the name of the symbol at an address.
class SymbolAtExpression : public UnaryExpression
{
public:
    using UnaryExpression::UnaryExpression;
    ExpressionValue evaluate() override;
    QString toString() const override;
    ExpressionPtr duplicate() const override;
};

/// (type) operand
class CastExpression : public UnaryExpression
{
public:
    CastExpression(ExpressionParser *parser, UserTypePtr type, ExpressionPtr operand)
        : UnaryExpression(parser, std::move(operand)), m_type(std::move(type)) {}
    ExpressionValue evaluate() override;
    QString toString() const override;
    ExpressionPtr duplicate() const override;
    const UserTypePtr &type() const { return m_type; }

private:
    UserTypePtr m_type;
};
