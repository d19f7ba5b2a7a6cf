#pragma once

#include "expression/expressionvalue.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <memory>

class ExpressionParser;
class Expression;

using ExpressionPtr = std::unique_ptr<Expression>;

/// How a member is reached: a.b, a->b or a::b.
enum class MemberAccess { Dot, Arrow, Scope };

/// A node of a parsed expression. Every node keeps the parser that made it: whatever
/// needs knowledge of the program being debugged is asked of that parser while the
/// node evaluates.
class Expression
{
public:
    explicit Expression(ExpressionParser *parser) : m_parser(parser) {}

    /// The node's value; may be a marker. Throws ParserException.
    virtual ExpressionValue evaluate() = 0;
    /// The tree in a readable form: operators as NodeName(operands), literals and names
    /// as written.
    virtual QString toString() const = 0;
    virtual ~Expression() = default;
    /// Whether the node is a literal constant (no address, no size of its own).
    virtual bool isConstant() const { return false; }
    /// A deep copy; throws "cannot duplicate expression" for nodes that must not be
    /// evaluated twice.
    virtual ExpressionPtr duplicate() const;

    ExpressionParser *parser() const { return m_parser; }

    Expression(const Expression &) = delete;
    Expression &operator=(const Expression &) = delete;

    // A tree is built and dropped node by node for every expression evaluated: nodes
    // come from free lists kept per size instead of the general heap.
    static void *operator new(std::size_t size);
    static void operator delete(void *node, std::size_t size);

private:
    ExpressionParser *m_parser;
};

/// A node with one operand.
class UnaryExpression : public Expression
{
public:
    UnaryExpression(ExpressionParser *parser, ExpressionPtr operand)
        : Expression(parser), m_operand(std::move(operand)) {}
    Expression &operand() const { return *m_operand; }

private:
    ExpressionPtr m_operand;
};

/// A node with a left and a right operand.
class BinaryExpression : public Expression
{
public:
    BinaryExpression(ExpressionParser *parser, ExpressionPtr left, ExpressionPtr right)
        : Expression(parser), m_left(std::move(left)), m_right(std::move(right)) {}
    Expression &left() const { return *m_left; }
    Expression &right() const { return *m_right; }

private:
    ExpressionPtr m_left;
    ExpressionPtr m_right;
};

// --- Literals

class ConstantExpression : public Expression
{
public:
    ConstantExpression(ExpressionParser *parser, const ExpressionValue &value)
        : Expression(parser), m_value(value) {}
    ExpressionValue evaluate() override { return m_value; }
    QString toString() const override { return m_value.toText(); }
    bool isConstant() const override { return true; }
    ExpressionPtr duplicate() const override;
    const ExpressionValue &value() const { return m_value; }

private:
    ExpressionValue m_value;
};

/// A signed integer literal of size 8.
class IntegerConstantExpression : public ConstantExpression
{
public:
    IntegerConstantExpression(ExpressionParser *parser, qint64 value)
        : ConstantExpression(parser, ExpressionValue::signedInteger(value)) {}
    ExpressionPtr duplicate() const override;
};

class FloatConstantExpression : public ConstantExpression
{
public:
    FloatConstantExpression(ExpressionParser *parser, double value)
        : ConstantExpression(parser, ExpressionValue::floating(value)) {}
    QString toString() const override;
    ExpressionPtr duplicate() const override;
};

/// A string literal: the text between the quotes, backslash sequences as written.
class StringConstantExpression : public ConstantExpression
{
public:
    StringConstantExpression(ExpressionParser *parser, const QString &text)
        : ConstantExpression(parser, ExpressionValue::string(text)) {}
    /// The text in quotes, control and non-ASCII characters escaped.
    QString toString() const override;
    ExpressionPtr duplicate() const override;
};

// --- Names

class IdentifierExpression : public Expression
{
public:
    IdentifierExpression(ExpressionParser *parser, const QString &name)
        : Expression(parser), m_name(name) {}
    /// Asks the parser for the name; `this` asks for the object of the current method.
    ExpressionValue evaluate() override;
    QString toString() const override { return m_name; }
    ExpressionPtr duplicate() const override;
    const QString &name() const { return m_name; }

private:
    QString m_name;
};

/// a::b::c; a leading empty part stands for a name in the global scope (::x).
class ScopedIdentifierExpression : public Expression
{
public:
    ScopedIdentifierExpression(ExpressionParser *parser, const QStringList &parts)
        : Expression(parser), m_parts(parts) {}
    ExpressionValue evaluate() override;
    QString toString() const override { return m_parts.join(QStringLiteral("::")); }
    ExpressionPtr duplicate() const override;

private:
    QStringList m_parts;
};

/// @name: a register of the target.
class RegisterExpression : public Expression
{
public:
    RegisterExpression(ExpressionParser *parser, const QString &name)
        : Expression(parser), m_name(name) {}
    ExpressionValue evaluate() override;
    QString toString() const override { return QLatin1Char('@') + m_name; }
    ExpressionPtr duplicate() const override;

private:
    QString m_name;
};
